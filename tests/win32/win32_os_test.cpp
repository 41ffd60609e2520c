// The Win32 adapters against the real API, under Wine: what the recording fake of the unit tests
// takes for granted about Windows, and the defences that only the real system can exercise.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <vector>

#include "platform/win32/win32_os.h"
#include "support/os_contract.h"
#include "wizard/fm_main.h"
#include "wizard/show.h"
#include "wizard/win32/win32_view.h"

using namespace tsy;

// Where the DLL search cannot be restricted, later loads by name find the system folder's DLLs, not the copies
// planted beside the program (which a load by name would take first).
TEST(Win32Hardening, TheDllsLoadedAheadAreTheSystemFoldersOwn) {
    const std::string system = Win32Os().systemDirectory(), mine = Win32Os().appPath();
    for (const char* const* name = kPreloadedDlls; *name; ++name)
        CopyFileA((system + "\\" + *name).c_str(), (mine + "\\" + *name).c_str(), FALSE);
    preloadSystemDlls();
    int present = 0;
    for (const char* const* name = kPreloadedDlls; *name; ++name) {
        const std::string path = system + "\\" + *name;
        if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) continue;  // not in Wine
        char loaded[MAX_PATH] = {};
        GetModuleFileNameA(GetModuleHandleA(*name), loaded, MAX_PATH);
        EXPECT_EQ(lstrcmpiA(loaded, path.c_str()), 0) << *name << " from " << loaded;
        ++present;
    }
    EXPECT_GT(present, 5);
}

// The contract rows (support/os_contract.h), each in a folder of its own.
class Win32Contract : public ::testing::TestWithParam<contract::Row> {};

TEST_P(Win32Contract, AgreesWithTheFake) {
    Win32Os real;
    const std::string dir = real.tempFolder() + "\\" + GetParam().name + "\\contract\\";
    const std::string key = std::string("Software\\VB and VBA Program Settings\\") + contract::kApp;
    std::error_code gone;
    std::filesystem::remove_all(dir, gone), std::filesystem::create_directories(dir);
    contract::Disk disk{dir.substr(0, dir.size() - 1), [&](auto& name, auto& content, int attributes) {
        std::ofstream(dir + name, std::ios::binary) << content;
        SetFileAttributesA((dir + name).c_str(), attributes ? attributes : FILE_ATTRIBUTE_NORMAL);
    }, [&](auto& name, auto& data, int type) {
        RegSetKeyValueA(HKEY_CURRENT_USER, (key + "\\StartUp").c_str(), name.c_str(), type, data.c_str(), data.size() + 1);
    }, [&](auto& name) {
        std::ifstream in(dir + name, std::ios::binary);
        return in ? std::string(std::istreambuf_iterator<char>(in), {}) : std::string("-");
    }};
    EXPECT_EQ(GetParam().act(real, disk), GetParam().expected);
    RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str());
}

INSTANTIATE_TEST_SUITE_P(Rows, Win32Contract, ::testing::ValuesIn(contract::kRows),
                         [](const auto& row) { return std::string(row.param.name); });

// A child holds none of the setup's handles: the inheritable writing end of a pipe closed here
// leaves the pipe broken while the child still runs.
TEST(Win32Processes, AChildInheritsNoHandle) {
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    ASSERT_TRUE(CreatePipe(&readEnd, &writeEnd, &inheritable, 0));
    EXPECT_TRUE(Win32Os().createProcess("", "cmd /c ping -n 3 127.0.0.1 >nul", "", 0).created);
    CloseHandle(writeEnd);
    EXPECT_FALSE(PeekNamedPipe(readEnd, nullptr, 0, nullptr, nullptr, nullptr));
    CloseHandle(readEnd);
}

RECT rectOf(HWND child) {  // in its parent's client area
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(HWND_DESKTOP, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

BOOL CALLBACK collectChild(HWND child, LPARAM out) {  // depth first, each level in z-order
    reinterpret_cast<std::vector<HWND>*>(out)->push_back(child);
    return TRUE;
}

std::vector<const Control*> unseenAtShow;  // the controls seen as the form appears but without a shown window then
LRESULT CALLBACK atFirstShow(int code, WPARAM wp, LPARAM lp) {
    const auto* m = reinterpret_cast<const CWPSTRUCT*>(lp);
    if (code == HC_ACTION && m->message == WM_SHOWWINDOW && m->wParam && !GetParent(m->hwnd)) {  // the form
        std::vector<HWND> kids;
        EnumChildWindows(m->hwnd, collectChild, reinterpret_cast<LPARAM>(&kids));
        const std::vector<Control*>& all = wizardForm()->controls();  // [0] is the window; ids count from 999
        for (int i = 1; i < static_cast<int>(all.size()); ++i) {
            bool seen = std::none_of(kids.begin(), kids.end(), [i](HWND h) {  // and no shown window yet
                return GetDlgCtrlID(h) == 999 + i && (GetWindowLongW(h, GWL_STYLE) & WS_VISIBLE);
            });
            for (const Control* p = all[i]; p; p = p->container()) seen = seen && p->visible();
            if (seen) unseenAtShow.push_back(all[i]);
        }
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}

// First shown: a shown window for each control the user sees but Finish (under Next, hidden at once); the model's size
// at the DPI, centred on the work area; each control's window among its siblings where the model stacks it (brought to
// the front first, the latest first, then the form's order: Tab's too), also those made after showing, ids from 1000.
// At twice the DPI: every control placed again (read from the windows) and the window where the system suggests.
TEST(Win32View, TheWindowIsLaidOutAsTheModelSaysAndAgainAfterADpiChange) {
    Win32Os real;
    setOs(&real);
    installWin32View(GetModuleHandleW(nullptr));
    HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, atFirstShow, nullptr, GetCurrentThreadId());
    showWizard();
    UnhookWindowsHookEx(hook);
    for (const Control* c : unseenAtShow) EXPECT_FALSE(c->visible()) << c->name();  // gone before anything is drawn
    HWND form = FindWindowW(L"TsyWizardForm", nullptr);
    ASSERT_TRUE(form);
    for (MSG m; PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE);) DispatchMessageW(&m);  // the windows made after showing
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    const Form& model = *wizardForm();
    RECT was{}, now{}, work{};
    GetWindowRect(form, &was);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_EQ(was.right - was.left, MulDiv(model.window().width(), dpi, 1440));
    EXPECT_EQ(was.bottom - was.top, MulDiv(model.window().height(), dpi, 1440));
    EXPECT_NEAR(was.left - work.left, work.right - was.right, 1);
    EXPECT_NEAR(was.top - work.top, work.bottom - was.bottom, 1);
    std::map<const Control*, int> ids;
    std::vector<const Control*> stacked;
    for (const Control* c : model.controls())
        if (c->type() != ControlType::Window) ids.emplace(c, 1000 + static_cast<int>(ids.size())), stacked.push_back(c);
    std::stable_sort(stacked.begin(), stacked.end(), [](auto* a, auto* b) { return a->zOrder() > b->zOrder(); });
    std::map<int, std::vector<int>> want, have;  // by the parent's id (0: the form)
    for (const Control* c : stacked) want[c->container() ? ids[c->container()] : 0].push_back(ids[c]);
    std::vector<HWND> children;
    std::vector<RECT> before;
    EnumChildWindows(form, collectChild, reinterpret_cast<LPARAM>(&children));
    for (HWND h : children) have[GetDlgCtrlID(GetParent(h))].push_back(GetDlgCtrlID(h)), before.push_back(rectOf(h));
    EXPECT_EQ(have, want);
    RECT suggested{was.left, was.top, was.left + 2 * (was.right - was.left), was.top + 2 * (was.bottom - was.top)};
    SendMessageW(form, 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(2 * dpi, 2 * dpi), reinterpret_cast<LPARAM>(&suggested));
    GetWindowRect(form, &now);
    EXPECT_TRUE(EqualRect(&now, &suggested));
    for (std::size_t i = 0; i < children.size(); ++i) {
        const RECT &b = before[i], a = rectOf(children[i]);
        EXPECT_NEAR(a.left, 2 * b.left, 2) << i;
        EXPECT_NEAR(a.right - a.left, 2 * (b.right - b.left), 2) << i;
        EXPECT_NEAR(a.bottom - a.top, 2 * (b.bottom - b.top), 2) << i;
    }
    ShowWindow(form, SW_HIDE);
}

// What the input box showed, read while it was up by a timer of the thread that waits on it.
struct InputBoxSeen { HWND behind; WPARAM button; bool behindEnabled = true; RECT prompt{}, edit{}, client{}; int lineHeight = 0; } seen;

void CALLBACK answerInputBox(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND box = FindWindowW(L"#32770", L"Interface level");
    if (!box || !IsWindowVisible(box)) return;
    KillTimer(nullptr, timer);
    seen.behindEnabled = IsWindowEnabled(seen.behind);
    HWND prompt = FindWindowExW(box, nullptr, L"Static", nullptr), edit = FindWindowExW(box, nullptr, L"Edit", nullptr);
    GetClientRect(box, &seen.client), seen.prompt = rectOf(prompt), seen.edit = rectOf(edit);
    TEXTMETRICW tm{};
    HDC dc = GetDC(prompt);
    SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(prompt, WM_GETFONT, 0, 0)));
    GetTextMetricsW(dc, &tm), ReleaseDC(prompt, dc);
    seen.lineHeight = tm.tmHeight;
    SetWindowTextW(edit, L" /qn typed");
    PostMessageW(box, WM_COMMAND, seen.button, 0);
}

// The debug prompts' input box, over an active window and over one that is not: the window behind
// takes no input while it is up, every line of a ten-line prompt shows above the text field, and
// the answer is what was typed over the default, or nothing on Cancel.
TEST(Win32Dialogs, TheInputBoxIsModalShowsItsWholePromptAndAnswersWhatWasTyped) {
    std::string prompt = "Interface level (sUI)";
    for (int i = 1; i < 10; ++i) prompt += "\r/q" + std::string(i, 'b') + "  line " + std::to_string(i);
    for (int show : {SW_SHOW, SW_SHOWNOACTIVATE}) {
        seen = InputBoxSeen{CreateWindowW(L"Static", L"behind", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr,
                                          nullptr, nullptr, nullptr), WPARAM(show == SW_SHOW ? IDOK : IDCANCEL)};
        ShowWindow(seen.behind, show);
        SetTimer(nullptr, 0, 50, answerInputBox);
        EXPECT_EQ(Win32Os().inputBox(prompt, "Interface level", " /qb-"), show == SW_SHOW ? " /qn typed" : "") << show;
        EXPECT_FALSE(seen.behindEnabled) << show;
        EXPECT_TRUE(IsWindowEnabled(seen.behind));
        EXPECT_GE(seen.prompt.bottom - seen.prompt.top, 10 * seen.lineHeight);
        EXPECT_GE(seen.edit.top, seen.prompt.bottom);
        EXPECT_LE(seen.edit.bottom, seen.client.bottom);
        DestroyWindow(seen.behind);
    }
}

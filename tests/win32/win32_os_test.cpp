// The Win32 adapters against the real API, under Wine: what the recording fake of the unit tests
// takes for granted about Windows, and the defences that only the real system can exercise.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/win32/win32_os.h"
#include "wizard/win32/win32_view.h"

using namespace tsy;

namespace {

std::string readFile(const std::string& path) {
    std::ostringstream s;
    s << std::ifstream(path, std::ios::binary).rdbuf();
    return s.str();
}

int closesActedOn = 0;
LRESULT CALLBACK closeCounting(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg != WM_CLOSE) return DefWindowProcA(w, msg, wp, lp);
    closesActedOn += acceptsUserClose(w);
    return 0;
}

}  // namespace

// A hard link named like the log, placed first in a shared temporary folder, must not take a
// privileged run's entries to its target. (Wine makes no reparse points to try.)
TEST(Win32Files, TheLogIsAppendedToAPlainFileOnlyNeverThroughAHardLink) {
    Win32Os real;
    const std::string in = real.tempFolder() + "\\tsy_log\\";
    std::error_code ec;
    std::filesystem::remove_all(in, ec);
    std::filesystem::create_directory(in);
    EXPECT_TRUE(real.appendFile(in + "TSY Setup.log", "one\r\n"));
    EXPECT_TRUE(real.appendFile(in + "TSY Setup.log", "two\r\n"));
    std::ofstream(in + "target.txt") << "kept";
    ASSERT_TRUE(CreateHardLinkA((in + "link.log").c_str(), (in + "target.txt").c_str(), nullptr));
    EXPECT_FALSE(real.appendFile(in + "link.log", "forged"));
    EXPECT_EQ(readFile(in + "TSY Setup.log") + readFile(in + "target.txt"), "one\r\ntwo\r\nkept");
}

// A value longer than a first guess of its size is read whole; letter case does not matter. Text
// outside the ANSI code page (this program has no UTF-8 manifest) passes whole, as does a name.
TEST(Win32Settings, AValueRoundTripsAndALongOneIsReadWhole) {
    Win32Os real;
    const std::string app = "TSY_ADAPTER_TEST", value = std::string(900, 'x') + "\\予定表\\MainDB\\";
    const std::string folder = real.tempFolder() + "\\tsy_予定表";
    EXPECT_TRUE(real.createFolder(folder) && real.dirFirst(folder, attr::Directory) == "tsy_予定表");
    ASSERT_TRUE(real.saveSetting(app, "StartUp", "DBPath", value));
    EXPECT_EQ(real.getSetting(app, "startup", "dbpath"), value);
    RegDeleteTreeA(HKEY_CURRENT_USER, ("Software\\VB and VBA Program Settings\\" + app).c_str());
}

// Where the DLL search cannot be restricted, later loads by name find the system folder's DLLs.
TEST(Win32Hardening, TheDllsLoadedAheadAreTheSystemFoldersOwn) {
    const std::string system = Win32Os().systemDirectory();
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

// Message box and input box alike, with the program's window active or not: it takes no input and
// no close request under the box, both again after. The input box shows all its prompt's lines.
TEST(Win32Dialogs, BoxesAreModalToTheProgramAndCloseRequestsWaitForThem) {
    Win32Os real;
    const WNDCLASSA wc{0, closeCounting, 0, 0, {}, {}, {}, {}, {}, "Owner"};
    RegisterClassA(&wc);
    std::string prompt = "Interface level (sUI)";
    for (int i = 0; i < 8; ++i) prompt += "\r/q" + std::to_string(i) + " an option of msiexec";
    prompt += "\rEnter params (default=/qb-): ";
    for (bool input : {false, true}) {
        for (bool active : {true, false}) {
            SCOPED_TRACE(::testing::Message() << "input box " << input << ", active " << active);
            HWND behind = CreateWindowA("Owner", "", WS_OVERLAPPEDWINDOW, 10, 10, 300, 200,
                                        nullptr, nullptr, nullptr, nullptr);
            ShowWindow(behind, active ? SW_SHOW : SW_SHOWNOACTIVATE);
            if (!active) SetActiveWindow(nullptr);
            ASSERT_EQ(GetActiveWindow() == behind, active);
            closesActedOn = 0;
            bool enabledUnder = true, promptFits = true, titled = false;
            // The user, seeing the box: a close request comes, text is typed, a button pressed.
            std::thread user([&] {
                HWND box = nullptr;
                for (int i = 0; i < 600 && !(box = FindWindowA("#32770", nullptr)); ++i) Sleep(50);
                char title[16] = {};
                titled = GetWindowTextA(box, title, 16) && std::string(title) == "TSY Setup";
                enabledUnder = IsWindowEnabled(behind);
                PostMessageA(behind, WM_CLOSE, 0, 0);
                HWND text = GetDlgItem(box, 100), edit = GetDlgItem(box, 101);
                RECT r{}, need{}, field{};
                GetWindowRect(text, &r);
                GetWindowRect(edit, &field);
                need.right = r.right - r.left;
                HDC dc = GetDC(text);
                SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(text, WM_GETFONT, 0, 0)));
                DrawTextA(dc, prompt.c_str(), -1, &need, DT_CALCRECT | DT_WORDBREAK);
                ReleaseDC(text, dc);
                promptFits = !input || (r.bottom - r.top >= need.bottom && field.top >= r.bottom);
                SetWindowTextW(edit, L"/qn 予定表");
                const int button = input ? (active ? IDOK : IDCANCEL) : IDNO;
                PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
            });
            if (input) EXPECT_EQ(real.inputBox(prompt, "", "/qn"), active ? "/qn 予定表" : "");
            else EXPECT_EQ(real.msgBox(prompt, mb::YesNo, ""), mb::AnswerNo);
            user.join();
            EXPECT_TRUE(titled) << "an untitled box has the application's title";
            EXPECT_FALSE(enabledUnder);
            EXPECT_TRUE(promptFits && IsWindowEnabled(behind));
            EXPECT_EQ(closesActedOn, 0) << "a close request under the box";
            SendMessageA(behind, WM_CLOSE, 0, 0);
            ShowWindow(behind, SW_HIDE);
            SendMessageA(behind, WM_CLOSE, 0, 0);
            EXPECT_EQ(closesActedOn, 1) << "only while visible and enabled";
            DestroyWindow(behind);
        }
    }
}

// A child holds none of the setup's handles: the inheritable writing end of a pipe closed here
// leaves the pipe broken while the child still runs.
TEST(Win32Processes, AChildInheritsNoHandle) {
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    ASSERT_TRUE(CreatePipe(&readEnd, &writeEnd, &inheritable, 0));
    EXPECT_TRUE(Win32Os().createProcess("", "ping -n 3 127.0.0.1", "", 0).created);
    CloseHandle(writeEnd);
    EXPECT_FALSE(PeekNamedPipe(readEnd, nullptr, 0, nullptr, nullptr, nullptr));
    CloseHandle(readEnd);
}

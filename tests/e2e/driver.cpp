// In-Wine helper of the end-to-end runner (test_e2e.py). Records are "key US value RS".
//   folders        the folders the setup derives its paths from ("name=path" lines)
//   look ITEM...   "{product code}": its install state; "HKxx\key>value": the value ('!': absent)
//   see TEXT       waits for the wizard to show a control captioned TEXT (or a text box holding it)
//   run DIR OUT ANSWERS CLOSEON CMDLINE   see run() below
// Under another name (planted as msiexec.exe...) it only appends its command line to "<its path>.ran",
// and ends with the first code in "<its path>.codes" (the last one stays).
#include <windows.h>
#include <msi.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string utf8(const std::wstring& w) {
    int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), (int)w.size(), nullptr, 0, nullptr, nullptr);
    std::string s(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), (int)w.size(), s.data(), n, nullptr, nullptr);
    return s;
}

std::wstring shellFolder(int csidl) {
    wchar_t buf[MAX_PATH + 1] = {};
    return SHGetSpecialFolderPathW(nullptr, buf, csidl, FALSE) ? buf : L"";
}

// The same lookups, with the same fallbacks, as the setup's start-up makes them.
void folders() {
    wchar_t buf[MAX_PATH + 1] = {};
    auto put = [](const char* name, const std::wstring& path) { std::printf("%s=%s\n", name, utf8(path).c_str()); };
    std::wstring pf = shellFolder(CSIDL_PROGRAM_FILESX86), sys32 = shellFolder(CSIDL_SYSTEMX86);
    GetSystemDirectoryW(buf, MAX_PATH);
    put("pf", pf.empty() ? shellFolder(CSIDL_PROGRAM_FILES) : pf);
    put("sys", sys32.empty() ? buf : sys32);
    put("win", buf);
    SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, 0, buf);
    put("appdata", buf);
    DWORD n = GetTempPathW(MAX_PATH, buf);
    put("temp", std::wstring(buf, n && buf[n - 1] == L'\\' ? n - 1 : n));
}

void look(const std::wstring& item) {
    std::wstring value, key = item.substr(5, item.find(L'>') - 5), name = item.substr(item.find(L'>') + 1);
    bool found = item[0] == L'{';
    if (found) value = std::to_wstring(MsiQueryProductStateW(item.c_str()));
    // The stand-ins are built like the setup (32-bit, or 64-bit for wine64) and register in their
    // own view of the registry.
    for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
        HKEY h, root = item.rfind(L"HKCU\\", 0) == 0 ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
        DWORD size = 0, type = 0;
        if (found || RegOpenKeyExW(root, key.c_str(), 0, KEY_READ | view, &h) != 0) continue;
        if ((found = RegQueryValueExW(h, name.c_str(), nullptr, nullptr, nullptr, &size) == 0)) {
            value.resize(size / 2 + 1);
            RegQueryValueExW(h, name.c_str(), nullptr, &type, (BYTE*)value.data(), &size);
            value.resize(wcsnlen(value.c_str(), size / 2));
            // A setting as another program reads it: text (REG_SZ) of its length and one terminating NUL, no more.
            if (root == HKEY_CURRENT_USER && (type != REG_SZ || size != 2 * value.size() + 2))
                value = L"?type " + std::to_wstring(type) + L", " + std::to_wstring(size) + L" bytes: " + value;
        }
        RegCloseKey(h);
    }
    std::printf("%s\x1f%s%s\x1e", utf8(item).c_str(), found ? "=" : "!", utf8(value).c_str());
}

BOOL CALLBACK collectBoxes(HWND h, LPARAM boxes) {
    wchar_t cls[16] = {};
    DWORD pid = 0;
    GetClassNameW(h, cls, 16), GetWindowThreadProcessId(h, &pid);
    // The style, not IsWindowVisible, which calls a window on another desktop hidden.
    if (pid != GetCurrentProcessId() && (GetWindowLongW(h, GWL_STYLE) & WS_VISIBLE) && !lstrcmpW(cls, L"#32770"))
        reinterpret_cast<std::vector<HWND>*>(boxes)->push_back(h);
    return TRUE;
}

// The icon a box shows, told by its pixels on the screen (an icon handle means nothing in another process) against
// each system icon drawn on their background; asked again while the box is being painted. '?': none of them.
const char* iconOf(HWND pic) {
    static const char* const names[] = {"error", "question", "warning", "information"};  // IDI_HAND (32513)...
    const char* found = "?";
    RECT r;
    GetWindowRect(pic, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    BITMAPINFO bi{{sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
    HDC screen = GetDC(nullptr), dc = CreateCompatibleDC(screen);
    DWORD *seen = nullptr, *drawn = nullptr;
    HBITMAP shot = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, (void**)&seen, nullptr, 0),
            mine = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, (void**)&drawn, nullptr, 0);
    for (int tries = 0; tries < 40 && *found == '?'; ++tries, Sleep(50))
        for (int i = 0; i < 4; ++i) {
            SelectObject(dc, shot), BitBlt(dc, 0, 0, w, h, screen, r.left, r.top, SRCCOPY), SelectObject(dc, mine);
            std::fill(drawn, drawn + w * h, seen[0]);
            DrawIconEx(dc, 0, 0, LoadIconW(nullptr, MAKEINTRESOURCEW(32513 + i)), w, h, 0, nullptr, DI_NORMAL), GdiFlush();
            if (std::equal(drawn, drawn + w * h, seen, [](DWORD a, DWORD b) { return !((a ^ b) & 0xFFFFFF); })) found = names[i];
        }
    DeleteDC(dc), DeleteObject(shot), DeleteObject(mine), ReleaseDC(nullptr, screen);
    return found;
}

// A box as a person sees it beside its text: push buttons by caption, '*' after the default one (PRESS), icon ('-': none).
std::string shown(HWND box, HWND& press) {
    std::string buttons, icon = "-";
    for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        wchar_t cls[8] = {}, caption[64] = {};
        const LONG style = GetWindowLongW(c, GWL_STYLE);
        GetClassNameW(c, cls, 8), GetWindowTextW(c, caption, 64), std::remove(caption, caption + 64, L'&');
        if (!(style & WS_VISIBLE)) continue;
        if (!lstrcmpiW(cls, L"Static") && (style & SS_TYPEMASK) == SS_ICON && SendMessageW(c, STM_GETICON, 0, 0))
            icon = iconOf(c);
        if (!lstrcmpiW(cls, L"Button") && (style & 0x0F) <= BS_DEFPUSHBUTTON)
            buttons += (buttons.empty() ? "" : " ") + utf8(caption) + ((style & 0x0F) ? (press = c, "*") : "");
    }
    return buttons + "\x1f" + icon;
}

// Starts CMDLINE in DIR and presses the default button of each message box of another process once;
// each box, once gone, is appended to OUT as a record (title, text, buttons, icon); prints "exit=<code>". A box whose
// text holds CLOSEON gets a WM_CLOSE posted to the wizard window first. A folder browser (a box with
// a folder tree) is recorded with its prompt; ANSWERS "fPATH|" selects PATH in it before OK.
int run(const wchar_t* dir, const wchar_t* out, const wchar_t* answers, std::wstring closeOn,
        std::wstring cmd) {
    FILE* rec = _wfopen(out, L"ab");
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    // '!' first in ANSWERS: the setup runs in a window station of its own that nobody can see or answer, as under a
    // deployment tool in session 0; '@': on a desktop of its own in this station, as a remote-management agent starts it.
    // The boxes of either are looked for there too.
    const wchar_t apart = *answers == L'!' || *answers == L'@' ? *answers++ : 0;
    std::wstring desktop = apart == L'!' ? L"tsy-unattended\\Default" : L"WinSta0\\tsy-agent";
    const HWINSTA mine = GetProcessWindowStation();
    if (apart == L'!') SetProcessWindowStation(CreateWindowStationW(L"tsy-unattended", 0, GENERIC_ALL, nullptr));
    const HDESK elsewhere = apart ? CreateDesktopW(desktop.substr(desktop.find(L'\\') + 1).c_str(), nullptr, nullptr, 0,
                                                   GENERIC_ALL, nullptr) : nullptr;
    SetProcessWindowStation(mine);
    si.lpDesktop = apart ? desktop.data() : nullptr;
    // Without an application name the search takes our current folder: make it the setup's.
    SetCurrentDirectoryW(dir);
    if (!rec || !CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, dir, &si, &pi)) {
        std::printf("exit=not started (%lu)\n", GetLastError());
        return 3;
    }
    std::vector<std::pair<HWND, std::string>> answered;  // each record written once its box is gone
    auto flush = [&](bool all) {
        for (auto& [box, record] : answered)
            if (!record.empty() && (all || !IsWindow(box))) std::fputs(record.c_str(), rec), record.clear();
        std::fflush(rec);
    };
    DWORD waited = 0;
    for (; WaitForSingleObject(pi.hProcess, 50) == WAIT_TIMEOUT; waited += 50) {
        if (waited > 600000) TerminateProcess(pi.hProcess, 0xDEAD);
        std::vector<HWND> boxes;
        EnumWindows(collectBoxes, reinterpret_cast<LPARAM>(&boxes));
        if (elsewhere) EnumDesktopWindows(elsewhere, collectBoxes, reinterpret_cast<LPARAM>(&boxes));
        for (HWND box : boxes) {
            if (std::any_of(answered.begin(), answered.end(), [&](auto& a) { return a.first == box; })) continue;
            std::vector<wchar_t> text(65536, L'\0'), title(1024, L'\0');
            const bool browser = FindWindowExW(box, nullptr, L"SysTreeView32", nullptr);
            GetDlgItemTextW(box, browser ? 0x3742 : 0xFFFF, text.data(), (int)text.size());  // shown only once filled in
            GetWindowTextW(box, title.data(), (int)title.size());
            if (!closeOn.empty() && wcsstr(text.data(), closeOn.c_str())) {
                PostMessageW(FindWindowW(L"TsyWizardForm", nullptr), WM_CLOSE, 0, 0);
                closeOn.clear();
            }
            // "fPATH|": PATH selected as a click would, by the browser's own message (its string in the setup's memory)
            if (browser && *answers == L'f') {
                const wchar_t* end = wcschr(answers, L'|');
                const SIZE_T bytes = (end - answers) * sizeof(wchar_t);
                void* remote = VirtualAllocEx(pi.hProcess, nullptr, bytes, MEM_COMMIT, PAGE_READWRITE);
                WriteProcessMemory(pi.hProcess, remote, std::wstring(answers + 1, end).c_str(), bytes, nullptr);
                DWORD_PTR done = 0;
                SendMessageTimeoutW(box, BFFM_SETSELECTIONW, TRUE, (LPARAM)remote, SMTO_BLOCK, 10000, &done);
                VirtualFreeEx(pi.hProcess, remote, 0, MEM_RELEASE);
                answers = end + 1;
            }
            HWND press = nullptr;
            answered.push_back({box, utf8(title.data()) + "\x1f" + utf8(text.data()) + "\x1f" + shown(box, press) + "\x1e"});
            press ? (void)PostMessageW(press, BM_CLICK, 0, 0) : (void)TerminateProcess(pi.hProcess, 0xDEAD);  // nothing to press
        }
        flush(false);
    }
    flush(true);
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    std::printf("exit=%lu\n", code);
    return 0;
}

struct Seek { const wchar_t* text; bool seen; };

BOOL CALLBACK seekControl(HWND c, LPARAM p) {
    wchar_t t[256] = {};
    DWORD_PTR n = 0;  // asked of the window itself: the text of another process's edit box too
    SendMessageTimeoutW(c, WM_GETTEXT, 256, (LPARAM)t, SMTO_BLOCK, 1000, &n);
    auto* s = reinterpret_cast<Seek*>(p);
    s->seen |= IsWindowVisible(c) && !lstrcmpW(t, s->text);
    return TRUE;
}

// Waits for the wizard to show a control captioned TEXT: the panel a key leads to is up, or a
// text box has taken what was chosen.
void see(const wchar_t* text) {
    Seek seek{text, false};
    for (int i = 0; i < 1200 && !seek.seen; ++i, Sleep(50))
        EnumChildWindows(FindWindowW(L"TsyWizardForm", nullptr), seekControl, reinterpret_cast<LPARAM>(&seek));
    std::printf(seek.seen ? "seen\n" : "not seen\n");
}

}  // namespace

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    wchar_t self[MAX_PATH + 8] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    if (lstrcmpiW(wcsrchr(self, L'\\') + 1, L"driver.exe")) {  // planted: it only shows that it ran
        const std::wstring me = self;
        if (FILE* ran = _wfopen((me + L".ran").c_str(), L"ab"))
            std::fprintf(ran, "%s\n", utf8(GetCommandLineW()).c_str()), std::fclose(ran);
        char codes[256] = {};
        if (FILE* in = _wfopen((me + L".codes").c_str(), L"rb"))
            std::fread(codes, 1, sizeof codes - 1, in), std::fclose(in);
        const char* rest = std::strchr(codes, '\n');
        if (FILE* out = rest && rest[1] ? _wfopen((me + L".codes").c_str(), L"wb") : nullptr)
            std::fputs(rest + 1, out), std::fclose(out);
        return std::atoi(codes);
    }
    std::wstring command = argc > 1 ? argv[1] : L"";
    if (command == L"folders") folders();
    else if (command == L"see" && argc == 3) see(argv[2]);
    else if (command == L"look") for (int i = 2; i < argc; ++i) look(argv[i]);
    else if (command == L"run" && argc == 7)
        return run(argv[2], argv[3], argv[4], argv[5], argv[6]);
    else return 2;
    return 0;
}

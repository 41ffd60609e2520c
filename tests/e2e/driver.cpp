// End-to-end helper, run inside the Wine prefix next to the setup under test.
//   driver folders                 the folders the setup derives its paths from, "name=path"
//   driver look ITEM...            "{product code}" -> install state; "HKCU\key>value" -> the
//                                  value; "HKLM\key" -> whether the key exists. One record each:
//                                  ITEM US ('=' value | '!' absent) RS
//   driver run DIR OUT ANSWERS CLOSEON CMDLINE
//                                  starts CMDLINE in DIR, answers every message box of any other
//                                  process once (ANSWERS: comma list of ok/cancel/yes/no/-, then
//                                  the box's default button), writes each box, once it is gone,
//                                  to OUT as "title US text RS" and prints "exit=<code>". When a
//                                  box whose text holds CLOSEON comes up, a WM_CLOSE is posted to
//                                  the wizard window first.
// Under any other name (planted beside the setup as msiexec.exe...) it only leaves
// "<its path>.ran"; built as a DLL it leaves "<its path>.dynamic" when loaded at run time.
#include <windows.h>
#include <msi.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

void mark(HMODULE self, const wchar_t* suffix) {
    wchar_t path[MAX_PATH + 16] = {};
    DWORD n = GetModuleFileNameW(self, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return;
    lstrcatW(path, suffix);
    HANDLE h = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
}

}  // namespace

#ifdef TSY_PLANTED_DLL
// Wine's user32 imports version.dll, so a load at process start (reserved != null) is no finding.
BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) mark(self, reserved ? L".static" : L".dynamic");
    return TRUE;
}
#else

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
    std::wstring pf = shellFolder(CSIDL_PROGRAM_FILESX86), sys32 = shellFolder(CSIDL_SYSTEMX86);
    if (pf.empty()) pf = shellFolder(CSIDL_PROGRAM_FILES);
    GetSystemDirectoryW(buf, MAX_PATH);
    std::wstring system = buf;
    if (sys32.empty()) sys32 = system;
    SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, 0, buf);
    std::wstring appdata = buf;
    DWORD n = GetTempPathW(MAX_PATH, buf);
    std::wstring temp(buf, n && buf[n - 1] == L'\\' ? n - 1 : n);
    std::printf("pf=%s\nsys=%s\nwin=%s\nappdata=%s\ntemp=%s\n", utf8(pf).c_str(),
                utf8(sys32).c_str(), utf8(system).c_str(), utf8(appdata).c_str(),
                utf8(temp).c_str());
}

void look(const std::wstring& item) {
    std::wstring value;
    bool found = false;
    if (item[0] == L'{') {
        value = std::to_wstring(MsiQueryProductStateW(item.c_str()));
        found = true;
    } else {
        HKEY root = item.rfind(L"HKCU\\", 0) == 0 ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
        std::wstring key = item.substr(5), name;
        bool wantValue = key.find(L'>') != std::wstring::npos;
        if (wantValue) name = key.substr(key.find(L'>') + 1), key.erase(key.find(L'>'));
        // The stand-in components are 32-bit and register in the 32-bit view.
        HKEY h;
        if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ | KEY_WOW64_32KEY, &h) == 0) {
            DWORD size = 0;
            found = !wantValue || RegQueryValueExW(h, name.c_str(), nullptr, nullptr, nullptr, &size) == 0;
            if (wantValue && found) {
                value.resize(size / 2 + 1);
                RegQueryValueExW(h, name.c_str(), nullptr, nullptr, (BYTE*)value.data(), &size);
                value.resize(wcsnlen(value.c_str(), size / 2));
            }
            RegCloseKey(h);
        }
    }
    std::printf("%s\x1f%s%s\x1e", utf8(item).c_str(), found ? "=" : "!", utf8(value).c_str());
}

BOOL CALLBACK collectBoxes(HWND h, LPARAM boxes) {
    wchar_t cls[16] = {};
    DWORD pid = 0;
    GetClassNameW(h, cls, 16);
    GetWindowThreadProcessId(h, &pid);
    if (pid != GetCurrentProcessId() && IsWindowVisible(h) && !lstrcmpW(cls, L"#32770"))
        reinterpret_cast<std::vector<HWND>*>(boxes)->push_back(h);
    return TRUE;
}

int buttonId(const std::string& name, HWND box) {
    if (name == "ok") return IDOK;
    if (name == "cancel") return IDCANCEL;
    if (name == "yes") return IDYES;
    if (name == "no") return IDNO;
    DWORD_PTR def = 0;
    SendMessageTimeoutW(box, DM_GETDEFID, 0, 0, SMTO_ABORTIFHUNG, 5000, &def);
    return HIWORD(def) == DC_HASDEFID ? LOWORD(def) : IDOK;
}

int run(const wchar_t* dir, const wchar_t* out, std::string answers, std::wstring closeOn,
        std::wstring cmd) {
    FILE* rec = _wfopen(out, L"ab");
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    // Without an application name the search takes our current folder: make it the setup's.
    SetCurrentDirectoryW(dir);
    if (!rec || !CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, dir, &si, &pi)) {
        std::printf("exit=not started (%lu)\n", GetLastError());
        return 3;
    }
    std::vector<std::pair<HWND, std::string>> answered;  // until each box is gone
    auto flush = [&](bool all) {
        for (auto it = answered.begin(); it != answered.end();) {
            if (!all && IsWindow(it->first)) { ++it; continue; }
            std::fwrite(it->second.data(), 1, it->second.size(), rec);
            std::fflush(rec);
            it = answered.erase(it);
        }
    };
    DWORD waited = 0;
    for (; WaitForSingleObject(pi.hProcess, 50) == WAIT_TIMEOUT; waited += 50) {
        if (waited > 600000) {
            TerminateProcess(pi.hProcess, 0xDEAD);
            break;
        }
        std::vector<HWND> boxes;
        EnumWindows(collectBoxes, reinterpret_cast<LPARAM>(&boxes));
        for (HWND box : boxes) {
            bool seen = false;
            for (auto& a : answered) seen |= a.first == box;
            std::vector<wchar_t> text(65536, L'\0'), title(1024, L'\0');
            if (seen || !GetDlgItemTextW(box, 0xFFFF, text.data(), (int)text.size())) continue;
            GetWindowTextW(box, title.data(), (int)title.size());
            if (!closeOn.empty() && wcsstr(text.data(), closeOn.c_str())) {
                PostMessageW(FindWindowW(L"TsyWizardForm", nullptr), WM_CLOSE, 0, 0);
                closeOn.clear();
            }
            std::string answer = answers.substr(0, answers.find(','));
            answers.erase(0, answers.find(',') == std::string::npos ? answers.size() : answers.find(',') + 1);
            int id = buttonId(answer, box);
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(box, id));
            answered.push_back({box, utf8(title.data()) + "\x1f" + utf8(text.data()) + "\x1e"});
        }
        flush(false);
    }
    flush(true);
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    std::printf("exit=%lu\n", code);
    return 0;
}

}  // namespace

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    wchar_t file[MAX_PATH + 1] = {};
    GetModuleFileNameW(nullptr, file, MAX_PATH);
    std::wstring base = file;
    base.erase(0, base.find_last_of(L'\\') + 1);
    if (lstrcmpiW(base.c_str(), L"driver.exe")) {
        mark(nullptr, L".ran");
        return 0;
    }
    std::wstring command = argc > 1 ? argv[1] : L"";
    if (command == L"folders") folders();
    else if (command == L"look") for (int i = 2; i < argc; ++i) look(argv[i]);
    else if (command == L"run" && argc == 7)
        return run(argv[2], argv[3], utf8(argv[4]), argv[5], argv[6]);
    else return 2;
    return 0;
}
#endif

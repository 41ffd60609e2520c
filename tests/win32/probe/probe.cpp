// A stand-in program for the adapter and end-to-end tests. Whatever name it is started under
// (probe.exe, a planted msiexec.exe), it first leaves "<its own path>.ran" holding its command
// line and working folder, so a test can tell which copy ran. Then:
//   probe exit N          ends with exit code N
//   probe sleep MS exit N waits MS milliseconds first
//   probe loaddll NAME    loads NAME the ordinary way (the control for DLL planting)
//   probe run CMDLINE     starts CMDLINE with no application name and waits (the control for a
//                         planted program beside the caller)
//   probe dumptext TITLE FILE  waits up to 30 s for a window titled TITLE and writes the text of
//                         its message (a message box's static text) to FILE: the whole text,
//                         where a debug trace would cut it short
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// user32 is reached at run time, so that the probe's import table names kernel32 and the C
// runtime only: a planted DLL loaded by "loaddll" is then loaded by that request alone.
template <typename Fn>
Fn user32(const char* name) {
    static HMODULE dll = LoadLibraryA("user32.dll");
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(dll, name)));
}

BOOL CALLBACK longestStatic(HWND child, LPARAM found) {
    char cls[16] = {};
    user32<int(WINAPI*)(HWND, LPSTR, int)>("GetClassNameA")(child, cls, sizeof cls);
    if (lstrcmpiA(cls, "Static") != 0) return TRUE;
    int len = user32<int(WINAPI*)(HWND)>("GetWindowTextLengthA")(child);
    std::string text(static_cast<std::size_t>(len) + 1, '\0');
    int got = user32<int(WINAPI*)(HWND, LPSTR, int)>("GetWindowTextA")(child, &text[0], len + 1);
    text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    auto* best = reinterpret_cast<std::string*>(found);
    if (text.size() > best->size()) *best = text;
    return TRUE;
}

int dumpText(const char* title, const char* file) {
    auto findWindow = user32<HWND(WINAPI*)(LPCSTR, LPCSTR)>("FindWindowA");
    auto enumChildren = user32<BOOL(WINAPI*)(HWND, WNDENUMPROC, LPARAM)>("EnumChildWindows");
    // The box can be found by its title a moment before its message is filled in: wait for
    // the text too.
    std::string text;
    bool found = false;
    for (int i = 0; i < 300 && text.empty(); ++i) {
        if (HWND w = findWindow(nullptr, title)) {
            found = true;
            enumChildren(w, longestStatic, reinterpret_cast<LPARAM>(&text));
        }
        if (text.empty()) Sleep(100);
    }
    if (!found) return 4;
    HANDLE h = CreateFileA(file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) return 5;
    DWORD written = 0;
    WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(h);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    char self[MAX_PATH + 1] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    char cwd[MAX_PATH + 1] = {};
    GetCurrentDirectoryA(MAX_PATH, cwd);
    std::string marker = std::string(self) + ".ran";
    std::string text = std::string(GetCommandLineA()) + "\r\n" + cwd + "\r\n";
    HANDLE h = CreateFileA(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        CloseHandle(h);
    }
    int code = 0;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "exit") && i + 1 < argc) {
            code = std::atoi(argv[++i]);
        } else if (!std::strcmp(argv[i], "sleep") && i + 1 < argc) {
            Sleep(static_cast<DWORD>(std::atoi(argv[++i])));
        } else if (!std::strcmp(argv[i], "loaddll") && i + 1 < argc) {
            code = LoadLibraryA(argv[++i]) ? 0 : 2;
        } else if (!std::strcmp(argv[i], "dumptext") && i + 2 < argc) {
            code = dumpText(argv[i + 1], argv[i + 2]);
            i += 2;
        } else if (!std::strcmp(argv[i], "run") && i + 1 < argc) {
            std::string cmd = argv[++i];
            STARTUPINFOA si{};
            si.cb = sizeof si;
            PROCESS_INFORMATION pi{};
            if (!CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                &si, &pi))
                return 3;
            WaitForSingleObject(pi.hProcess, 30000);
            CloseHandle(pi.hThread);
            CloseHandle(pi.hProcess);
        }
    }
    return code;
}

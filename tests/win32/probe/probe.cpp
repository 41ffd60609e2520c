// A stand-in program for the end-to-end tests. Under whatever name it runs (a planted
// msiexec.exe too) it first leaves "<its own path>.ran" with its command line and working folder,
// so a test can tell which copy ran. Then: "exit N" ends with N; "loaddll NAME" loads NAME the
// ordinary way and "run CMDLINE" starts CMDLINE with no application name (the controls for
// planting); "dumptext TITLE FILE" waits up to 30 s for a window titled TITLE and writes its
// longest static text to FILE: a message box's whole text, where a trace cuts it short.
#include <windows.h>

#include <cstdlib>
#include <string>

namespace {

// user32 is reached at run time, so that the import table names kernel32 and the C runtime
// only: a planted DLL loaded by "loaddll" is then loaded by that request alone.
template <typename Fn>
Fn user32(const char* name) {
    static HMODULE dll = LoadLibraryA("user32.dll");
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(dll, name)));
}

bool writeFile(const std::string& path, const std::string& text) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    if (h == INVALID_HANDLE_VALUE) return false;
    WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    return CloseHandle(h);
}

BOOL CALLBACK longestStatic(HWND child, LPARAM found) {
    std::string cls(16, '\0'), text(64 * 1024, '\0');
    cls.resize(user32<int(WINAPI*)(HWND, LPSTR, int)>("GetClassNameA")(child, &cls[0], 16));
    text.resize(user32<int(WINAPI*)(HWND, LPSTR, int)>("GetWindowTextA")(child, &text[0], 65536));
    auto* best = reinterpret_cast<std::string*>(found);
    if (lstrcmpiA(cls.c_str(), "Static") == 0 && text.size() > best->size()) *best = text;
    return TRUE;
}

// The box can be found by its title a moment before its message is filled in: wait for both.
int dumpText(const char* title, const char* file) {
    std::string text;
    bool found = false;
    for (int i = 0; i < 300 && text.empty(); ++i, Sleep(text.empty() ? 100 : 0))
        if (HWND w = user32<HWND(WINAPI*)(LPCSTR, LPCSTR)>("FindWindowA")(nullptr, title)) {
            found = true;
            user32<BOOL(WINAPI*)(HWND, WNDENUMPROC, LPARAM)>("EnumChildWindows")(
                w, longestStatic, reinterpret_cast<LPARAM>(&text));
        }
    return !found ? 4 : writeFile(file, text) ? 0 : 5;
}

}  // namespace

int main(int argc, char** argv) {
    char self[MAX_PATH + 1] = {}, cwd[MAX_PATH + 1] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    GetCurrentDirectoryA(MAX_PATH, cwd);
    writeFile(std::string(self) + ".ran", std::string(GetCommandLineA()) + "\r\n" + cwd + "\r\n");
    int code = 0;
    for (int i = 1; i + 1 < argc; ++i) {
        const std::string word = argv[i];
        if (word == "exit") code = std::atoi(argv[++i]);
        else if (word == "loaddll") code = LoadLibraryA(argv[++i]) ? 0 : 2;
        else if (word == "dumptext" && i + 2 < argc) {
            code = dumpText(argv[i + 1], argv[i + 2]);
            i += 2;
        }
        else if (word == "run") {
            std::string cmd = argv[++i];
            STARTUPINFOA si{};
            si.cb = sizeof si;
            PROCESS_INFORMATION pi{};
            if (!CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                                &pi))
                return 3;
            WaitForSingleObject(pi.hProcess, 30000);
            CloseHandle(pi.hThread);
            CloseHandle(pi.hProcess);
        }
    }
    return code;
}

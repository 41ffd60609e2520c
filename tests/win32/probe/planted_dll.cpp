// A planted DLL for the hardening tests. Loading it leaves a marker beside it:
// "<its path>.dynamic" when a program asked for it at run time (LoadLibrary), "<its path>.static"
// when it came in through an import table at process start, so a test can tell the program's
// own loads from those of the system's DLLs.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        char path[MAX_PATH + 16] = {};
        DWORD n = GetModuleFileNameA(self, path, MAX_PATH);
        if (n > 0 && n < MAX_PATH) {
            lstrcpynA(path + n, reserved ? ".static" : ".dynamic", 9);
            HANDLE h = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
            if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
        }
    }
    return TRUE;
}

// A planted DLL for the hardening tests. Loading it leaves "<its path>.dynamic" beside it when a
// program asked for it (LoadLibrary), "<its path>.static" when an import table brought it in.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved) {
    char path[MAX_PATH + 16] = {};
    DWORD n = GetModuleFileNameA(self, path, MAX_PATH);
    if (reason != DLL_PROCESS_ATTACH || n == 0 || n >= MAX_PATH) return TRUE;
    lstrcpynA(path + n, reserved ? ".static" : ".dynamic", 9);
    HANDLE h = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    return TRUE;
}

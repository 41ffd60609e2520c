// Planted beside the setup under a system DLL's name: once loaded, it leaves "<its path>.ran" as the planted programs do.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD why, LPVOID reserved) {
    wchar_t path[MAX_PATH + 8] = {0};
    if (why == DLL_PROCESS_ATTACH && GetModuleFileNameW(self, path, MAX_PATH))
        CloseHandle(CreateFileW(lstrcatW(path, L".ran"), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL));
    return TRUE;
}

// Stand-in COM component, built once as tsyemail.dll and once as mscomm32.ocx. Registration is
// made observable through one registry key per component:
//   HKLM\Software\Morvane Software\Registered\<file name>  (value "Path" = the loaded file)
// DllRegisterServer creates it, DllUnregisterServer removes it. Both calls are also logged.
#include "standin_log.h"

#ifndef TSY_COMPONENT_NAME
#error TSY_COMPONENT_NAME must name the component file
#endif

namespace {

HINSTANCE gModule = nullptr;
const char kRegisteredKey[] = "Software\\Morvane Software\\Registered\\" TSY_COMPONENT_NAME;

std::string modulePath() {
    std::string path(MAX_PATH, '\0');
    DWORD n = GetModuleFileNameA(gModule, path.data(), static_cast<DWORD>(path.size()));
    path.resize(n < path.size() ? n : 0);
    return path;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) gModule = instance;
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
    HKEY key = nullptr;
    LONG rc = RegCreateKeyExA(HKEY_LOCAL_MACHINE, kRegisteredKey, 0, nullptr, 0, KEY_SET_VALUE,
                              nullptr, &key, nullptr);
    if (rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(rc);
    std::string path = modulePath();
    RegSetValueExA(key, "Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                   static_cast<DWORD>(path.size() + 1));
    RegCloseKey(key);
    standin::appendLine("components.log", std::string("register ") + TSY_COMPONENT_NAME + " " + path);
    return S_OK;
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
    LONG rc = RegDeleteKeyA(HKEY_LOCAL_MACHINE, kRegisteredKey);
    standin::appendLine("components.log", std::string("unregister ") + TSY_COMPONENT_NAME);
    // Removing what is not there leaves the machine as asked.
    return (rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND) ? S_OK : HRESULT_FROM_WIN32(rc);
}

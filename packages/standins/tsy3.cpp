// Stand-in for the main program: one window titled "Tessary Contact Management" that shows the
// folder it runs from and the database folder the setup saved ("DBPath" under the application
// key, section "StartUp" - the same place the real program reads it from).
#include <windows.h>

#include <string>

#ifndef TSY_APP_KEY
#define TSY_APP_KEY "TSYPRO_3"
#endif

namespace {

std::string ownFolder() {
    std::string path(MAX_PATH, '\0');
    DWORD n = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    path.resize(n < path.size() ? n : 0);
    std::string::size_type slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(0, slash);
}

std::string savedDBPath() {
    const std::string key = std::string("Software\\VB and VBA Program Settings\\") + TSY_APP_KEY +
                            "\\StartUp";
    std::string value(1024, '\0');
    DWORD size = static_cast<DWORD>(value.size());
    if (RegGetValueA(HKEY_CURRENT_USER, key.c_str(), "DBPath", RRF_RT_REG_SZ, nullptr,
                     value.data(), &size) != ERROR_SUCCESS) {
        return "(not saved)";
    }
    value.resize(size > 0 ? size - 1 : 0);
    return value;
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, w, l);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = windowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = "TessaryStandInMain";
    RegisterClassA(&wc);

    HWND window = CreateWindowA(wc.lpszClassName, "Tessary Contact Management",
                                WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 560, 180,
                                nullptr, nullptr, instance, nullptr);
    if (!window) return 1;
    const std::string text = "Program folder: " + ownFolder() + "\r\nDBPath: " + savedDBPath();
    CreateWindowA("STATIC", text.c_str(), WS_CHILD | WS_VISIBLE, 12, 12, 520, 100, window,
                  nullptr, instance, nullptr);
    ShowWindow(window, show);
    UpdateWindow(window);

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}

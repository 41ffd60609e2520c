// The baselines of the start-up and silent-run measurements, with the same static runtime as
// Update.exe, so that what the setup adds can be told apart from what Wine charges any program:
//   bare_window.exe             opens one window and nothing else;
//   bare_window.exe /installer PRODUCT DATABASE
//                               first asks Windows Installer for the two products' states
//                               (product codes in braces), through the automation object
//                               exactly as the setup's start-up must, then opens the same
//                               window: the least a setup of this design can do;
//   bare_window.exe /exit       ends at once: the cost of one more process start.
#include <windows.h>
#include <ole2.h>

#include <cstring>
#include <string>

namespace {

LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

// One ProductState query (dispatch identifier 17) on a new Installer object.
long productState(const wchar_t* productCode) {
    CLSID clsid;
    IDispatch* installer = nullptr;
    if (FAILED(CLSIDFromProgID(L"WindowsInstaller.Installer", &clsid)) ||
        FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                                IID_IDispatch, reinterpret_cast<void**>(&installer))) ||
        !installer)
        return -99;
    VARIANT arg;
    VariantInit(&arg);
    arg.vt = VT_BSTR;
    arg.bstrVal = SysAllocString(productCode);
    DISPPARAMS params{&arg, nullptr, 1, 0};
    VARIANT result;
    VariantInit(&result);
    HRESULT hr = installer->Invoke(17, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET,
                                   &params, &result, nullptr, nullptr);
    long state = SUCCEEDED(hr) && result.vt == VT_I4 ? result.lVal : -99;
    VariantClear(&result);
    VariantClear(&arg);
    installer->Release();
    return state;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int show) {
    if (std::strstr(commandLine, "/exit")) return 0;
    if (const char* codes = std::strstr(commandLine, "/installer")) {
        if (FAILED(OleInitialize(nullptr))) return 1;
        // The two product codes, each the 38 characters of a code in braces.
        for (int i = 0; i < 2; ++i) {
            codes = std::strchr(codes, '{');
            if (!codes || std::strlen(codes) < 38) return 1;
            std::wstring code(codes, codes + 38);
            productState(code.c_str());
            codes += 38;
        }
    }
    WNDCLASSA wc{};
    wc.lpfnWndProc = windowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = "TsyBareWindow";
    if (!RegisterClassA(&wc)) return 1;
    HWND hwnd = CreateWindowA("TsyBareWindow", "Bare Window", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                              CW_USEDEFAULT, 495, 423, nullptr, nullptr, instance, nullptr);
    if (!hwnd) return 1;
    ShowWindow(hwnd, show);
    UpdateWindow(hwnd);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}

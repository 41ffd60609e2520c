// The baselines of the start-up and silent-run measurements, with the same static runtime as
// Update.exe, so that what the setup adds can be told apart from what Wine charges any program:
//   bare_window.exe             opens one window and nothing else;
//   bare_window.exe /installer PRODUCT DATABASE
//                               first asks Windows Installer for the two products' states
//                               (product codes in braces), through the automation object
//                               exactly as the setup's start-up must, then opens the same
//                               window: the least a setup of this design can do;
//   bare_window.exe /exit       ends at once: the cost of one more process start;
//   bare_window.exe /run FILE   starts the programs FILE lists, one a line, in order and the
//                               way the setup starts them, then ends: the floor of a silent run
//                               (one process start for the setup, and what it must start).
//                               "P<tab>PROGRAM FILE<tab>FOLDER<tab>COMMAND LINE": created and
//                               waited for; "S<tab>MILLISECONDS<tab>FOLDER<tab>FILE<tab>
//                               PARAMETERS": opened through the shell, waited for that long
//                               (by the same shell calls as the setup: ShellExecuteEx when it
//                               waits, ShellExecute when it does not); "Q<tab>PRODUCT": one
//                               Windows Installer ProductState query, as /installer makes it
//                               (the design has the setup ask at start-up and again when the
//                               engine starts).
#include <windows.h>
#include <ole2.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

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

std::vector<std::wstring> fields(const std::wstring& line) {
    std::vector<std::wstring> out(1);
    for (wchar_t ch : line)
        if (ch == L'\t') out.emplace_back();
        else if (ch != L'\r' && ch != L'\n') out.back() += ch;
    return out;
}

const wchar_t* orNull(const std::wstring& s) { return s.empty() ? nullptr : s.c_str(); }

// The programs of one silent run, started as the setup starts them; 1 when one does not start.
int runPrograms(const char* path) {
    FILE* f = std::fopen(path, "rb");
    if (!f) return 1;
    char buffer[4096];
    bool ole = false;
    while (std::fgets(buffer, sizeof buffer, f)) {
        wchar_t wide[4096];
        const int n = MultiByteToWideChar(CP_UTF8, 0, buffer, -1, wide, 4096);
        if (n <= 0) continue;
        const std::vector<std::wstring> v = fields(wide);
        HANDLE process = nullptr;
        DWORD wait = INFINITE;
        if (v[0] == L"P" && v.size() == 4) {
            std::vector<wchar_t> line(v[3].begin(), v[3].end());
            line.push_back(L'\0');
            STARTUPINFOW si{};
            si.cb = sizeof si;
            PROCESS_INFORMATION pi{};
            if (!CreateProcessW(orNull(v[1]), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                orNull(v[2]), &si, &pi))
                return 1;
            CloseHandle(pi.hThread);
            process = pi.hProcess;
        } else if (v[0] == L"Q" && v.size() == 2) {
            if (!ole && FAILED(OleInitialize(nullptr))) return 1;
            ole = true;
            productState(v[1].c_str());
            continue;
        } else if (v[0] == L"S" && v.size() == 5) {
            SHELLEXECUTEINFOW info{};
            info.cbSize = sizeof info;
            info.fMask = SEE_MASK_NOCLOSEPROCESS;
            info.lpVerb = L"open";
            info.lpFile = v[3].c_str();
            info.lpParameters = orNull(v[4]);
            info.lpDirectory = orNull(v[2]);
            info.nShow = SW_SHOWNORMAL;
            wait = static_cast<DWORD>(std::wcstoul(v[1].c_str(), nullptr, 10));
            // Loaded here, not imported: the window baselines load no more than a window needs.
            HMODULE shell = LoadLibraryW(L"shell32.dll");
            if (!shell) return 1;
            if (wait) {
                using OpenFn = BOOL(WINAPI*)(SHELLEXECUTEINFOW*);
                auto open = reinterpret_cast<OpenFn>(
                    reinterpret_cast<void*>(GetProcAddress(shell, "ShellExecuteExW")));
                if (!open || !open(&info)) return 1;
                process = info.hProcess;
            } else {
                using OpenFn = HINSTANCE(WINAPI*)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT);
                auto open = reinterpret_cast<OpenFn>(
                    reinterpret_cast<void*>(GetProcAddress(shell, "ShellExecuteW")));
                if (!open || reinterpret_cast<INT_PTR>(open(nullptr, info.lpVerb, info.lpFile,
                                                            info.lpParameters, info.lpDirectory,
                                                            info.nShow)) <= 32)
                    return 1;
            }
        } else {
            continue;
        }
        if (process) {
            if (wait) WaitForSingleObject(process, wait);
            CloseHandle(process);
        }
    }
    std::fclose(f);
    return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int show) {
    if (std::strstr(commandLine, "/exit")) return 0;
    if (const char* run = std::strstr(commandLine, "/run ")) return runPrograms(run + 5);
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

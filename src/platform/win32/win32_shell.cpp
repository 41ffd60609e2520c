// The shell requests beyond ShellExecute: one that hands back the process to wait on, one made
// by the desktop's own shell, and what tells whether anybody sees the windows of this process.
#include <exdisp.h>
#include <servprov.h>
#include <shellapi.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shlobj.h>

#include "platform/win32/wide_text.h"
#include "platform/win32/win32_os.h"

namespace tsy {

namespace {

// One interface pointer, released with its scope.
template <class T>
struct ComPtr {
    T* p = nullptr;
    ~ComPtr() {
        if (p) p->Release();
    }
    void** out() { return reinterpret_cast<void**>(&p); }
    T* operator->() const { return p; }
};

// A VARIANT that owns its contents.
struct Variant {
    VARIANT v;
    Variant() { VariantInit(&v); }
    explicit Variant(const std::string& s) : Variant() {
        v.vt = VT_BSTR;
        v.bstrVal = SysAllocString(toWide(s).c_str());
    }
    explicit Variant(long n) : Variant() {
        v.vt = VT_I4;
        v.lVal = n;
    }
    ~Variant() { VariantClear(&v); }
};

}  // namespace

long shellExecuteEx(ULONG mask, const std::string& operation, const std::string& file,
                    const std::string& parameters, const std::string& folder, int showCommand,
                    HANDLE* process) {
    const std::wstring op = toWide(operation), f = toWide(file), p = toWide(parameters), d = toWide(folder);
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = mask | (process ? SEE_MASK_NOCLOSEPROCESS : 0);
    info.lpVerb = op.empty() ? nullptr : op.c_str();
    info.lpFile = f.c_str();
    info.lpParameters = p.empty() ? nullptr : p.c_str();
    info.lpDirectory = d.empty() ? nullptr : d.c_str();
    info.nShow = showCommand;
    ShellExecuteExW(&info);
    if (process) *process = info.hProcess;
    return static_cast<long>(reinterpret_cast<INT_PTR>(info.hInstApp));
}

ShellWaitResult Win32Os::shellExecuteWait(const std::string& operation, const std::string& file,
                                          const std::string& parameters, const std::string& folder,
                                          int showCommand, std::uint32_t waitMs) {
    HANDLE process = nullptr;
    ShellWaitResult r;
    r.answer = shellExecuteEx(shellNoUi_ ? kQuietShell : 0, operation, file, parameters, folder,
                              showCommand, &process);
    if (process) {
        r.process.created = true;
        DWORD code = 0;
        r.process.waited = WaitForSingleObject(process, waitMs) == WAIT_OBJECT_0 &&
                           GetExitCodeProcess(process, &code);
        r.process.exitCode = code;
        CloseHandle(process);
    }
    return r;
}

// The desktop window's view -> its background's automation object -> the shell application
// object of the desktop's own process (explorer.exe, with the user's unelevated token).
long Win32Os::desktopShellExecute(const std::string& file, const std::string& parameters,
                                  const std::string& folder, const std::string& operation,
                                  int showCommand) {
    ComPtr<IShellWindows> windows;
    HRESULT hr = CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER,
                                  IID_IShellWindows, windows.out());
    if (FAILED(hr)) return hr;
    Variant location(static_cast<long>(CSIDL_DESKTOP)), root;
    long hwnd = 0;
    ComPtr<IDispatch> desktop;
    hr = windows->FindWindowSW(&location.v, &root.v, SWC_DESKTOP, &hwnd, SWFO_NEEDDISPATCH,
                               &desktop.p);
    if (hr != S_OK || !desktop.p) return hr == S_OK ? E_POINTER : hr;  // S_FALSE: no desktop
    ComPtr<IServiceProvider> provider;
    if (FAILED(hr = desktop->QueryInterface(IID_IServiceProvider, provider.out()))) return hr;
    ComPtr<IShellBrowser> browser;
    if (FAILED(hr = provider->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, browser.out())))
        return hr;
    ComPtr<IShellView> view;
    if (FAILED(hr = browser->QueryActiveShellView(&view.p))) return hr;
    ComPtr<IDispatch> background;
    if (FAILED(hr = view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, background.out())))
        return hr;
    ComPtr<IShellFolderViewDual> folderView;
    if (FAILED(hr = background->QueryInterface(IID_IShellFolderViewDual, folderView.out())))
        return hr;
    ComPtr<IDispatch> application;
    if (FAILED(hr = folderView->get_Application(&application.p))) return hr;
    ComPtr<IShellDispatch2> shell;
    if (FAILED(hr = application->QueryInterface(IID_IShellDispatch2, shell.out()))) return hr;
    BSTR bFile = SysAllocString(toWide(file).c_str());
    Variant args(parameters), dir(folder), op(operation), show(static_cast<long>(showCommand));
    hr = shell->ShellExecute(bFile, args.v, dir.v, op.v, show.v);
    SysFreeString(bFile);
    return hr;
}

std::string Win32Os::threadDesktopName() {
    wchar_t name[256] = {};
    DWORD needed = 0;
    if (!GetUserObjectInformationW(GetThreadDesktop(GetCurrentThreadId()), UOI_NAME, name,
                                   sizeof name - sizeof name[0], &needed))
        return "";
    return toUtf8(name);
}

long Win32Os::sessionId() {
    DWORD id = 0;
    return ProcessIdToSessionId(GetCurrentProcessId(), &id) ? static_cast<long>(id) : -1;
}

void Win32Os::shellWithoutUi() { shellNoUi_ = true; }

void Win32Os::sleep(std::uint32_t ms) { Sleep(ms); }

long Win32Os::windowStationFlags() {
    USEROBJECTFLAGS flags{};
    if (!GetUserObjectInformationW(GetProcessWindowStation(), UOI_FLAGS, &flags, sizeof flags,
                                   nullptr))
        return -1;
    return static_cast<long>(flags.dwFlags);
}

}  // namespace tsy

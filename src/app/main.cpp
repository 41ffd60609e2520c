// Entry point of Update.exe: hardening first, then the Win32 adapters, start-up and the loop.
#include <windows.h>
#include <ole2.h>

#include <cstdlib>
#include <exception>
#include <optional>
#include <string>

#include "platform/exit_codes.h"
#include "platform/os.h"
#include "platform/runtime_error.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_os.h"
#include "services/setup_log.h"
#include "startup/startup.h"
#include "state/state.h"
#include "wizard/win32/win32_view.h"

namespace {

// A setup is typically downloaded into a shared Downloads folder and then run elevated. Windows
// would look for a DLL it loads on demand (version.dll, uxtheme.dll, ...) beside the program
// first, so anyone able to drop a file into that folder would get code run as administrator
// (DLL planting). Before anything else can load a DLL, the search is cut down to the system
// folder. SetDefaultDllDirectories exists from Windows 8 (and Windows 7 with KB2533623); where
// it is missing, SetDllDirectory("") only removes the current folder: the program's own folder
// is still searched first, so the DLLs Windows would load by name for the window, the folder
// browser and the Installer object are loaded now from the system folder, before any window.
// The import table itself names only DLLs that Windows always takes from the system folder.
// The last error box goes through the log like every other box, so that on a station nobody
// can see it is written down instead of waiting for an answer that never comes. Only when that
// fails too is the box left to the system directly.
void showLastError(const std::string& text) {
    const auto shown = tsy::resumeNext(
        [&] { tsy::os().msgBox(text, tsy::mb::OkOnly | tsy::mb::Critical, tsy::kAppTitle); },
        tsy::OnError::swallow());
    if (shown != tsy::Step::Ran)
        MessageBoxW(nullptr, tsy::toWide(text).c_str(), tsy::toWide(tsy::kAppTitle).c_str(),
                    MB_OK | MB_ICONERROR);
}

void restrictDllSearch() {
    using SetDefaultFn = BOOL(WINAPI*)(DWORD);
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    auto setDefault = kernel ? reinterpret_cast<SetDefaultFn>(reinterpret_cast<void*>(
                                   GetProcAddress(kernel, "SetDefaultDllDirectories")))
                             : nullptr;
    const DWORD searchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32
    if (setDefault && setDefault(searchSystem32)) return;
    SetDllDirectoryW(L"");
    tsy::preloadSystemDlls();
}

BOOL CALLBACK findVisibleWindow(HWND hwnd, LPARAM found) {
    if (IsWindowVisible(hwnd)) {
        *reinterpret_cast<bool*>(found) = true;
        return FALSE;
    }
    return TRUE;
}

bool haveOpenWindow() {
    bool found = false;
    EnumThreadWindows(GetCurrentThreadId(), findVisibleWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

}  // namespace

#if defined(__GLIBCXX__)
// libstdc++'s default handler for an exception that nothing catches prints the exception's type,
// demangled, to the standard error stream and then aborts. A GUI program has no such stream, and
// the demangler with the formatted output it needs is a sixth of the program's size. Every
// exception of the program is caught in WinMain; should one still escape, the process ends the
// same way, without the text nobody can see.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx
#endif

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // A saved folder on a drive without its medium (a card reader, an empty DVD drive) or a
    // mapped drive gone missing must fail the call that touches it, not raise the system's
    // "No Disk" box, which nobody answers in an unattended run. The programs it starts inherit it.
    // The mode a deployment agent started us with (no crash box, say) is kept: ours is added.
    SetErrorMode(SetErrorMode(0) | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    restrictDllSearch();
    // Single-threaded apartment: the Installer object and the folder browser need it.
    bool comReady = SUCCEEDED(OleInitialize(nullptr));

    static tsy::Win32Os realOs;
    // Everything the run does goes through the log on its way to the system.
    static tsy::LoggingOs loggedOs(realOs, tsy::LoggingOs::defaultLogPath(realOs),
                                   tsy::buildAppKey());
    tsy::setOs(&loggedOs);
    tsy::installWin32View(GetModuleHandleW(nullptr));

    int exitCode = tsy::exitcode::Success;
    try {
        std::optional<int> ended = tsy::Main();
        if (ended) exitCode = *ended;
        // The wizard window keeps the process alive until it closes; without one (a start-up
        // that opened nothing) there is nothing to wait for.
        else if (haveOpenWindow()) exitCode = tsy::runWizardLoop();
    } catch (...) {
        showLastError(tsy::handlerText("errHdl_WinMain: ",
                                       tsy::asRuntimeError(std::current_exception())));
        exitCode = tsy::exitcode::Failed;  // a script sees the failure
    }
    loggedOs.logResult(exitCode);
    if (comReady) OleUninitialize();
    return exitCode;
}

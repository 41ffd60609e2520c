// The real operating system behind tsy::Os: each method is one Win32 call (wide forms, the text
// converted from and to UTF-8 at the call), its arguments marshalled and its answer handed back
// unchanged. Decisions belong above the boundary.
#pragma once

#include <windows.h>

#include <string>

#include "platform/os.h"

namespace tsy {

class Win32Os : public Os {
public:
    Win32Os() = default;
    ~Win32Os() override;
    Win32Os(const Win32Os&) = delete;
    Win32Os& operator=(const Win32Os&) = delete;

    int msgBox(const std::string& text, int style, const std::string& title) override;
    std::string inputBox(const std::string& prompt, const std::string& title,
                         const std::string& defaultText) override;
    std::string browseForFolder(std::uintptr_t owner, const std::string& title, unsigned flags,
                                int rootCsidl) override;
    void setDefaultMousePointer() override;

    std::string exeName() override;
    std::string appPath() override;
    std::string commandLine() override;
    std::string appTitle() override;
    AppVersion appVersion() override;
    void endProcess(int exitCode) override;

    std::string getSetting(const std::string& app, const std::string& section,
                           const std::string& key) override;
    bool saveSetting(const std::string& app, const std::string& section, const std::string& key,
                     const std::string& value) override;

    std::string dirFirst(const std::string& pattern, int attributeMask) override;
    std::string dirNext() override;
    bool createFolder(const std::string& path) override;
    bool createEmptyFile(const std::string& path) override;
    bool moveFile(const std::string& from, const std::string& to) override;

    ProcessResult createProcess(const std::string& applicationName, const std::string& commandLine,
                                const std::string& folder, std::uint32_t waitMs) override;
    long shellExecute(const std::string& operation, const std::string& file,
                      const std::string& parameters, const std::string& folder,
                      int showCommand) override;

    std::string specialFolderPath(int csidl) override;
    FolderPathResult folderPath(int csidl) override;
    std::string systemDirectory() override;
    WinVersion versionEx() override;

    long productState(const std::string& productCode) override;

    std::string tempFolder() override;
    std::string modulePath() override;
    std::string localTime() override;
    std::size_t appendFile(const std::string& path, const std::string& text) override;
    std::uint32_t processId() override;

    // win32_shell.cpp
    ShellWaitResult shellExecuteWait(const std::string& operation, const std::string& file,
                                     const std::string& parameters, const std::string& folder,
                                     int showCommand, std::uint32_t waitMs) override;
    long desktopShellExecute(const std::string& file, const std::string& parameters,
                             const std::string& folder, const std::string& operation,
                             int showCommand) override;
    long windowStationFlags() override;
    std::string threadDesktopName() override;
    long sessionId() override;
    void shellWithoutUi() override;
    void sleep(std::uint32_t ms) override;

    // SEE_MASK_FLAG_NO_UI | SEE_MASK_NOZONECHECKS, once shellWithoutUi() was called.
    static constexpr ULONG kQuietShell = 0x00000400 | 0x00800000;

private:
    std::string nextAdmitted(bool first);
    void closeListing();

    HANDLE find_ = INVALID_HANDLE_VALUE;
    int findMask_ = 0;
    WIN32_FIND_DATAW firstFound_{};
    bool shellNoUi_ = false;
    HANDLE log_ = INVALID_HANDLE_VALUE;  // the setup log, once admitted, until a write fails
    std::string logPath_;
};

// ShellExecuteExW with this mask; with process given, SEE_MASK_NOCLOSEPROCESS and the process
// the shell handed back (or nullptr) in *process. Returns the shell's integer (hInstApp).
long shellExecuteEx(ULONG mask, const std::string& operation, const std::string& file,
                    const std::string& parameters, const std::string& folder, int showCommand,
                    HANDLE* process);

// The application title every untitled message box and input box shows.
extern const char* const kAppTitle;

// Full path of this program's file, its long form (a short 8.3 start name is expanded).
std::string moduleFilePath();

// Loads a DLL by its full path in the system folder (never by a bare name, which would answer
// with any module of that name already loaded, or search beside the program).
HMODULE loadSystemLibrary(const char* name);

// Where the DLL search cannot be cut down to the system folder (Windows 7 without
// SetDefaultDllDirectories), the program's own folder is searched before it. Loading now, by
// full path, the DLLs that Windows would load by name later makes those later loads find them
// in memory: a copy planted beside the setup is never reached. kPreloadedDlls ends with nullptr.
extern const char* const kPreloadedDlls[];
void preloadSystemDlls();

// The command-line text after the program's name (quoted or not) and the blanks behind it.
std::string argumentsOf(const std::string& fullCommandLine);

}  // namespace tsy

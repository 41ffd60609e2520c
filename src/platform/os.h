// The one narrow interface between the setup's logic and the operating system.
//
// Every method mirrors one platform call and hands back what the platform hands back (the
// shell's integer, the install state, the text of a directory listing), so that every decision
// taken on those values lives above this line and can be tested against the recording fake.
// The Win32 adapters marshal and nothing more.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/function_ref.h"

namespace tsy {

// Message box styles and answers, numbered as the platform numbers them.
namespace mb {
constexpr int OkOnly = 0;
constexpr int OkCancel = 1;
constexpr int AbortRetryIgnore = 2;
constexpr int YesNoCancel = 3;
constexpr int YesNo = 4;
constexpr int RetryCancel = 5;
constexpr int CancelTryContinue = 6;
constexpr int DefaultButton2 = 0x100;
constexpr int Critical = 16;
constexpr int Question = 32;
constexpr int Exclamation = 48;
constexpr int Information = 64;
constexpr int AnswerOk = 1;
constexpr int AnswerCancel = 2;
constexpr int AnswerYes = 6;
constexpr int AnswerNo = 7;
constexpr int AnswerAbort = 3;
constexpr int AnswerRetry = 4;
constexpr int AnswerIgnore = 5;
constexpr int AnswerTryAgain = 10;
constexpr int AnswerContinue = 11;
}  // namespace mb

// Attribute masks of the directory listing.
namespace attr {
constexpr int Normal = 0;
constexpr int ReadOnly = 1;
constexpr int Hidden = 2;
constexpr int System = 4;
constexpr int Directory = 16;
}  // namespace attr

// Folder numbers of the shell.
namespace csidl {
constexpr int Personal = 5;
constexpr int AppData = 26;
constexpr int LocalAppData = 28;
constexpr int CommonAppData = 35;
constexpr int ProgramFiles = 38;
constexpr int Profile = 40;
constexpr int SystemX86 = 41;
constexpr int ProgramFilesX86 = 42;
constexpr int CommonDocuments = 46;
}  // namespace csidl

struct WinVersion {
    bool ok = false;  // false when GetVersionExA failed
    long platform = 0;
    long major = 0;
    long minor = 0;
    long build = 0;
    std::string servicePack;
};

struct ProcessResult {
    bool created = false;
    bool waited = false;          // the wait ended because the process ended
    std::uint32_t exitCode = 0;   // meaningful only when waited
};

// What a shell request that is waited for came to: the shell's integer, and whether the process it
// handed back ended within the wait (then with its exit code), was still running, or was never
// handed back (process.created false: the shell gave the request to a program already running).
struct ShellWaitResult {
    long answer = 0;
    ProcessResult process;
};

struct FolderPathResult {
    long hresult = -1;  // 0 on success
    std::string path;   // the buffer's text up to its first NUL
};

struct AppVersion {
    int major = 0;
    int minor = 0;
    int revision = 0;
};

class Os {
public:
    virtual ~Os() = default;

    // --- dialogs -----------------------------------------------------------------------
    // Returns the button pressed (mb::Answer*). An empty title means the application title.
    virtual int msgBox(const std::string& text, int style, const std::string& title) = 0;
    // Returns the text typed, or the empty text on Cancel.
    virtual std::string inputBox(const std::string& prompt, const std::string& title,
                                 const std::string& defaultText) = 0;
    // The shell's folder browser. rootCsidl < 0: no root. A root whose lookup fails is dropped.
    // Returns the chosen folder's path, or the empty text on Cancel.
    virtual std::string browseForFolder(std::uintptr_t owner, const std::string& title,
                                        unsigned flags, int rootCsidl) = 0;
    virtual void setDefaultMousePointer() = 0;

    // --- run-time ----------------------------------------------------------------------
    // Own file name as the process was started, without its extension.
    virtual std::string exeName() = 0;
    // Own folder; no trailing backslash except at a drive root ("C:\").
    virtual std::string appPath() = 0;
    // The command-line text after the program's name.
    virtual std::string commandLine() = 0;
    virtual std::string appTitle() = 0;
    virtual AppVersion appVersion() = 0;
    // Ends the process with this exit code. The fake records the code and throws ProcessEnded.
    virtual void endProcess(int exitCode) = 0;

    // --- per-user settings -------------------------------------------------------------
    virtual std::string getSetting(const std::string& app, const std::string& section,
                                   const std::string& key) = 0;
    virtual bool saveSetting(const std::string& app, const std::string& section,
                             const std::string& key, const std::string& value) = 0;

    // --- files -------------------------------------------------------------------------
    // Starts a directory listing; returns the first name, or empty when nothing matches.
    // A pattern that ends with a separator lists the folder's contents.
    virtual std::string dirFirst(const std::string& pattern, int attributeMask) = 0;
    // The next name of the listing started last, or empty at its end.
    virtual std::string dirNext() = 0;
    virtual bool createFolder(const std::string& path) = 0;
    virtual bool createEmptyFile(const std::string& path) = 0;
    virtual bool moveFile(const std::string& from, const std::string& to) = 0;

    // --- processes ---------------------------------------------------------------------
    // CreateProcess (application name may be empty), then wait up to waitMs
    // (0xFFFFFFFF: no limit). Handles are closed before returning.
    virtual ProcessResult createProcess(const std::string& applicationName,
                                        const std::string& commandLine,
                                        const std::string& folder, std::uint32_t waitMs) = 0;
    // ShellExecute; returns the shell's integer.
    virtual long shellExecute(const std::string& operation, const std::string& file,
                              const std::string& parameters, const std::string& folder,
                              int showCommand) = 0;
    // ShellExecuteEx with SEE_MASK_NOCLOSEPROCESS, then a wait of up to waitMs on the process
    // the shell handed back (if any). The answer is the shell's integer (hInstApp), as
    // shellExecute's.
    virtual ShellWaitResult shellExecuteWait(const std::string& operation, const std::string& file,
                                  const std::string& parameters, const std::string& folder,
                                  int showCommand, std::uint32_t waitMs) = 0;
    // IShellDispatch2::ShellExecute on the desktop shell's own dispatch object (reached through
    // IShellWindows::FindWindowSW(SWC_DESKTOP) and its view), so that the program starts with
    // the desktop user's rights. Returns the first failing HRESULT on the way, or the call's.
    virtual long desktopShellExecute(const std::string& file, const std::string& parameters,
                                     const std::string& folder, const std::string& operation,
                                     int showCommand) = 0;
    // GetUserObjectInformation(GetProcessWindowStation(), UOI_FLAGS): the station's dwFlags,
    // -1 when the call fails.
    virtual long windowStationFlags() = 0;
    // GetUserObjectInformation(GetThreadDesktop(GetCurrentThreadId()), UOI_NAME): the desktop
    // this thread's windows appear on; empty when the call fails.
    virtual std::string threadDesktopName() = 0;
    // ProcessIdToSessionId for this process; -1 when the call fails.
    virtual long sessionId() = 0;
    // From now on every shell request is made with SEE_MASK_FLAG_NO_UI and
    // SEE_MASK_NOZONECHECKS: the shell shows no box of its own, and no security prompt for a
    // downloaded file holds a program the setup starts.
    virtual void shellWithoutUi() = 0;
    // Sleep.
    virtual void sleep(std::uint32_t ms) = 0;

    // --- system ------------------------------------------------------------------------
    // SHGetSpecialFolderPathA without creating; empty on failure.
    virtual std::string specialFolderPath(int csidl) = 0;
    // SHGetFolderPathA with flag 0.
    virtual FolderPathResult folderPath(int csidl) = 0;
    // GetSystemDirectoryA into a 255-character buffer: as many characters as reported.
    virtual std::string systemDirectory() = 0;
    virtual WinVersion versionEx() = 0;

    // --- Windows Installer ---------------------------------------------------------------
    // Creates the automation object, reads ProductState (dispatch id 17) for the code and
    // releases the object. Throws RuntimeError when the object or the call fails.
    virtual long productState(const std::string& productCode) = 0;

    // --- the setup log -------------------------------------------------------------------
    // The user's temporary folder (GetTempPathA), without its trailing backslash.
    virtual std::string tempFolder() = 0;
    // Full path of the running program.
    virtual std::string modulePath() = 0;
    // Local time as "YYYY-MM-DD hh:mm:ss".
    virtual std::string localTime() = 0;
    // Appends the text to the file, creating it; the adapter may keep the file open for the
    // next call with the same path, and opens it again after a failed write. Returns the number
    // of bytes written: all of text on success, fewer when the write failed part way. Writes
    // nothing when the name is a link (a reparse point, or a file with other names).
    virtual std::size_t appendFile(const std::string& path, const std::string& text) = 0;
    // This process's id (GetCurrentProcessId).
    virtual std::uint32_t processId() = 0;
    // A line of the setup log that no platform call stands behind: a decision and its reason.
    // Only the log's decorator keeps it; the adapters and the fake have nothing to do.
    virtual void note(const std::string& line) { (void)line; }
};

// What the setup log's file check sees of the file it opened to append to.
struct LogFileFacts {
    bool existed = false;       // the file was there before this run opened it
    unsigned long links = 1;    // its names: more than one is a hard link
    bool reparsePoint = false;  // a symbolic link or junction
};
// Whether the log may be written into this file. Where anyone may create files (a shared
// temporary folder) a hard link, a reparse point, or a file planted under the log's name would
// have a privileged run write where someone else chose: only a plain file with one name is
// written, and one that was there before only when ownerTrusted() says its owner is this user,
// the Administrators or SYSTEM. A volume that keeps no owners (FAT32, exFAT, some shares: no
// FILE_PERSISTENT_ACLS in volumeFlags(), which answers -1 when it cannot tell) names no owner
// to trust, so there an untrusted owner does not refuse the file, or the log would be refused
// after its first entry. The volume is asked only then: under Wine the question costs a trip to
// the mount manager, the owner's a fraction of it.
bool logFileWritable(const LogFileFacts& file, FunctionRef<bool()> ownerTrusted,
                     FunctionRef<long()> volumeFlags);

// The process-wide accessor. app/ sets the Win32 adapters once; test fixtures set the fake.
Os& os();
void setOs(Os* impl);

}  // namespace tsy

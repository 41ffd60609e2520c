// The machine's folders, and the program and database folders proposed from them or from the
// folders an earlier installation saved.
#include <string>

#include "platform/os.h"
#include "platform/runtime_error.h"
#include "services/system.h"
#include "services/text.h"
#include "startup/startup.h"
#include "startup/startup_step.h"
#include "state/state.h"

namespace tsy {

namespace {

const char* const SettingsSection = "StartUp";

// The shell answers through a fixed buffer; anything after its first NUL is not the path.
std::string upToNul(std::string s) {
    std::size_t nul = s.find('\0');
    if (nul != std::string::npos) s.erase(nul);
    return s;
}

// The two folder routines report in debug mode only and go on with their next statement.
OnError folderStep(const std::string& label) { return OnError::reportInDebug(label, sys().gbDebug); }

}  // namespace

std::string SYS_GetFolderPath(int nCSIDL) {
    FolderPathResult r = os().folderPath(nCSIDL);
    if (r.hresult != 0) return "";
    std::string path = upToNul(r.path);
    if (!path.empty() && path.back() == '\\') path.pop_back();
    return path;
}

std::string SYS_GetSpecialFolder(int nCSIDL) { return upToNul(os().specialFolderPath(nCSIDL)); }

std::string SYS_GetSystemDir() { return os().systemDirectory(); }

std::string SYS_GetInstallPath() {
    const SystemState& s = sys();
    const OnError onError = folderStep("errHdl_SYS_GetInstallPath");
    std::string saved;
    std::string result;
    resumeNext([&] { saved = os().getSetting(s.gsAppKey, SettingsSection, "AppPath"); }, onError);
    if (!saved.empty()) return saved;

    if (!s.gbPro) return s.gsProgramFiles + "\\" + "Tessary Contact Management Lite";

    result = s.gsProgramFiles + "\\" + "Tessary Contact Management 3.0";
    resumeNext(
        [&] {
            // Both are asked, as the lookup always has; either one keeps the 3.0 folder.
            bool exeThere = SYS_File_FileCheck(s.gsExeName, result, false, true);
            bool folderThere = SYS_DirExists(result, false);
            if (!exeThere && !folderThere)
                result = s.gsProgramFiles + "\\" + "Tessary Contact Management";
        },
        onError);
    return result;
}

std::string SYS_GetDBInstallPath() {
    const SystemState& s = sys();
    const OnError onError = folderStep("errHdl_SYS_GetDBInstallPath");
    std::string saved;
    std::string result;
    resumeNext([&] { saved = os().getSetting(s.gsAppKey, SettingsSection, "DBPath"); }, onError);

    // A database saved inside Program Files is not reused (the folder is not writable for the
    // users who share the database). An empty Program Files text cannot contain anything, so
    // it does not make every saved folder count as inside it.
    bool insideProgramFiles = !s.gsProgramFiles.empty() &&
                              iequals(left(saved, s.gsProgramFiles.size()), s.gsProgramFiles);
    if (!saved.empty() && insideProgramFiles)
        logDecision("The saved database folder " + saved + " lies inside Program Files and is "
                    "not reused");
    if (!saved.empty() && !insideProgramFiles) {
        // The engine saves the "MainDB" folder inside the database folder.
        resumeNext([&] { result = SYS_GetParentFolder(saved); }, onError);
        return result;
    }

    std::string sep = separatorOf(s.gsDBPath);
    result = s.gsDBPath;
    if (!iendsWith(result, sep)) result += sep;
    result += "Tessary Data";
    return result;
}

void discoverFolders(long winMajor) {
    SystemState& s = sys();

    // From Windows 6.0 on, the folders of 32-bit programs are asked for by name, since the
    // plain ones would name the 64-bit folders on a 64-bit system.
    if (winMajor < 6)
        logDecision("Windows " + std::to_string(winMajor) + ": the plain Program Files and system "
                    "folders are used (no separate 32-bit folders before Windows 6)");
    if (winMajor >= 6) {
        mainStep([&] { s.gsProgramFiles = SYS_GetSpecialFolder(csidl::ProgramFilesX86); });
        mainStep([&] { s.gsSystemDir = SYS_GetSpecialFolder(csidl::SystemX86); });
    }
    mainStep([&] {
        if (s.gsProgramFiles.empty()) s.gsProgramFiles = SYS_GetSpecialFolder(csidl::ProgramFiles);
    });
    mainStep([&] {
        if (s.gsProgramFiles.empty()) s.gsProgramFiles = "C:\\Program Files (x86)";
    });
    mainStep([&] {
        if (s.gsSystemDir.empty()) s.gsSystemDir = SYS_GetSystemDir();
    });

    // gsDBPath holds the common application-data folder until the database folder is known.
    mainStep([&] { s.gsDBPath = SYS_GetFolderPath(csidl::CommonAppData); });
    mainStep([&] {
        if (s.gsDBPath.empty()) s.gsDBPath = SYS_GetSpecialFolder(csidl::CommonAppData);
    });
    mainStep([&] {
        if (s.gsDBPath.empty()) s.gsDBPath = SYS_GetFolderPath(csidl::CommonDocuments);
    });
    mainStep([&] {
        if (s.gsDBPath.empty()) s.gsDBPath = "C:\\ProgramData";
    });

    mainStep([&] { s.gsInstallPath = SYS_GetInstallPath(); });
    mainStep([&] { s.gsDBPath = SYS_GetDBInstallPath(); });
}

}  // namespace tsy

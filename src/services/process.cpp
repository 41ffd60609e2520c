// Starting other programs: a command line that is waited for, and the shell's open request.
#include <cctype>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/os.h"
#include "platform/runtime_error.h"
#include "services/system.h"
#include "services/text.h"
#include "state/state.h"

namespace tsy {

namespace {

// The setup runs elevated from a download folder that anyone may have written to. Without an
// application name CreateProcess searches the setup's own folder first, so a planted
// msiexec.exe there would run with our rights. Only the first token is looked at; the
// command-line text itself is passed on untouched.
bool namesMsiexec(const std::string& sCmdLine) {
    static const std::string program = "msiexec.exe";
    if (!istartsWith(sCmdLine, program)) return false;
    if (sCmdLine.size() == program.size()) return true;
    char next = sCmdLine[program.size()];
    return next == ' ' || next == '\t';
}

constexpr std::uint32_t NoWaitLimit = 0xFFFFFFFFu;
// Shell answers that get their own explanation; anything else below 32 is reported with its
// number.
constexpr long kFileNotFound = 2;
constexpr long kPathNotFound = 3;
constexpr long kNoAssociation = 31;

}  // namespace

bool SYS_CreateP(std::string& sCmdLine, const std::string& sDir, long lWait,
                 std::optional<std::uint32_t>* exitCode) {
    if (exitCode) exitCode->reset();

    // Each statement of the routine; a run-time error in one goes to the handler, which either
    // ends the routine with False or (debug mode, Yes) carries on with the next one.
    const SystemState& s = sys();
    const OnError onError =
        OnError::askInDebug("TSY Install Error - errHdl_SYS_CreateP: ", s.gbDebug)
            .style(mb::OkOnly | mb::Critical)
            .detail([&s] { return s.gsCR + s.gsCR; });

    std::uint32_t waitMs = NoWaitLimit;
    if (lWait != 0) waitMs = static_cast<std::uint32_t>(lWait);

    bool hardened = namesMsiexec(sCmdLine);
    std::string applicationName;
    const Step found = resumeNext(
        [&] {
            if (hardened) {
                std::string systemDir = os().systemDirectory();
                if (!systemDir.empty()) applicationName = systemDir + "\\msiexec.exe";
            }
        },
        onError);
    if (found == Step::Stopped) return false;
    // Without the system folder the only way left to start msiexec.exe is the unsafe search.
    if (hardened && applicationName.empty()) return false;

    ProcessResult result;
    const Step started = resumeNext(
        [&] { result = os().createProcess(applicationName, sCmdLine, sDir, waitMs); }, onError);
    if (started == Step::Stopped || !result.created) return false;
    if (exitCode && result.waited) *exitCode = result.exitCode;
    return true;
}

bool SYS_IsFullPath(const std::string& sPath) {
    auto separator = [&](std::size_t i) { return i < sPath.size() && (sPath[i] == '\\' || sPath[i] == '/'); };
    const bool drive = sPath.size() >= 3 && std::isalpha(static_cast<unsigned char>(sPath[0])) &&
                       sPath[1] == ':' && separator(2);
    return drive || (separator(0) && separator(1) && sPath.size() > 2 && !separator(2));
}

long SYS_ShellOpen(const std::string& sFile, const std::string& sParams, const std::string& sDir,
                   long lWait) {
    if (!SYS_IsFullPath(sFile)) return kFileNotFound;
    if (lWait > 0)
        return os().shellExecuteWait("open", sFile, sParams, sDir, 1,
                                     static_cast<std::uint32_t>(lWait))
            .answer;
    return os().shellExecute("open", sFile, sParams, sDir, 1);
}

std::string explainShellAnswer(long answer, const ShellAnswerTexts& texts) {
    switch (answer) {
        case kFileNotFound: return texts.fileNotFound;
        case kPathNotFound: return texts.pathNotFound;
        case kNoAssociation:
            SYS_ShellOpen(texts.reopen, "1", "1");
            return texts.noAssociation;
        default: return texts.other;
    }
}

bool SYS_OpenProgram(std::string& sFile, std::string& sParams) {
    // Only a program that is there is started: the desktop's shell would report a missing one in
    // a box of its own, and the user would not get ours.
    std::string folder;
    const std::string name = SYS_SplitFolder(sFile, folder);
    if (folder.size() > 3) folder.pop_back();  // a drive's root ("C:\") keeps its separator
    long ret = kFileNotFound;
    if (SYS_IsFullPath(sFile) && SYS_File_FileCheck(name, folder, false, true)) {
        // The setup runs elevated; the program would inherit a full administrator token from it.
        // Asked of the desktop's shell it starts as the user who is logged on.
        if (os().desktopShellExecute(sFile, sParams, "", "open", 1) == 0) return true;
        ret = SYS_ShellOpen(sFile, sParams, "");
    }
    if (ret >= 32) return true;

    const std::string& cr = sys().gsCR;
    ShellAnswerTexts texts;
    texts.fileNotFound = "Program Not Found: " + sFile + cr +
                         "Please verify that the path is correct or re-install Tessary Contact "
                         "Management" +
                         cr;
    texts.pathNotFound = "Path not found:" + sFile;
    texts.noAssociation = "Windows does not have a program associated for: " + sFile;
    texts.other = "Sorry, Windows was not able to open your program: " + std::to_string(ret);
    texts.reopen = sFile;
    const std::string message = explainShellAnswer(ret, texts);
    os().msgBox(message, mb::OkOnly, "");
    return false;
}

}  // namespace tsy

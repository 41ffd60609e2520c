// Starting other programs: a command line that is waited for, and the shell's open request.
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

}  // namespace

bool SYS_CreateP(std::string& sCmdLine, const std::string& sDir, long lWait,
                 std::optional<std::uint32_t>* exitCode) {
    if (exitCode) exitCode->reset();

    // Each statement of the routine; a run-time error in one goes to the handler, which either
    // ends the routine with False or (debug mode, Yes) carries on with the next one.
    bool ended = false;
    auto onError = [&](const RuntimeError& e) {
        const SystemState& s = sys();
        std::string text =
            handlerText("TSY Install Error - errHdl_SYS_CreateP: ", e) + s.gsCR + s.gsCR;
        if (s.gbDebug) {
            if (os().msgBox(text + "Resume Next?", mb::YesNo, "") != mb::AnswerYes) ended = true;
        } else {
            os().msgBox(text, mb::OkOnly | mb::Critical, "");
            ended = true;
        }
    };

    std::uint32_t waitMs = NoWaitLimit;
    if (lWait != 0) waitMs = static_cast<std::uint32_t>(lWait);

    bool hardened = namesMsiexec(sCmdLine);
    std::string applicationName;
    resumeNext(
        [&] {
            if (hardened) {
                std::string systemDir = os().systemDirectory();
                if (!systemDir.empty()) applicationName = systemDir + "\\msiexec.exe";
            }
        },
        onError);
    if (ended) return false;
    // Without the system folder the only way left to start msiexec.exe is the unsafe search.
    if (hardened && applicationName.empty()) return false;

    ProcessResult result;
    resumeNext([&] { result = os().createProcess(applicationName, sCmdLine, sDir, waitMs); },
               onError);
    if (ended || !result.created) return false;
    if (exitCode && result.waited) *exitCode = result.exitCode;
    return true;
}

long SYS_ShellOpen(const std::string& sFile, const std::string& sParams, const std::string& sDir) {
    return os().shellExecute("open", sFile, sParams, sDir, 1);
}

bool SYS_OpenProgram(std::string& sFile, std::string& sParams) {
    long ret = SYS_ShellOpen(sFile, sParams, "");
    if (ret >= 32) return true;

    const std::string& cr = sys().gsCR;
    std::string message;
    switch (ret) {
        case 2:
            message = "Program Not Found: " + sFile + cr +
                      "Please verify that the path is correct or re-install Tessary Contact "
                      "Management" +
                      cr;
            break;
        case 3:
            message = "Path not found:" + sFile;
            break;
        case 31:
            message = "Windows does not have a program associated for: " + sFile;
            // The shell offers its "Open with" choice on this second request; what it
            // answers changes nothing here.
            SYS_ShellOpen(sFile, "1", "1");
            break;
        default:
            message = "Sorry, Windows was not able to open your program: " + std::to_string(ret);
            break;
    }
    os().msgBox(message, mb::OkOnly, "");
    return false;
}

}  // namespace tsy

// Main: run mode, installer state, command line, detection, folders, then the hand-over to the
// engine (silent run) or the wizard.
#include <optional>
#include <string>

#include "engine/engine.h"
#include "platform/exit_codes.h"
#include "platform/os.h"
#include "platform/runtime_error.h"
#include "services/machine.h"
#include "services/system.h"
#include "services/text.h"
#include "startup/startup.h"
#include "startup/startup_step.h"
#include "state/state.h"
#include "wizard/show.h"

namespace tsy {

namespace {

// Applies one command-line token; false when it names no parameter.
bool applyParameter(const std::string& token, InstallRequest& request) {
    SystemState& s = sys();
    std::string name = toUpper(token);
    if (iequals(name, "REPAIR")) request.bRepair = true;
    else if (iequals(name, "REMOVE")) request.bRemove = true;
    else if (iequals(name, "PROGRAM")) request.bProgram = true;
    else if (iequals(name, "DB")) request.bDB = true;
    else if (iequals(name, "OL")) request.bEmail = true;
    else if (iequals(name, "S")) s.gbSilent = true;
    else if (iequals(name, "DEBUG")) s.gbDebug = true;
    else return false;
    return true;
}

std::string helpText(const std::string& exeName) {
    const SystemState& s = sys();
    const std::string& cr = s.gsCR;
    const std::string& tab = s.gsTab;
    return "Available Parameters" + cr + cr + exeName + " [Repair] [Program] [DB] [OL]" + cr + cr +
           "REPAIR" + tab + "Repair previous installation" + cr +
           "REMOVE" + tab + "Remove Program installation" + cr +
           "PROGRAM" + tab + "Install/Repair/Remove Main Tessary Program" + cr +
           "DB" + tab + "Install/Repair/Remove Tessary Database" + cr +
           "OL" + tab + "Setup MS Outlook Office Interface" + cr +
           "S" + tab + "Silent operation (no user prompting)" + cr;
}

std::string folderLine(const std::string& label, const std::string& folder) {
    return sys().gsCRLF + label + ": " + folder;
}

void showDebugFolders() {
    const SystemState& s = sys();
    const std::string& crlf = s.gsCRLF;
    int answer = mb::AnswerNo;
    mainStep([&] {
        answer = os().msgBox("Initial Install Folders: " + crlf + "Program: " + s.gsProgramFiles +
                                 crlf + "DB Folder: " + s.gsDBPath + crlf + crlf +
                                 "Show special folders?",
                             mb::YesNo, "");
    });
    if (answer != mb::AnswerYes) return;
    mainStep([&] {
        std::string text = "Folders using CSIDL method: ";
        text += folderLine("CSIDL_COMMON_APPDATA", SYS_GetSpecialFolder(csidl::CommonAppData));
        text += folderLine("CSIDL_LOCAL_APPDATA", SYS_GetSpecialFolder(csidl::LocalAppData));
        text += folderLine("CSIDL_COMMON_DOCUMENTS", SYS_GetSpecialFolder(csidl::CommonDocuments));
        text += folderLine("CSIDL_PERSONAL", SYS_GetSpecialFolder(csidl::Personal));
        text += crlf + crlf + "Folders using NEW method: ";
        text += folderLine("*feCommonAppData", SYS_GetFolderPath(csidl::CommonAppData));
        text += folderLine("feLocalAppData", SYS_GetFolderPath(csidl::LocalAppData));
        text += folderLine("feUserAppData", SYS_GetFolderPath(csidl::AppData));
        text += folderLine("feCommonDocs", SYS_GetFolderPath(csidl::CommonDocuments));
        text += folderLine("feUserDocs", SYS_GetFolderPath(csidl::Personal));
        text += folderLine("feUser", SYS_GetFolderPath(csidl::Profile));
        os().msgBox(text, mb::OkOnly, "");
    });
}

void chooseRunMode(std::string& exeName) {
    exeName = os().exeName();
    if (iequals(exeName, "TSY Setup")) {
        int answer = os().msgBox("Run as Full Install (no = run as update)?", mb::YesNo, "");
        sys().gbUpdate = answer == mb::AnswerNo;
    } else {
        sys().gbUpdate = iequals(left(exeName, 6), "Update");
    }
}

int refuseCommandLine(std::string message, const std::string& exeName) {
    std::string title;
    mainStep([&] { message += helpText(exeName); });
    mainStep([&] {
        AppVersion v = os().appVersion();
        title = os().appTitle() + " " + std::to_string(v.major) + "." + std::to_string(v.minor) +
                "." + std::to_string(v.revision);
    });
    mainStep([&] { os().setDefaultMousePointer(); });
    mainStep([&] { os().msgBox(message, mb::OkOnly | mb::Information, title); });
    os().endProcess(exitcode::InvalidCommandLine);
    return exitcode::InvalidCommandLine;
}

}  // namespace

std::string sys_parse(std::string& sText, const std::string& sDelim, bool bTrimRest) {
    if (sText.empty()) return "";
    return catchOnce(
        [&] {
            std::size_t cr = sText.find('\r');
            std::string line = (cr == std::string::npos || cr == 0) ? sText : sText.substr(0, cr);

            // An empty delimiter would match at the front forever; it counts as not found.
            std::size_t p = 0;
            if (!iequals(sDelim, "Line") && !sDelim.empty()) p = ifind(line, sDelim);

            std::string token;
            if (p > 0) {
                token = line.substr(0, p - 1);
                sText.erase(0, p - 1 + sDelim.size());
            } else {
                token = line;
                if (sText.size() > line.size()) {
                    sText.erase(0, line.size() + 1);
                    if (!sText.empty() && sText[0] == '\n') sText.erase(0, 1);
                } else {
                    sText.clear();
                }
            }
            if (bTrimRest) sText = trimLeftSpaces(sText);
            return token;
        },
        OnError::reportInDebug("errhdl_sys_parse: ", sys().gbDebug), [&] {
            std::string token = sText;
            sText.clear();
            return token;
        });
}

std::optional<int> Main() { return Main(buildAppKey()); }

std::optional<int> Main(const std::string& appKey) {
    SystemState& s = sys();

    // 1. Run mode, from the name the program was started under.
    std::string exeName;
    mainStep([&] { chooseRunMode(exeName); });

    // 2. Edition, product codes and character constants.
    mainStep([&] { configureEdition(appKey); });

    // 3. Command line. The request flags matter only to a silent run.
    InstallRequest request;
    std::string message;
    bool wrongParameter = false;
    mainStep([&] {
        std::string rest = os().commandLine();
        while (!rest.empty()) {
            std::string token = sys_parse(rest, s.gsSpace, true);
            if (!applyParameter(token, request)) {
                wrongParameter = true;
                message = "Parameter:" + token + s.gsCR + "Sorry this is not a valid Parameter." +
                          s.gsCR + s.gsCR;
                break;
            }
        }
    });

    // 4. A wrong parameter: the help box, and the process ends here.
    if (wrongParameter) return refuseCommandLine(message, exeName);

    // 5.-7. Installed packages, Windows version, folders.
    mainStep([&] { SYS_IsInstalled(); });
    long platform = 0, major = 0, minor = 0, build = 0;
    std::string servicePack, version;
    mainStep([&] { SYS_GetWinVersion(platform, major, minor, build, servicePack, version); });
    discoverFolders(major);

    // 8. Debug display.
    if (s.gbDebug) showDebugFolders();

    // 9. Hand-over.
    if (s.gbSilent) {
        // A silent run always includes the program package.
        if (!request.bProgram) logDecision("Silent run: the program package is always included");
        request.bProgram = true;
        InstallOutcome outcome = InstallOutcome::Failed;
        mainStep([&] { SYS_Install(request, &outcome); });
        return exitCodeFor(outcome);
    }
    if (request.bProgram || request.bDB || request.bEmail || request.bRepair || request.bRemove)
        logDecision("Wizard run: the request parameters of the command line have no effect");
    mainStep([] { showWizard(); });
    return std::nullopt;
}

}  // namespace tsy

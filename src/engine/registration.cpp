#include "engine/registration.h"

#include "platform/os.h"
#include "platform/runtime_error.h"
#include "services/system.h"
#include "services/text.h"
#include "state/state.h"

namespace tsy::engine {

const char* const kEmailInterface = "tsyemail.dll";
const char* const kCommControl = "mscomm32.ocx";
const char* const kDatabaseEngineInstaller = "AccessDatabaseEngine2010_SP2.exe";

namespace {

const char* const kRegsvr32 = "regsvr32.exe";
const char* const kSilentSwitch = "/s ";

constexpr long kFileNotFound = 2;  // what the shell answers for a file that is not there
constexpr long kFirstSuccess = 32;

std::string componentPath(const char* fileName) { return sys().gsSystemDir + "\\" + fileName; }

// regsvr32 is always named by its full path in the Windows system folder. Opened by bare name,
// the shell would look beside the (elevated) setup program first, and a regsvr32.exe planted in
// the download folder would run as administrator. A 32-bit setup on 64-bit Windows is
// redirected to the 32-bit tool, which is the one its components need. Without a system folder
// there is no safe name, and the shell is not asked.
std::string regsvr32Path() {
    std::string dir = os().systemDirectory();
    if (dir.empty()) dir = sys().gsSystemDir;
    if (dir.empty()) return "";
    if (dir.back() != '\\') dir += '\\';
    return dir + kRegsvr32;
}

long openRegsvr32(const std::string& params, const std::string& dir, long lWait = 0) {
    std::string program = regsvr32Path();
    if (program.empty()) return kFileNotFound;
    return SYS_ShellOpen(program, params, dir, lWait);
}

// Long enough for any unregistration, short enough that regsvr32's own result box in debug mode
// (nobody may be there to close it) cannot hold the removal for ever.
constexpr long kUnregisterWaitMs = 60000;

}  // namespace

void unregisterEmailInterface() {
    const SystemState& s = sys();
    if (s.gsSystemDir.empty()) {
        logDecision("Outlook Email Interface not unregistered: the Windows system folder is not "
                    "known");
        return;
    }
    // A tester in debug mode wants to see regsvr32's own verdict on the unregistration.
    std::string params = std::string(s.gbDebug ? "" : kSilentSwitch) + "/u " +
                         componentPath(kEmailInterface);
    // Waited for: msiexec.exe /x deletes the DLL next, and an unregistration still running then
    // fails and leaves the registration pointing at a deleted file.
    openRegsvr32(params, s.gsSystemDir, kUnregisterWaitMs);
}

namespace {

ShellAnswerTexts registrationTexts(Component component, const std::string& target, long r) {
    const SystemState& s = sys();
    ShellAnswerTexts texts;
    texts.fileNotFound = "File Not Found:" + target + s.gsCR +
                         "Please re-install Tessary Contact Management" + s.gsCR;
    texts.pathNotFound = "Path not found:" + s.gsSystemDir;
    texts.noAssociation = "Windows does not have a program associated for: " + target;
    texts.reopen = s.gsSystemDir;
    texts.other = (component == Component::CommControl
                       ? "Sorry, Windows was not able to register a necessary component ("
                       : "Sorry, Windows was not able to register the Outlook Email Interface (") +
                  std::to_string(r) + "):" + s.gsCR + target;
    return texts;
}

}  // namespace

bool registerComponent(Component component) {
    const SystemState& s = sys();
    const char* fileName = component == Component::CommControl ? kCommControl : kEmailInterface;
    const std::string target = componentPath(fileName);
    // The components lie in the system folder. Without it there is no path to give regsvr32: a
    // rootless "\name" would register whatever lies at the root of the current drive, and the
    // component is as good as missing.
    const bool located = !s.gsSystemDir.empty();
    // regsvr32's own result box is wanted in debug mode, unless nobody is there to close it.
    std::string params = std::string(s.gbDebug && !s.gbSilent ? "" : kSilentSwitch) + target;
    long r = located ? openRegsvr32(params, s.gsSystemDir) : kFileNotFound;
    if (r >= kFirstSuccess) return true;

    os().msgBox(explainShellAnswer(r, registrationTexts(component, target, r)), mb::OkOnly, "");
    return false;
}

bool databaseEngineStep(bool bRemove, const std::string& sourceFolder) {
    const SystemState& s = sys();
    std::string question =
        bRemove ? "Would you like to also remove the Microsoft ACE 2010 Database Engine (32-bit)?" +
                      s.gsCR + "(NOTE: This is a necessary component of Microsoft Office 2010)" +
                      s.gsCR
                : "Microsoft ACE 2010 Database Engine (32-bit) must be installed on your system" +
                      s.gsCR + "Would you like to install this now?" + s.gsCR;
    if (os().msgBox(question, mb::YesNo | mb::Question, "Install Database Engine") !=
        mb::AnswerYes)
        return true;

    // By its full path and only when the kit brought it: by bare name the shell would search the
    // PATH and the App Paths keys (some of them writable by any user) and start whatever it
    // found there with the setup's administrator rights.
    long r = kFileNotFound;
    if (SYS_File_FileCheck(kDatabaseEngineInstaller, sourceFolder, false, true))
        r = SYS_ShellOpen(sourceFolder + separatorOf(sourceFolder) +
                              kDatabaseEngineInstaller,
                          "", sourceFolder);
    if (r >= kFirstSuccess) return true;

    ShellAnswerTexts texts;
    texts.fileNotFound = std::string("File Not Found:") + kDatabaseEngineInstaller + s.gsCR +
                         "Tessary Contact Management will not run correctly without the ACE "
                         "Database Engine" +
                         s.gsCR;
    texts.pathNotFound = "Path not found:" + sourceFolder;
    texts.noAssociation =
        std::string("Windows does not have a program associated for: ") + kDatabaseEngineInstaller;
    texts.reopen = sourceFolder;
    texts.other = (bRemove ? "Windows was not able to uninstall the Microsoft ACE Database Engine ("
                           : "Sorry, Windows was not able to install the Microsoft ACE Database "
                             "Engine (") +
                  std::to_string(r) + "):" + s.gsCR;
    std::string text = explainShellAnswer(r, texts);
    if (!bRemove) text += s.gsCR + "Please try re-installing the program again" + s.gsCR;
    os().msgBox(text, mb::Critical, "");
    return false;
}

}  // namespace tsy::engine

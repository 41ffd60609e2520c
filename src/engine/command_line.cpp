#include "engine/command_line.h"

#include "platform/os.h"
#include "services/text.h"
#include "state/state.h"

namespace tsy::engine {

const char* const kInstallOption = "/I ";
const char* const kProgramReinstallOption = "/famus ";
const char* const kDBReinstallOption = "/famu ";
const char* const kRemoveOption = "/x ";
const char* const kDebugDefaultOption = "/f ";

const char* const kInstallProperties = "ALLUSERS=2";
const char* const kProgramRemoveProperties = "REMOVE=ALL";
const char* const kDBRemoveProperties = "REMOVE=ALL REINSTALLMODE=aums";

namespace {

const char* const kMsiExec = "msiexec.exe";

// An answer of nothing but blanks means as little to msiexec.exe as an empty one.
bool isBlank(const std::string& answer) { return trimLeftSpaces(answer).empty(); }

std::string lines(std::initializer_list<const char*> items) {
    const std::string& cr = sys().gsCR;
    std::string text;
    for (const char* item : items) text += std::string(item) + cr;
    return text;
}

}  // namespace

std::string optionPrompt(bool database) {
    return lines({"p - Reinstalls only if file is missing",
                  "o - Reinstall missing or older versions only",
                  "e - Reinstall missing or equal or older versions",
                  "d - Reinstall missing or different versions",
                  "a - Forces all files to be reinstalled",
                  "um - Rewrites registry (u-user/m-machine)",
                  "s - Overwrites shortcuts",
                  "v - Runs from source"}) +
           sys().gsCR +
           (database ? "Enter DB params (blank=use default): "
                     : "Enter params (blank=use default): ");
}

std::string editOption(const std::string& current, bool database) {
    std::string answer = os().inputBox(optionPrompt(database), "", current);
    if (isBlank(answer)) return kDebugDefaultOption;
    if (answer.back() != ' ') answer += ' ';
    return answer;
}

std::string programInterfaceLevel(bool bRemove, bool bRepair, bool bFullUI) {
    const SystemState& s = sys();
    std::string letters;
    if (s.gbSilent)
        letters = "n";
    else if (!bRemove && !bRepair)
        letters = bFullUI ? "f" : "b-";
    else
        letters = "b /norestart";
    return " /q" + letters;
}

std::string databaseInterfaceLevel(bool bRemove, bool bRepair, bool bDBFullUI,
                                   std::string& sDBProps) {
    const SystemState& s = sys();
    std::string letters;
    if ((bRepair && !s.gbDBInstalled) || (!bRepair && !bRemove && s.gbDBInstalled)) {
        letters = s.gbSilent ? "n" : "f";
        sDBProps = kInstallProperties;
    } else if (s.gbSilent) {
        letters = "n";
    } else if (!bRemove && !bRepair) {
        letters = bDBFullUI ? "f" : "b-";
    } else {
        letters = "b";
    }
    return " /q" + letters;
}

bool offersInterfaceEdit(const std::string& sUI) { return !iequals(sUI, " /qf"); }

std::string interfacePrompt(bool database) {
    std::string menu =
        database ? lines({"q,qn  no ui", "qb- basic less modal at end",
                          "qb  basic (qb! hides cancel but)", "qr  reduced (no modal dlg at end)",
                          "qf  full"})
                 : lines({"/passive   unattended mode progress bar only", "/q,/qn  no ui",
                          "/qb+ basic with end dlg",
                          "/qb- basic less modal at end (does auto restart)",
                          "/qb  basic (qb - hides cancel button)",
                          "/qr  reduced (no modal dlg at end)", "/qf  full UI"});
    return "Interface level (sUI)" + sys().gsCR + menu + sys().gsCR +
           "Enter params (default=/qb-): ";
}

std::optional<std::string> editInterfaceLevel(const std::string& sUI, bool database) {
    std::string answer = os().inputBox(interfacePrompt(database), "", sUI);
    if (isBlank(answer)) {
        if (os().msgBox("Cancel install?", mb::YesNo | mb::Exclamation, "") == mb::AnswerYes)
            return std::nullopt;
        return std::string(" /qb-");
    }
    if (answer.front() != ' ') answer.insert(answer.begin(), ' ');
    return answer;
}

std::string withTarget(std::string props, const std::string& target) {
    const SystemState& s = sys();
    if (!props.empty()) props += ' ';
    if (!target.empty()) props += " TARGETDIR=" + s.gsQuote + target + s.gsQuote;
    return props;
}

std::string msiParameters(const std::string& option, const std::string& packagePath,
                          const std::string& props, const std::string& sUI) {
    const SystemState& s = sys();
    return option + s.gsQuote + packagePath + s.gsQuote + props + sUI;
}

std::string msiCommandLine(const std::string& option, const std::string& packagePath,
                           const std::string& props, const std::string& sUI) {
    return std::string(kMsiExec) + " " + msiParameters(option, packagePath, props, sUI);
}

bool msiSucceeded(std::uint32_t exitCode) {
    return exitCode == 0 || exitCode == 3010 || exitCode == 1641;
}

}  // namespace tsy::engine

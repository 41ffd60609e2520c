// Start-up as a deployment script or a user starts it: the program's file name and command
// line in; the run mode, the questions and messages, the silent request's Windows Installer
// runs, the wizard's first panel or the exit code out.
#include "services/text.h"
#include "wizard/show.h"
#include "wizard_fixture.h"

namespace tsy::wiztest {
namespace {

struct Start {
    const char* exe;
    const char* cmd;
    const char* outcome;    // "wizard <first panel> <mode>", "silent <code>:<runs>", "ended <code>"
    const char* said = "";  // see said()
    const char* answers = "";  // to the message boxes: Y(es), N(o), O(k)
    const char* fault = "";    // an OS call that raises an error
};

void PrintTo(const Start& s, std::ostream* os) { *os << s.exe << ": " << s.cmd; }

class StartUp : public ::testing::TestWithParam<Start> {
public:
    OsScope scope;
    FakeOs& fake = scope.fake;
    void SetUp() override { resetWizard(); }
    void TearDown() override { resetWizard(); }
};

// The engine's work as a deployment sees it: "/I tsy3p.msi" for each Windows Installer run,
// "+OL" and "-OL" where the e-mail interface is registered and unregistered.
std::string runs(const FakeOs& fake) {
    std::string out;
    auto base = [](std::string s) { return s.substr(s.find_last_of("\\/ ") + 1); };
    for (const Call& c : fake.calls) {
        if (c.name == "createProcess") {
            const std::string& line = c.args[1];
            const std::size_t msi = line.find(".msi");
            const std::size_t opt = line.find(" /");
            out += " " + line.substr(opt + 1, line.find(' ', opt + 1) - opt - 1) + " " +
                   base(line.substr(0, msi + 4));
        } else if (c.name.starts_with("shellExecute") && c.args[2].find("tsyemail") != std::string::npos) {
            out += c.args[2].find("/u") == std::string::npos ? " +OL" : " -OL";
        }
    }
    return out;
}

TEST_P(StartUp, FileNameAndCommandLineDecide) {
    const Start& s = GetParam();
    fake.exe = s.exe;
    fake.cmdLine = s.cmd;
    for (const char* a = s.answers; *a; ++a)
        fake.msgBoxAnswers.push_back(*a == 'Y' ? mb::AnswerYes : *a == 'N' ? mb::AnswerNo : mb::AnswerOk);
    const std::string failing = s.fault;
    fake.fault = [failing](const std::string& n) { return n == failing ? FakeOs::FaultThrow : FakeOs::FaultNone; };
    const std::string kit = iequals(s.exe, "TSY Setup") ? "C:\\Kit\\Package\\" : "C:\\Kit\\";
    for (const char* msi : {"tsy3p", "tsy3db", "tsy3p_update", "tsy3db_update"}) fake.addFile(kit + msi + ".msi");
    std::string outcome;
    try {
        const std::optional<int> code = Main("TSYPRO_3");
        outcome = code ? "silent " + std::to_string(*code) + ":" + runs(fake)
                       : "wizard " + (wizardForm() ? std::to_string(wizardForm()->currentPanel()) : "none") +
                             (sys().gbUpdate ? " update" : " install");
    } catch (const ProcessEnded& e) {
        outcome = "ended " + std::to_string(e.exitCode);
    }
    EXPECT_EQ(outcome, s.outcome);
    EXPECT_EQ(said(fake, s.said), s.said);
}

const Start kStarts[] = {
    // The run mode comes from the file name.
    {"Setup", "", "wizard 0 install"},
    {"updater", "", "wizard 0 update"},
    {"UPDATE", "PROGRAM", "wizard 0 update"},
    {"MyUpdate", "", "wizard 0 install"},
    {"TSY Setup", "", "wizard 0 install", "Run as Full Install (no = run as update)?", "Y"},
    {"tsy setup", "", "wizard 0 update", "Run as Full Install (no = run as update)?", "N"},
    // A silent run hands the command line's request to the engine; the program always goes.
    {"Setup", "S PROGRAM DB OL", "silent 0: /I tsy3p.msi /I tsy3db.msi +OL"},
    {"Setup", "s  db", "silent 0: /I tsy3p.msi /I tsy3db.msi"},
    {"Setup", "OL S", "silent 0: /I tsy3p.msi +OL"},
    {"Update", "S PROGRAM DB", "silent 0: /I tsy3p_update.msi /I tsy3db_update.msi"},
    {"TSY Setup", "S", "silent 0: /I tsy3p.msi", "Run as Full Install (no = run as update)?", "Y"},
    {"Setup", "S", "silent 1603: /I tsy3p.msi", "TSY Install Error // Windows Installer", "", "createProcess"},
    {"Setup", "S DEBUG", "silent 0: /I tsy3p.msi", "gbInstalled =False // Initial Install Folders:  // gbInstalled =", "ON"},
    // A wrong parameter ends the process with the help; nothing after it is read.
    {"Setup", "S x DEBUG y", "ended 1639", "Parameter:x\rSorry this is not a valid Parameter.\r\rAvailable Parameters"},
    {"Setup", "S\tDEBUG", "ended 1639", "Parameter:S\tDEBUG\r"},
    {"Setup", " S", "ended 1639", "Parameter:\r"},
    // The help lists every parameter a user may need, one a line, under the program's own name; DEBUG is not told.
    {"Setup2", "?", "ended 1639", "Parameter:?\rSorry this is not a valid Parameter.\r\rAvailable Parameters\r\rSetup2 [Repair] "
     "[Program] [DB] [OL]\r\rREPAIR\tRepair previous installation\rREMOVE\tRemove Program installation\rPROGRAM\tInstall/"
     "Repair/Remove Main Tessary Program\rDB\tInstall/Repair/Remove Tessary Database\rOL\tSetup MS Outlook Office Interface"
     "\rS\tSilent operation (no user prompting)\r"},
    // Debug mode shows what start-up found; a failing step is told and start-up goes on.
    {"Setup", "DEBUG", "wizard 0 install", "gbInstalled =False // Initial Install Folders: ", "ON"},
    {"Setup", "debug", "wizard 0 install", "gbInstalled =False // Initial Install Folders:  // Folders using CSIDL method: ", "OYO"},
    {"Setup", "", "wizard 0 install", "errHdl_Main: Injected fault in versionEx (5)", "", "versionEx"},
};

INSTANTIATE_TEST_SUITE_P(Table, StartUp, ::testing::ValuesIn(kStarts));

}  // namespace
}  // namespace tsy::wiztest

// The msiexec.exe command lines, over requests, editions, modes and installed states, and the
// debug prompts that edit them.
#include "engine_fixture.h"

#include "engine/command_line.h"

namespace tsy::test {
namespace {

struct LineCase {
    const char* what;
    const char* key;
    bool update;
    bool programInstalled;
    bool dbInstalled;
    Request request;
    bool silent;
    std::vector<std::string> commands;
    bool fullUI;
    bool dbFullUI;
};

const std::vector<LineCase>& lineCases() {
    static const std::vector<LineCase> cases = {
        {"first installation", "TSYPRO_3", false, false, false, kProgramDB, false,
         {R"(msiexec.exe /I "C:\Kit\tsy3p.msi"ALLUSERS=2  TARGETDIR="C:\Apps\TSY" /qb-)",
          R"(msiexec.exe /I "C:\Kit\tsy3db.msi"ALLUSERS=2  TARGETDIR="D:\Data" /qb-)"},
         false, false},
        {"first installation, silent", "TSYPRO_3", false, false, false, kProgramDB, true,
         {R"(msiexec.exe /I "C:\Kit\tsy3p.msi"ALLUSERS=2  TARGETDIR="C:\Apps\TSY" /qn)",
          R"(msiexec.exe /I "C:\Kit\tsy3db.msi"ALLUSERS=2  TARGETDIR="D:\Data" /qn)"},
         false, false},
        {"update over an installed system", "TSYPRO_3", true, true, true, kProgramDB, false,
         {R"(msiexec.exe /famus "C:\Kit\tsy3p_update.msi" TARGETDIR="C:\Apps\TSY" /qf)",
          R"(msiexec.exe /famu "C:\Kit\tsy3db_update.msi"ALLUSERS=2  TARGETDIR="D:\Data" /qf)"},
         true, true},
        {"update over an installed system, silent", "TSYPRO_3", true, true, true, kProgramDB, true,
         {R"(msiexec.exe /famus "C:\Kit\tsy3p_update.msi" TARGETDIR="C:\Apps\TSY" /qn)",
          R"(msiexec.exe /famu "C:\Kit\tsy3db_update.msi"ALLUSERS=2  TARGETDIR="D:\Data" /qn)"},
         true, true},
        {"repair", "TSYPRO_3", false, true, true, kRepair, false,
         {R"(msiexec.exe /famus "C:\Kit\tsy3p.msi" TARGETDIR="C:\Apps\TSY" /qb /norestart)",
          R"(msiexec.exe /famu "C:\Kit\tsy3db.msi" TARGETDIR="D:\Data" /qb)"},
         false, false},
        {"repair, silent", "TSYPRO_3", false, true, true, kRepair, true,
         {R"(msiexec.exe /famus "C:\Kit\tsy3p.msi" TARGETDIR="C:\Apps\TSY" /qn)",
          R"(msiexec.exe /famu "C:\Kit\tsy3db.msi" TARGETDIR="D:\Data" /qn)"},
         false, false},
        {"repair while the database is not installed", "TSYPRO_3", false, true, false, kRepair, false,
         {R"(msiexec.exe /famus "C:\Kit\tsy3p.msi" TARGETDIR="C:\Apps\TSY" /qb /norestart)",
          R"(msiexec.exe /I "C:\Kit\tsy3db.msi"ALLUSERS=2  TARGETDIR="D:\Data" /qf)"},
         false, false},
        {"repair while the database is not installed, silent", "TSYPRO_3", false, true, false,
         kRepair, true,
         {R"(msiexec.exe /famus "C:\Kit\tsy3p.msi" TARGETDIR="C:\Apps\TSY" /qn)",
          R"(msiexec.exe /I "C:\Kit\tsy3db.msi"ALLUSERS=2  TARGETDIR="D:\Data" /qn)"},
         false, false},
        {"removal", "TSYPRO_3", false, true, true, kRemove, false,
         {R"(msiexec.exe /x "C:\Kit\tsy3p.msi"REMOVE=ALL  TARGETDIR="C:\Apps\TSY" /qb /norestart)",
          R"(msiexec.exe /x "C:\Kit\tsy3db.msi"REMOVE=ALL REINSTALLMODE=aums  TARGETDIR="D:\Data" /qb)"},
         false, false},
        {"removal, silent", "TSYPRO_3", false, true, true, kRemove, true,
         {R"(msiexec.exe /x "C:\Kit\tsy3p.msi"REMOVE=ALL  TARGETDIR="C:\Apps\TSY" /qn)",
          R"(msiexec.exe /x "C:\Kit\tsy3db.msi"REMOVE=ALL REINSTALLMODE=aums  TARGETDIR="D:\Data" /qn)"},
         false, false},
        // Removing what is not there must not install it.
        {"removal, only the database installed", "TSYPRO_3", false, false, true, kRemove, false,
         {R"(msiexec.exe /x "C:\Kit\tsy3db.msi"REMOVE=ALL REINSTALLMODE=aums  TARGETDIR="D:\Data" /qb)"},
         false, false},
        {"removal, nothing installed", "TSYPRO_3", false, false, false, kRemove, true, {}, false,
         false},
        {"program installed, database new", "TSYPRO_3", false, true, false, kProgramDB, false,
         {R"(msiexec.exe /famus "C:\Kit\tsy3p.msi" TARGETDIR="C:\Apps\TSY" /qf)",
          R"(msiexec.exe /I "C:\Kit\tsy3db.msi"ALLUSERS=2  TARGETDIR="D:\Data" /qb-)"},
         true, false},
        {"database only, installed", "TSYPRO_3", false, false, true, {false, true}, false,
         {R"(msiexec.exe /famu "C:\Kit\tsy3db.msi"ALLUSERS=2  TARGETDIR="D:\Data" /qf)"}, false,
         true},
        {"Lite, first installation", "TSYLITE_3", false, false, false, kProgramDB, false,
         {R"(msiexec.exe /I "C:\Kit\tsy3l.msi"ALLUSERS=2  TARGETDIR="C:\Apps\TSY" /qb-)",
          R"(msiexec.exe /I "C:\Kit\tsy3dbl.msi"ALLUSERS=2  TARGETDIR="D:\Data" /qb-)"},
         false, false},
        {"Lite, update", "TSYLITE_3", true, true, true, kProgramDB, false,
         {R"(msiexec.exe /famus "C:\Kit\tsy3l_update.msi" TARGETDIR="C:\Apps\TSY" /qf)",
          R"(msiexec.exe /famu "C:\Kit\tsy3dbl_update.msi"ALLUSERS=2  TARGETDIR="D:\Data" /qf)"},
         true, true},
        {"update mode on a clean machine", "TSYPRO_WS", true, false, false, kProgramDB, false,
         {R"(msiexec.exe /I "C:\Kit\tsy3p_update.msi"ALLUSERS=2  TARGETDIR="C:\Apps\TSY" /qb-)",
          R"(msiexec.exe /I "C:\Kit\tsy3db_update.msi"ALLUSERS=2  TARGETDIR="D:\Data" /qb-)"},
         false, false},
    };
    return cases;
}

TEST_F(EngineTest, CommandLinesOverRequestsEditionsModesAndInstalledStates) {
    for (const LineCase& c : lineCases()) {
        SCOPED_TRACE(c.what);
        fake.calls.clear();
        fake.productStates.clear();
        fake.msgBoxAnswers = {mb::AnswerNo};  // decline the database engine where offered
        edition(c.key, c.update);
        installed(c.programInstalled, c.dbInstalled);
        sys().gbSilent = c.silent;

        EXPECT_EQ(run(c.request), InstallOutcome::Succeeded);
        EXPECT_EQ(msi(), c.commands);
        EXPECT_EQ(fullUI, c.fullUI);
        EXPECT_EQ(dbFullUI, c.dbFullUI);
        for (const Call& p : fake.callsNamed("createProcess")) {
            EXPECT_EQ(p.args[0], kSys + "\\msiexec.exe");
            EXPECT_EQ(p.args[2], kSys);
            EXPECT_EQ(p.args[3], "4294967295");  // no time limit
        }
    }
}

TEST_F(EngineTest, EmptyTargetsLeaveOutTargetDir) {
    sys().gsInstallPath.clear();
    run({true, false});
    EXPECT_EQ(msi(), std::vector<std::string>{R"(msiexec.exe /I "C:\Kit\tsy3p.msi"ALLUSERS=2  /qb-)"});

    fake.calls.clear();
    installed(true, false);
    run({true, false});
    EXPECT_EQ(msi(), std::vector<std::string>{R"(msiexec.exe /famus "C:\Kit\tsy3p.msi" /qf)"});
}

TEST_F(EngineTest, DatabaseTargetFromTheSavedMainDBFolder) {
    struct {
        const char* dbPath;
        const char* target;
        const char* saved;
        const char* globalAfter;
    } cases[] = {
        {"D:\\Data\\Tessary Data\\MainDB\\", "D:\\Data", "D:\\Data\\Tessary Data\\MainDB\\",
         "D:\\Data\\Tessary Data\\MainDB"},
        {"D:\\Data\\Tessary Data\\", "D:\\Data", "D:\\Data\\Tessary Data\\MainDB\\",
         "D:\\Data\\Tessary Data"},
        {"E:\\Own\\Contacts", "E:\\Own\\Contacts", "E:\\Own\\Contacts\\MainDB\\", "E:\\Own\\Contacts"},
        {"E:/Own/tessary data/", "E:/Own", "E:/Own/tessary data/MainDB/", "E:/Own/tessary data"},
        {"E:/Own/maindb", "E:/Own", "E:/Own/MainDB/", "E:/Own/maindb"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dbPath);
        fake.calls.clear();
        sys().gsDBPath = c.dbPath;
        run({false, true});
        ASSERT_EQ(msi().size(), 1u);
        EXPECT_EQ(msi()[0], std::string(R"(msiexec.exe /I "C:\Kit\tsy3db.msi"ALLUSERS=2  TARGETDIR=")") +
                                c.target + "\" /qb-");
        EXPECT_EQ(trailOf("save DBPath"), std::vector<std::string>{std::string("save DBPath=") + c.saved});
        EXPECT_EQ(sys().gsDBPath, c.globalAfter);
    }
}

// ---------------------------------------------------------------- debug prompts

const std::string kOptionMenu =
    "p - Reinstalls only if file is missing\r"
    "o - Reinstall missing or older versions only\r"
    "e - Reinstall missing or equal or older versions\r"
    "d - Reinstall missing or different versions\r"
    "a - Forces all files to be reinstalled\r"
    "um - Rewrites registry (u-user/m-machine)\r"
    "s - Overwrites shortcuts\r"
    "v - Runs from source\r"
    "\r";

TEST_F(EngineTest, DebugPromptTextsAreExact) {
    EXPECT_EQ(engine::optionPrompt(false), kOptionMenu + "Enter params (blank=use default): ");
    EXPECT_EQ(engine::optionPrompt(true), kOptionMenu + "Enter DB params (blank=use default): ");
    EXPECT_EQ(engine::interfacePrompt(false),
              "Interface level (sUI)\r"
              "/passive   unattended mode progress bar only\r"
              "/q,/qn  no ui\r"
              "/qb+ basic with end dlg\r"
              "/qb- basic less modal at end (does auto restart)\r"
              "/qb  basic (qb - hides cancel button)\r"
              "/qr  reduced (no modal dlg at end)\r"
              "/qf  full UI\r"
              "\r"
              "Enter params (default=/qb-): ");
    EXPECT_EQ(engine::interfacePrompt(true),
              "Interface level (sUI)\r"
              "q,qn  no ui\r"
              "qb- basic less modal at end\r"
              "qb  basic (qb! hides cancel but)\r"
              "qr  reduced (no modal dlg at end)\r"
              "qf  full\r"
              "\r"
              "Enter params (default=/qb-): ");
}

// A repair in debug mode: both options and both interface levels are offered, in this order,
// and each answer shapes the command line.
TEST_F(EngineTest, DebugAnswersShapeTheCommandLines) {
    struct {
        const char* what;
        std::vector<std::string> answers;  // program option, DB option, program UI, DB UI
        std::string program;
        std::string db;
    } cases[] = {
        {"defaults kept", {"/famus ", "/famu ", " /qb /norestart", " /qb"},
         R"(msiexec.exe /famus "C:\Kit\tsy3p.msi" TARGETDIR="C:\Apps\TSY" /qb /norestart)",
         R"(msiexec.exe /famu "C:\Kit\tsy3db.msi" TARGETDIR="D:\Data" /qb)"},
        {"blank options give /f", {"", "  ", " /qb", " /qn"},
         R"(msiexec.exe /f "C:\Kit\tsy3p.msi" TARGETDIR="C:\Apps\TSY" /qb)",
         R"(msiexec.exe /f "C:\Kit\tsy3db.msi" TARGETDIR="D:\Data" /qn)"},
        {"blanks added where missing", {"/fa", "/fomus", "/qr", "/passive"},
         R"(msiexec.exe /fa "C:\Kit\tsy3p.msi" TARGETDIR="C:\Apps\TSY" /qr)",
         R"(msiexec.exe /fomus "C:\Kit\tsy3db.msi" TARGETDIR="D:\Data" /passive)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fake.calls.clear();
        installed(true, true);
        sys().gbDebug = true;
        fake.inputBoxAnswers.assign(c.answers.begin(), c.answers.end());
        EXPECT_EQ(run(kRepair), InstallOutcome::Succeeded);
        auto asks = fake.callsNamed("inputBox");
        ASSERT_EQ(asks.size(), 4u);
        EXPECT_EQ(asks[0].args, (std::vector<std::string>{engine::optionPrompt(false), "", "/famus "}));
        EXPECT_EQ(asks[1].args, (std::vector<std::string>{engine::optionPrompt(true), "", "/famu "}));
        EXPECT_EQ(asks[2].args,
                  (std::vector<std::string>{engine::interfacePrompt(false), "", " /qb /norestart"}));
        EXPECT_EQ(asks[3].args, (std::vector<std::string>{engine::interfacePrompt(true), "", " /qb"}));
        EXPECT_EQ(msi(), (std::vector<std::string>{c.program, c.db}));
        // The database command is shown before it runs, with its working folder.
        EXPECT_EQ(trailOf("box Command"),
                  std::vector<std::string>{"box Command: " + c.db + ", " + kSys});
    }
}

TEST_F(EngineTest, DebugOffersOnlyWhatApplies) {
    sys().gbDebug = true;
    // First installation: no option prompts; the basic levels are offered.
    run(kProgramDB);
    EXPECT_EQ(trailOf("ask"), (std::vector<std::string>{"ask  /qb-", "ask  /qb-"}));

    // Update over an installed system: options offered, the full interface never is.
    fake.calls.clear();
    installed(true, true);
    run(kProgramDB);
    EXPECT_EQ(trailOf("ask"), (std::vector<std::string>{"ask /famus ", "ask /famu "}));

    // Program only: the database option is not offered although the database is installed.
    fake.calls.clear();
    run({true, false});
    EXPECT_EQ(trailOf("ask"), (std::vector<std::string>{"ask /famus "}));

    // Database only: the program option is not offered although the program is installed.
    fake.calls.clear();
    sys().gbSilent = true;
    run({false, true});
    EXPECT_EQ(trailOf("ask"), (std::vector<std::string>{"ask /famu ", "ask  /qn"}));
}

TEST_F(EngineTest, BlankInterfaceLevelAsksCancelInstall) {
    // No: the run goes on with the basic interface.
    sys().gbDebug = true;
    fake.inputBoxAnswers = {"", " /qb-"};
    fake.msgBoxAnswers = {mb::AnswerOk, mb::AnswerNo};  // the IsInstalled display, then Cancel?
    EXPECT_EQ(run(kProgramDB), InstallOutcome::Succeeded);
    auto boxes = fake.callsNamed("msgBox");
    ASSERT_GE(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].args, (std::vector<std::string>{"Cancel install?", "52", ""}));
    EXPECT_EQ(msi().at(0), R"(msiexec.exe /I "C:\Kit\tsy3p.msi"ALLUSERS=2  TARGETDIR="C:\Apps\TSY" /qb-)");

    // Yes at the database prompt: the program has run, nothing after the prompt does.
    fake.calls.clear();
    fake.inputBoxAnswers = {" /qb-", ""};
    fake.msgBoxAnswers = {mb::AnswerOk, mb::AnswerYes};
    InstallOutcome outcome = run(kProgramDBOL);
    EXPECT_EQ(outcome, InstallOutcome::Cancelled);
    EXPECT_EQ(exitCodeFor(outcome), 1602);
    EXPECT_EQ(msi().size(), 1u);
    EXPECT_TRUE(fake.callsNamed("shellExecute").empty());
    EXPECT_TRUE(fake.callsNamed("saveSetting").empty());
    EXPECT_EQ(lastBox()->args[0], "Cancel install?");
}

TEST(EngineExitCodes, SilentRunExitCodes) {
    EXPECT_EQ(exitCodeFor(InstallOutcome::Succeeded), 0);
    EXPECT_EQ(exitCodeFor(InstallOutcome::Cancelled), 1602);
    EXPECT_EQ(exitCodeFor(InstallOutcome::Failed), 1603);
}

}  // namespace
}  // namespace tsy::test

// Start-up up to the hand-over. What happens after the hand-over (the engine's run, the
// wizard's load) belongs to those modules; these tests look only at what Main does before.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/runtime_error.h"
#include "startup/startup.h"
#include "state/state.h"
#include "support/fake_os.h"
#include "wizard/show.h"

using namespace tsy;
using tsy::test::FakeOs;
using tsy::test::OsScope;

namespace {

struct MainFixture : ::testing::Test {
    OsScope scope;
    FakeOs& fake = scope.fake;
    std::optional<int> result;
    std::optional<int> endedWith;

    // A wizard run leaves the process's one form behind; each case starts without it.
    void SetUp() override { resetWizard(); }
    void TearDown() override { resetWizard(); }

    void run(const std::string& appKey = "TSYPRO_3") {
        try {
            result = Main(appKey);
        } catch (const ProcessEnded& e) {
            endedWith = e.exitCode;
        }
    }
    std::size_t firstCall(const std::string& name) const {
        for (std::size_t i = 0; i < fake.calls.size(); ++i)
            if (fake.calls[i].name == name) return i;
        return fake.calls.size();
    }
};

const char* const HelpText =
    "Available Parameters\r\rUpdate [Repair] [Program] [DB] [OL]\r\r"
    "REPAIR\tRepair previous installation\r"
    "REMOVE\tRemove Program installation\r"
    "PROGRAM\tInstall/Repair/Remove Main Tessary Program\r"
    "DB\tInstall/Repair/Remove Tessary Database\r"
    "OL\tSetup MS Outlook Office Interface\r"
    "S\tSilent operation (no user prompting)\r";

struct RunModeCase {
    const char* exe;
    int answer;  // 0: no question expected
    bool update;
};

class RunMode : public MainFixture, public ::testing::WithParamInterface<RunModeCase> {};

}  // namespace

TEST_P(RunMode, FromTheOwnFileName) {
    const RunModeCase& c = GetParam();
    fake.exe = c.exe;
    if (c.answer) fake.msgBoxAnswers = {c.answer};
    run();
    EXPECT_FALSE(result.has_value()) << "no parameters: the wizard opens";
    EXPECT_EQ(sys().gbUpdate, c.update);
    EXPECT_EQ(sys().gsDBProdID, c.update ? "{91204651-EA8A-40F3-B15C-93B864B7FF1B}"
                                         : "{D20CF633-A2EE-42F9-84DB-D1FA05CF8C42}");
    auto boxes = fake.callsNamed("msgBox");
    bool asked = !boxes.empty() && boxes[0].args[0] == "Run as Full Install (no = run as update)?";
    EXPECT_EQ(asked, c.answer != 0);
    if (asked) {
        EXPECT_EQ(boxes[0].args[1], std::to_string(mb::YesNo));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Names, RunMode,
    ::testing::Values(RunModeCase{"Update", 0, true}, RunModeCase{"UPDATE2010", 0, true},
                      RunModeCase{"updater", 0, true}, RunModeCase{"MyUpdate", 0, false},
                      RunModeCase{"Updat", 0, false}, RunModeCase{"Setup", 0, false},
                      RunModeCase{"TSY Setup", mb::AnswerYes, false},
                      RunModeCase{"tsy setup", mb::AnswerNo, true}));

namespace {

struct FlagsCase {
    const char* cmdLine;
    bool silent;
    bool debug;
};

class CommandLineFlags : public MainFixture, public ::testing::WithParamInterface<FlagsCase> {};

}  // namespace

TEST_P(CommandLineFlags, SetSilentAndDebug) {
    const FlagsCase& c = GetParam();
    fake.cmdLine = c.cmdLine;
    fake.msgBoxAnswers = {mb::AnswerOk, mb::AnswerNo};  // debug: detection box, folders question
    run();
    EXPECT_FALSE(endedWith.has_value());
    EXPECT_EQ(sys().gbSilent, c.silent);
    EXPECT_EQ(sys().gbDebug, c.debug);
    EXPECT_EQ(result.has_value(), c.silent) << "silent runs end after the engine; others open the wizard";
    if (result) {
        EXPECT_TRUE(*result == 0 || *result == 1602 || *result == 1603);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, CommandLineFlags,
    ::testing::Values(FlagsCase{"", false, false}, FlagsCase{"s debug", true, true},
                      FlagsCase{"S  DEBUG", true, true}, FlagsCase{"PROGRAM", false, false},
                      FlagsCase{"repair Remove PROGRAM db Ol", false, false},
                      FlagsCase{"S PROGRAM DB", true, false}, FlagsCase{"S DB", true, false},
                      FlagsCase{"DEBUG DEBUG", false, true}, FlagsCase{"db s", true, false}));

namespace {

struct WrongCase {
    const char* cmdLine;
    const char* token;
};

class WrongParameter : public MainFixture, public ::testing::WithParamInterface<WrongCase> {};

}  // namespace

TEST_P(WrongParameter, ShowsTheHelpAndEndsWithTheInvalidCommandLineCode) {
    const WrongCase& c = GetParam();
    fake.cmdLine = c.cmdLine;
    run();
    EXPECT_EQ(endedWith, std::optional<int>(1639));
    auto boxes = fake.callsNamed("msgBox");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].args[0], std::string("Parameter:") + c.token +
                                    "\rSorry this is not a valid Parameter.\r\r" + HelpText);
    EXPECT_EQ(boxes[0].args[1], std::to_string(mb::OkOnly | mb::Information));
    EXPECT_EQ(boxes[0].args[2], "TSY Setup 1.6.0");
    EXPECT_LT(firstCall("setDefaultMousePointer"), firstCall("msgBox"));
    EXPECT_FALSE(sys().gbDebug) << "tokens after the wrong one are not read";
    EXPECT_TRUE(fake.callsNamed("productState").empty());
    EXPECT_TRUE(fake.callsNamed("versionEx").empty());
}

INSTANTIATE_TEST_SUITE_P(Table, WrongParameter,
                         ::testing::Values(WrongCase{"S X DEBUG", "X"},
                                           WrongCase{"S\tDEBUG", "S\tDEBUG"},
                                           WrongCase{" S", ""}, WrongCase{"/S", "/S"},
                                           WrongCase{"program dbx", "dbx"}));

TEST_F(MainFixture, HelpUsesTheOwnNameAndVersion) {
    fake.exe = "Setup2";
    fake.version = AppVersion{2, 10, 3};
    fake.cmdLine = "?";
    run();
    ASSERT_EQ(fake.messages().size(), 1u);
    EXPECT_NE(fake.messages()[0].find("\rSetup2 [Repair] [Program] [DB] [OL]\r"), std::string::npos);
    EXPECT_EQ(fake.callsNamed("msgBox")[0].args[2], "TSY Setup 2.10.3");
}

TEST_F(MainFixture, StepsRunInOrderBeforeTheHandOver) {
    fake.productStates["{9F8C9A12-6868-44D8-B9CE-12E403B3BD63}"] = 5;
    fake.winVersion = WinVersion{true, 2, 6, 1, 7601, ""};
    fake.specialFolders = {{42, "C:\\Program Files (x86)"}, {41, "C:\\windows\\SysWOW64"}};
    fake.folderPaths = {{35, "C:\\ProgramData"}};
    fake.settings[FakeOs::settingKey("TSYPRO_3", "StartUp", "DBPath")] = "D:\\Shared\\TD\\MainDB\\";
    run();
    EXPECT_FALSE(result.has_value());
    EXPECT_TRUE(fake.messages().empty());
    const SystemState& s = sys();
    EXPECT_TRUE(s.gbPro);
    EXPECT_TRUE(s.gbInstalled);
    EXPECT_FALSE(s.gbDBInstalled);
    EXPECT_EQ(s.gsProgramFiles, "C:\\Program Files (x86)");
    EXPECT_EQ(s.gsSystemDir, "C:\\windows\\SysWOW64");
    EXPECT_EQ(s.gsInstallPath, "C:\\Program Files (x86)\\Tessary Contact Management");
    EXPECT_EQ(s.gsDBPath, "D:\\Shared\\TD");
    EXPECT_LT(firstCall("exeName"), firstCall("commandLine"));
    EXPECT_LT(firstCall("commandLine"), firstCall("productState"));
    EXPECT_LT(firstCall("productState"), firstCall("versionEx"));
    EXPECT_LT(firstCall("versionEx"), firstCall("specialFolderPath"));
}

TEST_F(MainFixture, TheBuildKeySelectsTheEdition) {
    run("TSYPRO_RTF3");
    EXPECT_TRUE(sys().gbAltBuild);
    EXPECT_EQ(sys().gsExeName, "TSY3_RTF.exe");
    run("TSYLITE");
    EXPECT_FALSE(sys().gbPro);
    EXPECT_EQ(sys().gsInstallPath, "C:\\Program Files (x86)\\Tessary Contact Management Lite");
}

TEST_F(MainFixture, DebugDisplaysTheFoldersAndOnYesTheSpecialFolders) {
    fake.cmdLine = "DEBUG";
    fake.specialFolders = {{42, "C:\\PF86"}, {35, "C:\\ProgramData"}, {28, "C:\\U\\Local"},
                           {46, "C:\\Pub\\Docs"}, {5, "C:\\U\\Docs"}};
    fake.folderPaths = {{35, "C:\\ProgramData\\"}, {28, "C:\\U\\Local"}, {26, "C:\\U\\Roaming"},
                        {46, "C:\\Pub\\Docs"}, {5, "C:\\U\\Docs"}, {40, "C:\\U"}};
    fake.msgBoxAnswers = {mb::AnswerOk, mb::AnswerYes, mb::AnswerOk};
    run();
    auto boxes = fake.callsNamed("msgBox");
    ASSERT_GE(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].args[0].rfind("gbInstalled =False  gsProdID = ", 0), 0u);
    EXPECT_EQ(boxes[1].args[0],
              "Initial Install Folders: \r\nProgram: C:\\PF86\r\nDB Folder: C:\\ProgramData\\Tessary Data"
              "\r\n\r\nShow special folders?");
    EXPECT_EQ(boxes[1].args[1], std::to_string(mb::YesNo));
    EXPECT_EQ(boxes[2].args[0],
              "Folders using CSIDL method: "
              "\r\nCSIDL_COMMON_APPDATA: C:\\ProgramData"
              "\r\nCSIDL_LOCAL_APPDATA: C:\\U\\Local"
              "\r\nCSIDL_COMMON_DOCUMENTS: C:\\Pub\\Docs"
              "\r\nCSIDL_PERSONAL: C:\\U\\Docs"
              "\r\n\r\nFolders using NEW method: "
              "\r\n*feCommonAppData: C:\\ProgramData"
              "\r\nfeLocalAppData: C:\\U\\Local"
              "\r\nfeUserAppData: C:\\U\\Roaming"
              "\r\nfeCommonDocs: C:\\Pub\\Docs"
              "\r\nfeUserDocs: C:\\U\\Docs"
              "\r\nfeUser: C:\\U");
    EXPECT_EQ(boxes[2].args[1], std::to_string(mb::OkOnly));
}

TEST_F(MainFixture, DebugNoSkipsTheSpecialFolderList) {
    fake.cmdLine = "debug";
    fake.msgBoxAnswers = {mb::AnswerOk, mb::AnswerNo};
    run();
    auto texts = fake.messages();
    ASSERT_GE(texts.size(), 2u);
    EXPECT_EQ(texts[1].rfind("Initial Install Folders: ", 0), 0u);
    for (const auto& t : texts) EXPECT_EQ(t.find("Folders using CSIDL method: "), std::string::npos);
}

TEST_F(MainFixture, AnErrorIsShownAndStartUpGoesOn) {
    fake.fault = [](const std::string& n) {
        return n == "versionEx" || n == "exeName" ? FakeOs::FaultThrow : FakeOs::FaultNone;
    };
    run();
    EXPECT_FALSE(result.has_value());
    auto boxes = fake.callsNamed("msgBox");
    ASSERT_GE(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].args[0], "errHdl_Main: Injected fault in exeName (5)");
    EXPECT_EQ(boxes[0].args[1], std::to_string(mb::OkOnly));
    EXPECT_EQ(boxes[1].args[0], "errHdl_Main: Injected fault in versionEx (5)");
    // Without a version the older-Windows lookups are used; the folders are still found.
    EXPECT_TRUE(sys().gbPro);
    EXPECT_EQ(sys().gsProgramFiles, "C:\\Program Files (x86)");
    EXPECT_EQ(sys().gsDBPath, "C:\\ProgramData\\Tessary Data");
}

// Whatever the command line says, a silent run includes the program package: with both
// packages beside the setup, "S DB" runs msiexec.exe for the program package too.
TEST_F(MainFixture, SilentRunAlwaysIncludesTheProgramPackage) {
    fake.exe = "Setup";
    fake.addFile("C:\\Kit\\tsy3p.msi");
    fake.addFile("C:\\Kit\\tsy3db.msi");
    fake.cmdLine = "S DB";
    run();
    ASSERT_TRUE(result.has_value());
    bool programRun = false;
    for (const auto& c : fake.callsNamed("createProcess"))
        if (c.args[1].find("tsy3p.msi") != std::string::npos) programRun = true;
    EXPECT_TRUE(programRun);
}

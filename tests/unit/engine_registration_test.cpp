// Component registration and the database-engine prerequisite: what is started, with which
// switches, and what the user is told for each answer of the shell.
#include "engine_fixture.h"

namespace tsy::test {
namespace {

using Lines = std::vector<std::string>;

const std::string kComm = "C:\\windows\\system32\\mscomm32.ocx";
const std::string kEmail = "C:\\windows\\system32\\tsyemail.dll";
const std::string kOpenRegsvr32 = "open C:\\windows\\system32\\regsvr32.exe";

TEST_F(EngineTest, RegistrationFailuresByShellValue) {
    struct {
        const char* component;
        long value;
        std::string message;     // empty: success, nothing shown
        bool secondOpen = false;  // the shell's "open with" request
    } cases[] = {
        {"mscomm32.ocx", 32, ""},
        {"mscomm32.ocx", 2,
         "File Not Found:" + kComm + "\rPlease re-install Tessary Contact Management\r"},
        {"mscomm32.ocx", 3, "Path not found:C:\\windows\\system32"},
        {"mscomm32.ocx", 31, "Windows does not have a program associated for: " + kComm, true},
        {"mscomm32.ocx", 0,
         "Sorry, Windows was not able to register a necessary component (0):\r" + kComm},
        {"mscomm32.ocx", 26,
         "Sorry, Windows was not able to register a necessary component (26):\r" + kComm},
        {"tsyemail.dll", 2,
         "File Not Found:" + kEmail + "\rPlease re-install Tessary Contact Management\r"},
        {"tsyemail.dll", 31, "Windows does not have a program associated for: " + kEmail, true},
        {"tsyemail.dll", 8,
         "Sorry, Windows was not able to register the Outlook Email Interface (8):\r" + kEmail},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.component) + " " + std::to_string(c.value));
        fake.calls.clear();
        std::string component = c.component;
        long value = c.value;
        fake.onShellExecute = [component, value](const std::string&, const std::string& params) {
            return params.find(component) != std::string::npos ? value : 42L;
        };
        InstallOutcome outcome = run(kProgramDBOL);

        Lines regs = {kOpenRegsvr32 + " /s " + kComm + " @C:\\windows\\system32"};
        if (c.secondOpen && component == "mscomm32.ocx") regs.push_back("open C:\\windows\\system32 1 @1");
        if (!c.message.empty() && component == "mscomm32.ocx") regs.push_back("box " + c.message);
        regs.push_back(kOpenRegsvr32 + " /s " + kEmail + " @C:\\windows\\system32");
        if (c.secondOpen && component == "tsyemail.dll") regs.push_back("open C:\\windows\\system32 1 @1");
        if (!c.message.empty() && component == "tsyemail.dll") regs.push_back("box " + c.message);
        // A failed e-mail registration leaves the Professional number 13 in place.
        bool emailOk = !(component == "tsyemail.dll" && !c.message.empty());
        regs.push_back(emailOk ? "save EmailForm=12" : "save EmailForm=13");
        regs.push_back("save Ver=3.3.0");

        Lines t = trail();
        EXPECT_EQ(Lines(t.begin() + 3, t.end()), regs);
        EXPECT_EQ(outcome, c.message.empty() ? InstallOutcome::Succeeded : InstallOutcome::Failed);
        for (const Call& box : fake.callsNamed("msgBox")) EXPECT_EQ(box.args[1], "0");
    }
}

TEST_F(EngineTest, SilentSwitchOfRegsvr32) {
    struct {
        bool debug;
        bool silent;
        const char* reg;
        const char* unreg;
    } cases[] = {
        {false, false, "/s ", "/s "},
        {false, true, "/s ", "/s "},
        {true, false, "", ""},
        {true, true, "/s ", ""},  // nobody would be there to close regsvr32's box
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.debug) + std::to_string(c.silent));
        sys().gbDebug = c.debug;
        sys().gbSilent = c.silent;
        fake.calls.clear();
        installed(true, true);
        run(kRemove);
        // The unregistration of the removal, then nothing else from regsvr32.
        EXPECT_EQ(trailOf(kOpenRegsvr32),
                  Lines{kOpenRegsvr32 + " " + c.unreg + "/u " + kEmail + " @C:\\windows\\system32"});
        fake.calls.clear();
        installed(false, false);
        run({true, false, true});
        EXPECT_EQ(trailOf(kOpenRegsvr32),
                  (Lines{kOpenRegsvr32 + " " + c.reg + kComm + " @C:\\windows\\system32",
                         kOpenRegsvr32 + " " + c.reg + kEmail + " @C:\\windows\\system32"}));
    }
}

// A regsvr32.exe or vezEdeRu.exe planted beside the setup program must never be what the shell
// finds: both are named by their full path in every step. The Windows system folder (where a
// 32-bit process is redirected to the 32-bit regsvr32) and the setup's system folder differ
// here, as they do for a 32-bit setup on 64-bit Windows.
TEST_F(EngineTest, RegistrationAndUpdateServiceAreOpenedByFullPath) {
    const std::string wow = "C:\\Windows\\SysWOW64";
    const std::string windowsSys = "C:\\Windows\\System32";
    struct {
        const char* what;
        bool update;
        bool installedBefore;
        Request request;
        Lines opened;  // file of every shell open request, in order
    } cases[] = {
        {"first installation", false, false, kProgramDBOL,
         {windowsSys + "\\regsvr32.exe", windowsSys + "\\regsvr32.exe"}},
        {"update", true, true, kProgramDBOL,
         {wow + "\\vezEdeRu.exe", wow + "\\vezEdeRu.exe", windowsSys + "\\regsvr32.exe",
          windowsSys + "\\regsvr32.exe"}},
        {"repair", false, true, kRepair,
         {wow + "\\vezEdeRu.exe", wow + "\\vezEdeRu.exe", windowsSys + "\\regsvr32.exe"}},
        {"removal", false, true, kRemove, {wow + "\\vezEdeRu.exe", windowsSys + "\\regsvr32.exe"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fake.calls.clear();
        edition("TSYPRO_3", c.update);
        sys().gsSystemDir = wow;
        fake.sysDir = windowsSys;
        installed(c.installedBefore, c.installedBefore);
        EXPECT_EQ(run(c.request), InstallOutcome::Succeeded);
        Lines opened;
        for (const Call& o : fake.callsNamed("shellExecute")) {
            opened.push_back(o.args[1]);
            // Parameters and working folder stay those of the system folder of the setup.
            EXPECT_EQ(o.args[3], wow);
        }
        EXPECT_EQ(opened, c.opened);
    }
}

TEST_F(EngineTest, RegistrationWithoutTheWindowsSystemFolder) {
    // Windows cannot name its system folder: the setup's own system folder still holds a
    // regsvr32; with neither, the shell is never asked for a bare name and the user is told.
    // (Only the e-mail interface is asked for: msiexec.exe is not started without the folder.)
    fake.fault = [](const std::string& name) {
        return name == "systemDirectory" ? FakeOs::FaultReturn : FakeOs::FaultNone;
    };
    const Request emailOnly{false, false, true};
    EXPECT_EQ(run(emailOnly), InstallOutcome::Succeeded);
    EXPECT_EQ(trailOf("open "), Lines{kOpenRegsvr32 + " /s " + kEmail + " @C:\\windows\\system32"});

    fake.calls.clear();
    sys().gsSystemDir.clear();
    EXPECT_EQ(run(emailOnly), InstallOutcome::Failed);
    EXPECT_TRUE(fake.callsNamed("shellExecute").empty());
    EXPECT_EQ(fake.messages(),
              Lines{"File Not Found:\\tsyemail.dll\rPlease re-install Tessary Contact Management\r"});
}

// ---------------------------------------------------------------- the database engine

const std::string kInstallQuestion =
    "Microsoft ACE 2010 Database Engine (32-bit) must be installed on your system\r"
    "Would you like to install this now?\r";
const std::string kRemoveQuestion =
    "Would you like to also remove the Microsoft ACE 2010 Database Engine (32-bit)?\r"
    "(NOTE: This is a necessary component of Microsoft Office 2010)\r";
const std::string kAce = "AccessDatabaseEngine2010_SP2.exe";

TEST_F(EngineTest, DatabaseEngineOfferedOnlyInTheAlternativeBuilds) {
    for (const char* key : {"TSYPRO_3", "TSYLITE_3", "TSYPRO_WS", "tsypro_rtf3"}) {
        SCOPED_TRACE(key);
        fake.calls.clear();
        edition(key);
        bool alt = sys().gbAltBuild;
        EXPECT_EQ(run(kProgramDB), InstallOutcome::Succeeded);
        Lines expected;
        if (alt) expected = {"box " + kInstallQuestion, "open " + kAce + "  @C:\\Kit"};
        Lines t = trail();
        EXPECT_EQ(Lines(t.end() - static_cast<long>(expected.size()), t.end()), expected);
        EXPECT_EQ(trailOf("open " + kAce).size(), alt ? 1u : 0u);
        if (alt) {
            const Call* q = lastBox();
            EXPECT_EQ(q->args[1], "36");
            EXPECT_EQ(q->args[2], "Install Database Engine");
        }
    }
}

TEST_F(EngineTest, DatabaseEngineOnRemovalAndAnsweredNo) {
    edition("TSYPRO_RTF3");
    fake.exe = "TSY Setup";
    addPackages("C:\\Kit\\Package");
    installed(true, true);
    EXPECT_EQ(run(kRemove), InstallOutcome::Succeeded);
    EXPECT_EQ(trail().back(), "open " + kAce + "  @C:\\Kit\\Package");
    EXPECT_EQ(fake.messages(), Lines{kRemoveQuestion});

    fake.calls.clear();
    fake.msgBoxAnswers = {mb::AnswerNo};
    EXPECT_EQ(run(kProgramDB), InstallOutcome::Succeeded);
    EXPECT_EQ(trail().back(), "box " + kInstallQuestion);
}

TEST_F(EngineTest, DatabaseEngineStartFailures) {
    const std::string advice = "\rPlease try re-installing the program again\r";
    struct {
        bool remove;
        long value;
        std::string message;
        bool secondOpen = false;
    } cases[] = {
        {false, 2, "File Not Found:" + kAce +
                       "\rTessary Contact Management will not run correctly without the ACE Database Engine\r" +
                       advice},
        {true, 2, "File Not Found:" + kAce +
                      "\rTessary Contact Management will not run correctly without the ACE Database Engine\r"},
        {false, 3, "Path not found:C:\\Kit" + advice},
        {false, 31, "Windows does not have a program associated for: " + kAce + advice, true},
        {true, 31, "Windows does not have a program associated for: " + kAce, true},
        {false, 5, "Sorry, Windows was not able to install the Microsoft ACE Database Engine (5):\r" + advice},
        {true, 5, "Windows was not able to uninstall the Microsoft ACE Database Engine (5):\r"},
    };
    edition("TSYPRO_WS");
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.value) + (c.remove ? " removal" : ""));
        fake.calls.clear();
        installed(c.remove, c.remove);
        long value = c.value;
        fake.onShellExecute = [value](const std::string& file, const std::string&) {
            return file == kAce ? value : 42L;
        };
        EXPECT_EQ(run(c.remove ? kRemove : kProgramDB), InstallOutcome::Failed);
        Lines expected = {"box " + (c.remove ? kRemoveQuestion : kInstallQuestion),
                          "open " + kAce + "  @C:\\Kit"};
        if (c.secondOpen) expected.push_back("open C:\\Kit 1 @1");
        expected.push_back("box " + c.message);
        Lines t = trail();
        EXPECT_EQ(Lines(t.end() - static_cast<long>(expected.size()), t.end()), expected);
        EXPECT_EQ(lastBox()->args[1], "16");
    }
}

}  // namespace
}  // namespace tsy::test

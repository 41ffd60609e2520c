// The setup log sits between the program and the system: it must record what an administrator
// needs, and a log that cannot be written must leave the run exactly as it would have been.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "platform/runtime_error.h"
#include "services/setup_log.h"
#include "startup/startup.h"
#include "support/fake_os.h"
#include "wizard/show.h"

using namespace tsy;
using tsy::test::Call;
using tsy::test::FakeOs;
using tsy::test::OsScope;

namespace {

const char* const LogPath = "C:\\Users\\tester\\Temp\\TSY Setup.log";

struct SilentRun {
    std::vector<std::string> effects;  // what the run did to the system, in order
    std::optional<int> exitCode;
};

void prepareKit(FakeOs& fake) {
    fake.addFolder("C:\\Users\\tester\\Temp");
    fake.addFile("C:\\Kit\\tsy3p.msi");
    fake.addFile("C:\\Kit\\tsy3db.msi");
    fake.exe = "Setup";
    fake.cmdLine = "S PROGRAM DB OL";
    fake.specialFolders[csidl::ProgramFilesX86] = "C:\\Program Files (x86)";
    fake.specialFolders[csidl::SystemX86] = "C:\\windows\\syswow64";
    fake.folderPaths[csidl::CommonAppData] = "C:\\ProgramData";
}

SilentRun runSilently(FakeOs& fake, Os& through, LoggingOs* logging) {
    setOs(&through);
    SilentRun r;
    try {
        r.exitCode = Main("TSYPRO_3");
        if (logging && r.exitCode) logging->logResult(*r.exitCode);
    } catch (const ProcessEnded& e) {
        r.exitCode = e.exitCode;
    }
    for (const Call& c : fake.calls)
        if (c.name == "createProcess" || c.name == "shellExecute" || c.name == "saveSetting" ||
            c.name == "msgBox" || c.name == "moveFile")
            r.effects.push_back(c.str());
    setOs(&fake);
    return r;
}

std::string readLog(FakeOs& fake) {
    std::ifstream in(fake.hostPath(LogPath), std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

struct SetupLog : ::testing::Test {
    void SetUp() override { resetWizard(); }
    void TearDown() override { resetWizard(); }
};

TEST_F(SetupLog, SilentInstallationIsToldFromHeaderToResult) {
    OsScope scope;
    prepareKit(scope.fake);
    scope.fake.onCreateProcess = [](const std::string&, const std::string& cmd) {
        return ProcessResult{true, true, cmd.find("tsy3db") != std::string::npos ? 1603u : 0u};
    };
    LoggingOs logging(scope.fake, LoggingOs::defaultLogPath(scope.fake), "TSYPRO_3");
    SilentRun run = runSilently(scope.fake, logging, &logging);
    ASSERT_EQ(run.exitCode, 1603);

    std::string log = readLog(scope.fake);
    for (const char* expected : {
             "==== TSY Setup 1.6.0\r\n",
             "Program: C:\\Kit\\Setup.exe\r\n",
             "Command line: S PROGRAM DB OL\r\n",
             "Mode: install\r\n",
             "Edition: TSYPRO_3 (Professional)\r\n",
             "Windows: 2 6.1.7601 Service Pack 1\r\n",
             "Process: msiexec.exe /I \"C:\\Kit\\tsy3p.msi\"ALLUSERS=2  TARGETDIR=",
             "Result: exit code 0\r\n",
             "Result: exit code 1603\r\n",
             "Setting TSYPRO_3\\StartUp\\DBPath = \"C:\\ProgramData\\Tessary Data\\MainDB\\\"",
             "Shell open: C:\\windows\\system32\\regsvr32.exe /s ",
             "Returned: 42 (started)",
             "Result: failed, exit code 1603\r\n",
         }) {
        EXPECT_NE(log.find(expected), std::string::npos) << "missing: " << expected << "\n" << log;
    }
    // The failed database step's message, with its answer, and every line of it kept together.
    EXPECT_NE(log.find("Answer: OK"), std::string::npos);
    EXPECT_EQ(log.find("\r\r"), std::string::npos) << "bare line breaks must not reach the file";
}

TEST_F(SetupLog, AnUnwritableLogChangesNothingAndIsGivenUpAtOnce) {
    SilentRun plain, unlogged;
    {
        OsScope scope;
        prepareKit(scope.fake);
        plain = runSilently(scope.fake, scope.fake, nullptr);
    }
    OsScope scope;
    prepareKit(scope.fake);
    scope.fake.fault = [](const std::string& name) {
        return name == "appendFile" ? FakeOs::FaultThrow : FakeOs::FaultNone;
    };
    LoggingOs logging(scope.fake, LoggingOs::defaultLogPath(scope.fake), "TSYPRO_3");
    EXPECT_FALSE(logging.active());
    unlogged = runSilently(scope.fake, logging, &logging);
    EXPECT_EQ(unlogged.effects, plain.effects);
    EXPECT_EQ(unlogged.exitCode, plain.exitCode);
    EXPECT_EQ(scope.fake.callsNamed("appendFile").size(), 1u) << "one failed write, then silence";
}

TEST_F(SetupLog, NoTemporaryFolderMeansNoLogAndAnUntouchedRun) {
    OsScope scope;
    prepareKit(scope.fake);
    scope.fake.temp.clear();
    std::string path = LoggingOs::defaultLogPath(scope.fake);
    EXPECT_EQ(path, "");
    LoggingOs logging(scope.fake, path, "TSYPRO_3");
    SilentRun run = runSilently(scope.fake, logging, &logging);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(scope.fake.callsNamed("appendFile").empty());
}

TEST_F(SetupLog, WrongParameterAndAnswersAreRecorded) {
    OsScope scope;
    prepareKit(scope.fake);
    scope.fake.exe = "TSY Setup";
    scope.fake.cmdLine = "S X";
    scope.fake.msgBoxAnswers = {mb::AnswerNo};
    LoggingOs logging(scope.fake, LoggingOs::defaultLogPath(scope.fake), "TSYLITE");
    SilentRun run = runSilently(scope.fake, logging, &logging);
    EXPECT_EQ(run.exitCode, 1639);
    std::string log = readLog(scope.fake);
    EXPECT_NE(log.find("Mode: asked at start (TSY Setup)"), std::string::npos);
    EXPECT_NE(log.find("Edition: TSYLITE (Lite)"), std::string::npos);
    EXPECT_NE(log.find("Run as Full Install (no = run as update)?\r\n"), std::string::npos);
    EXPECT_NE(log.find("Answer: No"), std::string::npos);
    // A multi-line message keeps its lines under its own entry.
    EXPECT_NE(log.find("Parameter:X\r\n        Sorry this is not a valid Parameter."),
              std::string::npos);
    EXPECT_NE(log.find("Result: invalid command line, exit code 1639"), std::string::npos);
}

}  // namespace

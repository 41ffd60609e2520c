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
    std::string log;
};

// A silent run of `cmdLine` through a log on the fake, as WinMain wires it.
SilentRun runSilently(FakeOs& fake, const std::string& cmdLine, bool logged = true,
                      const char* exe = "Setup") {
    fake.addFolder("C:\\Users\\tester\\Temp");
    fake.addFile("C:\\Kit\\tsy3p.msi");
    fake.addFile("C:\\Kit\\tsy3db.msi");
    fake.exe = exe;
    fake.cmdLine = cmdLine;
    fake.specialFolders[csidl::ProgramFilesX86] = "C:\\Program Files (x86)";
    fake.specialFolders[csidl::SystemX86] = "C:\\windows\\syswow64";
    fake.folderPaths[csidl::CommonAppData] = "C:\\ProgramData";
    resetWizard();
    LoggingOs logging(fake, LoggingOs::defaultLogPath(fake), "TSYPRO_3");
    setOs(logged ? static_cast<Os*>(&logging) : &fake);
    SilentRun r;
    try {
        r.exitCode = Main("TSYPRO_3");
        if (r.exitCode) logging.logResult(*r.exitCode);
    } catch (const ProcessEnded& e) {
        r.exitCode = e.exitCode;
    }
    setOs(&fake);
    resetWizard();
    for (const Call& c : fake.calls)
        if (c.name == "createProcess" || c.name == "shellExecute" || c.name == "saveSetting" ||
            c.name == "msgBox" || c.name == "moveFile")
            r.effects.push_back(c.str());
    std::ifstream in(fake.hostPath(LogPath), std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    r.log = ss.str();
    return r;
}

TEST(SetupLog, ARunIsToldFromHeaderToResultEachEntryWithItsProcessId) {
    OsScope scope;
    scope.fake.onCreateProcess = [](const std::string&, const std::string& cmd) {
        return ProcessResult{true, true, cmd.find("tsy3db") != std::string::npos ? 1603u : 0u};
    };
    SilentRun run = runSilently(scope.fake, "S PROGRAM DB OL");
    ASSERT_EQ(run.exitCode, 1603);
    for (const char* expected : {
             "2026-12-06 10:00:00 [4242]  ==== TSY Setup 1.6.0\r\n",
             "Program: C:\\Kit\\Setup.exe\r\n", "Command line: S PROGRAM DB OL\r\n",
             "Mode: install\r\n", "Edition: TSYPRO_3 (Professional)\r\n",
             "Windows: 2 6.1.7601 Service Pack 1\r\n",
             "Process: msiexec.exe /I \"C:\\Kit\\tsy3p.msi\"ALLUSERS=2  TARGETDIR=",
             "Result: exit code 0\r\n", "Result: exit code 1603\r\n",
             "Setting TSYPRO_3\\StartUp\\DBPath = \"C:\\ProgramData\\Tessary Data\\MainDB\\\"",
             "Shell open: C:\\windows\\system32\\regsvr32.exe /s ", "Returned: 42 (started)",
             "Answer: OK", "Result: failed, exit code 1603\r\n"}) {
        EXPECT_NE(run.log.find(expected), std::string::npos) << expected << "\n" << run.log;
    }
    EXPECT_EQ(run.log.find("\r\r"), std::string::npos) << "bare line breaks must not reach the file";
    // Every entry, not only the first, names the process, so two runs appending at once are
    // told apart.
    const std::string stamp = "\n2026-12-06 10:00:00 [4242]  ";
    std::size_t entries = 0, tagged = 0;
    for (std::size_t at = run.log.find("\n2026"); at != std::string::npos;
         at = run.log.find("\n2026", at + 1), ++entries)
        tagged += run.log.compare(at, stamp.size(), stamp) == 0;
    EXPECT_GT(entries, 10u);
    EXPECT_EQ(tagged, entries);
}

// A failed write is tried once more with the next entry, losing nothing; two failures in a row
// give the log up. No state of the log changes what the run does.
TEST(SetupLog, AFailedWriteIsRetriedOnceThenTheLogIsGivenUpAndTheRunNeverChanges) {
    SilentRun plain;
    {
        OsScope scope;
        plain = runSilently(scope.fake, "S PROGRAM DB", false);
    }
    struct Case {
        int failures;  // appendFile calls that fail before the rest succeed
        FakeOs::Fault how;
        bool noTemp;
        int appendCalls;  // -1: one for every entry
    } cases[] = {{1, FakeOs::FaultReturn, false, -1}, {1, FakeOs::FaultThrow, false, -1},
                 {1000, FakeOs::FaultReturn, false, 2}, {1000, FakeOs::FaultThrow, false, 2},
                 {0, FakeOs::FaultNone, true, 0}};
    for (const Case& c : cases) {
        OsScope scope;
        int failed = 0;
        scope.fake.fault = [&](const std::string& name) {
            return name == "appendFile" && failed++ < c.failures ? c.how : FakeOs::FaultNone;
        };
        if (c.noTemp) scope.fake.temp.clear();
        SilentRun run = runSilently(scope.fake, "S PROGRAM DB");
        SCOPED_TRACE(::testing::Message() << c.failures << " failures, fault " << c.how);
        EXPECT_EQ(run.effects, plain.effects);
        EXPECT_EQ(run.exitCode, plain.exitCode);
        int calls = static_cast<int>(scope.fake.callsNamed("appendFile").size());
        if (c.appendCalls >= 0) EXPECT_EQ(calls, c.appendCalls);
        else EXPECT_GT(calls, 10);
        // After one failure the header comes with the next entry: the whole run is there.
        bool whole = run.log.find("==== TSY Setup 1.6.0") != std::string::npos &&
                     run.log.find("Result: success, exit code 0") != std::string::npos;
        EXPECT_EQ(whole, c.appendCalls < 0) << run.log;
    }
}

TEST(SetupLog, AWrongParameterAndTheAnswersAreRecorded) {
    OsScope scope;
    scope.fake.msgBoxAnswers = {mb::AnswerNo};
    SilentRun run = runSilently(scope.fake, "S X", true, "TSY Setup");
    EXPECT_EQ(run.exitCode, 1639);
    for (const char* expected :
         {"Mode: asked at start (TSY Setup)", "Run as Full Install (no = run as update)?\r\n",
          "Answer: No", "Parameter:X\r\n        Sorry this is not a valid Parameter.",
          "Result: invalid command line, exit code 1639"})
        EXPECT_NE(run.log.find(expected), std::string::npos) << expected << "\n" << run.log;
}

}  // namespace

// The setup log sits between the program and the system: it must record what an administrator
// needs, and a log that cannot be written must leave the run exactly as it would have been.
#include <gtest/gtest.h>


#include "platform/runtime_error.h"
#include "services/setup_log.h"
#include "startup/startup.h"
#include "support/fake_os.h"

using namespace tsy;
using namespace tsy::test;

namespace {

struct SilentRun {
    std::vector<std::string> effects;  // what the run did to the system, in order
    std::optional<int> exitCode;
    std::string log;
};

// "Setup.exe S PROGRAM DB OL", the database package failing, through the log or without it.
SilentRun runSilently(FakeOs& fake, bool logged = true, std::uint32_t dbExit = 1603, const char* cmdLine = "S PROGRAM DB OL") {
    fake.onCreateProcess = [dbExit](const std::string&, const std::string& cmd) {
        return ProcessResult{true, true, cmd.find("tsy3db") != std::string::npos ? dbExit : 0u};
    };
    fake.addFolder("C:\\Users\\tester\\Temp");
    for (const char* package : {"C:\\Kit\\tsy3p.msi", "C:\\Kit\\tsy3db.msi"}) fake.addFile(package);
    fake.exe = "Setup";
    fake.cmdLine = cmdLine;
    fake.folderPaths[csidl::CommonAppData] = "C:\\ProgramData";
    LoggingOs logging(fake, LoggingOs::defaultLogPath(fake), "TSYPRO_3");
    setOs(logged ? static_cast<Os*>(&logging) : &fake);
    SilentRun r;
    try {
        r.exitCode = Main("TSYPRO_3");
        logging.logResult(*r.exitCode);
    } catch (const ProcessEnded& e) {
        r.exitCode = e.exitCode;
    }
    setOs(&fake);
    for (const auto& c : fake.calls)
        if (c.name == "createProcess" || c.name == "shellExecute" || c.name == "saveSetting" ||
            c.name == "msgBox")
            r.effects.push_back(c.str());
    r.log = fake.read(LoggingOs::defaultLogPath(fake));
    return r;
}

// A run is logged from its header to its result, each decision with its reason. A failed write is tried once more with
// the next entry, losing nothing and repeating nothing that a write cut short had written; two failures in a row give
// the log up. No state of the log changes what the run does.
TEST(SetupLog, AFailedWriteIsRetriedOnceThenTheLogIsGivenUpAndTheRunNeverChanges) {
    const SilentRun plain = [] { OsScope scope; return runSilently(scope.fake, false); }();
    const struct {
        int failures;  // the first appendFile calls that fail
        FakeOs::Fault how;
        bool temp;
        bool whole;
        std::size_t firstWrite = std::string::npos;  // bytes the first write puts in the file
    } cases[] = {{1, FakeOs::FaultReturn, true, true}, {1, FakeOs::FaultThrow, true, true}, {0, FakeOs::FaultNone, true, true, 10},
                 {1000, FakeOs::FaultReturn, true, false}, {1000, FakeOs::FaultThrow, true, false},
                 {0, FakeOs::FaultNone, false, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.failures << " failures, fault " << c.how);
        OsScope scope;
        int failed = 0;
        scope.fake.fault = [&](const std::string& name) {
            return name == "appendFile" && failed++ < c.failures ? c.how : FakeOs::FaultNone;
        };
        if (!c.temp) scope.fake.temp.clear();
        scope.fake.appendLimit = c.firstWrite;
        SilentRun run = runSilently(scope.fake);
        EXPECT_EQ(run.effects, plain.effects);
        EXPECT_EQ(run.exitCode, plain.exitCode);
        const bool whole = run.log.find("==== TSY Setup 1.6.0\r\n        Program: C:\\Kit\\Setup.exe") != std::string::npos &&
                           run.log.find("[4242]  Decision: Database engine not offered: edition TSYPRO_3 does not use it") !=
                               std::string::npos && run.log.find("Result: failed, exit code 1603") != std::string::npos;
        EXPECT_EQ(whole, c.whole) << run.log;
        EXPECT_EQ(run.log.find(" [4242]  ==== TSY Setup"), whole ? 19 : std::string::npos) << run.log;
    }
}

// Only a person at a visible station's default desktop, outside session 0 from Windows 6 on, can answer (a locked
// screen keeps the thread on the default desktop; facts that cannot be read count as a person's). Elsewhere each box is
// logged with its title and its default button's answer, the run goes on, and the shell is told to show none either.
TEST(SetupLog, BoxesNobodyCanAnswerAreLoggedWithTheirDefaultButton) {
    const struct { long flags; int style, answer; const char* desktop = "Default"; long session = 1, major = 6; } rows[] = {
        {0, mb::OkOnly, mb::AnswerOk}, {0, mb::YesNo | mb::Question, mb::AnswerYes}, {2, mb::YesNo | mb::DefaultButton2, mb::AnswerNo},
        {0, mb::YesNoCancel | 2 * mb::DefaultButton2, mb::AnswerCancel}, {0, mb::OkCancel | 3 * mb::DefaultButton2, mb::AnswerOk},
        {0, mb::AbortRetryIgnore | mb::DefaultButton2, mb::AnswerRetry}, {1, mb::YesNo, mb::AnswerIgnore}, {-1, 0, mb::AnswerIgnore, ""},
        {1, mb::YesNo, mb::AnswerYes, "AgentDesktop"}, {1, mb::YesNo, mb::AnswerYes, "Default", 0, 10},
        {1, mb::YesNo, mb::AnswerYes, "Default", 0, 6}, {1, mb::YesNo, mb::AnswerIgnore, "Default", 0, 5},
        {1, mb::YesNo, mb::AnswerIgnore, "Default", 3, 10}, {1, mb::YesNo, mb::AnswerIgnore, "", -1, 10}};
    for (const auto& r : rows) {
        SCOPED_TRACE(::testing::Message() << "station " << r.flags << ", desktop \"" << r.desktop << "\", session " << r.session
                                          << ", Windows " << r.major << ", style " << r.style);
        OsScope scope;
        scope.fake.addFolder("C:\\Users\\tester\\Temp");
        scope.fake.stationFlags = r.flags, scope.fake.desktop = r.desktop, scope.fake.session = r.session;
        scope.fake.winVersion.major = r.major;
        scope.fake.msgBoxAnswers = {mb::AnswerIgnore};
        scope.fake.inputBoxAnswers = {"typed"};
        LoggingOs logging(scope.fake, LoggingOs::defaultLogPath(scope.fake), "TSYPRO_3");
        const bool shown = r.answer == mb::AnswerIgnore;
        EXPECT_EQ(logging.msgBox("Go on?", r.style, ""), r.answer);
        EXPECT_EQ(logging.inputBox("Level:", "Debug", " /qb-"), shown ? "typed" : " /qb-");
        EXPECT_EQ(scope.fake.callsNamed("shellWithoutUi").size(), shown ? 0u : 1u);
        const std::string log = scope.fake.read(LoggingOs::defaultLogPath(scope.fake));
        const std::string notShown = " (not shown: nobody can answer on this desktop)\r\n";
        EXPECT_EQ(log.find("Message box \"TSY Setup\": Go on?\r\n        Answer: ") != std::string::npos &&
                      log.find("Input box \"Debug\": Level:\r\n        Default:  /qb-\r\n        Answer:  /qb-" + notShown) !=
                          std::string::npos,
                  !shown) << log;
    }
}

// Past the header: a setting written or refused, a message in the user's own letters (its lines indented, the answer
// named), a blank answer, a process not started, still running or ended, the mode by every name, how the run ended.
TEST(SetupLog, EntriesBeyondTheHeader) {
    struct Row { const char *exe, *key; bool refused; int answer, code; const char *mode, *edition, *named, *result; };
    const Row rows[] = {{"Updater", "TSYLT_3", true, mb::AnswerNo, 1602, "update", "Lite", "No", "cancelled by the user"},
                         {"UPDATE", "TSYPRO_WS", false, mb::AnswerYes, 1639, "update", "Professional", "Yes", "invalid command line"},
                         {"tsy setup", "TSYPRO_RTF3", false, mb::AnswerOk, 0, "asked at start (TSY Setup)", "Professional", "OK", "success"},
                         {"Setup2", "TSYLT_3", false, mb::AnswerCancel, 1603, "install", "Lite", "Cancel", "failed"},
                         {"Setup", "TSYPRO_3", false, mb::AnswerOk, 3010, "install", "Professional", "OK",
                          "success, Windows must restart to complete it"}};
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.exe) + ", " + r.key);
        OsScope scope;
        scope.fake.addFolder(scope.fake.temp);
        scope.fake.exe = r.exe;
        scope.fake.msgBoxAnswers = {r.answer}, scope.fake.inputBoxAnswers = {""};
        const ProcessResult process{r.code != 1602, r.code != 1639, 7};  // not started, still running after its wait, ended
        scope.fake.onCreateProcess = [&](auto&, auto&) { return process; };
        scope.fake.fault = [&r](const std::string& n) { return n == "saveSetting" && r.refused ? FakeOs::FaultReturn : FakeOs::FaultNone; };
        LoggingOs logging(scope.fake, LoggingOs::defaultLogPath(scope.fake), r.key);
        logging.saveSetting(r.key, "StartUp", "DBPath", "D:\\Dätä\\MainDB\\");
        logging.msgBox("Grüße\r\nüber\rÅse", mb::OkOnly, "");
        logging.inputBox("Level:", "", " /qb-");
        logging.createProcess("", "tool.exe /x", "C:\\", 1000);
        scope.fake.shellWait = process;  // and the process of a waited shell request
        logging.shellExecuteWait("open", "C:\\w\\regsvr32.exe", "/u x.dll", "C:\\w", 1, 60000);
        logging.logResult(r.code);
        const std::string log = scope.fake.read(LoggingOs::defaultLogPath(scope.fake));
        const std::string more = "\r\n        ", key = r.key;
        for (const std::string& expected :
             {"Mode: " + std::string(r.mode) + more, "Edition: " + key + " (" + r.edition + ")" + more,
              "  Setting " + key + "\\StartUp\\DBPath = \"D:\\Dätä\\MainDB\\\"" + (r.refused ? " (not written)" : "") + "\r\n",
              "  Message box: Grüße" + more + "über" + more + "Åse" + more + "Answer: " + r.named + "\r\n",
              "Level:" + more + "Default:  /qb-" + more + "Answer: (empty: Cancel or blank)\r\n",
              "tool.exe /x" + more + "Folder: C:\\" + more + "Result: " +
                  (!process.created ? "not started" : process.waited ? "exit code 7" : "still running after the wait") + "\r\n",
              "Returned: 42 (started, waited for up to 60000 ms: " +
                  std::string(!process.created ? "no process to wait for" : process.waited
                                                   ? "ended with exit code 7" : "still running when the wait ended") + ")\r\n",
              "  Result: " + std::string(r.result) + ", exit code " + std::to_string(r.code) + "\r\n"})
            EXPECT_NE(log.find(expected), std::string::npos) << expected << "\n" << log;
    }
}

// The log's file on every kind of volume: links and reparse points never; a file that was there before only when its
// owner is trusted, where the volume keeps owners at all (FAT32, exFAT and shares without ACLs keep none). The volume is
// asked only about a file whose owner is not trusted.
TEST(SetupLog, TheFileOnEachKindOfVolume) {
    const struct Volume { const char* name; long flags; bool keepsOwners; } volumes[] = {
        {"NTFS", 0x03E706FF, true}, {"ReFS", 0x03C706FF, true}, {"FAT32", 0x00020206, false}, {"exFAT", 0x00020246, false},
        {"a share without ACLs", 0x00000003, false}, {"a volume that cannot be asked", -1, true}};
    for (const auto& [name, flags, keepsOwners] : volumes) {
        SCOPED_TRACE(name);
        for (bool trusted : {false, true}) {
            int asked = 0;
            auto owner = [&] { return trusted; };
            auto volume = [&] { return ++asked, flags; };
            EXPECT_TRUE(logFileWritable({.existed = false}, owner, volume));
            EXPECT_EQ(logFileWritable({.existed = true}, owner, volume), trusted || !keepsOwners);
            EXPECT_FALSE(logFileWritable({.existed = false, .links = 2}, owner, volume));
            EXPECT_FALSE(logFileWritable({.existed = true, .reparsePoint = true}, owner, volume));
            EXPECT_EQ(asked, trusted ? 0 : 1);
        }
    }
}

}  // namespace

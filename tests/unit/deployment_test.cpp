// The setup as a management tool runs it: on a desktop nobody may see, against a Windows
// Installer another installation may hold, reading back only the exit code and the log.
#include <gtest/gtest.h>

#include <deque>
#include <fstream>
#include <map>
#include <sstream>

#include "engine/engine.h"
#include "services/setup_log.h"
#include "startup/startup.h"
#include "support/fake_os.h"

namespace tsy::test {
namespace {

std::string logOf(FakeOs& fake) {
    std::ostringstream log;
    log << std::ifstream(fake.hostPath(LoggingOs::defaultLogPath(fake)), std::ios::binary).rdbuf();
    return log.str();
}

// Only a person at the station's default desktop, outside session 0 from Windows 6 on, can answer a box. Anywhere
// else the box is logged with its default answer, and the shell is told to show none of its own.
TEST(Deployment, BoxesOnlyWhereAPersonCanAnswer) {
    const struct Row { const char* name; long station; const char* desktop; long session, winMajor; bool shown; } rows[] = {
        {"the user's desktop", 1, "Default", 1, 10, true},
        {"a locked screen: the thread stays on the default desktop", 1, "Default", 3, 6, true},
        {"a station without a display", 0, "Default", 1, 10, false},
        {"an agent's own desktop in the user's station", 1, "AgentDesktop", 1, 10, false},
        {"session 0 on Windows 10", 1, "Default", 0, 10, false},
        {"session 0 on Windows 6.0", 1, "Default", 0, 6, false},
        {"session 0 is the console user's before Windows 6", 1, "Default", 0, 5, true},
        {"nothing could be read", -1, "", -1, 10, true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        OsScope scope;
        FakeOs& fake = scope.fake;
        fake.addFolder(fake.temp);
        fake.stationFlags = r.station, fake.desktop = r.desktop, fake.session = r.session;
        fake.winVersion.major = r.winMajor;
        fake.msgBoxAnswers = {mb::AnswerNo};
        LoggingOs logging(fake, LoggingOs::defaultLogPath(fake), "TSYPRO_3");
        EXPECT_EQ(logging.msgBox("Install Database Engine?", mb::YesNo, "Install Database Engine"),
                  r.shown ? mb::AnswerNo : mb::AnswerYes);
        EXPECT_EQ(fake.callsNamed("msgBox").size(), r.shown ? 1u : 0u);
        EXPECT_EQ(fake.callsNamed("shellWithoutUi").size(), r.shown ? 0u : 1u);
        EXPECT_EQ(logOf(fake).find("Answer: Yes (not shown: nobody can answer on this desktop)\r\n") != std::string::npos,
                  !r.shown);
    }
}

// A silent run waits for a Windows Installer that another installation holds and tries the same command line again,
// 10, 20 and 30 s at most over the whole run; still busy, it ends 1618 unless something else failed. The wizard does
// not wait behind its hidden window: it says so at once. A restart begun (1641) is told apart from one needed (3010).
TEST(Deployment, ABusyInstallerAndRestarts) {
    const std::string busy = "Another installation is in progress, so Windows Installer could not install:\rC:\\Kit\\tsy3p.msi\r"
                             "Please wait until it has finished, then run this setup again.";
    const struct Row {
        const char* name;
        bool silent;
        std::deque<std::uint32_t> program, database;  // msiexec.exe's answers, one a run
        const char* runs;                              // p: program, d: database, z: a wait of that many seconds
        int exitCode;
        int busyBoxes = 0;
    } rows[] = {
        {"busy, then free", true, {1618, 1618, 0}, {0}, "p1618 z10 p1618 z20 p0 d0", 0},
        {"busy throughout: the waits end, the next busy answer is final", true, {1618, 1618, 1618, 1618}, {1618},
         "p1618 z10 p1618 z20 p1618 z30 p1618 d1618", 1618, 2},
        {"busy, and the database failed", true, {1618, 1618, 1618, 1618}, {1603}, "p1618 z10 p1618 z20 p1618 z30 p1618 d1603",
         1603, 1},
        {"the wizard tells at once", false, {1618}, {0}, "p1618 d0", 1618, 1},
        {"a restart begun outranks one needed", true, {3010}, {1641}, "p3010 d1641", 1641},
        {"a restart begun, and a failure", true, {1641}, {1603}, "p1641 d1603", 1603},
    };
    for (Row r : rows) {
        SCOPED_TRACE(r.name);
        OsScope scope;
        FakeOs& fake = scope.fake;
        configureEdition("TSYPRO_3");
        SystemState& s = sys();
        s.gbSilent = r.silent;
        s.gsInstallPath = "C:\\App", s.gsDBPath = "D:\\Data", s.gsSystemDir = "C:\\windows\\syswow64";
        fake.addFile("C:\\Kit\\tsy3p.msi"), fake.addFile("C:\\Kit\\tsy3db.msi");
        fake.onCreateProcess = [&](auto&, const std::string& cmd) {
            std::deque<std::uint32_t>& answers = cmd.find("tsy3p.msi") != std::string::npos ? r.program : r.database;
            const std::uint32_t code = answers.empty() ? 0xDEAD : answers.front();
            if (!answers.empty()) answers.pop_front();
            return ProcessResult{true, true, code};
        };
        InstallRequest request{true, true};
        InstallOutcome outcome = InstallOutcome::Failed;
        SYS_Install(request, &outcome);
        std::string runs;
        for (const Call& c : fake.calls) {
            if (c.name == "sleep") runs += " z" + std::to_string(std::stoul(c.args[0]) / 1000);
            if (c.name == "createProcess")
                runs += (c.args[1].find("tsy3p.msi") != std::string::npos ? " p" : " d") + c.result.substr(5);
        }
        runs.erase(0, 1);
        EXPECT_EQ(exitCodeFor(outcome), r.exitCode);
        const auto messages = fake.messages();
        EXPECT_EQ(std::count(messages.begin(), messages.end(), busy) +
                      std::count(messages.begin(), messages.end(),
                                 busy.substr(0, busy.find("C:")) + "C:\\Kit\\tsy3db.msi" + busy.substr(busy.find("\rPlease"))),
                  r.busyBoxes);
        EXPECT_EQ(runs, r.runs);
    }
}

// The log's file on every kind of volume: links and reparse points never; a file that was there before only when its
// owner is trusted, where the volume keeps owners at all (FAT32, exFAT and shares without ACLs keep none).
TEST(Deployment, TheLogFileOnEachKindOfVolume) {
    const struct Volume { const char* name; long flags; } volumes[] = {
        {"NTFS", 0x03E706FF}, {"ReFS", 0x03C706FF}, {"FAT32", 0x00020206}, {"exFAT", 0x00020206 | 0x00000040},
        {"a share without ACLs", 0x00000003}, {"a volume that cannot be asked", -1}};
    for (const Volume& v : volumes) {
        SCOPED_TRACE(v.name);
        const bool keepsOwners = v.flags < 0 || (v.flags & 0x8);
        for (bool trusted : {false, true}) {
            int asked = 0;
            auto owner = [&] { return ++asked, trusted; };
            EXPECT_TRUE(logFileWritable({.existed = false, .volumeFlags = v.flags}, owner));
            EXPECT_EQ(logFileWritable({.existed = true, .volumeFlags = v.flags}, owner), trusted || !keepsOwners);
            EXPECT_FALSE(logFileWritable({.existed = false, .links = 2, .volumeFlags = v.flags}, owner));
            EXPECT_FALSE(logFileWritable({.existed = true, .reparsePoint = true, .volumeFlags = v.flags}, owner));
            EXPECT_EQ(asked, keepsOwners ? 1 : 0);
        }
    }
}

// How the wait for the unregistration before a removal ended is logged, not assumed.
TEST(Deployment, AWaitedShellRequestIsLoggedAsItEnded) {
    const struct Row { const char* name; long answer; ProcessResult process; const char* logged; } rows[] = {
        {"ended", 42, {true, true, 5}, "Returned: 42 (started: ended with exit code 5)\r\n"},
        {"still running", 42, {true, false, 0}, "Returned: 42 (started: still running after 60000 ms)\r\n"},
        {"handed to a program already running", 33, {false, false, 0}, "Returned: 33 (started: no process to wait for)\r\n"},
        {"refused by the shell", 2, {true, true, 0}, "Returned: 2 (error)\r\n"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        OsScope scope;
        scope.fake.addFolder(scope.fake.temp);
        scope.fake.shellWait = r.process;
        scope.fake.onShellExecute = [&r](auto&, auto&) { return r.answer; };
        LoggingOs logging(scope.fake, LoggingOs::defaultLogPath(scope.fake), "TSYPRO_3");
        logging.shellExecuteWait("open", "C:\\windows\\system32\\regsvr32.exe", "/s /u x.dll", "C:\\windows", 1, 60000);
        EXPECT_NE(logOf(scope.fake).find(r.logged), std::string::npos) << logOf(scope.fake);
    }
}

}  // namespace
}  // namespace tsy::test

// The setup as a management tool runs it: against a Windows Installer another installation may
// hold, reading back only the exit code, and logging into a temporary folder on any volume.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>

#include "engine/engine.h"
#include "startup/startup.h"
#include "support/fake_os.h"

namespace tsy::test {
namespace {

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
        EXPECT_EQ(std::count_if(messages.begin(), messages.end(), [](auto& m) { return m.starts_with("Another"); }),
                  r.busyBoxes);
        if (r.busyBoxes) { EXPECT_EQ(messages[0], busy); }
        EXPECT_EQ(runs, r.runs);
    }
}

// The log's file on every kind of volume: links and reparse points never; a file that was there before only when its
// owner is trusted, where the volume keeps owners at all (FAT32, exFAT and shares without ACLs keep none).
TEST(Deployment, TheLogFileOnEachKindOfVolume) {
    const struct Volume { const char* name; long flags; bool keepsOwners; } volumes[] = {
        {"NTFS", 0x03E706FF, true}, {"ReFS", 0x03C706FF, true}, {"FAT32", 0x00020206, false}, {"exFAT", 0x00020246, false},
        {"a share without ACLs", 0x00000003, false}, {"a volume that cannot be asked", -1, true}};
    for (const auto& [name, flags, keepsOwners] : volumes) {
        SCOPED_TRACE(name);
        for (bool trusted : {false, true}) {
            int asked = 0;
            auto owner = [&] { return ++asked, trusted; };
            EXPECT_TRUE(logFileWritable({.existed = false, .volumeFlags = flags}, owner));
            EXPECT_EQ(logFileWritable({.existed = true, .volumeFlags = flags}, owner), trusted || !keepsOwners);
            EXPECT_FALSE(logFileWritable({.existed = false, .links = 2, .volumeFlags = flags}, owner));
            EXPECT_FALSE(logFileWritable({.existed = true, .reparsePoint = true, .volumeFlags = flags}, owner));
            EXPECT_EQ(asked, keepsOwners ? 1 : 0);
        }
    }
}

}  // namespace
}  // namespace tsy::test

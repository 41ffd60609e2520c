// Shared set-up for the installation engine's tests: an edition configured as start-up does,
// the packages beside the setup program, and readable digests of what the engine asked the
// OS to do.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/engine.h"
#include "platform/os.h"
#include "startup/startup.h"
#include "state/state.h"
#include "support/fake_os.h"

namespace tsy::test {

inline const std::string kSys = "C:\\windows\\system32";
inline const std::string kProgramFolder = "C:\\Apps\\TSY";
inline const std::string kDBFolder = "D:\\Data\\Tessary Data";

struct Request {
    bool program = false;
    bool db = false;
    bool email = false;
    bool repair = false;
    bool remove = false;
};

inline constexpr Request kProgramDB{true, true, false, false, false};
inline constexpr Request kProgramDBOL{true, true, true, false, false};
inline constexpr Request kRepair{true, true, false, true, false};
inline constexpr Request kRemove{true, true, false, false, true};

class EngineTest : public ::testing::Test {
protected:
    OsScope scope;
    FakeOs& fake = scope.fake;
    bool fullUI = false;
    bool dbFullUI = false;

    void SetUp() override {
        edition("TSYPRO_3");
        addPackages();
    }

    // As start-up leaves the state: run mode first, then the key, then the folders.
    void edition(const std::string& key, bool update = false) {
        sys().gbUpdate = update;
        configureEdition(key);
        sys().gsSystemDir = kSys;
        sys().gsInstallPath = kProgramFolder;
        sys().gsDBPath = kDBFolder;
        fake.sysDir = kSys;
    }

    void addPackages(const std::string& folder = "C:\\Kit") {
        for (const char* name : {"tsy3p.msi", "tsy3db.msi", "tsy3p_update.msi", "tsy3db_update.msi",
                                 "tsy3l.msi", "tsy3dbl.msi", "tsy3l_update.msi", "tsy3dbl_update.msi"})
            fake.addFile(folder + "\\" + name);
    }

    void installed(bool program, bool db) {
        fake.productStates[sys().gsProdID] = program ? 5 : -1;
        fake.productStates[sys().gsDBProdID] = db ? 3 : -1;
    }

    InstallOutcome run(const Request& r) {
        bool p = r.program, d = r.db, e = r.email, rep = r.repair, rem = r.remove;
        fullUI = dbFullUI = false;
        InstallOutcome outcome = InstallOutcome::Succeeded;
        bool ok = SYS_Install(p, d, e, rep, rem, fullUI, dbFullUI, &outcome);
        EXPECT_EQ(ok, outcome == InstallOutcome::Succeeded);
        return outcome;
    }

    // The msiexec.exe command lines, in the order they ran.
    std::vector<std::string> msi() const {
        std::vector<std::string> out;
        for (const Call& c : fake.callsNamed("createProcess")) out.push_back(c.args.at(1));
        return out;
    }

    // What a reader of the run would want to see, in order: processes, shell opens, settings
    // written, message and input boxes, renames.
    std::vector<std::string> trail() const {
        std::vector<std::string> out;
        for (const Call& c : fake.calls) {
            if (c.name == "createProcess")
                out.push_back("run " + c.args[1]);
            else if (c.name == "shellExecute")
                out.push_back("open " + c.args[1] + " " + c.args[2] + " @" + c.args[3]);
            else if (c.name == "saveSetting")
                out.push_back("save " + c.args[2] + "=" + c.args[3]);
            else if (c.name == "msgBox")
                out.push_back("box " + c.args[0]);
            else if (c.name == "inputBox")
                out.push_back("ask " + c.args[2]);
            else if (c.name == "moveFile")
                out.push_back("move " + c.args[0] + " -> " + c.args[1]);
        }
        return out;
    }

    std::vector<std::string> trailOf(const std::string& prefix) const {
        std::vector<std::string> out;
        for (const std::string& t : trail())
            if (t.rfind(prefix, 0) == 0) out.push_back(t);
        return out;
    }

    const Call* lastBox() const {
        for (auto it = fake.calls.rbegin(); it != fake.calls.rend(); ++it)
            if (it->name == "msgBox") return &*it;
        return nullptr;
    }
};

}  // namespace tsy::test

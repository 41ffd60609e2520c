// The installation engine against the recording fake: a request in the command line's own
// words ("S REPAIR PROGRAM DB"), and the run's trail out, one line per effect in order:
//   run <msiexec.exe command line>     open <file> <parameters> @<folder>
//   save <key>=<value>                 box <text> [#<style>] [[<title>]]
//   ask <default answer>               move <from> -> <to>
// The Windows system folder (GetSystemDirectory) and the setup's own system folder differ, as
// for a 32-bit setup on 64-bit Windows; the trail writes them <win> and <sys>.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "startup/startup.h"
#include "state/state.h"
#include "support/fake_os.h"

namespace tsy::test {

using Lines = std::vector<std::string>;

inline bool hasWord(const std::string& words, const std::string& word) {
    return (" " + words + " ").find(" " + word + " ") != std::string::npos;
}

class EngineTest : public ::testing::Test {
protected:
    std::unique_ptr<OsScope> scope;
    FakeOs* fake = nullptr;

    void SetUp() override { reset(); }

    // A fresh machine: the edition as start-up leaves it, the packages beside the setup.
    void reset(const std::string& key = "TSYPRO_3", bool update = false) {
        scope.reset();
        scope = std::make_unique<OsScope>();
        fake = &scope->fake;
        sys().gbUpdate = update;
        configureEdition(key);
        sys().gsSystemDir = "C:\\windows\\syswow64";
        sys().gsInstallPath = "C:\\App";
        sys().gsDBPath = "D:\\Data\\Tessary Data";
        for (const char* name : {"tsy3p", "tsy3db", "tsy3l", "tsy3dbl", "tsy3p_update", "tsy3db_update"})
            fake->addFile("C:\\Kit\\" + std::string(name) + ".msi");
    }

    // Installed packages, in the request's words: "PROGRAM DB".
    void installed(const std::string& words) {
        fake->productStates[sys().gsProdID] = hasWord(words, "PROGRAM") ? 5 : -1;
        fake->productStates[sys().gsDBProdID] = hasWord(words, "DB") ? 3 : -1;
    }

    InstallOutcome run(const std::string& request) {
        sys().gbSilent = sys().gbSilent || hasWord(request, "S");
        sys().gbDebug = sys().gbDebug || hasWord(request, "DEBUG");
        bool p = hasWord(request, "PROGRAM"), d = hasWord(request, "DB"), e = hasWord(request, "OL"),
             rep = hasWord(request, "REPAIR"), rem = hasWord(request, "REMOVE"), ui = false, dbUi = false;
        InstallOutcome outcome = InstallOutcome::Succeeded;
        const bool ok = SYS_Install(p, d, e, rep, rem, ui, dbUi, &outcome);
        EXPECT_EQ(ok, outcome == InstallOutcome::Succeeded);
        return outcome;
    }

    // The trail, keeping only the kinds named ("run save"; empty: everything).
    Lines trail(const std::string& kinds = "") const {
        Lines out;
        for (const Call& c : fake->calls) {
            const Lines& a = c.args;
            std::string line;
            if (c.name == "createProcess") {
                // msiexec.exe only ever from the Windows system folder, waited for without limit.
                EXPECT_EQ(a[0] + "|" + a[2] + "|" + a[3], fake->sysDir + "\\msiexec.exe|" + sys().gsSystemDir + "|4294967295");
                line = "run " + a[1];
            } else if (c.name == "shellExecute") {
                line = a[0] + " " + a[1] + " " + a[2] + " @" + a[3];
            } else if (c.name == "saveSetting") {
                EXPECT_EQ(a[0] + "\\" + a[1], sys().gsAppKey + "\\StartUp");
                line = "save " + a[2] + "=" + a[3];
            } else if (c.name == "msgBox" && a[0].rfind("gbInstalled", 0) != 0) {  // start-up's debug display
                line = "box " + a[0] + (a[1] == "0" ? "" : " #" + a[1]) + (a[2].empty() ? "" : " [" + a[2] + "]");
            } else if (c.name == "inputBox") {
                line = "ask " + a[2];
            } else if (c.name == "moveFile") {
                line = "move " + a[0] + " -> " + a[1];
            }
            if (line.empty() || (!kinds.empty() && !hasWord(kinds, line.substr(0, line.find(' '))))) continue;
            for (const auto& [path, name] : {std::pair{fake->sysDir, "<win>"}, std::pair{sys().gsSystemDir, "<sys>"}})
                for (std::size_t at; !path.empty() && (at = line.find(path)) != std::string::npos;)
                    line.replace(at, path.size(), name);
            out.push_back(line);
        }
        return out;
    }
};

}  // namespace tsy::test

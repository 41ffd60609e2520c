// Fault injection: a silent run and the wizard's flows, each run clean first, then once for
// every OS call k with the k-th call failing, both ways the platform fails (a false, empty or
// error return; a run-time error). Whatever fails, the program
//   - lets nothing but the end of the process escape, and never loops;
//   - ends with 0, 1602 or 1603, where 0 means every package the clean run handed to Windows
//     Installer, every component it registered and every setting it wrote was done here too;
//     1602 means no Windows Installer run happened; 1603 comes only after telling the user;
//   - reports an injected run-time error only through the handlers shown outside debug mode,
//     and through the right one for the calls that belong to one;
//   - writes "Ver" only after the program package went in, "DBPath" only on the way to the
//     database package's run, and renames only inside the template folders, to "rev30_" names.
#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <map>
#include <memory>
#include <set>

#include "platform/runtime_error.h"
#include "startup/startup.h"
#include "state/state.h"
#include "support/fake_os.h"
#include "wizard/fm_main.h"
#include "wizard/show.h"

namespace tsy::test {
namespace {

const std::string kTemplates = "C:\\ProgramData\\Tessary Data\\Documents\\Templates\\";

struct Scenario {
    const char* name;
    bool installed;
    std::vector<std::pair<const char*, int>> clicks;  // none: the silent run "S PROGRAM DB OL"
};

const Scenario kScenarios[] = {
    {"silent", false, {}},
    {"SingleUser", false, {{"cmdOpt", 0}, {"cmdFinish", -1}}},
    {"Network", false, {{"cmdOpt", 1}, {"cmdNext", -1}, {"cmdFinish", -1}}},
    {"NetworkDatabaseOnly", false, {{"cmdOpt", 1}, {"ckInstall", 1}, {"ckInstall", 2}, {"cmdFinish", -1}}},
    {"Custom", false, {{"cmdOpt", 2}, {"cmdNext", -1}, {"cmdFinish", -1}}},
    {"Repair", true, {{"cmdOpt", 3}, {"cmdNext", -1}, {"cmdFinish", -1}}},
    {"RepairDatabaseOnly", true, {{"cmdOpt", 3}, {"ckOpt", 4}, {"ckOpt", 5}, {"cmdFinish", -1}}},
    {"Configure", true, {{"cmdOpt", 4}, {"cmdFinish", -1}}},
    {"Remove", true, {{"cmdOpt", 5}, {"cmdFinish", -1}}},
};

struct Outcome {
    std::optional<int> exit;  // none: the wizard is still open
    std::string escaped, faulted;
    bool runaway = false;
    std::vector<Call> calls;
};

Outcome runOnce(const Scenario& s, std::size_t failAt, FakeOs::Fault how, std::size_t budget) {
    Outcome out;
    OsScope scope;
    FakeOs& f = scope.fake;
    resetWizard();
    for (const char* p : {"tsy3p.msi", "tsy3db.msi"}) f.addFile(std::string("C:\\Kit\\") + p);
    if (s.clicks.empty()) {
        f.exe = "Setup";
        f.cmdLine = "S PROGRAM DB OL";
        f.folderPaths[csidl::CommonAppData] = "C:\\ProgramData";
        f.specialFolders[csidl::ProgramFiles] = "C:\\Program Files";
        // A 3.0 installation's templates, so that the migration runs too.
        f.settings[FakeOs::settingKey("TSYPRO_3", "StartUp", "Ver")] = "3.0.7";
        for (const char* t : {"Envelopes\\Letter.env", "Envelopes\\Memo.env",
                              "Labels\\Address Labels (8160).lbl", "Reports\\Phone List by Company.rpt"})
            f.addFile(kTemplates + t);
    } else {  // the wizard as start-up leaves it
        f.addFolder("C:\\Program Files");
        f.addFolder("C:\\ProgramData");
        configureEdition("TSYPRO_3");
        sys().gsInstallPath = "C:\\Program Files\\Tessary";
        sys().gsDBPath = "C:\\ProgramData\\Tessary Data";
        sys().gsSystemDir = f.sysDir;
        sys().gbInstalled = s.installed;
        if (s.installed) f.productStates[sys().gsProdID] = 5;
    }
    std::size_t count = 0;
    f.fault = [&](const std::string& name) {
        if (++count == failAt) out.faulted = name;
        out.runaway = out.runaway || count > budget;  // a loop that keeps asking: fail it to an end
        return count == failAt ? how : out.runaway ? FakeOs::FaultThrow : FakeOs::FaultNone;
    };
    try {
        if (s.clicks.empty()) {
            out.exit = Main("TSYPRO_3");
            if (!out.exit && !wizardForm()) out.escaped = "neither ended nor opened the wizard";
        } else {
            // Finish on the last panel, then, should the flow have been thrown off its path,
            // the close box: the user always gets out.
            auto form = std::make_unique<FmMain>();
            form->Show();
            for (const auto& [control, index] : s.clicks)
                if (Control* c = form->find(control, index)) form->userClick(*c);
            form->userClick(form->cmdFinish);
            form->userClose();
        }
    } catch (const ProcessEnded& e) {
        out.exit = e.exitCode;
    } catch (const std::exception& e) {
        out.escaped = e.what();
    } catch (...) {
        out.escaped = "unknown exception";
    }
    resetWizard();
    out.calls = f.calls;
    return out;
}

std::string package(const std::string& cmd) {
    return cmd.find("tsy3db") != std::string::npos ? "database" : cmd.find("tsy3p") != std::string::npos ? "program" : "";
}
bool failed(const Call& c) { return c.result == "failed" || c.result == "raised"; }

// What the user relies on: packages Windows Installer took, components registered, settings.
std::set<std::string> effects(const std::vector<Call>& calls) {
    std::set<std::string> e;
    for (const Call& c : calls) {
        if (failed(c)) continue;
        if (c.name == "createProcess" && c.result == "exit 0") e.insert("msi " + package(c.args[1]));
        if (c.name == "shellExecute" && c.args[1].ends_with("regsvr32.exe") && std::stol(c.result) >= 32 &&
            c.args[2].find("/u ") == std::string::npos)
            e.insert("reg " + c.args[2].substr(c.args[2].rfind('\\') + 1));
        if (c.name == "saveSetting") e.insert("set " + c.args[2]);
    }
    return e;
}

void check(const Outcome& clean, const Outcome& run, FakeOs::Fault how) {
    std::string digest, label;
    for (const Call& c : run.calls) digest += "  " + c.str().substr(0, 160) + "\n";
    SCOPED_TRACE("call " + run.faulted + (how == FakeOs::FaultThrow ? " raises\n" : " fails\n") + digest);
    ASSERT_EQ(run.escaped, "");
    ASSERT_FALSE(run.runaway);
    bool installerRan = false, told = false, programDone = false;
    for (const Call& c : run.calls) {
        installerRan = installerRan || (c.name == "createProcess" && !failed(c) && c.result != "not created");
        told = told || c.name == "msgBox";
    }
    // A command line that cannot be read is one without parameters: the wizard opens.
    if (!run.exit) {
        EXPECT_TRUE(run.faulted == "commandLine" && !installerRan);
        return;
    }
    const int code = *run.exit;
    EXPECT_TRUE(code == 0 || (code == 1602 && !installerRan) || (code == 1603 && told)) << code;
    const std::set<std::string> done = effects(run.calls);
    for (const std::string& e : effects(clean.calls))
        EXPECT_TRUE(code != 0 || done.count(e) || (e == "reg mscomm32.ocx" && run.faulted == "versionEx")) << e;

    for (auto c = run.calls.begin(); c != run.calls.end(); ++c) {
        programDone = programDone || (c->name == "createProcess" && c->result == "exit 0" && package(c->args[1]) == "program");
        const bool saved = c->name == "saveSetting" && !failed(*c);
        EXPECT_TRUE(!saved || c->args[2] != "Ver" || programDone);
        EXPECT_TRUE(!saved || c->args[2] != "DBPath" || std::any_of(c, run.calls.end(), [](const Call& d) {
                return (d.name == "createProcess" && package(d.args[1]) == "database") ||
                       (d.name == "msgBox" && d.args[0].find("could not be started") != std::string::npos);
            })) << "DBPath saved, and the database package never attempted";
        if (c->name != "moveFile") continue;
        const std::string& from = c->args[0];
        const std::string folder = from.substr(0, from.rfind('\\') + 1), name = from.substr(folder.size());
        const std::string to = c->args[1].substr(std::min(folder.size(), c->args[1].size()));
        EXPECT_TRUE(folder.starts_with(kTemplates) && c->args[1].starts_with(folder) &&
                    (to == "rev30_" + name || (to.size() == name.size() + 10 && to.starts_with("rev30_(") &&
                                               to.ends_with(") " + name))))
            << from << " -> " << c->args[1];
    }
    const std::string injected = "Injected fault in " + run.faulted + " (5)";
    for (const Call& c : run.calls) {
        if (c.name != "msgBox" || c.args[0].find(injected) == std::string::npos) continue;
        label = c.args[0].substr(0, c.args[0].find(injected));
        EXPECT_TRUE((label.starts_with("errHdl_") && label.ends_with("_Click: ")) || label == "errHdl_Main: " ||
                    label == "errHdl_Form_Load: " || label == "errHdl_SYS_Install: " ||
                    label == "TSY Install Error - errHdl_SYS_CreateP: ") << c.args[0];
    }
    const std::map<std::string, std::string> owner = {{"createProcess", "TSY Install Error - errHdl_SYS_CreateP: "},
                                                       {"saveSetting", "errHdl_SYS_Install: "}, {"commandLine", "errHdl_Main: "}};
    if (how == FakeOs::FaultThrow && owner.count(run.faulted)) {
        EXPECT_EQ(label, owner.at(run.faulted));
    } else if (how == FakeOs::FaultReturn && run.faulted == "saveSetting") {
        EXPECT_NE(digest.find("errHdl_SYS_Install: Invalid procedure call or argument (5)"), std::string::npos);
    }
}

TEST(FaultInjection, EveryOsCallOfEveryScenarioFailsInTurn) {
    std::size_t points = 0;
    for (const Scenario& s : kScenarios) {
        SCOPED_TRACE(s.name);
        const Outcome clean = runOnce(s, 0, FakeOs::FaultNone, 100000);
        ASSERT_EQ(clean.exit, std::optional<int>(0)) << clean.escaped;
        // Each clean run does what the properties are about, so none holds vacuously.
        EXPECT_TRUE(effects(clean.calls).count("msi program") || effects(clean.calls).count("msi database") ||
                    effects(clean.calls).count("reg tsyemail.dll"));
        const std::size_t n = clean.calls.size() - (clean.calls.back().name == "endProcess");
        for (std::size_t k = 1; k <= n; ++k, points += 2)
            for (FakeOs::Fault how : {FakeOs::FaultReturn, FakeOs::FaultThrow}) check(clean, runOnce(s, k, how, 4 * n + 200), how);
    }
    std::cout << "[ fault points ] " << points << " faulted runs over " << std::size(kScenarios) << " scenarios\n";
}

}  // namespace
}  // namespace tsy::test

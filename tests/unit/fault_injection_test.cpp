// Fault injection: a silent run and every wizard flow, each first run clean to count its OS
// calls, then once for every call k with the k-th call failing, both ways the platform fails
// (a false, empty or error return; a run-time error). Whatever fails, the program
//   - never lets anything but the end of the process escape, and never loops;
//   - ends, with an exit code of 0, 1602 or 1603, where 0 is only ever seen when every package
//     the clean run handed to Windows Installer, and every component it registered, was
//     handed over and accepted here too, and the settings the clean run wrote were written;
//   - ends with 1602 only when no Windows Installer run happened at all;
//   - ends with 1603 only after telling the user (some message box was raised);
//   - reports an injected run-time error only through the handlers that the routines show
//     outside debug mode, and through the right one for the calls that belong to one;
//   - writes "Ver" only after the program package succeeded, "DBPath" only on the way to the
//     database package's Windows Installer run, and renames files only inside the three
//     migration folders, each to its "rev30_" name.
#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/runtime_error.h"
#include "startup/startup.h"
#include "state/state.h"
#include "support/fake_os.h"
#include "wizard/fm_main.h"
#include "wizard/show.h"

namespace tsy::test {
namespace {

const std::string kKit = "C:\\Kit";
const std::string kDataFolder = "C:\\ProgramData\\Tessary Data";
const std::string kTemplates = kDataFolder + "\\Documents\\Templates\\";
const std::vector<std::string> kMigrationFolders = {kTemplates + "Envelopes\\",
                                                    kTemplates + "Labels\\",
                                                    kTemplates + "Reports\\"};

// The handlers whose message is shown outside debug mode.
const std::vector<std::string> kAlwaysShown = {"errHdl_Main: ", "errHdl_Form_Load: ",
                                               "errHdl_SYS_Install: ",
                                               "TSY Install Error - errHdl_SYS_CreateP: "};

void addKit(FakeOs& f) {
    for (const char* name : {"tsy3p.msi", "tsy3db.msi", "tsy3p_update.msi", "tsy3db_update.msi"})
        f.addFile(kKit + "\\" + name);
}

// ------------------------------------------------------------------ what a run did

struct Effects {
    std::set<std::string> packages;       // "program" / "database": handed over and accepted
    std::set<std::string> registrations;  // components regsvr32 accepted
    std::set<std::string> settings;       // keys written
    std::vector<std::pair<std::string, std::string>> moves;
    bool anyInstallerRun = false;         // msiexec.exe created, whatever it answered
};

bool failedCall(const Call& c) { return c.result == "failed" || c.result == "raised"; }

std::string packageOf(const std::string& text) {
    if (text.find("tsy3db") != std::string::npos) return "database";
    if (text.find("tsy3p") != std::string::npos) return "program";
    return "";
}

// By name or by its full path in the system folder.
bool isRegsvr32(const std::string& file) {
    std::string name = file.substr(file.find_last_of('\\') == std::string::npos
                                       ? 0
                                       : file.find_last_of('\\') + 1);
    for (char& ch : name) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return name == "regsvr32" || name == "regsvr32.exe";
}

Effects effectsOf(const std::vector<Call>& calls) {
    Effects e;
    for (const Call& c : calls) {
        if (failedCall(c)) continue;
        if (c.name == "createProcess" && c.result.rfind("exit ", 0) == 0) {
            e.anyInstallerRun = true;
            if (c.result == "exit 0") e.packages.insert(packageOf(c.args[1]));
        } else if (c.name == "shellExecute" && isRegsvr32(c.args[1]) &&
                   c.args[2].find("/u ") == std::string::npos && std::stol(c.result) >= 32) {
            e.registrations.insert(c.args[2].substr(c.args[2].rfind('\\') + 1));
        } else if (c.name == "saveSetting" && c.result.empty()) {
            e.settings.insert(c.args[2]);
        } else if (c.name == "moveFile") {
            e.moves.emplace_back(c.args[0], c.args[1]);
        }
    }
    return e;
}

// ------------------------------------------------------------------ scenarios

struct Scenario {
    std::string name;
    std::function<void(FakeOs&)> arrange;
    // Runs the program as its user would; returns the exit code it ended with, or nullopt
    // when it is still running (a wizard left open).
    std::function<std::optional<int>(FakeOs&)> act;
};

std::optional<int> runMain() {
    try {
        return Main("TSYPRO_3");
    } catch (const ProcessEnded& e) {
        return e.exitCode;
    }
}

Scenario silentRun() {
    return {"silent S PROGRAM DB OL",
            [](FakeOs& f) {
                f.cmdLine = "S PROGRAM DB OL";
                f.exe = "Update";
                f.folderPaths[35] = "C:\\ProgramData";
                f.specialFolders[38] = "C:\\Program Files";
                addKit(f);
                // A 3.0 installation's user files, so that the migration runs too.
                f.settings[FakeOs::settingKey("TSYPRO_3", "StartUp", "Ver")] = "3.0.7";
                f.addFile(kMigrationFolders[0] + "Letter.env");
                f.addFile(kMigrationFolders[0] + "Memo.env");
                f.addFile(kMigrationFolders[1] + "Address Labels (8160).lbl");
                f.addFile(kMigrationFolders[2] + "Phone List by Company.rpt");
            },
            [](FakeOs&) { return runMain(); }};
}

struct Click {
    const char* control;
    int index;
};

struct WizardFlow {
    const char* name;
    bool installed;
    std::vector<Click> clicks;
};

const std::vector<WizardFlow>& wizardFlows() {
    static const std::vector<WizardFlow> flows = {
        {"SingleUser", false, {{"cmdOpt", 0}, {"cmdFinish", -1}}},
        {"Network", false, {{"cmdOpt", 1}, {"cmdNext", -1}, {"cmdFinish", -1}}},
        {"NetworkDatabaseOnly", false,
         {{"cmdOpt", 1}, {"ckInstall", 1}, {"ckInstall", 2}, {"cmdFinish", -1}}},
        {"Custom", false, {{"cmdOpt", 2}, {"cmdNext", -1}, {"cmdFinish", -1}}},
        {"Repair", true, {{"cmdOpt", 3}, {"cmdNext", -1}, {"cmdFinish", -1}}},
        {"RepairDatabaseOnly", true,
         {{"cmdOpt", 3}, {"ckOpt", 4}, {"ckOpt", 5}, {"cmdFinish", -1}}},
        {"Configure", true, {{"cmdOpt", 4}, {"cmdFinish", -1}}},
        {"Remove", true, {{"cmdOpt", 5}, {"cmdFinish", -1}}},
    };
    return flows;
}

Scenario wizardRun(const WizardFlow& flow) {
    return {std::string("wizard ") + flow.name,
            [&flow](FakeOs& f) {
                f.addFolder("C:\\Program Files");
                f.addFolder("C:\\ProgramData");
                addKit(f);
                sys().gbUpdate = false;
                configureEdition("TSYPRO_3");
                sys().gsInstallPath = "C:\\Program Files\\Tessary";
                sys().gsDBPath = kDataFolder;
                sys().gsSystemDir = f.sysDir;
                sys().gbInstalled = flow.installed;
                if (flow.installed) f.productStates[sys().gsProdID] = 5;
            },
            [&flow](FakeOs&) -> std::optional<int> {
                auto form = std::make_unique<FmMain>();
                try {
                    form->Show();
                    for (const Click& c : flow.clicks) {
                        Control* control = form->find(c.control, c.index);
                        if (control) form->userClick(*control);
                    }
                    // The completion panel's Finish, then, should the flow have been thrown
                    // off its path, the window's close box: the user always gets out.
                    form->userClick(form->cmdFinish);
                    form->userClose();
                } catch (const ProcessEnded& e) {
                    return e.exitCode;
                }
                return std::nullopt;
            }};
}

// ------------------------------------------------------------------ one run

struct Outcome {
    std::optional<int> exitCode;
    std::string escaped;  // what escaped other than the end of the process
    bool runaway = false;
    bool wizardLeftOpen = false;
    std::string faulted;  // name of the call made to fail
    std::vector<Call> calls;
};

Outcome runOnce(const Scenario& s, std::size_t failAt, FakeOs::Fault how, std::size_t budget) {
    Outcome out;
    OsScope scope;
    resetWizard();
    FakeOs& f = scope.fake;
    s.arrange(f);
    std::size_t count = 0;
    f.fault = [&](const std::string& name) {
        ++count;
        if (count == failAt) {
            out.faulted = name;
            return how;
        }
        // A loop that keeps asking the OS: fail everything so that it ends, and say so.
        if (count > budget) {
            out.runaway = true;
            return FakeOs::FaultThrow;
        }
        return FakeOs::FaultNone;
    };
    try {
        out.exitCode = s.act(f);
    } catch (const std::exception& e) {
        out.escaped = e.what();
    } catch (...) {
        out.escaped = "unknown exception";
    }
    out.wizardLeftOpen = !out.exitCode && wizardForm() != nullptr;
    resetWizard();
    f.fault = nullptr;
    out.calls = f.calls;
    return out;
}

std::string digest(const std::vector<Call>& calls) {
    std::string s;
    for (const Call& c : calls) s += "  " + c.str().substr(0, 160) + "\n";
    return s;
}

// ------------------------------------------------------------------ the properties

struct Tally {
    std::size_t points = 0;
    std::map<std::string, std::size_t> reports;  // handler label -> runs that showed it
};

void checkFaulted(const Scenario& s, const Outcome& clean, const Outcome& run, std::size_t k,
                  FakeOs::Fault how, Tally& tally) {
    const Effects before = effectsOf(clean.calls);
    const Effects after = effectsOf(run.calls);
    std::vector<std::string> boxes;
    for (const Call& c : run.calls)
        if (c.name == "msgBox") boxes.push_back(c.args.at(0));
    SCOPED_TRACE(s.name + ": call " + std::to_string(k) + " (" + run.faulted + ") " +
                 (how == FakeOs::FaultThrow ? "raises" : "fails") + "\n" + digest(run.calls));

    ASSERT_EQ(run.escaped, "");
    ASSERT_FALSE(run.runaway);

    // A command line that cannot be read is a command line without parameters: the wizard.
    if (run.wizardLeftOpen) {
        EXPECT_EQ(run.faulted, "commandLine");
        EXPECT_FALSE(after.anyInstallerRun);
        return;
    }
    ASSERT_TRUE(run.exitCode.has_value());
    const int code = *run.exitCode;
    EXPECT_TRUE(code == 0 || code == 1602 || code == 1603) << code;

    if (code == 0) {
        for (const std::string& p : before.packages) EXPECT_TRUE(after.packages.count(p)) << p;
        for (const std::string& r : before.registrations) {
            // The communications control is due only on a Windows reported as 6.x.
            if (r == "mscomm32.ocx" && run.faulted == "versionEx") continue;
            EXPECT_TRUE(after.registrations.count(r)) << r;
        }
        for (const std::string& key : before.settings) EXPECT_TRUE(after.settings.count(key)) << key;
    }
    if (code == 1602) {
        EXPECT_FALSE(after.anyInstallerRun);
    }
    if (code == 1603) {
        EXPECT_FALSE(boxes.empty());
    }

    // Writes: "Ver" only after the program package went through; "DBPath" only on the way to
    // the database package's run; renames only within the migration folders.
    bool programDone = false;
    for (std::size_t i = 0; i < run.calls.size(); ++i) {
        const Call& c = run.calls[i];
        if (c.name == "createProcess" && c.result == "exit 0" && packageOf(c.args[1]) == "program")
            programDone = true;
        if (c.name != "saveSetting" || failedCall(c)) continue;
        if (c.args[2] == "Ver") {
            EXPECT_TRUE(programDone) << "Ver saved without the program package";
        }
        if (c.args[2] == "DBPath") {
            bool handedOver = false;
            for (std::size_t j = i + 1; j < run.calls.size(); ++j) {
                const Call& d = run.calls[j];
                handedOver = handedOver ||
                             (d.name == "createProcess" && packageOf(d.args[1]) == "database") ||
                             (d.name == "systemDirectory" && !failedCall(d)) ||
                             (d.name == "msgBox" &&
                              d.args[0].find("could not be started") != std::string::npos);
            }
            EXPECT_TRUE(handedOver) << "DBPath saved, and the database package never attempted";
        }
    }
    for (const auto& [from, to] : after.moves) {
        bool inside = false;
        for (const std::string& folder : kMigrationFolders) {
            if (from.rfind(folder, 0) != 0) continue;
            // The file keeps its folder and name behind the prefix, or behind "rev30_(n) " when
            // an earlier migration left a twin.
            const std::string name = from.substr(folder.size());
            if (to.rfind(folder + "rev30_", 0) != 0 || to.size() < name.size()) continue;
            const std::string mark = to.substr(folder.size() + 6, to.size() - folder.size() - 6 - name.size());
            inside = to.compare(to.size() - name.size(), name.size(), name) == 0 &&
                     (mark.empty() || (mark.size() == 4 && mark[0] == '(' && mark.substr(2) == ") "));
        }
        EXPECT_TRUE(inside) << from << " -> " << to;
    }

    // Reports of the injected error: only through handlers shown outside debug mode.
    const std::string injected = "Injected fault in " + run.faulted + " (5)";
    std::string label;
    for (const std::string& b : boxes) {
        std::size_t at = b.find(injected);
        if (at == std::string::npos) continue;
        label = b.substr(0, at);
        // A click handler has no handler of its own; the form reports what escapes one.
        bool known = label.rfind("errHdl_", 0) == 0 && label.size() > 15 &&
                     label.compare(label.size() - 8, 8, "_Click: ") == 0;
        for (const std::string& l : kAlwaysShown) known = known || label == l;
        EXPECT_TRUE(known) << "reported as: " << b;
    }
    if (how == FakeOs::FaultThrow) {
        if (run.faulted == "createProcess") {
            EXPECT_EQ(label, "TSY Install Error - errHdl_SYS_CreateP: ");
        } else if (run.faulted == "saveSetting") {
            EXPECT_EQ(label, "errHdl_SYS_Install: ");
        } else if (run.faulted == "commandLine") {
            EXPECT_EQ(label, "errHdl_Main: ");
        }
    } else if (run.faulted == "saveSetting") {
        bool told = false;
        for (const std::string& b : boxes)
            told = told || b.rfind("errHdl_SYS_Install: Invalid procedure call or argument (5)", 0) == 0;
        EXPECT_TRUE(told);
    }
    if (!label.empty()) ++tally.reports[label];
    ++tally.points;
}

std::size_t runScenario(const Scenario& s, Tally& tally) {
    const Outcome clean = runOnce(s, 0, FakeOs::FaultNone, 100000);
    EXPECT_EQ(clean.escaped, "") << s.name;
    EXPECT_EQ(clean.exitCode, std::optional<int>(0)) << s.name << "\n" << digest(clean.calls);
    // The clean run does what the properties below are about, so none of them holds vacuously.
    const Effects did = effectsOf(clean.calls);
    EXPECT_FALSE(did.packages.empty() && did.registrations.empty()) << s.name << "\n" << digest(clean.calls);
    if (s.name.rfind("silent", 0) == 0) {
        EXPECT_EQ(did.moves.size(), 4u) << digest(clean.calls);
        EXPECT_EQ(did.packages, (std::set<std::string>{"program", "database"}));
    }
    const std::size_t n = clean.calls.size() - [&] {
        std::size_t uncounted = 0;  // endProcess never fails
        for (const Call& c : clean.calls) uncounted += c.name == "endProcess";
        return uncounted;
    }();
    const std::size_t budget = 4 * n + 200;
    for (std::size_t k = 1; k <= n; ++k)
        for (FakeOs::Fault how : {FakeOs::FaultReturn, FakeOs::FaultThrow})
            checkFaulted(s, clean, runOnce(s, k, how, budget), k, how, tally);
    return n;
}

TEST(FaultInjection, EveryOsCallOfASilentRunAndOfEveryWizardFlowFailsInTurn) {
    const auto start = std::chrono::steady_clock::now();
    Tally tally;
    std::vector<Scenario> scenarios = {silentRun()};
    for (const WizardFlow& flow : wizardFlows()) scenarios.push_back(wizardRun(flow));

    std::string perScenario;
    for (const Scenario& s : scenarios) {
        const auto t0 = std::chrono::steady_clock::now();
        std::size_t n = runScenario(s, tally);
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - t0)
                            .count();
        perScenario += " " + s.name + "=" + std::to_string(n) + " (" + std::to_string(ms) + " ms)";
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    // Every scenario makes OS calls, so every one of them was exercised.
    EXPECT_GE(tally.points, 2 * scenarios.size());
    std::cout << "[ fault points ] " << tally.points << " faulted runs over " << scenarios.size()
              << " scenarios (calls:" << perScenario << ") in " << seconds << " s\n";
    for (const auto& [label, runs] : tally.reports)
        std::cout << "[ fault points ] reported by \"" << label << "\": " << runs << " runs\n";
    ::testing::Test::RecordProperty("fault_points", static_cast<int>(tally.points));
}

}  // namespace
}  // namespace tsy::test

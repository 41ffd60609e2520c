#include "engine/engine.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <optional>
#include <string>

#include "engine/command_line.h"
#include "engine/migration.h"
#include "engine/registration.h"
#include "platform/exit_codes.h"
#include "platform/os.h"
#include "platform/runtime_error.h"
#include "services/system.h"
#include "services/machine.h"
#include "services/text.h"
#include "state/state.h"

namespace tsy {

namespace {

const char* const kUpdateService = "vezEdeRu.exe";

// Windows Installer's answer while another installation holds it (Windows Update, a deployment).
constexpr std::uint32_t kInstallerBusy = 1618;
// A silent run waits this long before each new try of a busy Windows Installer, at most their
// sum in all; a management tool that reads 1618 afterwards tries again later itself.
constexpr std::uint32_t kBusyWaitsMs[] = {10000, 20000, 30000};
const char* const kSettingsSection = "StartUp";

// Unwinds a run that has to stop here; the outcome says why.
struct RunEnded {
    InstallOutcome outcome;
};

class InstallRun {
public:
    explicit InstallRun(InstallRequest& r)
        : bProgram_(r.bProgram), bDB_(r.bDB), bEmail_(r.bEmail), bRepair_(r.bRepair),
          bRemove_(r.bRemove), bFullUI_(r.bFullUI), bDBFullUI_(r.bDBFullUI), s_(sys()) {}

    // The run's outcome, also when a step ends it early.
    InstallOutcome outcome() {
        try {
            return run();
        } catch (const RunEnded& ended) {
            return ended.outcome;
        }
    }

private:
    InstallOutcome run();
    void step(FunctionRef<void()> statement);
    [[noreturn]] void endRun(InstallOutcome outcome) { throw RunEnded{outcome}; }

    void chooseOptions();
    void programTask();
    void databaseTask();
    void followUp();
    bool nothingToRemove(bool installed, const std::string& package) const;

    void editInterface(std::string& sUI, bool database);
    void requirePackage(const std::string& name, const std::string& path);
    void refuseQuotes(std::initializer_list<const std::string*> paths);
    bool runMsi(const std::string& commandLine, const std::string& packagePath);
    void saveSetting(const std::string& key, const std::string& value);

    const bool bProgram_, bDB_, bEmail_, bRepair_, bRemove_;
    bool& bFullUI_;
    bool& bDBFullUI_;
    SystemState& s_;

    long winMajor_ = 0;
    std::string programPackage_, dbPackage_;
    std::string sOpt_, sProps_, sDBOpt_, sDBProps_;
    std::string setupName_, sep_, source_;
    bool bNeedACE_ = false;
    bool bMigrate_ = false;
    bool bErr_ = false;
    bool programFailed_ = false;
    bool restart_ = false;       // a Windows Installer run needs a restart (3010)
    bool restartBegun_ = false;  // a Windows Installer run began the restart (1641)
    bool busy_ = false;     // Windows Installer stayed busy with another installation
    std::size_t busyWaits_ = 0;  // the waits for a busy Windows Installer so far
    int emailForm_ = 0;
};

// Every statement of the run goes through here, so that an unexpected error is reported
// once and, in debug mode, the tester may carry on with the next statement.
void InstallRun::step(FunctionRef<void()> statement) {
    const OnError rule = OnError::askInDebug("errHdl_SYS_Install: ", s_.gbDebug)
                             .style(mb::Critical)
                             .detail([this] { return s_.gsCR + s_.gsCR; });
    if (resumeNext(statement, rule) == Step::Stopped) endRun(InstallOutcome::Failed);
}

InstallOutcome InstallRun::run() {
    // Only the major version matters: Windows 6.x needs the communications control registered.
    step([&] {
        long lPlatform = 0, lMinor = 0, lBuild = 0;
        std::string sServicePack, sVersion;
        SYS_GetWinVersion(lPlatform, winMajor_, lMinor, lBuild, sServicePack, sVersion);
    });

    programPackage_ = s_.gbPro ? "tsy3p" : "tsy3l";
    dbPackage_ = s_.gbPro ? "tsy3db" : "tsy3dbl";
    if (s_.gbUpdate) {
        programPackage_ += "_update";
        dbPackage_ += "_update";
    }
    programPackage_ += ".msi";
    dbPackage_ += ".msi";

    // The machine may have changed since start-up (another setup, a wizard left open).
    step([&] { SYS_IsInstalled(); });

    if (bProgram_) {
        // The update service hears of the change before the program's files are touched.
        if (bRepair_ || s_.gbUpdate || bRemove_)
            step([&] {
                SYS_ShellOpen(s_.gsSystemDir + "\\" + kUpdateService, "-u", s_.gsSystemDir);
            });
        if (bRemove_) step([&] { engine::unregisterEmailInterface(); });
    }

    if (bDB_ && !bRepair_ && !bRemove_)
        step([&] {
            bMigrate_ = left(os().getSetting(s_.gsAppKey, kSettingsSection, "Ver"), 3) == "3.0";
        });

    chooseOptions();

    std::string appPath;
    step([&] { appPath = os().appPath(); });
    sep_ = separatorOf(appPath);
    step([&] { setupName_ = os().exeName(); });
    // The kit's "TSY Setup" carries its packages in a subfolder; every other name beside it.
    source_ = iequals(setupName_, "TSY Setup") ? appPath + sep_ + "Package" : appPath;

    if (bProgram_) programTask();
    if (bDB_) databaseTask();
    if (!bRemove_) followUp();

    if (bNeedACE_)
        step([&] {
            if (!engine::databaseEngineStep(bRemove_, source_)) bErr_ = true;
        });

    if (bErr_) return InstallOutcome::Failed;
    if (busy_) return InstallOutcome::Busy;
    if (restartBegun_) return InstallOutcome::RestartBegun;
    return restart_ ? InstallOutcome::Restart : InstallOutcome::Succeeded;
}

void InstallRun::chooseOptions() {
    if (bRemove_) {
        if (s_.gbInstalled) {
            sOpt_ = engine::kRemoveOption;
            sProps_ = engine::kProgramRemoveProperties;
        }
        if (s_.gbDBInstalled) {
            sDBOpt_ = engine::kRemoveOption;
            sDBProps_ = engine::kDBRemoveProperties;
        }
    } else if (bRepair_ || s_.gbInstalled || s_.gbDBInstalled) {
        // Reinstalling over an installed package without a repair is an update the user should
        // watch, hence the full interface.
        if (s_.gbInstalled) {
            sOpt_ = engine::kProgramReinstallOption;
            if (!bRepair_) bFullUI_ = true;
            if (s_.gbDebug && bProgram_) step([&] { sOpt_ = engine::editOption(sOpt_, false); });
        }
        if (s_.gbDBInstalled) {
            sDBOpt_ = engine::kDBReinstallOption;
            if (!bRepair_) bDBFullUI_ = true;
            if (s_.gbDebug && bDB_) step([&] { sDBOpt_ = engine::editOption(sDBOpt_, true); });
        }
    }
    if (sOpt_.empty()) {
        sOpt_ = engine::kInstallOption;
        sProps_ = engine::kInstallProperties;
    }
    if (sDBOpt_.empty()) {
        sDBOpt_ = engine::kInstallOption;
        sDBProps_ = engine::kInstallProperties;
    }
}

void InstallRun::editInterface(std::string& sUI, bool database) {
    if (!s_.gbDebug || !engine::offersInterfaceEdit(sUI)) return;
    std::optional<std::string> edited;
    bool answered = false;
    step([&] {
        edited = engine::editInterfaceLevel(sUI, database);
        answered = true;
    });
    // A tester who stops the run after a package step has already failed stops a failed run:
    // calling it cancelled would hide that failure behind exit code 1602.
    if (answered && !edited)
        endRun(bErr_ ? InstallOutcome::Failed
                     : busy_ ? InstallOutcome::Busy : InstallOutcome::Cancelled);
    if (edited) sUI = *edited;
}

void InstallRun::requirePackage(const std::string& name, const std::string& path) {
    bool present = false;
    step([&] { present = SYS_File_FileCheck(name, source_, false, true); });
    if (present) return;
    step([&] {
        os().msgBox("SYS_Install: Unable to open installation package: " + s_.gsCR + path +
                        s_.gsCR + s_.gsCR +
                        "NOTE: The installation file must be in the same directory as this setup "
                        "program (" +
                        setupName_ + ")." + s_.gsCR,
                    mb::Critical, "");
    });
    endRun(InstallOutcome::Failed);
}

// A quote cannot occur in a Windows path, and inside the command line it would end the quoted
// path early and let the rest of the text pass to msiexec.exe as options of its own.
void InstallRun::refuseQuotes(std::initializer_list<const std::string*> paths) {
    for (const std::string* path : paths) {
        if (!contains(*path, '"')) continue;
        step([&] {
            os().msgBox("SYS_Install: A folder or file name cannot contain the quote character "
                        "(\"):" +
                            s_.gsCR + *path + s_.gsCR + s_.gsCR +
                            "Nothing was installed from this package. Please choose another folder "
                            "and run the setup again." +
                            s_.gsCR,
                        mb::Critical, "");
        });
        endRun(InstallOutcome::Failed);
    }
}

// True when msiexec.exe could be started. A request that could not be started, or that ended
// with anything but success, is reported here and fails the run, which still goes on with its
// remaining steps: a package that was never handed to Windows Installer is not installed, and
// a run that says otherwise would end with exit code 0 over a missing product. Where another
// installation keeps Windows Installer busy, a silent run waits and tries the same command
// line again; the wizard tells the user at once, rather than wait behind its hidden window.
bool InstallRun::runMsi(const std::string& commandLine, const std::string& packagePath) {
    bool started = false;
    std::optional<std::uint32_t> exitCode;
    for (;;) {
        step([&] {
            std::string cmd = commandLine;
            started = SYS_CreateP(cmd, s_.gsSystemDir, 0, &exitCode);
        });
        if (!started || exitCode != kInstallerBusy || !s_.gbSilent ||
            busyWaits_ == std::size(kBusyWaitsMs))
            break;
        const std::uint32_t waitMs = kBusyWaitsMs[busyWaits_++];
        logDecision("Windows Installer is busy with another installation (1618): " +
                    packagePath + " tried again after a wait of " +
                    std::to_string(waitMs / 1000) + " s (wait " + std::to_string(busyWaits_) +
                    " of " + std::to_string(std::size(kBusyWaitsMs)) + ")");
        step([&] { os().sleep(waitMs); });
    }
    if (!started) {
        bErr_ = true;
        step([&] {
            os().msgBox("Windows Installer could not be started for:" + s_.gsCR + packagePath,
                        mb::Critical, "");
        });
        return false;
    }
    if (exitCode == kInstallerBusy) {
        busy_ = true;
        step([&] {
            os().msgBox("Another installation is in progress, so Windows Installer could not "
                        "install:" + s_.gsCR + packagePath + s_.gsCR +
                            "Please wait until it has finished, then run this setup again.",
                        mb::Critical, "");
        });
        return started;
    }
    if (exitCode == 3010u) restart_ = true;
    if (exitCode == 1641u) restartBegun_ = true;
    if (exitCode && !engine::msiSucceeded(*exitCode)) {
        bErr_ = true;
        step([&] {
            os().msgBox("Windows Installer could not complete the installation of:" + s_.gsCR +
                            packagePath + s_.gsCR + "(error " + std::to_string(*exitCode) + ")",
                        mb::Critical, "");
        });
    }
    return started;
}

void InstallRun::saveSetting(const std::string& key, const std::string& value) {
    step([&] {
        // The settings store refusing a value is a run-time error, as the platform raises it.
        if (!os().saveSetting(s_.gsAppKey, kSettingsSection, key, value))
            throw RuntimeError(err::InvalidProcedureCall, "Invalid procedure call or argument");
    });
}

// A removal has nothing to do for a package that Windows Installer does not report as
// installed; the install option that the option rules leave it with would put the package on
// the machine instead of taking it off.
bool InstallRun::nothingToRemove(bool installed, const std::string& package) const {
    if (!bRemove_ || installed) return false;
    logDecision("Removal of " + package +
                " skipped: Windows Installer does not report it as installed");
    return true;
}

void InstallRun::programTask() {
    if (nothingToRemove(s_.gbInstalled, programPackage_)) return;
    std::string sUI = engine::programInterfaceLevel(bRemove_, bRepair_, bFullUI_);
    editInterface(sUI, false);

    const std::string path = source_ + sep_ + programPackage_;
    requirePackage(programPackage_, path);
    refuseQuotes({&path, &s_.gsInstallPath});

    std::string cmd =
        engine::msiCommandLine(sOpt_, path, engine::withTarget(sProps_, s_.gsInstallPath), sUI);
    // The database engine is offered only when the program installer at least ran.
    const bool failedBefore = bErr_ || busy_;
    if (runMsi(cmd, path)) {
        bNeedACE_ = s_.gbAltBuild;
        if (!bNeedACE_)
            logDecision("Database engine not offered: edition " + s_.gsAppKey + " does not use it");
    }
    programFailed_ = (bErr_ || busy_) && !failedBefore;
}

void InstallRun::databaseTask() {
    if (nothingToRemove(s_.gbDBInstalled, dbPackage_)) return;
    std::string sUI = engine::databaseInterfaceLevel(bRemove_, bRepair_, bDBFullUI_, sDBProps_);
    editInterface(sUI, true);

    const std::string path = source_ + sep_ + dbPackage_;
    requirePackage(dbPackage_, path);

    const std::string dbSep = separatorOf(s_.gsDBPath);
    if (!s_.gsDBPath.empty() && s_.gsDBPath.back() == dbSep[0]) s_.gsDBPath.pop_back();

    // A saved "MainDB" folder stands for the database folder around it.
    std::string target = s_.gsDBPath;
    if (iendsWith(s_.gsDBPath, "MainDB")) step([&] { target = SYS_GetParentFolder(s_.gsDBPath); });
    refuseQuotes({&path, &target});

    if (!bRemove_ && !s_.gbUpdate) saveSetting("DBPath", target + dbSep + "MainDB" + dbSep);

    if (bMigrate_)
        resumeNext([&] { engine::migrateUserFiles(target, dbSep); },
                   OnError::swallow().because("Migration: user templates left as they are"));

    // The package creates "Tessary Data" itself, so it is given the folder that holds it.
    if (iendsWith(target, "Tessary Data")) step([&] { target = SYS_GetParentFolder(target); });

    std::string cmd =
        engine::msiCommandLine(sDBOpt_, path, engine::withTarget(sDBProps_, target), sUI);
    if (s_.gbDebug)
        step([&] { os().msgBox("Command: " + cmd + ", " + s_.gsSystemDir, mb::OkOnly, ""); });
    runMsi(cmd, path);
}

void InstallRun::followUp() {
    if (bProgram_) {
        // Named by its full path, as before the installation: by bare name the shell would look
        // beside the setup program first, and a vezEdeRu.exe planted in the download folder
        // would run with the setup's administrator rights.
        if (bRepair_ || s_.gbUpdate)
            step([&] {
                SYS_ShellOpen(s_.gsSystemDir + "\\" + kUpdateService, "-i", s_.gsSystemDir);
            });
        // From 6 on, not only 6: Windows 8.1 and later tell their true version (10) to a
        // program whose manifest names them, as ours does, and they need the control too.
        if (winMajor_ >= 6)
            step([&] {
                if (!engine::registerComponent(engine::Component::CommControl)) bErr_ = true;
            });
        else
            logDecision(std::string(engine::kCommControl) + " not registered: " +
                        (winMajor_ > 0 ? "Windows " + std::to_string(winMajor_) + ".x"
                                       : std::string("a Windows of unknown version")) +
                        " does not need it (only 6.0 and later)");
        emailForm_ = s_.gbPro ? 13 : 2;
    }
    if (bEmail_)
        step([&] {
            if (!engine::registerComponent(engine::Component::EmailInterface))
                bErr_ = true;
            else if (s_.gbPro)
                emailForm_ = 12;
        });
    if (emailForm_ > 0) saveSetting("EmailForm", std::to_string(emailForm_));
    // "Ver" claims this version of the program is on the machine (the next run decides on the
    // user-file migration from it); a program package that failed has not put it there.
    if (bProgram_ && !programFailed_) saveSetting("Ver", s_.gsVersion);
}

}  // namespace

bool SYS_Install(InstallRequest& request, InstallOutcome* outcome) {
    // Only the error handler's own message box can fail this far out.
    const InstallOutcome result = catchOnce(
        [&] { return InstallRun(request).outcome(); },
        OnError::swallow().because(
            "The installation's error box could not be shown; the run failed"),
        InstallOutcome::Failed);
    if (outcome) *outcome = result;
    return result == InstallOutcome::Succeeded || result == InstallOutcome::Restart ||
           result == InstallOutcome::RestartBegun;
}

int exitCodeFor(InstallOutcome outcome) {
    switch (outcome) {
        case InstallOutcome::Succeeded: return exitcode::Success;
        case InstallOutcome::Restart: return exitcode::Restart;
        case InstallOutcome::RestartBegun: return exitcode::RestartBegun;
        case InstallOutcome::Busy: return exitcode::Busy;
        case InstallOutcome::Cancelled: return exitcode::Cancelled;
        case InstallOutcome::Failed: break;
    }
    return exitcode::Failed;
}

}  // namespace tsy

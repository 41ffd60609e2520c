// The installation engine: one request in, runs of msiexec.exe, registrations, the database
// engine offer, user-file migration and the saved settings out.
#pragma once

namespace tsy {

enum class InstallOutcome {
    Succeeded,  // no step failed
    Restart,    // no step failed, and Windows must restart to complete the installation
    RestartBegun,  // no step failed, and a Windows Installer run began the restart (1641)
    Busy,       // nothing failed but that another installation kept Windows Installer busy
    Cancelled,  // the user answered Yes to "Cancel install?"
    Failed,     // a missing package, a failed step or a run-time error
};

// One request as start-up and the wizard hand it over.
struct InstallRequest {
    bool bProgram = false, bDB = false, bEmail = false, bRepair = false, bRemove = false;
    // Come back set when the engine chose Windows Installer's full interface.
    bool bFullUI = false, bDBFullUI = false;
};

// True when no step failed (Succeeded, Restart or RestartBegun). When outcome is given it
// receives why the run ended as it did.
bool SYS_Install(InstallRequest& request, InstallOutcome* outcome = nullptr);

// Process exit code of a run: 0 success, 3010 success that needs a restart, 1641 success whose
// restart has begun, 1618 another installation in progress, 1602 cancelled, 1603 failure.
int exitCodeFor(InstallOutcome outcome);

}  // namespace tsy

// The process's exit codes, numbered as Windows Installer numbers its own, so that a script that
// starts the setup can tell what happened.
#pragma once

namespace tsy::exitcode {

constexpr int Success = 0;              // a silent run, or the wizard after its last panel
constexpr int Restart = 3010;           // as Success, and Windows must restart to complete it
constexpr int RestartBegun = 1641;      // as Success, and Windows Installer began the restart
constexpr int Busy = 1618;              // another installation held Windows Installer: try later
constexpr int Cancelled = 1602;         // the user stopped it, or closed the wizard before a run
constexpr int Failed = 1603;            // a missing package, a failed step, an unexpected error
constexpr int InvalidCommandLine = 1639;

}  // namespace tsy::exitcode

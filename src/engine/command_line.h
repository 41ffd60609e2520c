// The msiexec.exe command lines: operation option, quoted package path, property list with the
// target folder, and interface level, plus the debug prompts that let a tester edit the option
// and the interface level before a run.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tsy::engine {

// Operation options. Each ends with the blank that separates it from the quoted package path.
extern const char* const kInstallOption;         // "/I "
extern const char* const kProgramReinstallOption; // "/famus "
extern const char* const kDBReinstallOption;      // "/famu "
extern const char* const kRemoveOption;           // "/x "
extern const char* const kDebugDefaultOption;     // "/f "

extern const char* const kInstallProperties;      // "ALLUSERS=2"
extern const char* const kProgramRemoveProperties; // "REMOVE=ALL"
extern const char* const kDBRemoveProperties;     // "REMOVE=ALL REINSTALLMODE=aums"

// The input box that offers a reinstall option for editing. A blank answer (or Cancel) gives
// "/f "; an answer without a trailing blank gets one.
std::string optionPrompt(bool database);
std::string editOption(const std::string& current, bool database);

// Interface level of each command, " /q" and its letter part. The database variant also
// replaces the property list by "ALLUSERS=2" when the package is reinstalled over itself or
// freshly installed during a repair.
std::string programInterfaceLevel(bool bRemove, bool bRepair, bool bFullUI);
std::string databaseInterfaceLevel(bool bRemove, bool bRepair, bool bDBFullUI,
                                   std::string& sDBProps);

// The full interface is never offered for editing; every other level is in debug mode.
bool offersInterfaceEdit(const std::string& sUI);
std::string interfacePrompt(bool database);
// nullopt when the tester left the answer blank and then confirmed "Cancel install?".
std::optional<std::string> editInterfaceLevel(const std::string& sUI, bool database);

// The property list with " TARGETDIR=" and the quoted target appended (nothing for an empty
// target). A non-empty list keeps its own trailing blank, hence two blanks before TARGETDIR.
std::string withTarget(std::string props, const std::string& target);
// Everything after "msiexec.exe ": option, quoted package path, properties, interface level.
std::string msiParameters(const std::string& option, const std::string& packagePath,
                          const std::string& props, const std::string& sUI);
std::string msiCommandLine(const std::string& option, const std::string& packagePath,
                           const std::string& props, const std::string& sUI);

// Exit codes with which msiexec.exe reports a completed request: done, done with a reboot
// pending, done and a reboot started.
bool msiSucceeded(std::uint32_t exitCode);

}  // namespace tsy::engine

// Start-up: Main, the command line, edition configuration and folder discovery.
#pragma once

#include <optional>
#include <string>

namespace tsy {

// Runs start-up. Returns the process exit code when the process is to end now (a silent run
// that has finished); returns nullopt when the wizard is open and the message loop should run.
// A wrong parameter ends the process through os().endProcess(1639).
std::optional<int> Main();
// The same, with the application key given (Main() passes buildAppKey()); lets every edition
// be started from a test.
std::optional<int> Main(const std::string& appKey);

std::string sys_parse(std::string& sText, const std::string& sDelim, bool bTrimRest);

// Steps 2 to 4 of the initialisation: edition, product codes, character constants.
void configureEdition(const std::string& appKey);

std::string SYS_GetFolderPath(int nCSIDL);
std::string SYS_GetSpecialFolder(int nCSIDL);
std::string SYS_GetSystemDir();
std::string SYS_GetInstallPath();
std::string SYS_GetDBInstallPath();
// Folder discovery at start-up, in its order with its fallbacks.
void discoverFolders(long winMajor);

}  // namespace tsy

// Registration of the two COM components the main program needs, and the offer of the
// database-engine prerequisite. All are shell open requests; only the unregistration before a
// removal is waited for (the setup log tells how that wait ended), and otherwise only the
// shell's refusal to start them is observed.
#pragma once

#include <string>

namespace tsy::engine {

extern const char* const kEmailInterface;  // "tsyemail.dll"
extern const char* const kCommControl;     // "mscomm32.ocx"
extern const char* const kDatabaseEngineInstaller;  // "AccessDatabaseEngine2010_SP2.exe"

enum class Component { CommControl, EmailInterface };

// Removal only: waited for (60 s at most); regsvr32's exit code goes to the log, and changes
// nothing.
void unregisterEmailInterface();

// True when the shell started regsvr32; otherwise the user has been told why and the caller
// marks the run as failed.
bool registerComponent(Component component);

// Asks whether to install (or, on a removal, remove) the database engine and starts its
// installer from the source folder. False after a reported start failure.
bool databaseEngineStep(bool bRemove, const std::string& sourceFolder);

}  // namespace tsy::engine

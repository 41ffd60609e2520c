// What start-up and the engine both ask about the machine: which of the edition's packages
// Windows Installer reports as installed, and the Windows version.
#pragma once

#include <string>

namespace tsy {

// Sets gbInstalled and gbDBInstalled from the install states of gsProdID and gsDBProdID. A
// query that fails leaves its flag as it was.
void SYS_IsInstalled();

// The version as numbers and a dotted text; returns its display name.
std::string SYS_GetWinVersion(long& lPlatform, long& lMajor, long& lMinor, long& lBuild,
                              std::string& sServicePack, std::string& sVersion);

}  // namespace tsy

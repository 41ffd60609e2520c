// The installer state: the one record that start-up fills and every other module reads.
// One instance for the process; tests reset it before each case.
#pragma once

#include <string>

namespace tsy {

struct SystemState {
    // character constants
    std::string gsSpace;
    std::string gsTab;
    std::string gsQuote;
    std::string gsCR;
    std::string gsCRLF;
    // flags
    bool gbSilent = false;
    bool gbInstalled = false;
    bool gbDBInstalled = false;
    bool gbDebug = false;
    bool gbPro = false;
    bool gbUpdate = false;
    bool gbAltBuild = false;
    // edition and packages
    std::string gsVersion;
    std::string gsAppKey;
    std::string gsProdID;
    std::string gsDBProdID;
    // folders
    std::string gsInstallPath;
    std::string gsDBPath;
    std::string gsProgramFiles;
    std::string gsSystemDir;
    std::string gsExeName;
};

SystemState& sys();
void resetSystemState();

// The application key this build was configured with (CMake option TSY_APP_KEY).
const char* buildAppKey();

}  // namespace tsy

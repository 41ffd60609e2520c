// The Windows version as numbers, a dotted text and a display name.
#include <string>

#include "platform/os.h"
#include "services/machine.h"

namespace tsy {

namespace {

std::string win9xName(long minor) {
    switch (minor) {
        case 0: return "Windows 95";
        case 10: return "Windows 98";
        case 90: return "Windows Millennium";
        default: return "";
    }
}

// Version 10.0 covers every release since the first Windows 10 (Windows 11 included: it
// reports 10.0 with builds from 22000). The technical previews before the first release
// (build 10240) reported 10.0 with lower builds. A minor number above 0 has not been
// released yet. Only the major version is used by the callers; the name is informative.
std::string win10Name(long minor, long build) {
    if (minor > 0) return "Windows 10.0 or higher";
    return build < 10240 ? "Windows 10 Preview" : "Windows 10";
}

std::string winNtName(long major, long minor, long build) {
    switch (major) {
        case 3: return "Windows NT 3.51";
        case 4: return "Windows NT 4.0";
        case 5:
            if (minor == 0) return "Windows 2000";
            if (minor == 1) return "Windows XP";
            return "Windows XP 64-bit";
        case 6:
            if (minor == 0) return "Vista";
            if (minor == 1) return "Windows 7";
            if (minor == 2) return "Win 8 or higher";
            if (minor == 3) return "Windows 8.1";
            return "Windows 8.1 or higher";
        case 10: return win10Name(minor, build);
        default: return "Windows";
    }
}

}  // namespace

std::string SYS_GetWinVersion(long& lPlatform, long& lMajor, long& lMinor, long& lBuild,
                              std::string& sServicePack, std::string& sVersion) {
    // A refused call leaves the record zeroed, which names itself "Failed: 0" below.
    WinVersion v = os().versionEx();
    lPlatform = v.platform;
    lMajor = v.major;
    lMinor = v.minor;
    lBuild = v.build;
    if (v.major < 6) sServicePack = v.servicePack;
    sVersion = std::to_string(v.major) + "." + std::to_string(v.minor) + "." + std::to_string(v.build);

    switch (v.platform) {
        case 1: return win9xName(v.minor);
        case 2: return winNtName(v.major, v.minor, v.build);
        default: return "Failed: " + std::to_string(v.platform);
    }
}

}  // namespace tsy

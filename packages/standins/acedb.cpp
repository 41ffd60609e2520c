// Stand-in for the ACE database-engine installer offered by the alternative builds. It records
// that it was started (and from where) and leaves a marker, so that a test can see the offer
// was taken up without a real engine being installed.
#include "standin_log.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    char folder[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, folder);
    standin::appendLine("AccessDatabaseEngine2010_SP2.log",
                        "AccessDatabaseEngine2010_SP2.exe [" + standin::arguments() + "] in " + folder);
    return 0;
}

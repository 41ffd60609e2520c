// Stand-in for the update service program. The setup opens it with "-u" before and "-i" after
// it runs Windows Installer; all this stand-in does is record each call in vezEdeRu.log.
#include "standin_log.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    standin::appendLine("vezEdeRu.log", "vezEdeRu.exe " + standin::arguments());
    return 0;
}

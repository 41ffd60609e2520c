// Which of the edition's two packages Windows Installer reports as installed.
#include <string>

#include "platform/os.h"
#include "platform/runtime_error.h"
#include "services/machine.h"
#include "services/text.h"
#include "state/state.h"

namespace tsy {

namespace {
// Installed locally (3) or installed in its default state (5). Advertised, absent, another
// user's installation and unknown codes all mean the package has to be installed.
bool isInstalledState(long state) { return state == 3 || state == 5; }

// A failed query leaves its flag as it was; the report names the code being asked about.
OnError queryFailed(const std::string& productCode) {
    const SystemState& s = sys();
    return OnError::reportInDebug("errHdl_SYS_IsInstalled: ProductID: " + productCode + s.gsCR,
                                  s.gbDebug)
        .because("Installer query for " + productCode + " failed; its installed flag stays " +
                 "as it was");
}
}  // namespace

void SYS_IsInstalled() {
    SystemState& s = sys();
    resumeNext([&] { s.gbInstalled = isInstalledState(os().productState(s.gsProdID)); },
               queryFailed(s.gsProdID));
    resumeNext(
        [&] {
            s.gbDBInstalled = isInstalledState(os().productState(s.gsDBProdID));
            if (s.gbDebug)
                os().msgBox("gbInstalled =" + boolText(s.gbInstalled) + "  gsProdID = " +
                                s.gsProdID + s.gsCR + "gbDBInstalled = " +
                                boolText(s.gbDBInstalled) + "  gsDBProdID = " + s.gsDBProdID +
                                s.gsCR,
                            mb::OkOnly, "");
        },
        queryFailed(s.gsDBProdID));
}

}  // namespace tsy

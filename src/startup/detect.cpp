// Which of the edition's two packages Windows Installer reports as installed.
#include <string>

#include "platform/os.h"
#include "platform/runtime_error.h"
#include "services/text.h"
#include "startup/startup.h"
#include "state/state.h"

namespace tsy {

namespace {
// Installed locally (3) or installed in its default state (5). Advertised, absent, another
// user's installation and unknown codes all mean the package has to be installed.
bool isInstalledState(long state) { return state == 3 || state == 5; }
}  // namespace

void SYS_IsInstalled() {
    SystemState& s = sys();
    // A failed query leaves its flag as it was; the report names the code being asked about.
    auto report = [&](const std::string& productCode, const RuntimeError& e) {
        if (s.gbDebug)
            os().msgBox(handlerText("errHdl_SYS_IsInstalled: ProductID: " + productCode + s.gsCR, e),
                        mb::OkOnly, "");
    };

    try {
        s.gbInstalled = isInstalledState(os().productState(s.gsProdID));
    } catch (const ProcessEnded&) {
        throw;
    } catch (...) {
        report(s.gsProdID, asRuntimeError(std::current_exception()));
    }

    try {
        s.gbDBInstalled = isInstalledState(os().productState(s.gsDBProdID));
        if (s.gbDebug)
            os().msgBox("gbInstalled =" + boolText(s.gbInstalled) + "  gsProdID = " + s.gsProdID +
                            s.gsCR + "gbDBInstalled = " + boolText(s.gbDBInstalled) +
                            "  gsDBProdID = " + s.gsDBProdID + s.gsCR,
                        mb::OkOnly, "");
    } catch (const ProcessEnded&) {
        throw;
    } catch (...) {
        report(s.gsDBProdID, asRuntimeError(std::current_exception()));
    }
}

}  // namespace tsy

// Placeholder until the engine lands (replaced by the engine's own sources).
#include "engine/engine.h"

#include "platform/runtime_error.h"

namespace tsy {

bool SYS_Install(bool&, bool&, bool&, bool&, bool&, bool&, bool&, InstallOutcome* outcome) {
    if (outcome) *outcome = InstallOutcome::Failed;
    throw RuntimeError(err::InvalidProcedureCall, "engine not built yet");
}

int exitCodeFor(InstallOutcome outcome) {
    return outcome == InstallOutcome::Succeeded ? 0 : outcome == InstallOutcome::Cancelled ? 1602 : 1603;
}

}  // namespace tsy

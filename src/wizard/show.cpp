// Placeholder until the wizard's form model lands (replaced by the wizard's own sources).
#include "wizard/show.h"

namespace tsy {

void showWizard() {}

}  // namespace tsy

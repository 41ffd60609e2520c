#include "platform/os.h"

#include "platform/runtime_error.h"

namespace tsy {

namespace {
Os* current = nullptr;
}

Os& os() {
    if (!current) throw RuntimeError(91, "Object variable or With block variable not set");
    return *current;
}

void setOs(Os* impl) { current = impl; }

}  // namespace tsy

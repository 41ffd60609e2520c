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

bool logFileWritable(const LogFileFacts& file, FunctionRef<bool()> ownerTrusted,
                     FunctionRef<long()> volumeFlags) {
    constexpr long kPersistentAcls = 0x00000008;  // FILE_PERSISTENT_ACLS
    if (file.links != 1 || file.reparsePoint) return false;
    if (!file.existed || ownerTrusted()) return true;
    const long flags = volumeFlags();
    return flags >= 0 && (flags & kPersistentAcls) == 0;
}

}  // namespace tsy

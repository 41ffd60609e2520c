// Start-up's rule for a failing statement: reported with Main's label, every time, and start-up
// goes on with its next statement.
#pragma once

#include "platform/runtime_error.h"

namespace tsy {

inline void mainStep(FunctionRef<void()> statement) {
    resumeNext(statement, OnError::report("errHdl_Main: "));
}

}  // namespace tsy

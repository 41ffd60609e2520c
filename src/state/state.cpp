#include "state/state.h"

#ifndef TSY_APP_KEY
#define TSY_APP_KEY "TSYPRO_3"
#endif

namespace tsy {

namespace {
SystemState state;
}

SystemState& sys() { return state; }

void resetSystemState() { state = SystemState{}; }

const char* buildAppKey() { return TSY_APP_KEY; }

}  // namespace tsy

#include "host/ModuleState.h"

#include "host/UiHooks.h"

namespace velmora {

tModuleState Module;
tUiHooks UiHooks{};

}  // namespace velmora

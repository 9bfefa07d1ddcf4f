#include "host/Dispatch.h"

namespace velmora {

void Dispatch(int16_t, void*, int32_t*, int16_t* result) noexcept { *result = 0; }

}  // namespace velmora

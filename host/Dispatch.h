// ENTRYPOINT's work: store the call's record and data word, dispatch on the
// selector, write the result code and the data word back. No exception
// leaves Dispatch.
#pragma once

#include <cstdint>

namespace velmora {

void Dispatch(int16_t selector, void* record, int32_t* data, int16_t* result) noexcept;

}  // namespace velmora

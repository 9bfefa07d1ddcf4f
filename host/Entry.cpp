// The module's single export.
#include "host/Dispatch.h"
#include "host/Selectors.h"
#include "sdk/PIFilter.h"

namespace {
// The property list lives in the core library; this reference pulls it into
// the module so that its ".pipl" section is in the file.
[[gnu::used]] const void* const kKeepPropertyList = velmora::kPropertyList;
}  // namespace

extern "C" __attribute__((visibility("default"))) void ENTRYPOINT(int16_t selector, void* record,
                                                                  int32_t* data,
                                                                  int16_t* result) noexcept {
    velmora::Dispatch(selector, record, data, result);
}

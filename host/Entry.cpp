// The module's single export.
#include "host/Dispatch.h"
#include "sdk/PIFilter.h"

extern "C" __attribute__((visibility("default"))) void ENTRYPOINT(int16_t selector, void* record,
                                                                  int32_t* data, int16_t* result) {
    velmora::Dispatch(selector, record, data, result);
}

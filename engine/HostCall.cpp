#include "engine/HostCall.h"

#include "base/Failure.h"

namespace velmora {

tHostCall HostCall;

sdk::FilterRecord& CallRecord() {
    if (!HostCall.Record) Fail("Нет записи фильтра");
    return *HostCall.Record;
}

int32_t ImageRows() {
    int32_t v = CallRecord().imageRows;
    if (v < 0) Fail("Неверный размер изображения");
    return v;
}

int32_t ImageColumns() {
    int32_t h = CallRecord().imageColumns;
    if (h < 0) Fail("Неверный размер изображения");
    return h;
}

int32_t ImagePlanes() {
    int32_t p = CallRecord().planes;
    if (p < 0) Fail("Неверное число каналов");
    return p;
}

int16_t ImageMode() {
    return CallRecord().imageMode;
}

}  // namespace velmora

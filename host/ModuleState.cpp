#include "host/ModuleState.h"

#include "host/Failure.h"
#include "host/UiHooks.h"

namespace velmora {

sdk::FilterRecord* CurrentRecord = nullptr;
int16_t ResultCode = 0;
int32_t SavedData = 0;
sdk::PlatformData* CurrentPlatformData = nullptr;
const sdk::ColorSpaceSuite1* ColorSpaceSuite = nullptr;
bool RepeatFlag = true;
bool ConfirmedFlag = false;
int32_t ProgressCounter = 0;
int32_t ProgressTotal = 0;
tUiHooks UiHooks{};

namespace {
const sdk::FilterRecord& Record() {
    if (!CurrentRecord) Fail("Нет записи фильтра");
    return *CurrentRecord;
}
}  // namespace

int32_t ImageRows() {
    int32_t v = Record().imageRows;
    if (v < 0) Fail("Неверный размер изображения");
    return v;
}

int32_t ImageColumns() {
    int32_t h = Record().imageColumns;
    if (h < 0) Fail("Неверный размер изображения");
    return h;
}

int32_t ImagePlanes() {
    int32_t p = Record().planes;
    if (p < 0) Fail("Неверное число каналов");
    return p;
}

int16_t ImageMode() {
    return Record().imageMode;
}

}  // namespace velmora

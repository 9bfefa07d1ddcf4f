#include "host/Selectors.h"

#include <cstring>

#include "base/Failure.h"
#include "engine/ColorConvert.h"
#include "engine/Correction.h"
#include "engine/FinalApply.h"
#include "engine/HostCall.h"
#include "engine/Pipeline.h"
#include "engine/Progress.h"
#include "engine/Settings.h"
#include "engine/UndoHistory.h"
#include "host/ModuleState.h"
#include "host/ParamBlock.h"
#include "host/UiHooks.h"
#include "maths/ImageView.h"

namespace velmora {

namespace {

bool SupportedMode(int16_t mode) {
    return Is8Bit(mode) || Is16Bit(mode);
}

// The settings and slots as continue read them from the block. A continue
// that fails puts them back, so finish stores the block as it was and not
// the half-done state of a broken run.
tParams SettingsAsRead{};
tParamSlot SlotsAsRead[kSlotCount]{};

void KeepAsRead() {
    SettingsAsRead = Settings;
    std::memcpy(SlotsAsRead, Slots, sizeof Slots);
}

void RestoreAsRead() {
    Settings = SettingsAsRead;
    std::memcpy(Slots, SlotsAsRead, sizeof Slots);
}

// End of continue: the host is told that no more data is wanted.
void EmptyRequest(sdk::FilterRecord& record) {
    SetNormalisedRect(record.inRect, 0, 0, 0, 0);
    record.outRect = record.inRect;
    record.maskRect = record.inRect;
}

}  // namespace

void SetNormalisedRect(sdk::Rect16& rect, int16_t top, int16_t left, int16_t bottom,
                       int16_t right) {
    rect.top = top < bottom ? top : bottom;
    rect.bottom = top < bottom ? bottom : top;
    rect.left = left < right ? left : right;
    rect.right = left < right ? right : left;
}

void AboutSelector() {
    if (!UiHooks.RunAboutBox) Fail("Окно «О программе» пока недоступно");
    UiHooks.RunAboutBox();
}

void ParametersSelector() {
    if (SupportedMode(CallRecord().imageMode))
        Module.RepeatFlag = false;
    else
        Module.ResultCode = sdk::kBadMode;
}

void PrepareSelector() {
    sdk::FilterRecord& record = CallRecord();
    // The acquisition's result is ignored; clearing the pointer first keeps
    // one left from an earlier host session from surviving a refusal.
    HostCall.ColorSpaceSuite = nullptr;
    if (record.sSPBasic && record.sSPBasic->AcquireSuite) {
        const void* suite = nullptr;
        record.sSPBasic->AcquireSuite(sdk::kColorSpaceSuiteName, sdk::kColorSpaceSuiteVersion,
                                      &suite);
        HostCall.ColorSpaceSuite = static_cast<const sdk::ColorSpaceSuite1*>(suite);
    }
    record.bufferSpace = 0;
    record.maxSpace = 0;
}

void StartSelector() {
    sdk::FilterRecord& record = CallRecord();
    const auto rows = int16_t(ImageRows());
    const auto columns = int16_t(ImageColumns());
    const auto planes = int16_t(ImagePlanes());
    SetNormalisedRect(record.inRect, 0, 0, rows, columns);
    record.outRect = record.inRect;
    record.inLoPlane = 0;
    record.outLoPlane = 0;
    record.inHiPlane = int16_t(planes - 1);
    record.outHiPlane = int16_t(planes - 1);
}

void ContinueSelector() {
    sdk::FilterRecord& record = CallRecord();
    bool blockRead = false;
    try {
        ReadParamBlock();
        blockRead = true;
        KeepAsRead();
        // The undo history belongs to one dialog run; a headless run's
        // recorded levels reset must not reach a later dialog's history.
        FreeHistory();
        if (Module.RepeatFlag) {
            ResetImageState();
            HeadlessRun();
        } else {
            Module.ConfirmedFlag = false;
            ResetImageState();
            if (!UiHooks.RunParamDialog) Fail("Диалог параметров пока недоступен");
            UiHooks.RunParamDialog();
        }
        if (Module.RepeatFlag || Module.ConfirmedFlag) {
            BuildTables();
            ApplyCorrection();
        }
        FreeHistory();
    } catch (...) {
        // The block stays locked for finish, which writes back what was read.
        if (blockRead) RestoreAsRead();
        FreeHistory();
        EmptyRequest(record);
        Module.RepeatFlag = true;
        throw;
    }
    EmptyRequest(record);
    Module.RepeatFlag = true;
    if (record.progressProc) record.progressProc(Progress.Total, Progress.Total);
}

void FinishSelector() {
    // The block is written and unlocked even when the flush fails.
    try {
        FlushConversionCache();
    } catch (...) {
        WriteParamBlock();
        throw;
    }
    WriteParamBlock();
}

}  // namespace velmora

// The module's state kept between selector calls, owned by the protocol
// layer. The record of the call in progress is the engine's (engine/HostCall.h),
// the settings and slots too (engine/Settings.h). Everything runs on the
// host's thread; nothing here is locked.
#pragma once

#include <cstdint>

#include "base/Params.h"
#include "sdk/PIFilter.h"

namespace velmora {

struct tModuleState {
    /// Result code of the call in progress; returned at exit.
    int16_t ResultCode = 0;
    /// The host's data word, written back unchanged at exit.
    int32_t SavedData = 0;
    /// Platform data of the call in progress (host window handle in its first field).
    sdk::PlatformData* PlatformData = nullptr;
    /// True: continue runs without the dialog. True at load, cleared by a
    /// successful parameters call, set at the end of every continue.
    bool RepeatFlag = true;
    /// True once the dialog of the current run has been confirmed.
    bool ConfirmedFlag = false;
    /// Address of the locked parameter block (null while none is locked).
    tParamBlock* ParamBlock = nullptr;
    /// Copy of the slots as read from an existing block; a cancelled dialog
    /// restores the working slots from it.
    tParamSlot SavedSlots[kSlotCount]{};
};

extern tModuleState Module;

}  // namespace velmora

// The current settings, the six working snapshot slots, their saved copy and
// the parameter block held by the host.
#pragma once

#include "host/Params.h"

namespace velmora {

extern tParams Settings;
extern tParamSlot Slots[kSlotCount];
/// Copy of the slots as read from an existing block; a cancelled dialog
/// restores the working slots from it.
extern tParamSlot SavedSlots[kSlotCount];
/// Address of the locked parameter block (null while none is locked).
extern tParamBlock* ParamBlockAddress;

/// Group resets. The `record` argument selects the variant that first pushes
/// the current settings into the undo history.
void ResetLevels(bool record);
void ResetSaturation();
void ResetBalance(bool record);
void ResetRotation(bool record);
void ResetColorEq(bool record);
void ResetLightEq(bool record);
void ResetSaturationGroup(bool record);
void ResetAll(bool record);
void ResetFirstUse();

/// Equality used by the undo history: integers and bytes identical, reals
/// within 0.000001; FullScreen and reserved bytes ignored.
bool SettingsEqual(const tParams& a, const tParams& b);

/// First step of continue: lock (or allocate and initialise) the block.
void ReadParamBlock();
/// Finish: write settings and slots back and unlock the block.
void WriteParamBlock();

}  // namespace velmora

// The current settings and the six working snapshot slots (the host-held
// block they are read from and written to is host/ParamBlock.h), the group
// resets and the equality rule of the undo history.
#pragma once

#include "base/Params.h"

namespace velmora {

extern tParams Settings;
extern tParamSlot Slots[kSlotCount];

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

}  // namespace velmora

#include "engine/Settings.h"

#include <cstring>

#include "base/SettingsFields.h"
#include "engine/Analysis.h"
#include "engine/UndoHistory.h"

namespace velmora {

tParams Settings{};
tParamSlot Slots[kSlotCount]{};

namespace {
void RecordIf(bool record) {
    if (record) PushUndo();
}

void AssignLevels() {
    AssignDefaults(Settings, tResetGroup::Levels, Analysis.Black, Analysis.White);
}

void AssignBalance() {
    AssignDefaults(Settings, tResetGroup::Balance);
}

void AssignColorEq() {
    AssignDefaults(Settings, tResetGroup::ColorEq);
}

void AssignLightEq() {
    AssignDefaults(Settings, tResetGroup::LightEq);
}
}  // namespace

void ResetLevels(bool record) {
    RecordIf(record);
    AssignLevels();
}

void ResetSaturation() {
    AssignDefaults(Settings, tResetGroup::Saturation);
}

void ResetBalance(bool record) {
    RecordIf(record);
    AssignBalance();
}

void ResetRotation(bool record) {
    RecordIf(record);
    AssignDefaults(Settings, tResetGroup::Rotation);
}

void ResetColorEq(bool record) {
    RecordIf(record);
    AssignColorEq();
}

void ResetLightEq(bool record) {
    RecordIf(record);
    AssignLightEq();
}

void ResetSaturationGroup(bool record) {
    RecordIf(record);
    ResetSaturation();
    AssignColorEq();
    AssignLightEq();
}

void ResetAll(bool record) {
    RecordIf(record);
    AssignLevels();
    ResetSaturation();
    AssignBalance();
    AssignDefaults(Settings, tResetGroup::Rotation);
    AssignColorEq();
    AssignLightEq();
    AssignDefaults(Settings, tResetGroup::Tone);
}

void ResetFirstUse() {
    ResetAll(false);
    AssignDefaults(Settings, tResetGroup::FirstUse);
}

bool SettingsEqual(const tParams& a, const tParams& b) {
    return FieldsEqual(a, b);
}

}  // namespace velmora

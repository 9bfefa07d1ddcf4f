#include "host/Settings.h"

#include <cstring>

#include "engine/Analysis.h"
#include "host/Failure.h"
#include "host/ModuleState.h"
#include "host/SettingsFields.h"
#include "host/UndoHistory.h"

namespace velmora {

tParams Settings{};
tParamSlot Slots[kSlotCount]{};
tParamSlot SavedSlots[kSlotCount]{};
tParamBlock* ParamBlockAddress = nullptr;

namespace {
void RecordIf(bool record) {
    if (record) PushUndo();
}

void AssignLevels() {
    AssignDefaults(Settings, tResetGroup::Levels, AnalysedBlack, AnalysedWhite);
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

void ReadParamBlock() {
    if (!CurrentRecord) Fail("Нет записи фильтра");
    sdk::FilterRecord& record = *CurrentRecord;
    sdk::BufferProcs* procs = record.bufferProcs;
    if (!procs || !procs->allocateProc || !procs->lockProc || !procs->unlockProc)
        Fail("Хост не предоставил процедуры буферов");
    if (record.parameters == nullptr) {
        if (procs->allocateProc(kParamBlockSize, &record.parameters) != 0 || !record.parameters) {
            record.parameters = nullptr;
            Fail("Не удалось выделить блок параметров");
        }
        ParamBlockAddress = static_cast<tParamBlock*>(procs->lockProc(record.parameters, 0));
        if (!ParamBlockAddress) {
            // Never leave the host holding a block that was not initialised:
            // the next run would read its garbage as settings.
            record.parameters = nullptr;
            Fail("Не удалось получить блок параметров");
        }
        // Reserved bytes and unused slots are stored as zeros; the saved
        // copy follows, so a cancel cannot bring back another block's slots.
        Settings = tParams{};
        ResetFirstUse();
        for (auto& slot : Slots) slot = tParamSlot{};
        std::memcpy(SavedSlots, Slots, sizeof Slots);
        return;
    }
    auto* block = static_cast<tParamBlock*>(procs->lockProc(record.parameters, 0));
    if (!block) Fail("Не удалось получить блок параметров");
    ParamBlockAddress = block;
    std::memcpy(&Settings, &block->Params, sizeof(tParams));
    std::memcpy(Slots, block->Slots, sizeof Slots);
    std::memcpy(SavedSlots, Slots, sizeof Slots);
}

void WriteParamBlock() {
    if (!ParamBlockAddress) return;
    if (!CurrentRecord) Fail("Нет записи фильтра");
    std::memcpy(&ParamBlockAddress->Params, &Settings, sizeof(tParams));
    std::memcpy(ParamBlockAddress->Slots, Slots, sizeof Slots);
    ParamBlockAddress = nullptr;
    if (CurrentRecord->bufferProcs && CurrentRecord->bufferProcs->unlockProc)
        CurrentRecord->bufferProcs->unlockProc(CurrentRecord->parameters);
}

}  // namespace velmora

#include "host/ParamBlock.h"

#include <cstring>

#include "base/Failure.h"
#include "engine/HostCall.h"
#include "engine/Settings.h"
#include "host/ModuleState.h"

namespace velmora {

void ReadParamBlock() {
    sdk::FilterRecord& record = CallRecord();
    sdk::BufferProcs* procs = record.bufferProcs;
    if (!procs || !procs->allocateProc || !procs->lockProc || !procs->unlockProc)
        Fail("Хост не предоставил процедуры буферов");
    if (record.parameters == nullptr) {
        if (procs->allocateProc(kParamBlockSize, &record.parameters) != 0 || !record.parameters) {
            record.parameters = nullptr;
            Fail("Не удалось выделить блок параметров");
        }
        Module.ParamBlock = static_cast<tParamBlock*>(procs->lockProc(record.parameters, 0));
        if (!Module.ParamBlock) {
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
        std::memcpy(Module.SavedSlots, Slots, sizeof Slots);
        return;
    }
    auto* block = static_cast<tParamBlock*>(procs->lockProc(record.parameters, 0));
    if (!block) Fail("Не удалось получить блок параметров");
    Module.ParamBlock = block;
    std::memcpy(&Settings, &block->Params, sizeof(tParams));
    std::memcpy(Slots, block->Slots, sizeof Slots);
    std::memcpy(Module.SavedSlots, Slots, sizeof Slots);
}

void WriteParamBlock() {
    if (!Module.ParamBlock) return;
    sdk::FilterRecord& record = CallRecord();
    std::memcpy(&Module.ParamBlock->Params, &Settings, sizeof(tParams));
    std::memcpy(Module.ParamBlock->Slots, Slots, sizeof Slots);
    Module.ParamBlock = nullptr;
    if (record.bufferProcs && record.bufferProcs->unlockProc)
        record.bufferProcs->unlockProc(record.parameters);
}

}  // namespace velmora

#include "host/UndoHistory.h"

#include <memory>

#include "host/Settings.h"

namespace velmora {

namespace {
struct tUndoEntry {
    tUndoEntry* Older = nullptr;
    tUndoEntry* Newer = nullptr;
    tParams Params{};
};

tUndoEntry* HistoryHead = nullptr;

void FreeNewerThan(tUndoEntry* entry) {
    tUndoEntry* e = entry ? entry->Newer : nullptr;
    if (entry) entry->Newer = nullptr;
    while (e) {
        std::unique_ptr<tUndoEntry> gone(e);
        e = e->Newer;
    }
}
}  // namespace

void PushUndo() {
    if (HistoryHead && SettingsEqual(HistoryHead->Params, Settings)) return;
    auto* entry = new tUndoEntry;
    entry->Params = Settings;
    entry->Older = HistoryHead;
    if (HistoryHead) {
        FreeNewerThan(HistoryHead);
        HistoryHead->Newer = entry;
    }
    HistoryHead = entry;
}

bool CanUndo() {
    return HistoryHead && (!SettingsEqual(HistoryHead->Params, Settings) || HistoryHead->Older);
}

void Undo() {
    if (!CanUndo()) return;
    PushUndo();
    if (HistoryHead->Older) HistoryHead = HistoryHead->Older;
    Settings = HistoryHead->Params;
}

bool CanRedo() {
    return HistoryHead && HistoryHead->Newer && SettingsEqual(HistoryHead->Params, Settings);
}

void Redo() {
    if (!CanRedo()) return;
    HistoryHead = HistoryHead->Newer;
    Settings = HistoryHead->Params;
}

void FreeHistory() {
    tUndoEntry* e = HistoryHead;
    while (e && e->Newer) e = e->Newer;
    while (e) {
        std::unique_ptr<tUndoEntry> gone(e);
        e = e->Older;
    }
    HistoryHead = nullptr;
}

int UndoEntryCount() {
    int n = 0;
    const tUndoEntry* e = HistoryHead;
    while (e && e->Newer) e = e->Newer;
    for (; e; e = e->Older) ++n;
    return n;
}

}  // namespace velmora

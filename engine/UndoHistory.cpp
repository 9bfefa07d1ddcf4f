#include "engine/UndoHistory.h"

#include <iterator>
#include <list>

#include "engine/Settings.h"

namespace velmora {

namespace {
// Oldest entry first. HistoryHead is the most recently recorded or restored
// entry; History.end() stands for "none". Entries after the head form the
// redo branch.
std::list<tParams> History;
std::list<tParams>::iterator HistoryHead = History.end();

bool HasHead() {
    return HistoryHead != History.end();
}
bool HasOlder() {
    return HasHead() && HistoryHead != History.begin();
}
bool HasNewer() {
    return HasHead() && std::next(HistoryHead) != History.end();
}
}  // namespace

void PushUndo() {
    if (HasHead() && SettingsEqual(*HistoryHead, Settings)) return;
    // Copy first: a failed allocation leaves the history as it was.
    std::list<tParams> entry{Settings};
    if (HasHead()) History.erase(std::next(HistoryHead), History.end());
    History.splice(History.end(), entry);
    HistoryHead = std::prev(History.end());
}

bool CanUndo() {
    return HasHead() && (!SettingsEqual(*HistoryHead, Settings) || HasOlder());
}

void Undo() {
    if (!CanUndo()) return;
    PushUndo();  // an unrecorded current state stays reachable by redo
    if (HasOlder()) --HistoryHead;
    Settings = *HistoryHead;
}

bool CanRedo() {
    return HasNewer() && SettingsEqual(*HistoryHead, Settings);
}

void Redo() {
    if (!CanRedo()) return;
    ++HistoryHead;
    Settings = *HistoryHead;
}

void FreeHistory() {
    History.clear();
    HistoryHead = History.end();
}

int UndoEntryCount() {
    return int(History.size());
}

}  // namespace velmora

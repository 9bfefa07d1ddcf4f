// Undo history of the settings record while the dialog is open: a doubly
// linked list of settings copies; HistoryHead is the most recently recorded
// or restored state.
#pragma once

#include "base/Params.h"

namespace velmora {

void PushUndo();
bool CanUndo();
void Undo();
bool CanRedo();
void Redo();
void FreeHistory();
/// Number of entries (for tests and diagnostics).
int UndoEntryCount();

}  // namespace velmora

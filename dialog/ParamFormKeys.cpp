// The dialog's key map. The form previews every key; a row matches on the
// key and the exact set of held modifiers (a held mouse button makes the set
// differ). Setting the key to 0 consumes it.
#include <QApplication>

#include "dialog/TParamForm.h"
#include "engine/Settings.h"
#include "engine/UndoHistory.h"

namespace velmora::dialog {

namespace {

using ui::tShift;
using ui::tShiftState;

// The modifiers and mouse buttons that take part in the match.
tShiftState Held(tShiftState shift) {
    return shift & ~tShiftState(tShift::Double);
}

bool FocusInEdit() {
    return qobject_cast<ui::TEdit*>(QApplication::focusWidget()) != nullptr;
}

// Snapshot slot of a digit key 1-6 (main keyboard or numeric pad), or 0.
int SlotOfKey(int key) {
    for (int n = 1; n <= 6; ++n)
        if (key == Qt::Key_0 + n || key == ui::KeyNumpad(n)) return n;
    return 0;
}

}  // namespace

void TParamForm::FormKeyDown(int& key, ui::tShiftState shift) {
    const tShiftState held = Held(shift);
    const tShiftState none;
    const tShiftState alt(tShift::Alt);
    const tShiftState ctrl(tShift::Ctrl);
    const tShiftState shiftOnly(tShift::Shift);

    if (key == Qt::Key_Backspace && held == alt) {
        UndoButtonClick();
    } else if (key == Qt::Key_Backspace && held == (tShiftState(tShift::Shift) | tShift::Alt)) {
        RedoButtonClick();
    } else if (key == Qt::Key_Z && held == (tShiftState(tShift::Shift) | tShift::Ctrl)) {
        RedoButtonClick();
    } else if (key == Qt::Key_Z && held == ctrl) {
        UndoButtonClick();
    } else if (key == Qt::Key_Alt && held == alt) {
        if (CancelButton->Enabled()) {
            CancelButton->SetFocus();
            CancelButton->SetCaption(tr("Исходный"));
        }
    } else if (key == Qt::Key_Control && held == ctrl) {
        LabImage->SetCursor(5);
        if (AnyPickerDown()) Image->SetCursor(7);
        NudgeCursor();
    } else if (key == Qt::Key_Shift && held == shiftOnly) {
        LabImage->SetCursor(6);
        if (AnyPickerDown()) Image->SetCursor(8);
        NudgeCursor();
    } else if (key == ui::kKeyAdd && held == none) {
        if (PlusButton->Enabled() && !FocusInEdit()) ZoomIn();
    } else if (key == ui::kKeySubtract && held == none) {
        if (MinusButton->Enabled() && !FocusInEdit()) ZoomOut();
    } else if (key == ui::kKeyDivide && held == none) {
        if (ActualButton->Enabled()) ZoomActual();
    } else if (key == ui::kKeyMultiply && held == none) {
        if (FitButton->Enabled()) ZoomFit(false);
    } else if (key == Qt::Key_Home && held == none) {
        SrcButtonClick();
        key = 0;
    } else if (key == Qt::Key_End && held == none) {
        DefaultButtonClick();
        key = 0;
    } else if (key == Qt::Key_PageUp && held == none) {
        // Any byte but 1 is laid out compact, so it switches like 0.
        if (Settings.FullScreen != 1) {
            Settings.FullScreen = 1;
            ApplySizeModeAndRender();
            key = 0;
        }
    } else if (key == Qt::Key_PageDown && held == none) {
        if (Settings.FullScreen == 1) {
            Settings.FullScreen = 0;
            ApplySizeModeAndRender();
            key = 0;
        }
    } else if (key == Qt::Key_Space && held == none) {
        state_.SpaceHeld = true;
        Image->SetCursor(3);
        NudgeCursor();
        key = 0;
    } else if (SlotOfKey(key) != 0 && held == none) {
        const int n = SlotOfKey(key);
        if (!FocusInEdit() && Slots[n - 1].Used != 0 && ApplySnapshotHook) {
            ApplySnapshotHook(n);
            key = 0;
        }
    }
}

void TParamForm::FormKeyUp(int& key, ui::tShiftState shift) {
    // A release matches on the modifier keys alone: Space, Ctrl or Shift let
    // go while a mouse button is still down must still end their mode, or
    // it would stay on with nothing held.
    const tShiftState held =
        Held(shift) & ~(tShiftState(tShift::Left) | tShift::Right | tShift::Middle);
    if (key == Qt::Key_Alt) {
        if (OkButton->Enabled()) {
            OkButton->SetFocus();
            CancelButton->SetCaption(tr("Отмена"));
        }
    } else if ((key == Qt::Key_Control || key == Qt::Key_Shift) && held == tShiftState()) {
        LabImage->SetCursor(LastLabCursor);
        Image->SetCursor(AnyPickerDown() ? 4 : 3);
        NudgeCursor();
    } else if (key == Qt::Key_Space && held == tShiftState()) {
        if (AnyPickerDown()) {
            Image->SetCursor(4);
            NudgeCursor();
        }
        state_.SpaceHeld = false;
        key = 0;
    }
}

}  // namespace velmora::dialog

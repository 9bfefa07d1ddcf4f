// The pipettes and the colour plane picker.
#include "dialog/TParamForm.h"

namespace velmora::dialog {

void TParamForm::PickOnPreview(int, int, ui::tShiftState) {
    // Not built yet.
}

void TParamForm::LabImageMouseDown(ui::tMouseButton, ui::tShiftState, int, int) {
    // Not built yet.
}

void TParamForm::LabImageMouseMove(ui::tShiftState, int, int) {
    // Not built yet.
}

void TParamForm::ConnectPipettes() {
    // Not built yet.
}

}  // namespace velmora::dialog

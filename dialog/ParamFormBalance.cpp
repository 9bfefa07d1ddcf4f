// The colour balance group: two working points, three radios and the
// Cartesian and polar forms of the shown shift.
#include "dialog/TParamForm.h"

namespace velmora::dialog {

void TParamForm::BalanceChanger(QObject*) {
    // Not built yet.
}

void TParamForm::LoadBalancePoints() {
    // Not built yet.
}

void TParamForm::StoreBalancePoints() {
    // Not built yet.
}

void TParamForm::SelectBalanceRadio() {
    // Not built yet.
}

void TParamForm::CommonRadioClick() {
    // Not built yet.
}

}  // namespace velmora::dialog

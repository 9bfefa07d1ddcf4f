// The indicator images that picture the current settings.
#include "dialog/TParamForm.h"

namespace velmora::dialog {

void TParamForm::DrawSaturationCurve() {
    // Not built yet.
}

void TParamForm::DrawLabPlane() {
    // Not built yet.
}

void TParamForm::DrawBalanceMarkers(int, int) {
    // Not built yet.
}

void TParamForm::DrawHueStrip() {
    // Not built yet.
}

void TParamForm::DrawChromaStrip(double) {
    // Not built yet.
}

void TParamForm::DrawShiftStrip(int) {
    // Not built yet.
}

}  // namespace velmora::dialog

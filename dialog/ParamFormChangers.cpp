// The parameter changers: each keeps the settings record and its group of
// controls consistent in both directions.
#include "dialog/TParamForm.h"

namespace velmora::dialog {

void TParamForm::ConnectChangers() {
    // Not built yet.
}

void TParamForm::DDChanger(QObject*) {
    // Not built yet.
}

void TParamForm::ColorContrast(QObject*) {
    // Not built yet.
}

void TParamForm::LowSatChanger(QObject*) {
    // Not built yet.
}

void TParamForm::SatBendChanger(QObject*) {
    // Not built yet.
}

void TParamForm::LightnessChanger(QObject*) {
    // Not built yet.
}

void TParamForm::NewContrastChanger(QObject*) {
    // Not built yet.
}

void TParamForm::NewSharpnessChanger(QObject*) {
    // Not built yet.
}

void TParamForm::RotateChanger(QObject*) {
    // Not built yet.
}

void TParamForm::ColorEqualizerChanger(QObject*) {
    // Not built yet.
}

void TParamForm::LightEqualizerChanger(QObject*) {
    // Not built yet.
}

void TParamForm::ShadowChanger(QObject*) {
    // Not built yet.
}

void TParamForm::HighLightChanger(QObject*) {
    // Not built yet.
}

void TParamForm::EditKeyDown(ui::TEdit*, int&, ui::tShiftState) {
    // Not built yet.
}

}  // namespace velmora::dialog

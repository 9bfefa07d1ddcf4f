// The colour readouts in status panels 0 to 2.
#include "dialog/ColorMath.h"
#include "dialog/TParamForm.h"

namespace velmora::dialog {

void TParamForm::ShowRGB(int r, int g, int b) {
    StatusBar->Panel(0).SetText(QString::fromStdString(
        " R: " + PaddedNumber(r) + "   G: " + PaddedNumber(g) + "   B: " + PaddedNumber(b)));
}

void TParamForm::ShowLab(int L, int a, int b) {
    StatusBar->Panel(1).SetText(QString::fromStdString(
        " L: " + PaddedNumber(Round(L * 100.0 / 255.0)) + "   a: " + PaddedNumber(a - 128) +
        "   b: " + PaddedNumber(b - 128)));
}

void TParamForm::ShowCH(int a, int b) {
    StatusBar->Panel(2).SetText(QString::fromStdString(" C: " + PaddedNumber(ChromaOf(a, b)) +
                                                       "   H: " + std::to_string(PickHue(a, b))) +
                                QChar(0x00B0));
}

}  // namespace velmora::dialog

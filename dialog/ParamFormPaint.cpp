// The repaint of the dialog's indicator images. Every colour is an 8-bit Lab
// triple (L 0..255, a and b with 128 neutral) converted to the monitor's RGB
// through the Lab-to-display conversion.
#include <cmath>
#include <numbers>

#include "base/Rounding.h"
#include "dialog/IndicatorPaint.h"
#include "dialog/TParamForm.h"
#include "engine/Settings.h"

namespace velmora::dialog {

void TParamForm::FormPaint() {
    DrawLabPlane();
    DrawHueStrip();
    DrawShiftStrip(Settings.Rotate);
    PaintSpectrumImage();
    DrawChromaStrip(HueTrackBar->Position() * std::numbers::pi / 180.0);
    {
        const tBalancePoint& w = ShadowRadio->Checked() ? ShadowPoint : LightPoint;
        DrawBalanceMarkers(w.a, w.b);
    }
    PaintNormalImage();
    DrawSaturationCurve();
    PaintHueBandEdits();
    RequestRedraw();
}

void TParamForm::PaintNormalImage() {
    const int width = NormalImage->Width();
    const int height = NormalImage->Height();
    if (width < 2 || height < 1) return;
    ui::TCanvas& canvas = SizedCanvas(NormalImage);
    canvas.Pen.Width = 1;
    for (int x = 1; x <= width - 1; ++x) {
        canvas.Pen.Color = LabDisplayColor(Round(255.0 * x / (width - 1)), 128, 128);
        canvas.MoveTo(x, 0);
        canvas.LineTo(x, height);
    }
    BlackFrame(canvas, width, height);
}

void TParamForm::PaintSpectrumImage() {
    const int width = SpectrumImage->Width();
    const int height = SpectrumImage->Height();
    if (width < 2 || height < 1) return;
    const bool mono = MonoCheckBox->Checked();
    ui::TCanvas& canvas = SizedCanvas(SpectrumImage);
    canvas.Pen.Width = 1;
    for (int x = 1; x <= width - 1; ++x) {
        // The same angle arithmetic as the shifted-colour strip, so that the
        // two strips agree column by column at rotation 0.
        const double theta = 360.0 * x / (width - 1) * (std::numbers::pi / 180.0);
        const int64_t a = Round(60 * std::cos(theta)) + 128;
        const int64_t b = Round(60 * std::sin(theta)) + 128;
        canvas.Pen.Color = IndicatorColor(127, a, b, mono);
        canvas.MoveTo(x, 0);
        canvas.LineTo(x, height);
    }
    BlackFrame(canvas, width, height);
}

void TParamForm::PaintHueBandEdits() {
    // (L in percent, a*, b*) of each hue band, 0 degrees to 315 degrees.
    const double s = 1.0 / std::sqrt(2.0);
    const double samples[8][3] = {
        {45, 60, 0},  {45, 90 * s, 90 * s},   {70, 0, 90 * s},  {50, -60 * s, 60 * s},
        {60, -60, 0}, {65, -60 * s, -60 * s}, {40, 0, -60 * s}, {50, 60 * s, -60 * s}};
    const bool mono = MonoCheckBox->Checked();
    for (size_t i = 0; i < hueEdits_.size(); ++i) {
        const int64_t L = Round(2.55 * samples[i][0]);
        const double a = samples[i][1] + 128;
        const double b = samples[i][2] + 128;
        hueEdits_[i]->SetColor(mono ? LabDisplayColor(Round((a + b) / 2), 128, 128)
                                    : LabDisplayColor(L, Round(a), Round(b)));
    }
}

}  // namespace velmora::dialog

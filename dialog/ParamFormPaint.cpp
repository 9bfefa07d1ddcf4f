// The repaint of the dialog's indicator images. Every colour is an 8-bit Lab
// triple (L 0..255, a and b with 128 neutral) converted to RGB through the
// host's colour services.
#include "engine/ColorConvert.h"
#include "host/Rounding.h"
#include "host/Settings.h"

#include "dialog/TParamForm.h"

#include <QColor>
#include <cmath>
#include <numbers>

namespace velmora::dialog {

namespace {

QColor LabColor(int64_t L, int64_t a, int64_t b) {
    auto clamp = [](int64_t v) { return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v); };
    const uint8_t lab[3] = {clamp(L), clamp(a), clamp(b)};
    uint8_t rgb[3];
    LabToRgb8(lab, rgb);
    return QColor(rgb[0], rgb[1], rgb[2]);
}

void BlackFrame(ui::TCanvas& canvas, int width, int height) {
    canvas.Pen.Color = Qt::black;
    canvas.Pen.Width = 1;
    canvas.Brush.Style = ui::tBrushStyle::Clear;
    canvas.Rectangle(0, 0, width, height);
    canvas.Brush.Style = ui::tBrushStyle::Solid;
}

}  // namespace

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
    ui::TCanvas& canvas = NormalImage->Canvas();
    for (int x = 1; x <= width - 1; ++x) {
        canvas.Pen.Color = LabColor(Round(255.0 * x / (width - 1)), 128, 128);
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
    ui::TCanvas& canvas = SpectrumImage->Canvas();
    for (int x = 1; x <= width - 1; ++x) {
        const double theta = 2 * std::numbers::pi * x / (width - 1);
        const int64_t a = Round(60 * std::cos(theta)) + 128;
        const int64_t b = Round(60 * std::sin(theta)) + 128;
        // (a + b) div 2: both are positive here, so truncation is the floor.
        canvas.Pen.Color = mono ? LabColor((a + b) / 2, 128, 128) : LabColor(127, a, b);
        canvas.MoveTo(x, 0);
        canvas.LineTo(x, height);
    }
    BlackFrame(canvas, width, height);
}

void TParamForm::PaintHueBandEdits() {
    // (L in percent, a*, b*) of each hue band, 0 degrees to 315 degrees.
    const double s = 1.0 / std::sqrt(2.0);
    const double samples[8][3] = {{45, 60, 0},           {45, 90 * s, 90 * s}, {70, 0, 90 * s},
                                  {50, -60 * s, 60 * s}, {60, -60, 0},         {65, -60 * s, -60 * s},
                                  {40, 0, -60 * s},      {50, 60 * s, -60 * s}};
    const bool mono = MonoCheckBox->Checked();
    for (size_t i = 0; i < hueEdits_.size(); ++i) {
        const int64_t L = Round(2.55 * samples[i][0]);
        const double a = samples[i][1] + 128;
        const double b = samples[i][2] + 128;
        hueEdits_[i]->SetColor(mono ? LabColor(Round((a + b) / 2), 128, 128)
                                    : LabColor(L, Round(a), Round(b)));
    }
}

}  // namespace velmora::dialog

// The indicator images that picture the current settings: the saturation
// gain curve, the a/b colour plane with the balance markers, and the hue,
// chroma and shifted-colour strips.
#include <QFont>
#include <algorithm>
#include <cmath>
#include <numbers>

#include "base/Rounding.h"
#include "dialog/IndicatorPaint.h"
#include "dialog/LabPlane.h"
#include "dialog/TParamForm.h"
#include "engine/Correction.h"
#include "engine/Settings.h"

namespace velmora::dialog {

namespace {

constexpr double kDegree = std::numbers::pi / 180.0;

int Span(const ui::TTrackBar* bar) {
    return bar->Max() - bar->Min();
}

}  // namespace

void TParamForm::DrawSaturationCurve() {
    const int W = SatImage->Width();
    const int H = SatImage->Height();
    if (W < 3 || H < 4) return;
    ui::TCanvas& canvas = SizedCanvas(SatImage);
    // A small face, so the title and the dB labels stay apart in 80 pixels.
    canvas.Font = QFont(QStringLiteral("DejaVu Sans"));
    canvas.Font.setPixelSize(std::max(8, H / 8));

    // Gain for every input chroma.
    double curve[364];
    UserChromaCurve(curve, Settings.LowSat, Settings.SatBend, Settings.ColorContrast);
    double gain[364];
    gain[0] = 1.0;
    for (int c = 1; c < 364; ++c) gain[c] = curve[c] / c;

    const int mid = int(Round(H / 2.0));
    const double unit = mid / 40.0;  // pixels per dB; +-40 dB at the edges

    canvas.Brush.Style = ui::tBrushStyle::Solid;
    canvas.Brush.Color = QColor(153, 153, 153);
    canvas.FillRect(QRect(0, 0, W, H));
    BlackFrame(canvas, W, H);

    // Grid.
    canvas.Pen.Color = QColor(118, 118, 118);
    canvas.Pen.Width = 1;
    const int n = int(Round(4.0 * W / H));
    const int step = n > 0 ? int(Round(double(W) / n)) : 0;
    for (int i = 1; i <= n - 1 && step > 0; ++i) {
        canvas.MoveTo(i * step, 0);
        canvas.LineTo(i * step, H - 1);
    }
    const int gridHeights[3] = {int(Round(H / 4.0)), int(Round(H / 2.0)),
                                int(Round(3.0 * H / 4.0))};
    for (int y : gridHeights) {
        canvas.MoveTo(canvas.TextWidth(QStringLiteral("000")), y);
        canvas.LineTo(W - 1, y);
    }

    // Zero line.
    canvas.Pen.Color = Qt::black;
    canvas.MoveTo(canvas.TextWidth(QStringLiteral("00")), mid);
    canvas.LineTo(W - 1, mid);

    // The curve: 20 log2(gain) dB over input chroma 1..127. Gains of zero
    // (or below) are held at 0.001, far below the bottom edge.
    auto yOf = [&](int x) {
        const int c = int(Round(127.0 * (x - 1) / W)) + 1;
        double g = gain[c];
        if (!(g > 0.001)) g = 0.001;
        return mid - int(Round(std::log2(g) * 20.0 * unit));
    };
    canvas.Pen.Color = Qt::black;
    canvas.Pen.Width = 2;
    canvas.MoveTo(1, yOf(1));
    for (int x = 2; x <= W - 1; ++x) canvas.LineTo(x, yOf(x));
    canvas.Pen.Width = 1;

    // Texts, white on the picture.
    canvas.Brush.Style = ui::tBrushStyle::Clear;
    canvas.FontColor = Qt::white;
    canvas.TextOut(4, 2, tr("Усиление (дБ)"));
    const QString saturation = tr("Насыщенность");
    canvas.TextOut(W - canvas.TextWidth(saturation) - 4, mid + 2, saturation);
    const double quarter = H / 4.0;
    const int textHeight = canvas.TextHeight(QStringLiteral("0"));
    for (double q : {H / 4.0, H / 2.0, 3.0 * H / 4.0}) {
        const int64_t db = Round((mid - q) * 20.0 / quarter);
        canvas.TextOut(2, int(Round(q - textHeight / 2.0)), QString::number(db) + QLatin1Char(' '));
    }
    canvas.Brush.Style = ui::tBrushStyle::Solid;
}

void TParamForm::DrawLabPlane() {
    const int W = LabImage->Width();
    const int H = LabImage->Height();
    if (W <= 0 || H <= 0) {
        labPlane_.SetSize(0, 0);
        return;
    }
    if (labPlane_.Width() != W || labPlane_.Height() != H) labPlane_.SetSize(W, H);
    const bool mono = MonoCheckBox->Checked();
    const int rangeA = Span(aTrackBar);
    const int rangeB = Span(bTrackBar);
    for (int y = 0; y < H; ++y) {
        const int b = LabPlaneB(y, H, rangeB);
        uint8_t* row = labPlane_.ScanLine(y);
        for (int x = 0; x < W; ++x) {
            const QColor c = IndicatorColor(127, LabPlaneA(x, W, rangeA), b, mono);
            row[3 * x] = uint8_t(c.blue());
            row[3 * x + 1] = uint8_t(c.green());
            row[3 * x + 2] = uint8_t(c.red());
        }
    }
    labPlane_.Changed();
    BlackFrame(labPlane_.Canvas(), W, H);
}

void TParamForm::DrawBalanceMarkers(int a, int b) {
    const int W = LabImage->Width();
    const int H = LabImage->Height();
    if (W <= 0 || H <= 0) return;
    if (labPlane_.Width() != W || labPlane_.Height() != H) DrawLabPlane();
    ui::TCanvas& canvas = SizedCanvas(LabImage);
    canvas.Draw(0, 0, labPlane_);

    const int rangeA = Span(aTrackBar);
    const int rangeB = Span(bTrackBar);
    canvas.Brush.Style = ui::tBrushStyle::Clear;
    canvas.Pen.Width = 1;
    // The stored cast in black, the shift that is added in white.
    const int X = LabPlaneX(a, W, rangeA), Y = LabPlaneY(b, H, rangeB);
    canvas.Pen.Color = Qt::black;
    canvas.Ellipse(X - 4, Y - 4, X + 4, Y + 4);
    const int sX = LabPlaneX(256 - a, W, rangeA), sY = LabPlaneY(256 - b, H, rangeB);
    canvas.Pen.Color = Qt::white;
    canvas.Ellipse(sX - 4, sY - 4, sX + 4, sY + 4);
    canvas.Brush.Style = ui::tBrushStyle::Solid;
}

void TParamForm::DrawHueStrip() {
    const int W = HueImage->Width();
    const int H = HueImage->Height();
    if (W < 2 || H < 1) return;
    ui::TCanvas& canvas = SizedCanvas(HueImage);
    const bool mono = MonoCheckBox->Checked();
    const double r = ChromaTrackBar->Position() + 5;
    const double span = Span(HueTrackBar);
    const double min = HueTrackBar->Min();
    for (int x = 1; x <= W - 1; ++x) {
        const double theta = (x * span / (W - 1) + min) * kDegree;
        const int64_t a = 128 + Round(r * std::cos(theta));
        const int64_t b = 128 + Round(r * std::sin(theta));
        StripColumn(canvas, x, H, IndicatorColor(127, a, b, mono));
    }
    BlackFrame(canvas, W, H);
}

void TParamForm::DrawChromaStrip(double angle) {
    const int W = ChromaImage->Width();
    const int H = ChromaImage->Height();
    if (W < 2 || H < 1) return;
    ui::TCanvas& canvas = SizedCanvas(ChromaImage);
    const bool mono = MonoCheckBox->Checked();
    const double span = Span(ChromaTrackBar);
    for (int x = 1; x <= W - 1; ++x) {
        const double t = x * span / (W - 1);
        // In mono the strip is a lightness ramp, not the grey of each colour.
        const QColor color = mono ? LabDisplayColor(Round(128 + t), 128, 128)
                                  : LabDisplayColor(127, 128 + Round(t * std::cos(angle)),
                                                    128 + Round(t * std::sin(angle)));
        StripColumn(canvas, x, H, color);
    }
    BlackFrame(canvas, W, H);
}

void TParamForm::DrawShiftStrip(int rotation) {
    const int W = RotateImage->Width();
    const int H = RotateImage->Height();
    if (W < 2 || H < 1) return;
    ui::TCanvas& canvas = SizedCanvas(RotateImage);
    const bool mono = MonoCheckBox->Checked();
    for (int x = 1; x <= W - 1; ++x) {
        const double theta = (360.0 * x / (W - 1) + rotation) * kDegree;
        const int64_t a = 128 + Round(60 * std::cos(theta));
        const int64_t b = 128 + Round(60 * std::sin(theta));
        StripColumn(canvas, x, H, IndicatorColor(127, a, b, mono));
    }
    BlackFrame(canvas, W, H);
}

}  // namespace velmora::dialog

// The indicator images: plane coordinates, the colour plane and its
// markers, the hue, chroma and shifted-colour strips (colour and mono) and
// the saturation gain curve, checked pixel by pixel against the
// Lab-to-display conversion.
#include <cmath>
#include <numbers>

#include "FormFixture.h"
#include "base/Rounding.h"
#include "dialog/LabPlane.h"
#include "engine/ColorConvert.h"
#include "engine/Correction.h"

namespace velmora::test {
namespace {

using dialog::LabPlaneA;
using dialog::LabPlaneB;
using dialog::LabPlaneX;
using dialog::LabPlaneY;

QColor Display(int64_t L, int64_t a, int64_t b) {
    const uint8_t lab[3] = {uint8_t(L), uint8_t(a), uint8_t(b)};
    uint8_t rgb[3];
    LabToDisplay(lab, rgb);
    return QColor(rgb[0], rgb[1], rgb[2]);
}

QColor Grey(int64_t a, int64_t b) {
    return Display((a + b) / 2, 128, 128);
}

TEST(LabPlane, CoordinatesRoundTiesToEvenAndClampToThePlane) {
    struct {
        int got, expected;
        const char* what;
    } cases[] = {
        // The form's plane: 100 x 100 pixels for a span of 120.
        {LabPlaneA(0, 100, 120), 68, "A left edge"},
        {LabPlaneA(50, 100, 120), 128, "A centre"},
        {LabPlaneA(99, 100, 120), 187, "A right edge"},
        {LabPlaneB(0, 100, 120), 188, "B top edge (b grows upwards)"},
        {LabPlaneB(50, 100, 120), 128, "B centre"},
        {LabPlaneB(99, 100, 120), 69, "B bottom edge"},
        {LabPlaneX(128, 100, 120), 50, "X of neutral"},
        {LabPlaneX(68, 100, 120), 0, "X back from the left edge"},
        {LabPlaneX(187, 100, 120), 99, "X back from the right edge"},
        {LabPlaneX(256, 100, 120), 99, "X clamped to W - 1"},
        {LabPlaneX(0, 100, 120), 0, "X clamped to 0"},
        {LabPlaneY(128, 100, 120), 50, "Y of neutral"},
        {LabPlaneY(256, 100, 120), 0, "Y clamped to 0"},
        {LabPlaneY(0, 100, 120), 99, "Y clamped to H - 1"},
        // Wide spans leave 0..255.
        {LabPlaneA(0, 10, 1000), 0, "A clamped to 0"},
        {LabPlaneB(0, 10, 1000), 255, "B clamped to 255"},
        // Ties: 10 (3 - 5) / 4 = -2.5 and 10 (5 - 5) / 4 ... on a plane of 4.
        {LabPlaneA(3, 4, 10), 130, "A: 2.5 rounds to 2"},
        {LabPlaneA(1, 4, 10), 126, "A: -2.5 rounds to -2"},
        // Half of 5 is 3 (odd), inside the rounding: 3.5 -> 4, 4.5 -> 4, 2.5 -> 2.
        {LabPlaneX(129, 5, 10), 4, "X: 3.5 rounds to 4"},
        {LabPlaneX(131, 5, 10), 4, "X: 4.5 rounds to 4"},
        {LabPlaneX(127, 5, 10), 2, "X: 2.5 rounds to 2"},
        {LabPlaneY(127, 5, 10), 4, "Y: 3.5 rounds to 4"},
        // A span of zero cannot divide: the centre.
        {LabPlaneX(200, 100, 0), 50, "X with no span"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.got, c.expected) << c.what;
}

TEST(UserChromaCurve, IsTheCurveTheTableBuildComposesAndLeavesTheTablesAlone) {
    ResetFirstUse();
    Settings.LowSat = 20;
    Settings.SatBend = 100;
    Settings.ColorContrast = 3;
    const double aW = Analysis.White;
    Analysis.White = 0;  // no level compensation: Tables.ChromaGain[i] = U[i] / i
    BuildTables();
    double before[364];
    std::copy(Tables.ChromaGain, Tables.ChromaGain + 364, before);

    double curve[364];
    UserChromaCurve(curve, 20, 100, 3);
    for (int i = 1; i < 364; ++i) ASSERT_DOUBLE_EQ(curve[i] / i, Tables.ChromaGain[i]) << i;
    EXPECT_GT(curve[40] / 40, 1.5) << "the gain zone";
    EXPECT_DOUBLE_EQ(curve[10], 10.0) << "inside the guard";
    EXPECT_TRUE(std::equal(before, before + 364, Tables.ChromaGain));

    UserChromaCurve(curve, 0, 127, 1);
    for (int i = 0; i < 364; ++i) ASSERT_NEAR(curve[i], i, 1e-9) << i;
    Analysis.White = aW;
    ResetFirstUse();
}

class IndicatorsTest : public FormTest {
  protected:
    ui::TImage* Img(const char* name) { return C<ui::TImage>(name); }
    static QColor At(ui::TImage* image, int x, int y) { return image->Canvas().Pixel(x, y); }
    void SetMono(bool mono) { C<ui::TCheckBox>("MonoCheckBox")->SetChecked(mono); }

    /// The bounding box of the pixels of one exact colour inside the frame.
    static QRect BoxOf(ui::TImage* image, const QColor& colour) {
        QRect box;
        for (int y = 1; y < image->Height() - 1; ++y)
            for (int x = 1; x < image->Width() - 1; ++x)
                if (At(image, x, y) == colour) box |= QRect(x, y, 1, 1);
        return box;
    }
    /// Pixels of one exact colour in a rectangle.
    static int CountIn(ui::TImage* image, const QColor& colour, const QRect& rect) {
        return CountIf(image, rect, [&](const QColor& c) { return c == colour; });
    }
    template <class F>
    static int CountIf(ui::TImage* image, const QRect& rect, F&& test) {
        int n = 0;
        for (int y = rect.top(); y <= rect.bottom(); ++y)
            for (int x = rect.left(); x <= rect.right(); ++x) n += test(At(image, x, y)) ? 1 : 0;
        return n;
    }
};

TEST_F(IndicatorsTest, ThePlaneShowsEachPixelsColourInsideABlackFrameAndGreyInMono) {
    auto* lab = Img("LabImage");
    const int W = lab->Width(), H = lab->Height();
    ASSERT_EQ(W, 100);
    ASSERT_EQ(H, 100);
    for (bool mono : {false, true}) {
        SetMono(mono);
        form->DrawLabPlane();
        form->DrawBalanceMarkers(128, 128);
        for (auto [x, y] : {std::pair{1, 1}, {20, 70}, {80, 15}, {98, 98}, {30, 50}}) {
            const int a = LabPlaneA(x, W, 120), b = LabPlaneB(y, H, 120);
            EXPECT_EQ(At(lab, x, y), mono ? Grey(a, b) : Display(127, a, b))
                << x << ' ' << y << " mono " << mono;
        }
        for (auto [x, y] : {std::pair{0, 0}, {0, 60}, {99, 30}, {40, 0}, {40, 99}})
            EXPECT_EQ(At(lab, x, y), QColor(Qt::black)) << x << ' ' << y;
    }
}

TEST_F(IndicatorsTest, MarkersSitAtTheCastInBlackAndAtTheShiftInWhite) {
    auto* lab = Img("LabImage");
    form->DrawLabPlane();
    // Cast (100, 150): black at X(100) = 27, Y(150) = 32; the shift
    // (156, 106) in white at (73, 68).
    form->DrawBalanceMarkers(100, 150);
    const QRect black = BoxOf(lab, Qt::black), white = BoxOf(lab, Qt::white);
    EXPECT_EQ(black.topLeft(), QPoint(27 - 4, 32 - 4));
    EXPECT_LE(black.right(), 27 + 4);
    EXPECT_LE(black.bottom(), 32 + 4);
    EXPECT_EQ(white.topLeft(), QPoint(73 - 4, 68 - 4));
    EXPECT_LE(white.right(), 73 + 4);
    EXPECT_LE(white.bottom(), 68 + 4);

    // A cast of a = 0: the shift 256 lies beyond the plane and is held at the
    // right edge, so the white circle is cut by the frame.
    form->DrawBalanceMarkers(0, 128);
    const QRect edge = BoxOf(lab, Qt::white);
    ASSERT_FALSE(edge.isEmpty()) << "the white marker is on the plane";
    EXPECT_EQ(edge.left(), 99 - 4);
    EXPECT_EQ(edge.right(), 98) << "up to the frame";
    EXPECT_EQ(edge.top(), 50 - 4);
    // The markers come over a fresh copy of the plane: the earlier ones are gone.
    EXPECT_EQ(CountIn(lab, Qt::white, QRect(60, 60, 20, 20)), 0);
}

TEST_F(IndicatorsTest, HueStripRunsRoundTheCircleAtTheChromaPlusFiveAndIsGreyInMono) {
    auto* hue = Img("HueImage");
    const int W = hue->Width(), H = hue->Height();
    ASSERT_EQ(W, 145);
    C<ui::TTrackBar>("ChromaTrackBar")->SetPosition(25);
    const double r = C<ui::TTrackBar>("ChromaTrackBar")->Position() + 5;
    for (bool mono : {false, true}) {
        SetMono(mono);
        form->DrawHueStrip();
        for (int x = 1; x <= W - 2; ++x) {
            const double theta = x * 359.0 / (W - 1) * std::numbers::pi / 180.0;
            const int64_t a = 128 + Round(r * std::cos(theta));
            const int64_t b = 128 + Round(r * std::sin(theta));
            const QColor expected = mono ? Grey(a, b) : Display(127, a, b);
            ASSERT_EQ(At(hue, x, H / 2), expected) << x << " mono " << mono;
            ASSERT_EQ(At(hue, x, 0), QColor(Qt::black)) << x;
        }
        EXPECT_EQ(At(hue, 0, H / 2), QColor(Qt::black));
        EXPECT_EQ(At(hue, W - 1, H / 2), QColor(Qt::black));
    }
}

TEST_F(IndicatorsTest, ChromaStripGoesOutAlongTheAngleAndIsARampFrom128To188InMono) {
    auto* chroma = Img("ChromaImage");
    const int W = chroma->Width(), H = chroma->Height();
    ASSERT_EQ(W, 144);
    const double angle = 200 * std::numbers::pi / 180.0;
    form->DrawChromaStrip(angle);
    for (int x = 1; x <= W - 2; ++x) {
        const double t = x * 60.0 / (W - 1);
        ASSERT_EQ(At(chroma, x, H / 2),
                  Display(127, 128 + Round(t * std::cos(angle)), 128 + Round(t * std::sin(angle))))
            << x;
    }
    SetMono(true);
    form->DrawChromaStrip(angle);
    for (int x = 1; x <= W - 2; ++x)
        ASSERT_EQ(At(chroma, x, H / 2), Display(Round(128 + x * 60.0 / (W - 1)), 128, 128)) << x;
    EXPECT_EQ(At(chroma, 1, H / 2), Display(128, 128, 128));
    EXPECT_EQ(At(chroma, W - 2, H / 2), Display(188, 128, 128));
    EXPECT_EQ(At(chroma, W - 1, H / 2), QColor(Qt::black));
}

TEST_F(IndicatorsTest, ShiftStripMatchesTheSpectrumAtZeroAndAQuarterAlongAt90) {
    auto* rotate = Img("RotateImage");
    auto* spectrum = Img("SpectrumImage");
    const int H = rotate->Height();
    for (bool mono : {false, true}) {
        SetMono(mono);
        form->PaintSpectrumImage();
        form->DrawShiftStrip(0);
        for (int x = 0; x < rotate->Width(); ++x)
            ASSERT_EQ(At(rotate, x, H / 2), At(spectrum, x, H / 2)) << x << " mono " << mono;
    }
    SetMono(false);
    // 317 columns: a quarter turn is exactly 79 of them.
    rotate->resize(317, H);
    spectrum->resize(317, H);
    form->PaintSpectrumImage();
    form->DrawShiftStrip(90);
    for (int x = 1; x + 79 <= 315; ++x)
        ASSERT_EQ(At(rotate, x, H / 2), At(spectrum, x + 79, H / 2)) << x;
    EXPECT_NE(At(rotate, 1, H / 2), At(spectrum, 1, H / 2));
    // The first column of the shifted strip by its own formula.
    const double theta = (360.0 / 316 + 90) * std::numbers::pi / 180.0;
    EXPECT_EQ(At(rotate, 1, H / 2),
              Display(127, 128 + Round(60 * std::cos(theta)), 128 + Round(60 * std::sin(theta))));
}

class SaturationCurveTest : public IndicatorsTest {
  protected:
    void Draw(double gain, int lowSat, int bend) {
        Settings.ColorContrast = gain;
        Settings.LowSat = lowSat;
        Settings.SatBend = bend;
        form->DrawSaturationCurve();
        double curve[364];
        UserChromaCurve(curve, lowSat, bend, gain);
        for (int c = 1; c < 364; ++c) gains[c] = curve[c] / c;
    }
    /// Rows of black pixels inside the frame in column x.
    std::vector<int> BlackRows(int x) {
        std::vector<int> rows;
        auto* sat = Img("SatImage");
        for (int y = 1; y < sat->Height() - 1; ++y)
            if (At(sat, x, y) == QColor(Qt::black)) rows.push_back(y);
        return rows;
    }
    /// The gain shown at column x (input chroma round(127 (x - 1) / W) + 1).
    double GainAt(int x) { return gains[Round(127.0 * (x - 1) / Img("SatImage")->Width()) + 1]; }
    double gains[364] = {};
};

TEST_F(SaturationCurveTest, BackgroundGridAndTextsAroundTheZeroLine) {
    auto* sat = Img("SatImage");
    ASSERT_EQ(sat->Width(), 288);
    ASSERT_EQ(sat->Height(), 80);
    Draw(1, 0, 127);
    const QColor grid(118, 118, 118), fill(153, 153, 153);
    struct {
        int x, y;
        QColor colour;
    } cases[] = {
        {0, 10, Qt::black}, {287, 10, Qt::black}, {150, 0, Qt::black}, {150, 79, Qt::black},
        {150, 10, fill},    {21, 30, grid},       {273, 70, grid},     {150, 20, grid},
        {150, 60, grid},    {160, 10, fill},
    };
    for (const auto& c : cases) EXPECT_EQ(At(sat, c.x, c.y), c.colour) << c.x << ' ' << c.y;
    // The title at the top left and the axis name below the zero line, in white.
    // (Text is smoothed: whitish pixels, far lighter than the background.)
    auto light = [](const QColor& c) { return c.red() > 200 && c.green() > 200 && c.blue() > 200; };
    EXPECT_GT(CountIf(sat, QRect(4, 2, 60, 12), light), 20);
    EXPECT_GT(CountIf(sat, QRect(200, 42, 84, 14), light), 20);
    EXPECT_EQ(CountIf(sat, QRect(100, 5, 80, 30), light), 0);
}

TEST_F(SaturationCurveTest, UnitGainDrawsTheCurveAlongTheZeroLine) {
    Draw(1, 30, 90);  // a gain of 1 keeps the curve the identity whatever the bounds
    for (int x = 40; x <= 286; ++x) {
        if (x % 21 == 0) continue;
        const std::vector<int> rows = BlackRows(x);
        ASSERT_GE(rows.size(), 2u) << x << ": the two-pixel curve over the zero line";
        for (int y : rows) ASSERT_TRUE(y >= 39 && y <= 41) << x << ' ' << y;
    }
}

TEST_F(SaturationCurveTest, GainsBeyondFourOrBelowAQuarterLeaveTheImage) {
    Draw(8, 0, 127);
    int above = 0, shown = 0;
    for (int x = 2; x <= 286; ++x) {
        if (x % 21 == 0) continue;
        const bool out = GainAt(x - 1) > 4.3 && GainAt(x) > 4.3 && GainAt(x + 1) > 4.3;
        const bool in = GainAt(x - 1) < 3.5 && GainAt(x) < 3.5 && GainAt(x + 1) < 3.5;
        const std::vector<int> rows = BlackRows(x);
        if (out) {
            ++above;
            for (int y : rows) ASSERT_EQ(y, 40) << x << ": only the zero line";
        } else if (in && x > 100) {  // clear of the title
            ++shown;
            const int expected = 40 - int(Round(std::log2(GainAt(x)) * 20));
            bool near = false;
            for (int y : rows) near = near || std::abs(y - expected) <= 1;
            ASSERT_TRUE(near) << x << ": curve at " << expected;
        }
    }
    EXPECT_GT(above, 20);
    EXPECT_GT(shown, 100);

    Draw(0.1, 0, 127);
    int below = 0;
    for (int x = 30; x <= 286; ++x) {
        if (x % 21 == 0 || !(GainAt(x - 1) < 0.24 && GainAt(x) < 0.24 && GainAt(x + 1) < 0.24))
            continue;
        ++below;
        for (int y : BlackRows(x)) ASSERT_EQ(y, 40) << x;
    }
    EXPECT_GT(below, 100);
}

}  // namespace
}  // namespace velmora::test

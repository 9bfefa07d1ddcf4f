// Tone, chroma, hue and lightness tables and the colour transform, in 8 and
// 16 bits, including stored settings the dialog can never produce.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <string>

#include "engine/Analysis.h"
#include "engine/Correction.h"
#include "engine/Settings.h"

namespace velmora {
namespace {

constexpr double S = kScale16;

class TablesTest : public ::testing::Test {
  protected:
    // Default settings following an analysis that found (black, white).
    void Defaults(int32_t black, int32_t white) {
        Analysis.Black = black;
        Analysis.White = white;
        ResetAll(false);
    }
    void SetUp() override { Defaults(0, 255); }
    void TearDown() override {
        ResetAnalysis();
        ResetAll(false);
        ResetTables();
    }

    static double U(double a, double b, double l) {
        const double* m = Tables.AbTransform;
        return a * m[0] + b * m[3] + l * m[6] + m[9];
    }
    static double V(double a, double b, double l) {
        const double* m = Tables.AbTransform;
        return a * m[1] + b * m[4] + l * m[7] + m[10];
    }
};

TEST_F(TablesTest, DefaultsFollowingAnyAnalysisAreTheIdentity) {
    const std::pair<int32_t, int32_t> analyses[] = {
        {10, 240}, {0, 255}, {0, 0}, {37, 37}, {200, 100}};
    for (auto [black, white] : analyses) {
        SCOPED_TRACE(std::to_string(black) + ".." + std::to_string(white));
        Defaults(black, white);
        BuildTables();
        for (int i = 0; i < 256; ++i) {
            ASSERT_NEAR(Tables.ToneCurve[i], i, 1e-9) << i;
            ASSERT_EQ(Tables.ToneTable[i], i) << i;
            ASSERT_DOUBLE_EQ(Tables.LightGain[i], 1.0) << i;
        }
        for (int i = 0; i < 364; ++i) ASSERT_DOUBLE_EQ(Tables.ChromaGain[i], 1.0) << i;
        for (int i = 0; i <= 360; ++i) ASSERT_DOUBLE_EQ(Tables.HueGain[i], 1.0) << i;
        for (double l : {0.0, 100.0, 255.0}) {
            EXPECT_DOUBLE_EQ(U(140, 100, l), 12);
            EXPECT_DOUBLE_EQ(V(140, 100, l), -28);
        }
    }
}

TEST_F(TablesTest, AutoLevelsStretchTheAnalysedRange) {
    Defaults(10, 240);
    Settings.BlackLevel = 0;
    Settings.WhiteLevel = 255;
    BuildTables();
    EXPECT_NEAR(Tables.ToneCurve[10], 0, 1e-9);
    EXPECT_NEAR(Tables.ToneCurve[240], 255, 1e-9);
    EXPECT_NEAR(Tables.ToneCurve[125], 127.5, 1e-9);
    EXPECT_EQ(Tables.ToneTable[125], 128);
    for (int i = 0; i <= 10; ++i) EXPECT_EQ(Tables.ToneCurve[i], 0) << i;
    for (int i = 240; i < 256; ++i) EXPECT_EQ(Tables.ToneCurve[i], 255) << i;
}

TEST_F(TablesTest, WhiteNotAboveBlackOnlyShifts) {
    Defaults(200, 100);
    Settings.BlackLevel = 30;
    Settings.WhiteLevel = 250;
    BuildTables();
    for (int i = 0; i < 256; ++i) ASSERT_NEAR(Tables.ToneCurve[i], std::max(i - 170, 0), 1e-9) << i;
}

TEST_F(TablesTest, LightnessIsAnExponentOnTheCurve) {
    Settings.Lightness = 2;
    BuildTables();
    EXPECT_NEAR(Tables.ToneCurve[128], 255 * std::pow(128 / 255.0, 2), 1e-9);
    EXPECT_NEAR(Tables.ToneCurve[128], 64.25, 0.01);
    EXPECT_EQ(Tables.ToneTable[128], 64);
    EXPECT_EQ(Tables.ToneTable[0], 0);
    EXPECT_EQ(Tables.ToneTable[255], 255);
}

TEST_F(TablesTest, LevelsAreComposedWithTheLightnessCurve) {
    Defaults(10, 240);
    Settings.BlackLevel = 0;
    Settings.WhiteLevel = 255;
    Settings.Lightness = 0.5;
    BuildTables();
    // Level 125 lands at 127.5, between G[127] and G[128].
    const double g127 = 255 * std::sqrt(127 / 255.0), g128 = 255 * std::sqrt(128 / 255.0);
    EXPECT_NEAR(Tables.ToneCurve[125], (g127 + g128) / 2, 1e-9);
}

// The peak of a single band +20 (gain 2): two equal largest entries at
// 45j - 1 and 45j (the band's plateau), kept below 2 by the smoothing.
TEST_F(TablesTest, OneHueBandPeaksAtItsCentre) {
    const struct {
        int band, first, second;
    } cases[] = {{1, 44, 45}, {0, 359, 0}, {4, 179, 180}, {7, 314, 315}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.band);
        ResetColorEq(false);
        Settings.ColorEq[c.band] = 20;
        BuildTables();
        EXPECT_NEAR(Tables.HueGain[c.first], Tables.HueGain[c.second], 1e-12);
        EXPECT_LT(Tables.HueGain[c.first], 2.0);
        EXPECT_GT(Tables.HueGain[c.first], 1.5);
        const double peak = std::min(Tables.HueGain[c.first], Tables.HueGain[c.second]);
        for (int i = 0; i < 360; ++i)
            if (i != c.first && i != c.second) {
                ASSERT_LT(Tables.HueGain[i], peak - 1e-9) << i;
            }
        EXPECT_GE(*std::min_element(Tables.HueGain, Tables.HueGain + 361), 1.0 - 1e-12);
        EXPECT_EQ(Tables.HueGain[360], Tables.HueGain[0]);
    }
}

TEST_F(TablesTest, HueBandsSpanAQuarterToFourTimes) {
    for (int g : {-40, 40}) {
        for (auto& band : Settings.ColorEq) band = g;
        BuildTables();
        for (int i = 0; i <= 360; ++i)
            ASSERT_NEAR(Tables.HueGain[i], std::exp2(g / 20.0), 1e-12) << i;
    }
}

TEST_F(TablesTest, LightnessBandsAreSmoothedBetweenUntouchedEnds) {
    Settings.LightEq[2] = 20;  // grey, at 128
    BuildTables();
    EXPECT_NEAR(Tables.LightGain[127], Tables.LightGain[128], 1e-12);
    EXPECT_LT(Tables.LightGain[128], 2.0);
    for (int i = 0; i < 256; ++i)
        if (i != 127 && i != 128) {
            ASSERT_LT(Tables.LightGain[i], Tables.LightGain[128] - 1e-9) << i;
        }

    ResetLightEq(false);
    Settings.LightEq[0] = 20;   // dark, at 0
    Settings.LightEq[4] = -20;  // white, at 256
    BuildTables();
    // The first and last 20 entries keep their unsmoothed values.
    for (int i = 0; i < 20; ++i)
        EXPECT_DOUBLE_EQ(Tables.LightGain[i], (2.0 * (63 - i) + i) / 63) << i;
    for (int i = 236; i < 256; ++i)
        EXPECT_DOUBLE_EQ(Tables.LightGain[i], (1.0 * (63 - (i - 192)) + 0.5 * (i - 192)) / 63) << i;
    // Entry 20 is the mean of entries 0..40.
    double sum = 0;
    for (int i = 0; i <= 40; ++i) sum += (2.0 * (63 - i) + i) / 63;
    EXPECT_NEAR(Tables.LightGain[20], sum / 41, 1e-12);
}

TEST_F(TablesTest, SaturationGainGuardAndBend) {
    Settings.ColorContrast = 2;
    BuildTables();
    for (int i = 1; i <= 45; ++i) EXPECT_NEAR(Tables.ChromaGain[i], 2.0, 1e-12) << i;
    for (int i = 128; i < 364; ++i) EXPECT_DOUBLE_EQ(Tables.ChromaGain[i], 1.0) << i;
    for (int i = 60; i < 128; ++i) EXPECT_LT(Tables.ChromaGain[i], Tables.ChromaGain[i - 1]) << i;
    EXPECT_EQ(Tables.ChromaGain[0], 1.0);

    // A guard of 30 keeps low chroma as it is.
    Settings.LowSat = 30;
    BuildTables();
    for (int i = 1; i <= 25; ++i) EXPECT_NEAR(Tables.ChromaGain[i], 1.0, 1e-12) << i;
    EXPECT_GT(Tables.ChromaGain[40], 1.2);

    // A lower bend: the gain line ends after a path of 60 from the origin.
    Settings.LowSat = 0;
    Settings.SatBend = 60;
    BuildTables();
    const double d1 = 60 / std::sqrt(5.0);  // 26.8
    for (int i = 1; i <= 21; ++i) EXPECT_NEAR(Tables.ChromaGain[i], 2.0, 1e-12) << i;
    EXPECT_LT(Tables.ChromaGain[int(d1) + 6], 2.0);
}

TEST_F(TablesTest, UserCurveIsReadThroughTheLevelCompensation) {
    Defaults(0, 200);
    Settings.WhiteLevel = 250;  // compensation gain (250/200 + 1)/2 = 1.125
    BuildTables();
    EXPECT_NEAR(Tables.ChromaGain[20], 1.125, 1e-12);
    Settings.ColorContrast = 2;
    BuildTables();
    // U(22.5) / 20 with U(x) = 2x.
    EXPECT_NEAR(Tables.ChromaGain[20], 2.25, 1e-12);
}

TEST_F(TablesTest, RotationTurnsTheChromaPlane) {
    const struct {
        int32_t degrees;
        double u, v;
    } cases[] = {{90, 0, 10},
                 {-90, 0, -10},
                 {180, -10, 0},
                 {0, 10, 0},
                 {45, 10 / std::sqrt(2.0), 10 / std::sqrt(2.0)}};
    for (const auto& c : cases) {
        Settings.Rotate = c.degrees;
        BuildTables();
        EXPECT_NEAR(U(138, 128, 77), c.u, 1e-12) << c.degrees;
        EXPECT_NEAR(V(138, 128, 77), c.v, 1e-12) << c.degrees;
    }
}

TEST_F(TablesTest, TwoPointBalanceInterpolatesTheNeutralAxis) {
    Settings.LightPointA = 138;  // light (138, 128, 255), shadow (128, 128, 0)
    BuildTables();
    EXPECT_NEAR(U(138, 128, 255), 0, 1e-12);
    EXPECT_NEAR(U(128, 128, 0), 0, 1e-12);
    EXPECT_NEAR(U(133, 128, 127.5), 0, 1e-12);
    EXPECT_NEAR(U(143, 128, 127.5), 10, 1e-12);
    EXPECT_NEAR(V(133, 128, 127.5), 0, 1e-12);

    // Equal lightnesses: only the light point counts.
    Settings.LightPointA = 140;
    Settings.LightPointB = 120;
    Settings.LightPointL = 100;
    Settings.ShadowPointA = 90;
    Settings.ShadowPointL = 100;
    BuildTables();
    for (double l : {0.0, 100.0, 255.0}) {
        EXPECT_NEAR(U(140, 120, l), 0, 1e-12);
        EXPECT_NEAR(V(150, 125, l), 5, 1e-12);
    }
}

TEST_F(TablesTest, SixteenBitTransformKeepsTheNeutralAt16384) {
    BuildTables();
    BuildAbTransform16();
    for (double l : {0.0, 16384.0, 32768.0}) {
        EXPECT_DOUBLE_EQ(U(16384, 16384, l), 0);
        EXPECT_DOUBLE_EQ(V(16384, 16384, l), 0);
        EXPECT_DOUBLE_EQ(U(20000, 1000, l), 20000 - 16384);
        EXPECT_DOUBLE_EQ(V(20000, 1000, l), 1000 - 16384);
    }

    Settings.LightPointA = 138;
    Settings.ShadowPointB = 118;
    BuildAbTransform16();
    const double a1 = 10 * S + 16384, b2 = -10 * S + 16384;
    EXPECT_NEAR(U(a1, 16384, 255 * S), 0, 1e-9);
    EXPECT_NEAR(V(a1, 16384, 255 * S), 0, 1e-9);
    EXPECT_NEAR(U(16384, b2, 0), 0, 1e-9);
    EXPECT_NEAR(V(16384, b2, 0), 0, 1e-9);
    EXPECT_NEAR(U(16384 + 5 * S, 16384 - 5 * S, 127.5 * S), 0, 1e-9);
    EXPECT_NEAR(V(16384 + 5 * S, 16384 - 5 * S, 127.5 * S), 0, 1e-9);

    // The next 8-bit build puts the 8-bit transform back.
    BuildTables();
    EXPECT_NEAR(U(138, 128, 255), 0, 1e-12);
}

TEST_F(TablesTest, SixteenBitTablesInterpolateTheEightBitOnes) {
    Defaults(10, 240);
    Settings.BlackLevel = 0;
    Settings.WhiteLevel = 255;
    Settings.ColorEq[1] = 20;
    Settings.LightEq[1] = -20;
    Settings.ColorContrast = 1.5;
    BuildTables();
    BuildTables16();
    EXPECT_EQ(Tables.ToneTable16[0], 0);
    EXPECT_EQ(Tables.ToneTable16[32768], 32768);
    // x = 16448 / S = 127.998046875 on the straight part of the curve.
    EXPECT_EQ(Tables.ToneTable16[16448], 16811);
    EXPECT_EQ(Tables.ToneTable16[10 * 32768 / 255], 0);
    for (int i = 1; i <= 32768; ++i)
        ASSERT_GE(Tables.ToneTable16[i], Tables.ToneTable16[i - 1]) << i;

    EXPECT_EQ(Tables.ChromaGain16[0], Tables.ChromaGain[0]);
    EXPECT_EQ(Tables.ChromaGain16[46647], Tables.ChromaGain[363]);
    const double x = 1000 / S;
    const int k = int(x);
    EXPECT_NEAR(Tables.ChromaGain16[1000],
                (1 - (x - k)) * Tables.ChromaGain[k] + (x - k) * Tables.ChromaGain[k + 1], 1e-15);

    EXPECT_EQ(Tables.HueGain16[0], Tables.HueGain[0]);
    EXPECT_EQ(Tables.HueGain16[10000], Tables.HueGain[360]);
    EXPECT_DOUBLE_EQ(Tables.HueGain16[1250], Tables.HueGain[45]);
    EXPECT_NEAR(Tables.HueGain16[1], 0.964 * Tables.HueGain[0] + 0.036 * Tables.HueGain[1], 1e-15);

    EXPECT_EQ(Tables.LightGain16[0], Tables.LightGain[0]);
    EXPECT_EQ(Tables.LightGain16[32768], Tables.LightGain[255]);
    EXPECT_NEAR(Tables.LightGain16[16448],
                (1 - 0.998046875) * Tables.LightGain[127] + 0.998046875 * Tables.LightGain[128],
                1e-15);
}

TEST_F(TablesTest, ResetPutsTheLoadTimeTablesBack) {
    Settings.Lightness = 2;
    Settings.ColorContrast = 3;
    Settings.ColorEq[3] = 10;
    BuildTables();
    BuildTables16();
    ResetTables();
    for (int i = 0; i < 256; ++i) ASSERT_EQ(Tables.ToneTable[i], i);
    for (int i = 0; i <= 32768; ++i) ASSERT_EQ(Tables.ToneTable16[i], i);
    EXPECT_TRUE(
        std::all_of(Tables.ChromaGain, Tables.ChromaGain + 364, [](double g) { return g == 1.0; }));
    EXPECT_TRUE(
        std::all_of(Tables.HueGain16, Tables.HueGain16 + 10001, [](double g) { return g == 1.0; }));
    EXPECT_DOUBLE_EQ(U(140, 100, 50), 12);
}

// Stored values that no dialog control can produce must still give finite
// tables in range, whatever the block holds.
TEST_F(TablesTest, AnyStoredSettingsGiveFiniteTablesInRange) {
    constexpr double inf = std::numeric_limits<double>::infinity();
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    constexpr int32_t imax = std::numeric_limits<int32_t>::max();
    constexpr int32_t imin = std::numeric_limits<int32_t>::min();
    const struct {
        const char* name;
        std::function<void()> set;
    } cases[] = {
        {"Lightness NaN", [] { Settings.Lightness = nan; }},
        {"Lightness inf", [] { Settings.Lightness = inf; }},
        {"Lightness -inf", [] { Settings.Lightness = -inf; }},
        {"Lightness -1", [] { Settings.Lightness = -1; }},
        {"Lightness 0", [] { Settings.Lightness = 0; }},
        {"Lightness huge", [] { Settings.Lightness = 1e300; }},
        {"Lightness -huge", [] { Settings.Lightness = -1e300; }},
        {"ColorContrast NaN", [] { Settings.ColorContrast = nan; }},
        {"ColorContrast inf", [] { Settings.ColorContrast = inf; }},
        {"ColorContrast -inf", [] { Settings.ColorContrast = -inf; }},
        {"ColorContrast -5", [] { Settings.ColorContrast = -5; }},
        {"ColorContrast 1e154", [] { Settings.ColorContrast = 1e154; }},
        {"ColorContrast 1e300", [] { Settings.ColorContrast = 1e300; }},
        {"ColorContrast -1e200", [] { Settings.ColorContrast = -1e200; }},
        {"SatBend 0", [] { Settings.SatBend = 0; }},
        {"SatBend 1000", [] { Settings.SatBend = 1000; }},
        {"SatBend extremes",
         [] {
             Settings.SatBend = imax;
             Settings.LowSat = imin;
         }},
        {"SatBend min",
         [] {
             Settings.SatBend = imin;
             Settings.ColorContrast = 100;
         }},
        {"LowSat 500", [] { Settings.LowSat = 500; }},
        {"LowSat -50",
         [] {
             Settings.LowSat = -50;
             Settings.ColorContrast = 3;
         }},
        {"LowSat max", [] { Settings.LowSat = imax; }},
        {"LowSat 90 bend 1 gain 128",
         [] {
             Settings.LowSat = 90;
             Settings.SatBend = 1;
             Settings.ColorContrast = 128;
         }},
        {"ColorEq +-1e9",
         [] {
             for (int j = 0; j < 8; ++j) Settings.ColorEq[j] = j % 2 ? 1000000000 : -1000000000;
         }},
        {"ColorEq extremes",
         [] {
             Settings.ColorEq[2] = imax;
             Settings.ColorEq[3] = imin;
         }},
        {"LightEq +-1e9",
         [] {
             for (int j = 0; j < 5; ++j) Settings.LightEq[j] = j % 2 ? -1000000000 : 1000000000;
         }},
        {"levels huge",
         [] {
             Settings.BlackLevel = imin;
             Settings.WhiteLevel = imax;
         }},
        {"levels reversed",
         [] {
             Settings.BlackLevel = imax;
             Settings.WhiteLevel = imin;
         }},
        {"white huge over analysed 1",
         [] {
             Analysis.Black = 0;
             Analysis.White = 1;
             Settings.WhiteLevel = imax;
         }},
        {"white -huge over analysed 1",
         [] {
             Analysis.Black = 0;
             Analysis.White = 1;
             Settings.WhiteLevel = imin;
         }},
        {"dialog extremes",
         [] {
             Analysis.Black = 0;
             Analysis.White = 1;
             Settings.BlackLevel = -127;
             Settings.WhiteLevel = 382;
             Settings.ColorContrast = 128;
             Settings.SatBend = 1;
             Settings.LowSat = 90;
             Settings.Lightness = 2.83;
         }},
        {"Rotate extremes", [] { Settings.Rotate = imin; }},
        {"balance extremes",
         [] {
             Settings.LightPointA = 255;
             Settings.LightPointB = 0;
             Settings.LightPointL = 1;
             Settings.ShadowPointA = 0;
             Settings.ShadowPointB = 255;
             Settings.ShadowPointL = 0;
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Defaults(10, 240);
        c.set();
        BuildTables();
        BuildTables16();
        for (double v : Tables.ToneCurve) ASSERT_TRUE(v >= 0 && v <= 255);
        for (double v : Tables.ChromaGain) ASSERT_TRUE(std::isfinite(v));
        for (double v : Tables.HueGain) ASSERT_TRUE(std::isfinite(v) && v > 0);
        for (double v : Tables.LightGain) ASSERT_TRUE(std::isfinite(v) && v > 0);
        for (double v : Tables.AbTransform) ASSERT_TRUE(std::isfinite(v));
        for (uint16_t v : Tables.ToneTable16) ASSERT_LE(v, 32768);
        for (double v : Tables.ChromaGain16) ASSERT_TRUE(std::isfinite(v));
        for (double v : Tables.HueGain16) ASSERT_TRUE(std::isfinite(v));
        for (double v : Tables.LightGain16) ASSERT_TRUE(std::isfinite(v));
        BuildAbTransform16();
        for (double v : Tables.AbTransform) ASSERT_TRUE(std::isfinite(v));
    }
}

TEST_F(TablesTest, NonFiniteFactorsCountAsOne) {
    for (double bad :
         {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
          -std::numeric_limits<double>::infinity()}) {
        Settings.Lightness = bad;
        Settings.ColorContrast = bad;
        BuildTables();
        for (int i = 0; i < 256; ++i) ASSERT_EQ(Tables.ToneTable[i], i) << i;
        for (int i = 0; i < 364; ++i) ASSERT_DOUBLE_EQ(Tables.ChromaGain[i], 1.0) << i;
    }
}

TEST_F(TablesTest, OutOfRangeBandsAreHeldAtTwoToTheTwentieth) {
    for (auto& g : Settings.ColorEq) g = 1000000000;
    for (auto& g : Settings.LightEq) g = -1000000000;
    BuildTables();
    for (int i = 0; i <= 360; ++i) ASSERT_NEAR(Tables.HueGain[i], std::exp2(20.0), 1e-6) << i;
    for (int i = 0; i < 256; ++i) ASSERT_NEAR(Tables.LightGain[i], std::exp2(-20.0), 1e-18) << i;
}

TEST_F(TablesTest, NegativeExponentHoldsTheCurveAtWhite) {
    Settings.Lightness = -1;
    BuildTables();
    for (int i = 0; i < 256; ++i) ASSERT_EQ(Tables.ToneTable[i], 255) << i;
}

}  // namespace
}  // namespace velmora

// The pixel correction kernel, 8-bit and 16-bit: the steps and their
// rounding, the gains and their indexes, the chroma clip and the
// working-image forms. Corrected pixels go through both the per-pixel kernel
// and the row form, which must agree.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

#include "engine/Correction.h"
#include "engine/HostCall.h"
#include "engine/Photo.h"
#include "engine/Settings.h"
#include "tests/maths/KernelFixture.h"
#include "tests/support/FakeHost.h"

namespace velmora {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

void SetFactors(double contrast, double sharpness, double shadow, double highlight) {
    Settings.Contrast = contrast;
    Settings.Sharpness = sharpness;
    Settings.Shadow = shadow;
    Settings.HighLight = highlight;
}

using test::SetNeutral16;
using test::SetNeutral8;

void FillMatrix(tByteMatrix& m, int32_t w, int32_t h, uint8_t value) {
    m.Create(size_t(h), size_t(w));
    for (int32_t y = 0; y < h; ++y) std::fill(m[size_t(y)].begin(), m[size_t(y)].end(), value);
}

// Working masks of w x h with the given contrast and sharpness means.
void SetMasks(int32_t w, int32_t h, uint8_t contrast, uint8_t sharp) {
    FillMatrix(Photo.ContrastMask, w, h, contrast);
    FillMatrix(Photo.SharpMask, w, h, sharp);
    Maps.Ready = true;
}

void SetMaps(int32_t w, int32_t h, uint8_t contrast, uint8_t sharp) {
    FillMatrix(Maps.ContrastMap, w, h, contrast);
    FillMatrix(Maps.SharpMap, w, h, sharp);
    Maps.Ready = true;
}

class KernelTest : public ::testing::Test {
  protected:
    void SetUp() override { Reset(); }
    void TearDown() override {
        Reset();
        HostCall.Record = nullptr;
    }
    static void Reset() {
        SetFactors(1, 1, 1, 1);
        SetNeutral16();
        SetNeutral8();
        Maps.Ready = false;
        Photo.ContrastMask.Reset();
        Photo.SharpMask.Reset();
        Maps.ContrastMap.Reset();
        Maps.SharpMap.Reset();
        Photo.Width = Photo.Height = 0;
    }
};

// Both forms of the 8-bit kernel for one pixel at (0, 0); they must agree.
tLab8 Correct8(uint8_t L, uint8_t a, uint8_t b) {
    const tLab8 p = CorrectPixel(0, 0, L, a, b);
    uint8_t row[3] = {L, a, b};
    CorrectRow8(0, row, row, 1);
    EXPECT_EQ(row[0], p.L);
    EXPECT_EQ(row[1], p.a);
    EXPECT_EQ(row[2], p.b);
    return p;
}

tLab16 Correct16(uint16_t L, uint16_t a, uint16_t b) {
    const tLab16 p = CorrectPixel16(0, 0, L, a, b);
    uint16_t row[3] = {L, a, b};
    CorrectRow16(0, row, row, 1);
    EXPECT_EQ(row[0], p.L);
    EXPECT_EQ(row[1], p.a);
    EXPECT_EQ(row[2], p.b);
    return p;
}

TEST_F(KernelTest, NeutralSettingsReturnTheInput) {
    for (bool maps : {false, true}) {
        if (maps) SetMasks(256, 1, 37, 201);
        for (int L = 0; L < 256; L += 3)
            for (int a = 0; a < 256; a += 5)
                for (int b = 0; b < 256; b += 7) {
                    const tLab8 r = CorrectPixel(L, 0, uint8_t(L), uint8_t(a), uint8_t(b));
                    ASSERT_EQ(r.L, L);
                    ASSERT_EQ(r.a, a);
                    ASSERT_EQ(r.b, b);
                }
        std::vector<uint8_t> row(256 * 3), out(256 * 3);
        for (int i = 0; i < 256; ++i) row[3 * i] = row[3 * i + 1] = row[3 * i + 2] = uint8_t(i);
        CorrectRow8(0, row.data(), out.data(), 256);
        EXPECT_EQ(out, row);
    }
    SetNeutral16();
    const uint16_t samples[] = {0, 1, 8224, 16383, 16384, 16385, 30000, 32767, 32768};
    for (bool maps : {false, true}) {
        Maps.Ready = false;
        if (maps) SetMaps(1, 1, 37, 201);
        for (uint16_t L : samples)
            for (uint16_t a : samples)
                for (uint16_t b : samples) {
                    const tLab16 r = Correct16(L, a, b);
                    ASSERT_EQ(r.L, L);
                    ASSERT_EQ(r.a, a);
                    ASSERT_EQ(r.b, b);
                }
    }
}

// Lightness steps 1 to 5 on the 8-bit scale: (factors, masks, L) -> L out.
TEST_F(KernelTest, LightnessSteps8) {
    struct Case {
        const char* what;
        double contrast, sharpness, shadow, highlight;
        int contrastMask, sharpMask;  // -1: maps not ready
        int L, expected;
    };
    const Case cases[] = {
        {"contrast 0.5 pulls halfway to the mean", 0.5, 1, 1, 1, 100, 0, 200, 150},
        {"contrast 0.5 rounds 112.5 to even", 0.5, 1, 1, 1, 100, 0, 125, 112},
        {"contrast 2 above the mean", 2, 1, 1, 1, 100, 0, 150, 174},
        {"contrast 2 below the mean", 2, 1, 1, 1, 150, 0, 100, 69},
        {"contrast 2 at the mean", 2, 1, 1, 1, 100, 0, 100, 100},
        {"contrast 0.5 at the mean", 0.5, 1, 1, 1, 100, 0, 100, 100},
        {"sharpness reads the sharp mask", 1, 2, 1, 1, 0, 100, 150, 174},
        {"sharpness 0.5 reads the sharp mask", 1, 0.5, 1, 1, 0, 100, 200, 150},
        {"sharpness 3 at the mean", 1, 3, 1, 1, 0, 77, 77, 77},
        {"shadow 2 with dark surroundings", 1, 1, 2, 1, 0, 0, 64, 128},
        {"shadow 2 with bright surroundings", 1, 1, 2, 1, 200, 0, 64, 64},
        {"mean 127 takes the shadow branch, power 1", 1, 1, 2, 3, 127, 0, 200, 200},
        {"mean 128 takes the highlight branch", 1, 1, 2, 3, 128, 0, 200, 199},
        {"highlight 2 at mean 255", 1, 1, 1, 2, 255, 0, 128, 64},
        {"lightness 0 stays 0 under shadow 5", 1, 1, 5, 1, 0, 0, 0, 0},
        {"lightness 0 stays 0 under contrast 10", 10, 1, 1, 1, 200, 0, 0, 0},
        {"no maps: contrast has no effect", 2, 1, 1, 1, -1, -1, 150, 150},
        {"no maps: sharpness has no effect", 1, 0.3, 1, 1, -1, -1, 150, 150},
        {"no maps: shadow acts on the own lightness", 1, 1, 2, 1, -1, -1, 64, 101},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Reset();
        SetFactors(c.contrast, c.sharpness, c.shadow, c.highlight);
        if (c.contrastMask >= 0) SetMasks(1, 1, uint8_t(c.contrastMask), uint8_t(c.sharpMask));
        EXPECT_EQ(Correct8(uint8_t(c.L), 128, 128).L, c.expected);
    }
}

TEST_F(KernelTest, ToneTableAppliesToPixelAndMasks) {
    for (int i = 0; i < 256; ++i) Tables.ToneTable[i] = uint8_t(i / 2);
    SetFactors(0.5, 1, 1, 1);
    SetMasks(1, 1, 200, 0);  // m = 100
    // L1 = 127: 100 + round(27 * 0.5) = 100 + 14 (13.5 to even).
    EXPECT_EQ(Correct8(255, 128, 128).L, 114);
    Maps.Ready = false;  // m = L1: no contrast effect, only the tone curve
    EXPECT_EQ(Correct8(255, 128, 128).L, 127);
}

TEST_F(KernelTest, ClipABMovesAlongTheLineToNeutral) {
    struct Case {
        double A, B;
        int a, b;
    };
    const Case cases8[] = {
        {-64, 128, 0, 128},   {300, 300, 255, 255}, {-128, 0, 0, 64},
        {128, -100, 128, 0},  {128, 400, 128, 255}, {100.5, 101.5, 100, 102},
        {255, 255, 255, 255}, {0, 0, 0, 0},         {-1e300, 128, 0, 128},
        {kNaN, 10, 128, 128}, {kInf, 0, 128, 128},  {1e200, 1e200, 255, 255},
    };
    for (const Case& c : cases8) {
        uint8_t a, b;
        ClipAB(c.A, c.B, a, b);
        EXPECT_EQ(a, c.a) << c.A << "," << c.B;
        EXPECT_EQ(b, c.b) << c.A << "," << c.B;
    }
    const Case cases16[] = {
        {-8192, 16384, 0, 16384},    {40000, 40000, 32768, 32768}, {-16384, 0, 0, 8192},
        {16384, -100, 16384, 0},     {100.5, 101.5, 100, 102},     {1e200, 1e200, 32768, 32768},
        {16384, kNaN, 16384, 16384}, {49152, 0, 32768, 8192},
    };
    for (const Case& c : cases16) {
        uint16_t a, b;
        ClipAB16(c.A, c.B, a, b);
        EXPECT_EQ(a, c.a) << c.A << "," << c.B;
        EXPECT_EQ(b, c.b) << c.A << "," << c.B;
    }
}

TEST_F(KernelTest, HueChromaAndLightGains8) {
    // Hue of (u, v) from the positive u axis: (10, 0) is 0, (0, 10) is 90.
    Tables.HueGain[90] = 2.0;
    EXPECT_EQ(Correct8(100, 128, 138).b, 148);
    EXPECT_EQ(Correct8(100, 138, 128).a, 138);
    Tables.HueGain[90] = 1.0;
    Tables.HueGain[180] = 0.5;
    EXPECT_EQ(Correct8(100, 118, 128).a, 123);
    Tables.HueGain[180] = 1.0;

    // Light gain by the local mean m (the pixel's own toned lightness
    // without maps).
    Tables.LightGain[200] = 2.0;
    EXPECT_EQ(Correct8(200, 138, 128).a, 148);
    SetMasks(1, 1, 100, 0);
    EXPECT_EQ(Correct8(200, 138, 128).a, 138);
    Photo.ContrastMask[0][0] = 200;
    EXPECT_EQ(Correct8(50, 138, 128).a, 148);
    Tables.LightGain[200] = 1.0;

    // Chroma gain up to chroma 363; above it the gain is 1. u = a + m9,
    // v = 0, gain 0.25: A = 0.25 u + 128 when applied, clipped to 0 when not.
    std::fill(std::begin(Tables.ChromaGain), std::end(Tables.ChromaGain), 0.25);
    struct Case {
        double m9;
        int a, expectedA;
    };
    const Case cases[] = {
        {-400, 30, 0},     // C = 370
        {-400, 37, 37},    // C = 363: 128 - 90.75
        {-400, 36, 0},     // C = 364
        {-400.5, 37, 0},   // C = 363.5 rounds to 364
        {-400.4, 37, 37},  // C = 363.4 rounds to 363
        {-128, 70, 114},   // C = 58: 128 - 14.5, 113.5 to even
    };
    for (const Case& c : cases) {
        Tables.AbTransform[9] = c.m9;
        EXPECT_EQ(Correct8(100, uint8_t(c.a), 128).a, c.expectedA) << c.m9 << " " << c.a;
    }
}

TEST_F(KernelTest, TransformUsesOutputLightness) {
    // Neutral axis tilted with L: u = a - 128 - 0.1 (L - 128). With a
    // shadow lift the output lightness, not the input, enters the transform.
    Tables.AbTransform[6] = -0.1;
    Tables.AbTransform[9] = -128 + 12.8;
    SetFactors(1, 1, 2, 1);
    const tLab8 r = Correct8(64, 128, 128);  // Lout 101 (see LightnessSteps8)
    EXPECT_EQ(r.L, 101);
    EXPECT_EQ(r.a, 131);  // round(128 - 0.1 * 101 + 12.8) = round(130.7)
}

// 16-bit kernel: maps read directly, means through Tables.ToneTable16[round(v * S)].
TEST_F(KernelTest, Cases16) {
    struct Case {
        const char* what;
        double contrast, sharpness, shadow, highlight;
        int contrastMap, sharpMap;  // map bytes; -1: maps not ready
        uint16_t L, a, b;
        uint16_t eL, ea, eb;
    };
    const Case cases[] = {
        {"identity at neutral", 1, 1, 1, 1, -1, -1, 16384, 16384, 16384, 16384, 16384, 16384},
        {"identity with maps", 1, 1, 1, 1, 100, 50, 16384, 16384, 16384, 16384, 16384, 16384},
        {"contrast 2 above the mean 12850", 2, 1, 1, 1, 100, 0, 19275, 16384, 16384, 22383, 16384,
         16384},
        {"contrast 0.5 halfway to the mean", 0.5, 1, 1, 1, 100, 0, 25700, 100, 32000, 19275, 100,
         32000},
        {"sharpness 0.5 reads the sharp map", 1, 0.5, 1, 1, 0, 100, 25700, 16384, 16384, 19275,
         16384, 16384},
        {"shadow 2 at map 0", 1, 1, 2, 1, 0, 0, 8224, 16384, 16384, 16416, 16384, 16384},
        {"shadow 2 at map 126 (16191 <= K)", 1, 1, 2, 1, 126, 0, 0, 16384, 16384, 0, 16384, 16384},
        {"map 127 is 16320 > K: no shadow", 1, 1, 2, 1, 127, 0, 8224, 16384, 16384, 8224, 16384,
         16384},
        {"highlight 2 at map 255", 1, 1, 1, 2, 255, 0, 16448, 16384, 16384, 8211, 16384, 16384},
        {"no maps: contrast has no effect", 2, 1, 1, 1, -1, -1, 19275, 16384, 16384, 19275, 16384,
         16384},
        {"chroma outside the square is clipped", 1, 1, 1, 1, -1, -1, 16384, 40000, 16384, 16384,
         32768, 16384},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Reset();
        SetNeutral16();
        SetFactors(c.contrast, c.sharpness, c.shadow, c.highlight);
        if (c.contrastMap >= 0) SetMaps(1, 1, uint8_t(c.contrastMap), uint8_t(c.sharpMap));
        const tLab16 r = Correct16(c.L, c.a, c.b);
        EXPECT_EQ(r.L, c.eL);
        EXPECT_EQ(r.a, c.ea);
        EXPECT_EQ(r.b, c.eb);
    }
}

TEST_F(KernelTest, ShadowAtMap126LiftsOnThe16BitScale) {
    SetNeutral16();
    SetFactors(1, 1, 2, 1);
    SetMaps(1, 1, 126, 0);
    // m = 16191: e = 1 / (1 + (K - m) / K).
    const double K = 127.0 * 32768.0 / 255.0;
    const double e = 1.0 / (1.0 + (K - 16191) / K);
    EXPECT_EQ(Correct16(8224, 16384, 16384).L,
              uint16_t(std::nearbyint(32768.0 * std::pow(8224 / 32768.0, e))));
    EXPECT_NE(Correct16(8224, 16384, 16384).L, 8224);
}

TEST_F(KernelTest, GainsIndexes16) {
    // Hue in steps of 0.036 degrees: (0, v > 0) is 2500; chroma gain 1
    // above 46647; light gain by m on 0..32768.
    SetNeutral16();
    Tables.HueGain16[2500] = 2.0;
    EXPECT_EQ(Correct16(100, 16384, 20000).b, 16384 + 2 * 3616);
    Tables.HueGain16[2500] = 1.0;
    std::fill(std::begin(Tables.ChromaGain16), std::end(Tables.ChromaGain16), 0.25);
    Tables.AbTransform[9] = -16384 - 46000;
    EXPECT_EQ(Correct16(100, 16384 - 647, 16384).a, 4722);  // C = 46647: 16384 - 11661.75
    EXPECT_EQ(Correct16(100, 16384 - 648, 16384).a, 0);     // C = 46648
    std::fill(std::begin(Tables.ChromaGain16), std::end(Tables.ChromaGain16), 1.0);
    Tables.AbTransform[9] = -16384;
    Tables.LightGain16[12850] = 0.5;
    SetMaps(1, 1, 100, 0);
    EXPECT_EQ(Correct16(100, 17384, 16384).a, 16884);
}

TEST_F(KernelTest, WorkingPixelAndMean) {
    test::FakeHost host(sdk::kModeLab, 4, 3);
    HostCall.Record = &host.record;
    Photo.Width = 4;
    Photo.Height = 3;
    for (int i = 0; i < 12; ++i) {
        host.out[3 * i] = uint8_t(10 * i);
        host.out[3 * i + 1] = uint8_t(100 + i);
        host.out[3 * i + 2] = uint8_t(200 - 3 * i);
    }
    // Centre (1, 1): pixels 0,1,2, 4,5,6, 8,9,10 -> L sum 450 = 50 * 9;
    // a sum 945 -> 105; b sum 1800 - 135 = 1665 -> 185.
    tLab8 m = WorkingMean(1, 1);
    EXPECT_EQ(m.L, 50);
    EXPECT_EQ(m.a, 105);
    EXPECT_EQ(m.b, 185);
    // (2, 1): pixels 1,2,3, 5,6,7, 9,10,11: L 540 / 9 = 60, a 954 / 9 = 106.
    m = WorkingMean(2, 1);
    EXPECT_EQ(m.L, 60);
    EXPECT_EQ(m.a, 106);
    // Outermost rows and columns are their own value.
    for (auto [x, y] : {std::pair{0, 1}, {3, 1}, {1, 0}, {2, 2}}) {
        const tLab8 own = WorkingMean(x, y);
        const int i = y * 4 + x;
        EXPECT_EQ(own.L, host.out[3 * i]);
        EXPECT_EQ(own.a, host.out[3 * i + 1]);
        EXPECT_EQ(own.b, host.out[3 * i + 2]);
    }
    for (int i = 0; i < 256; ++i) Tables.ToneTable[i] = uint8_t(255 - i);
    EXPECT_EQ(CorrectWorkingPixel(3, 2).L, 255 - 110);
    EXPECT_EQ(CorrectWorkingPixel(3, 2).a, 111);
    EXPECT_EQ(CorrectWorkingMean(1, 1).L, 255 - 50);
    EXPECT_EQ(CorrectWorkingMean(1, 1).b, 185);
    // The working masks are read at the working position.
    SetMasks(4, 3, 0, 0);
    Photo.ContrastMask[2][3] = 255;  // m = Tables.ToneTable[255] = 0
    SetFactors(1, 1, 2, 1);
    EXPECT_EQ(CorrectWorkingPixel(3, 2).L, 192);  // L1 145, m 0: round(255 sqrt(145 / 255))
    EXPECT_EQ(CorrectWorkingPixel(2, 2).L, 155);  // m 255: no shadow lift
}

}  // namespace
}  // namespace velmora

// The fast forms of the kernel against the plain ones: hue index and power
// approximations, the row forms over random settings, tables and pixels
// (including values the dialog cannot produce), and the bounds of the masks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <random>
#include <vector>

#include "base/Failure.h"
#include "engine/Correction.h"
#include "engine/Photo.h"
#include "engine/Settings.h"
#include "tests/maths/KernelFixture.h"

namespace velmora {
namespace {

using namespace kernel_detail;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kPi = std::numbers::pi;

class tRandom {
  public:
    explicit tRandom(uint64_t seed) : g_(seed) {}
    double Real(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(g_); }
    int Int(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(g_); }
    bool Chance(double p) { return Real(0, 1) < p; }
    template <class T, size_t N>
    T Pick(const T (&values)[N]) {
        return values[size_t(Int(0, int(N) - 1))];
    }

  private:
    std::mt19937_64 g_;
};

TEST(KernelFast, HueIndexAgreesWithAtan2) {
    tRandom r(1);
    auto check = [](double u, double v) {
        ASSERT_EQ(FastHueIndex8(u, v), HueIndex8(u, v)) << u << "," << v;
        ASSERT_EQ(FastHueIndex16(u, v), HueIndex16(u, v)) << u << "," << v;
    };
    // Every integer chroma point of the 8-bit range.
    for (int u = -363; u <= 363; ++u)
        for (int v = -363; v <= 363; ++v) check(u, v);
    // Signed zeros and the axes, where the index jumps between 0 and 360.
    for (double z : {0.0, -0.0})
        for (double w : {0.0, -0.0, 1e-300, -1e-300, 5.0, -5.0, 1e300, -1e300}) {
            check(z, w);
            check(w, z);
        }
    // Random points of every scale, and points at and next to half steps
    // (the rounding boundaries), where the exact form has to decide.
    for (int i = 0; i < 200000; ++i) {
        const double scale = std::pow(10.0, r.Real(-6, 6));
        check(r.Real(-1, 1) * scale, r.Real(-1, 1) * scale);
    }
    for (int step = 0; step < 10000; ++step) {
        for (int units : {360, 10000}) {
            const double angle = (step % units + 0.5) * 2 * kPi / units;
            for (double nudge : {0.0, 1e-15, -1e-15, 1e-11, -1e-11, 1e-8, -1e-8}) {
                const double radius = r.Real(1, 40000);
                check(radius * std::cos(angle + nudge), radius * std::sin(angle + nudge));
            }
        }
    }
}

TEST(KernelFast, PowerAgreesWithPow) {
    const double exponents[] = {0.2,  0.5,    0.61803, 0.999999, 1.0,    1.000001,
                                1.5,  2.0078, 5.0,     10,       1e-300, 1e300,
                                kInf, 0.0,    -0.5,    -1e300,   kNaN,   2.0 / 3.0};
    for (double e : exponents)
        for (int v = 0; v <= 32768; ++v)
            ASSERT_EQ(FastPower16(v, e), Power16(v, e)) << v << "^" << e;
    tRandom r(2);
    for (int i = 0; i < 300000; ++i) {
        const int v = r.Int(0, 32768);
        const double e = r.Chance(0.5) ? r.Real(0.1, 1) : r.Real(1, 12);
        ASSERT_EQ(FastPower16(v, e), Power16(v, e)) << v << "^" << e;
    }
    // Exponents that put the result within round-off of a half, where only
    // the exact form can decide.
    for (int i = 0; i < 200000; ++i) {
        const int v = r.Int(2, 32767);
        const double target = r.Int(1, 32767) + 0.5;
        const double e = std::log(target / 32768.0) / std::log(v / 32768.0);
        ASSERT_EQ(FastPower16(v, e), Power16(v, e)) << v << "^" << e;
    }
    EXPECT_EQ(Power16(0, 0.5), 0);
    EXPECT_EQ(Power16(0, -2.0), 0);
    EXPECT_EQ(Power16(16384, -1.0), 32768);  // clamped
    EXPECT_EQ(Power16(16384, kNaN), 16384);
}

// ---- Random configurations ---------------------------------------------------

double RandomFactor(tRandom& r, double lo, double hi, bool wild) {
    const double odd[] = {kNaN, kInf, -kInf, 0.0, -0.0, -2.0, -1e300, 1e300, 1e-300, 0.999999999};
    if (wild && r.Chance(0.3)) return r.Pick(odd);
    if (r.Chance(0.3)) return 1.0;
    return r.Real(lo, hi);
}

void RandomSettings(tRandom& r, bool wild) {
    Settings.Contrast = RandomFactor(r, 0.1, 10, wild);
    Settings.Sharpness = RandomFactor(r, 0.1, 10, wild);
    Settings.Shadow = RandomFactor(r, 1, 5, wild);
    Settings.HighLight = RandomFactor(r, 1, 5, wild);
}

template <class T, size_t N>
void RandomGains(tRandom& r, T (&table)[N], bool wild) {
    if (r.Chance(0.3)) {
        std::fill(table, table + N, r.Chance(0.5) ? 1.0 : r.Real(0.25, 4));
    } else {
        for (auto& g : table) g = r.Real(0.25, 4);
    }
    if (wild) {
        const double odd[] = {kNaN, kInf, -kInf, 0.0, -3.0, 1e300};
        for (int i = 0; i < 5; ++i) table[size_t(r.Int(0, int(N) - 1))] = r.Pick(odd);
    }
}

// A transform like the builder's (balance points, hue rotation) on the given
// scale, or a wild one.
void RandomTransform(tRandom& r, double scale, bool wild) {
    const double centre = 128 * scale;
    const double theta = r.Chance(0.3) ? 0.0 : r.Real(-kPi, kPi);
    double m6 = 0, m7 = 0;
    if (r.Chance(0.6)) {
        m6 = r.Real(-1.5, 1.5);
        m7 = r.Real(-1.5, 1.5);
    }
    const double du = r.Real(-40, 40) * scale, dv = r.Real(-40, 40) * scale;
    double t[12] = {1, 0, 0, 0, 1, 0, m6, m7, 1, -centre + du, -centre + dv, 0};
    const double c = std::cos(theta), s = std::sin(theta);
    for (int i : {0, 3, 6, 9}) {
        const double x = t[i], y = t[i + 1];
        t[i] = x * c - y * s;
        t[i + 1] = x * s + y * c;
    }
    if (wild && r.Chance(0.2)) t[r.Int(0, 10)] = r.Pick({kNaN, kInf, 1e300, -0.0});
    std::copy(t, t + 12, Tables.AbTransform);
}

void RandomTables8(tRandom& r, bool wild) {
    const int kind = r.Int(0, 2);
    for (int i = 0; i < 256; ++i)
        Tables.ToneTable[i] = kind == 0   ? uint8_t(i)
                              : kind == 1 ? uint8_t(r.Int(0, 255))
                                          : uint8_t(255 - i);
    if (kind == 1 && r.Chance(0.5))
        std::sort(std::begin(Tables.ToneTable), std::end(Tables.ToneTable));
    RandomGains(r, Tables.ChromaGain, wild);
    RandomGains(r, Tables.HueGain, wild);
    RandomGains(r, Tables.LightGain, wild);
    RandomTransform(r, 1.0, wild);
}

void RandomTables16(tRandom& r, bool wild) {
    for (int i = 0; i <= 32768; ++i) Tables.ToneTable16[i] = uint16_t(i);
    if (r.Chance(0.5))
        for (int i = 0; i <= 32768; ++i)
            Tables.ToneTable16[i] = uint16_t(std::lround(32768 * std::pow(i / 32768.0, 0.8)));
    if (wild)  // entries the 16-bit builder cannot produce
        for (int i = 0; i < 20; ++i)
            Tables.ToneTable16[r.Int(0, 32768)] = uint16_t(r.Int(32769, 65535));
    RandomGains(r, Tables.ChromaGain16, wild);
    RandomGains(r, Tables.HueGain16, wild);
    RandomGains(r, Tables.LightGain16, wild);
    RandomTransform(r, 32768.0 / 255.0, wild);
}

void RandomMatrix(tRandom& r, tByteMatrix& m, int w, int h) {
    m.Create(size_t(h), size_t(w));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) m[size_t(y)][size_t(x)] = uint8_t(r.Int(0, 255));
}

using test::SetNeutral16;
using test::SetNeutral8;

class KernelRows : public ::testing::Test {
  protected:
    void SetUp() override { Reset(); }
    void TearDown() override { Reset(); }
    static void Reset() {
        Maps.Ready = false;
        Photo.ContrastMask.Reset();
        Photo.SharpMask.Reset();
        Maps.ContrastMap.Reset();
        Maps.SharpMap.Reset();
        SetNeutral16();
        SetNeutral8();
        Settings.Contrast = Settings.Sharpness = Settings.Shadow = Settings.HighLight = 1.0;
    }
};

constexpr int kW = 300, kH = 5;  // rows longer than the row forms' chunks

TEST_F(KernelRows, Row8EqualsPixelKernel) {
    tRandom r(3);
    std::vector<uint8_t> in(kW * 3), out(kW * 3);
    for (int config = 0; config < 150; ++config) {
        const bool wild = config % 3 == 2;
        RandomSettings(r, wild);
        RandomTables8(r, wild);
        Maps.Ready = r.Chance(0.7);
        RandomMatrix(r, Photo.ContrastMask, kW, kH);
        RandomMatrix(r, Photo.SharpMask, kW, kH);
        if (config % 4 == 0) PrepareKernel();
        for (int y = 0; y < kH; ++y) {
            for (auto& s : in) s = uint8_t(r.Int(0, 255));
            const int x0 = r.Int(0, 10);
            const int count = kW - x0;
            const bool inPlace = y % 2 == 1;
            if (inPlace) out = in;
            CorrectRow8(x0, y, inPlace ? out.data() : in.data(), out.data(), count);
            for (int i = 0; i < count; ++i) {
                const tLab8 p = CorrectPixel(x0 + i, y, in[3 * i], in[3 * i + 1], in[3 * i + 2]);
                ASSERT_EQ(out[3 * i], p.L) << "config " << config << " x " << x0 + i;
                ASSERT_EQ(out[3 * i + 1], p.a) << "config " << config << " x " << x0 + i;
                ASSERT_EQ(out[3 * i + 2], p.b) << "config " << config << " x " << x0 + i;
            }
        }
    }
}

// Neighbours that repeat, or differ in one sample or one mask value only:
// a result kept from the previous pixel must be used exactly when nothing
// it depends on has changed.
TEST_F(KernelRows, Row8EqualsPixelKernelOnRepeatingNeighbours) {
    tRandom r(7);
    std::vector<uint8_t> in(kW * 3), out(kW * 3);
    for (int config = 0; config < 150; ++config) {
        const bool wild = config % 3 == 2;
        RandomSettings(r, wild);
        RandomTables8(r, wild);
        Maps.Ready = r.Chance(0.7);
        for (tByteMatrix* m : {&Photo.ContrastMask, &Photo.SharpMask}) {
            m->Create(size_t(kH), size_t(kW));
            for (int y = 0; y < kH; ++y) {
                uint8_t v = uint8_t(r.Int(0, 255));
                for (int x = 0; x < kW; ++x) {
                    if (r.Chance(0.2)) v = uint8_t(v + r.Int(-2, 2));
                    (*m)[size_t(y)][size_t(x)] = v;
                }
            }
        }
        for (int y = 0; y < kH; ++y) {
            uint8_t px[3] = {uint8_t(r.Int(0, 255)), uint8_t(r.Int(0, 255)),
                             uint8_t(r.Int(0, 255))};
            for (int x = 0; x < kW; ++x) {
                if (r.Chance(0.5)) px[r.Int(0, 2)] = uint8_t(px[r.Int(0, 2)] + r.Int(-1, 1));
                std::copy(px, px + 3, &in[3 * size_t(x)]);
            }
            CorrectRow8(0, y, in.data(), out.data(), kW);
            for (int i = 0; i < kW; ++i) {
                const tLab8 p = CorrectPixel(i, y, in[3 * i], in[3 * i + 1], in[3 * i + 2]);
                ASSERT_EQ(out[3 * i], p.L) << "config " << config << " x " << i;
                ASSERT_EQ(out[3 * i + 1], p.a) << "config " << config << " x " << i;
                ASSERT_EQ(out[3 * i + 2], p.b) << "config " << config << " x " << i;
            }
        }
    }
}

// Every (a, b) for the three ways the 8-bit row form treats colour: the
// whole result by (a, b), hue and chroma gain by (a, b), and per pixel
// (the neutral axis tilted with L in a, or in b).
TEST_F(KernelRows, Row8EqualsPixelKernelForEveryChroma) {
    tRandom r(4);
    for (int kind = 0; kind < 4; ++kind) {
        RandomSettings(r, false);
        RandomTables8(r, false);
        for (auto& g : Tables.HueGain) g = r.Real(0.25, 4);
        if (kind == 0) std::fill(std::begin(Tables.LightGain), std::end(Tables.LightGain), 1.5);
        Tables.AbTransform[6] = Tables.AbTransform[7] = 0.0;
        if (kind == 2) Tables.AbTransform[6] = 0.3;
        if (kind == 3) Tables.AbTransform[7] = -0.3;
        Maps.Ready = true;
        RandomMatrix(r, Photo.ContrastMask, 256, 1);
        RandomMatrix(r, Photo.SharpMask, 256, 1);
        std::vector<uint8_t> row(256 * 3), out(256 * 3);
        for (int a = 0; a < 256; ++a) {
            for (int b = 0; b < 256; ++b) {
                row[3 * b] = uint8_t(r.Int(0, 255));
                row[3 * b + 1] = uint8_t(a);
                row[3 * b + 2] = uint8_t(b);
            }
            CorrectRow8(0, row.data(), out.data(), 256);
            for (int b = 0; b < 256; ++b) {
                const tLab8 p = CorrectPixel(b, 0, row[3 * b], uint8_t(a), uint8_t(b));
                ASSERT_EQ(out[3 * b], p.L) << kind;
                ASSERT_EQ(out[3 * b + 1], p.a) << kind << " " << a << "," << b;
                ASSERT_EQ(out[3 * b + 2], p.b) << kind << " " << a << "," << b;
            }
        }
    }
}

TEST_F(KernelRows, Row8FollowsChangedInputs) {
    // The row form rebuilds its tables when a table or a setting changes
    // between two rows, without a call to PrepareKernel.
    uint8_t px[3] = {64, 138, 128};
    uint8_t out[3];
    CorrectRow8(0, px, out, 1);
    EXPECT_EQ(out[0], 64);
    Settings.Shadow = 2.0;
    CorrectRow8(0, px, out, 1);
    EXPECT_EQ(out[0], 101);
    Tables.ToneTable[64] = 0;
    CorrectRow8(0, px, out, 1);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[1], 138);
    Tables.ChromaGain[10] = 2.0;
    CorrectRow8(0, px, out, 1);
    EXPECT_EQ(out[1], 148);
    Tables.AbTransform[9] = -118;
    CorrectRow8(0, px, out, 1);
    EXPECT_EQ(out[1], 148);  // u 20: gain 1 at chroma 20
}

TEST_F(KernelRows, Row16EqualsPixelKernel) {
    tRandom r(5);
    constexpr int kW = 600;  // rows longer than the row form's chunks
    std::vector<uint16_t> in(kW * 3), out(kW * 3);
    const uint16_t special[] = {0, 1, 16383, 16384, 16385, 32767, 32768, 40000, 65535};
    for (int config = 0; config < 60; ++config) {
        const bool wild = config % 3 == 2;
        RandomSettings(r, wild);
        RandomTables16(r, wild);
        Maps.Ready = r.Chance(0.7);
        RandomMatrix(r, Maps.ContrastMap, kW, kH);
        RandomMatrix(r, Maps.SharpMap, kW, kH);
        for (int y = 0; y < kH; ++y) {
            for (auto& s : in) s = r.Chance(0.1) ? r.Pick(special) : uint16_t(r.Int(0, 32768));
            const int x0 = r.Int(0, 10);
            const int count = kW - x0;
            const bool inPlace = y % 2 == 1;
            if (inPlace) out = in;
            CorrectRow16(x0, y, inPlace ? out.data() : in.data(), out.data(), count);
            for (int i = 0; i < count; ++i) {
                const tLab16 p = CorrectPixel16(x0 + i, y, in[3 * i], in[3 * i + 1], in[3 * i + 2]);
                ASSERT_EQ(out[3 * i], p.L) << "config " << config << " x " << x0 + i;
                ASSERT_EQ(out[3 * i + 1], p.a) << "config " << config << " x " << x0 + i;
                ASSERT_EQ(out[3 * i + 2], p.b) << "config " << config << " x " << x0 + i;
                ASSERT_LE(p.L, 32768);
                ASSERT_LE(p.a, 32768);
                ASSERT_LE(p.b, 32768);
            }
        }
    }
}

TEST_F(KernelRows, UnusableTablesAndSettingsStaySafe) {
    // A gain that is not finite acts as 1.
    std::fill(std::begin(Tables.HueGain), std::end(Tables.HueGain), kNaN);
    tLab8 p = CorrectPixel(0, 0, 100, 150, 90);
    EXPECT_EQ(p.a, 150);
    EXPECT_EQ(p.b, 90);
    std::fill(std::begin(Tables.HueGain), std::end(Tables.HueGain), 1.0);
    std::fill(std::begin(Tables.ChromaGain), std::end(Tables.ChromaGain), kInf);
    Tables.LightGain[100] = 0.0;  // inf * 0
    p = CorrectPixel(0, 0, 100, 150, 90);
    EXPECT_EQ(p.a, 150);
    EXPECT_EQ(p.b, 90);
    // A huge gain clips along the hue line.
    Tables.LightGain[100] = 1.0;
    std::fill(std::begin(Tables.ChromaGain), std::end(Tables.ChromaGain), 1e200);
    p = CorrectPixel(0, 0, 100, 138, 128);
    EXPECT_EQ(p.a, 255);
    EXPECT_EQ(p.b, 128);
    // A transform that is not finite gives neutral chroma.
    SetNeutral8();
    Tables.AbTransform[0] = kNaN;
    p = CorrectPixel(0, 0, 100, 150, 90);
    EXPECT_EQ(p.a, 128);
    EXPECT_EQ(p.b, 128);
    SetNeutral8();
    // Factors that are not finite act as 1; negative ones clamp.
    Maps.Ready = true;
    Photo.ContrastMask.Create(1, 1);
    Photo.SharpMask.Create(1, 1);
    Photo.ContrastMask[0][0] = 100;
    Photo.SharpMask[0][0] = 100;
    for (double f : {kNaN, kInf, -kInf}) {
        Settings.Contrast = Settings.Sharpness = Settings.Shadow = Settings.HighLight = f;
        EXPECT_EQ(CorrectPixel(0, 0, 200, 128, 128).L, 200) << f;
    }
    Settings.Contrast = Settings.Sharpness = Settings.Shadow = Settings.HighLight = 1.0;
    Settings.Contrast = -1e300;
    EXPECT_EQ(CorrectPixel(0, 0, 200, 128, 128).L, 0);
    Settings.Contrast = -3;  // 100 + round(100 * -3) -> clamped
    EXPECT_EQ(CorrectPixel(0, 0, 200, 128, 128).L, 0);
    EXPECT_EQ(CorrectPixel(0, 0, 50, 128, 128).L, 250);
    Settings.Contrast = 1;
    Settings.Shadow = -5;  // negative power: above 255, clamped
    EXPECT_EQ(CorrectPixel(0, 0, 50, 128, 128).L, 255);
    EXPECT_EQ(CorrectPixel(0, 0, 0, 128, 128).L, 0);
}

TEST_F(KernelRows, Lightness16AboveTheScaleReadsAsFull) {
    SetNeutral16();
    EXPECT_EQ(CorrectPixel16(0, 0, 65535, 16384, 16384).L, 32768);
    Tables.ToneTable16[100] = 60000;
    EXPECT_EQ(CorrectPixel16(0, 0, 100, 16384, 16384).L, 32768);
}

TEST_F(KernelRows, MasksMustCoverThePosition) {
    uint8_t px8[6] = {1, 2, 3, 4, 5, 6};
    uint16_t px16[6] = {1, 2, 3, 4, 5, 6};
    // Without maps the positions are not used.
    EXPECT_NO_THROW(CorrectPixel(-5, 1000, 1, 2, 3));
    EXPECT_NO_THROW(CorrectRow8(-5, 1000, px8, px8, 2));
    EXPECT_NO_THROW(CorrectPixel16(-5, 1000, 1, 2, 3));
    EXPECT_NO_THROW(CorrectRow16(-5, 1000, px16, px16, 2));
    Maps.Ready = true;
    Photo.ContrastMask.Create(2, 3);
    Photo.SharpMask.Create(2, 3);
    Maps.ContrastMap.Create(2, 3);
    Maps.SharpMap.Create(2, 3);
    EXPECT_NO_THROW(CorrectPixel(2, 1, 1, 2, 3));
    EXPECT_NO_THROW(CorrectRow8(1, 1, px8, px8, 2));
    EXPECT_NO_THROW(CorrectRow16(1, 1, px16, px16, 2));
    EXPECT_THROW(CorrectPixel(3, 1, 1, 2, 3), tInternalFailure);
    EXPECT_THROW(CorrectPixel(0, 2, 1, 2, 3), tInternalFailure);
    EXPECT_THROW(CorrectPixel(-1, 0, 1, 2, 3), tInternalFailure);
    EXPECT_THROW(CorrectRow8(2, 0, px8, px8, 2), tInternalFailure);
    EXPECT_THROW(CorrectRow8(0, -1, px8, px8, 1), tInternalFailure);
    EXPECT_THROW(CorrectPixel16(3, 0, 1, 2, 3), tInternalFailure);
    EXPECT_THROW(CorrectRow16(2, 1, px16, px16, 2), tInternalFailure);
    Maps.SharpMap.Reset();  // maps not built
    EXPECT_THROW(CorrectPixel16(0, 0, 1, 2, 3), tInternalFailure);
    EXPECT_THROW(CorrectRow16(0, 0, px16, px16, 1), tInternalFailure);
}

}  // namespace
}  // namespace velmora

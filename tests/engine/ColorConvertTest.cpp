// RGB and Lab conversions through the host's colour services with their
// caches, the 16-bit interpolation and the display conversion.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "base/Failure.h"
#include "engine/ColorConvert.h"
#include "engine/HostCall.h"
#include "tests/support/FakeHost.h"

namespace velmora {
namespace {

using test::FakeHost;
using Triple = std::array<int, 3>;

// What a recording colour services saw: the source space and the triple.
struct tRequest {
    int16_t source;
    Triple colour;
    bool operator==(const tRequest&) const = default;
};
std::vector<tRequest> Requests;
sdk::ColorServicesInfo LastInfo;
// Added to the first component of every answer (to send it out of range).
int AnswerOffset = 0;

int16_t RecordingServices(sdk::ColorServicesInfo* info) {
    LastInfo = *info;
    Requests.push_back(
        {info->sourceSpace,
         {info->colorComponents[0], info->colorComponents[1], info->colorComponents[2]}});
    int16_t out[3];
    if (info->sourceSpace == sdk::kColorSpaceRGB)
        FakeHost::FakeRgbToLab(info->colorComponents, out);
    else
        FakeHost::FakeLabToRgb(info->colorComponents, out);
    for (int k = 0; k < 3; ++k) info->colorComponents[k] = out[k];
    info->colorComponents[0] = int16_t(info->colorComponents[0] + AnswerOffset);
    return 0;
}

Triple FakeLab(Triple rgb) {
    const int16_t in[3] = {int16_t(rgb[0]), int16_t(rgb[1]), int16_t(rgb[2])};
    int16_t out[3];
    FakeHost::FakeRgbToLab(in, out);
    return {out[0], out[1], out[2]};
}
Triple FakeRgb(Triple lab) {
    const int16_t in[3] = {int16_t(lab[0]), int16_t(lab[1]), int16_t(lab[2])};
    int16_t out[3];
    FakeHost::FakeLabToRgb(in, out);
    return {out[0], out[1], out[2]};
}

Triple ToLab(Triple rgb) {
    const uint8_t in[3] = {uint8_t(rgb[0]), uint8_t(rgb[1]), uint8_t(rgb[2])};
    uint8_t out[3];
    RgbToLab8(in, out);
    return {out[0], out[1], out[2]};
}
Triple ToRgb(Triple lab) {
    const uint8_t in[3] = {uint8_t(lab[0]), uint8_t(lab[1]), uint8_t(lab[2])};
    uint8_t out[3];
    LabToRgb8(in, out);
    return {out[0], out[1], out[2]};
}
Triple ToDisplay(Triple lab) {
    const uint8_t in[3] = {uint8_t(lab[0]), uint8_t(lab[1]), uint8_t(lab[2])};
    uint8_t out[3];
    LabToDisplay(in, out);
    return {out[0], out[1], out[2]};
}

class ColorConvertTest : public ::testing::Test {
  protected:
    FakeHost host{sdk::kModeRGB, 1, 1};
    void SetUp() override {
        FlushConversionCache();
        FlushDisplayCache();
        HostCall.Record = &host.record;
        HostCall.ColorSpaceSuite = &host.colorSpace;
        Requests.clear();
        AnswerOffset = 0;
    }
    void TearDown() override {
        FlushConversionCache();
        FlushDisplayCache();
        HostCall.Record = nullptr;
        HostCall.ColorSpaceSuite = nullptr;
    }
    void Record() { host.record.colorServices = &RecordingServices; }
};

TEST_F(ColorConvertTest, EachColourCostsOneHostCall) {
    EXPECT_EQ(ToLab({10, 20, 30}), FakeLab({10, 20, 30}));
    EXPECT_EQ(ToLab({10, 20, 30}), FakeLab({10, 20, 30}));
    EXPECT_EQ(host.colorServicesCalls, 1);
    EXPECT_EQ(ConversionCacheNodes(), 1u);

    const Triple lab = {90, 140, 100};
    EXPECT_EQ(ToRgb(lab), FakeRgb(lab));
    EXPECT_EQ(ToRgb(lab), FakeRgb(lab));
    EXPECT_EQ(host.colorServicesCalls, 2);
}

TEST_F(ColorConvertTest, ColourServicesRecordIsFilledForEachDirection) {
    Record();
    ToLab({1, 2, 3});
    EXPECT_EQ(LastInfo.infoSize, int32_t(sizeof(sdk::ColorServicesInfo)));
    EXPECT_EQ(LastInfo.selector, sdk::kColorServicesConvertColor);
    EXPECT_EQ(LastInfo.sourceSpace, sdk::kColorSpaceRGB);
    EXPECT_EQ(LastInfo.resultSpace, sdk::kColorSpaceLab);
    EXPECT_EQ(LastInfo.resultGamutInfoValid, 1);
    EXPECT_EQ(LastInfo.colorComponents[3], 0);
    EXPECT_EQ(LastInfo.reservedSourceSpaceInfo, nullptr);
    EXPECT_EQ(LastInfo.reservedResultSpaceInfo, nullptr);
    EXPECT_EQ(LastInfo.reserved, nullptr);
    EXPECT_EQ(LastInfo.selectorParameter, 0);
    ToRgb({200, 100, 50});
    EXPECT_EQ(LastInfo.sourceSpace, sdk::kColorSpaceLab);
    EXPECT_EQ(LastInfo.resultSpace, sdk::kColorSpaceRGB);
    EXPECT_EQ((Triple{LastInfo.colorComponents[0], LastInfo.colorComponents[1],
                      LastInfo.colorComponents[2]}),
              (Triple{200, 100, 50}));
}

TEST_F(ColorConvertTest, LabComesBackAsTheRgbItCameFrom) {
    const Triple lab = ToLab({10, 20, 30});
    ASSERT_NE(FakeRgb(lab), (Triple{10, 20, 30}));  // the host's own inverse differs
    EXPECT_EQ(ToRgb(lab), (Triple{10, 20, 30}));
    EXPECT_EQ(host.colorServicesCalls, 1);

    // (9, 20, 30) has the same Lab: the most recent conversion wins.
    ASSERT_EQ(ToLab({9, 20, 30}), lab);
    EXPECT_EQ(ToRgb(lab), (Triple{9, 20, 30}));
    EXPECT_EQ(host.colorServicesCalls, 2);
}

TEST_F(ColorConvertTest, ReverseConversionsStayOutOfTheForwardCache) {
    const Triple lab = {120, 130, 140};
    const Triple rgb = ToRgb(lab);
    EXPECT_EQ(host.colorServicesCalls, 1);
    EXPECT_EQ(ToLab(rgb), FakeLab(rgb));
    EXPECT_EQ(host.colorServicesCalls, 2);
}

TEST_F(ColorConvertTest, ColoursSharingAnIndexAreToldApart) {
    ASSERT_EQ(ColorHash(1, 2, 3), ColorHash(1, 2, 67));
    ASSERT_EQ(ColorHash(1, 2, 3), ColorHash(1, 2, 131));
    EXPECT_EQ(ColorHash(1, 2, 3), (3u << 16) | (2u << 8) | 1u);
    const Triple colours[] = {{1, 2, 3}, {1, 2, 67}, {1, 2, 131}, {1, 2, 195}};
    for (int round = 0; round < 2; ++round)
        for (const Triple& c : colours) {
            EXPECT_EQ(ToLab(c), FakeLab(c));
            EXPECT_EQ(ToRgb(c), FakeRgb(c));
            EXPECT_EQ(ToDisplay(c), FakeRgb(c));
        }
    EXPECT_EQ(host.colorServicesCalls, 8);
    EXPECT_EQ(host.displayCalls, 4);
}

TEST_F(ColorConvertTest, FlushEmptiesTheCachesAndTheHostIsAskedAgain) {
    const Triple lab = ToLab({10, 20, 30});
    ToRgb({50, 60, 70});
    ToDisplay({50, 60, 70});
    FlushConversionCache();
    EXPECT_EQ(ConversionCacheNodes(), 0u);
    EXPECT_TRUE(ConversionBucketsEmpty());
    EXPECT_EQ(DisplayCacheNodes(), 1u);  // untouched by the conversion flush

    EXPECT_EQ(ToLab({10, 20, 30}), lab);
    EXPECT_EQ(host.colorServicesCalls, 3);
    ToRgb({50, 60, 70});
    EXPECT_EQ(host.colorServicesCalls, 4);

    ToDisplay({50, 60, 70});
    EXPECT_EQ(host.displayCalls, 1);
    FlushDisplayCache();
    EXPECT_EQ(DisplayCacheNodes(), 0u);
    EXPECT_TRUE(DisplayBucketsEmpty());
    ToDisplay({50, 60, 70});
    EXPECT_EQ(host.displayCalls, 2);
}

TEST_F(ColorConvertTest, ManyColoursFillSeveralBlocksAndFlushCleanly) {
    // 200 000 colours: more than one node block, many shared indexes.
    for (int r = 0; r < 256; r += 3)
        for (int g = 0; g < 256; g += 3)
            for (int b = 0; b < 256; b += 9) ToLab({r, g, b});
    const int calls = host.colorServicesCalls;
    EXPECT_EQ(size_t(calls), ConversionCacheNodes());
    EXPECT_GT(calls, 65536 * 2);
    EXPECT_EQ(ToLab({255, 255, 252}), FakeLab({255, 255, 252}));
    EXPECT_EQ(ToLab({3, 6, 9}), FakeLab({3, 6, 9}));
    EXPECT_EQ(host.colorServicesCalls, calls);
    FlushConversionCache();
    EXPECT_TRUE(ConversionBucketsEmpty());
}

TEST_F(ColorConvertTest, AnswerOutsideTheByteRangeIsAFailure) {
    Record();
    for (int offset : {256, -300}) {
        AnswerOffset = offset;
        EXPECT_THROW(ToLab({10, 20, 30}), tInternalFailure);
        EXPECT_THROW(ToRgb({10, 20, 30}), tInternalFailure);
        EXPECT_EQ(ConversionCacheNodes(), 0u);
    }
    AnswerOffset = 0;
    EXPECT_EQ(ToLab({10, 20, 30}), FakeLab({10, 20, 30}));

    host.record.colorServices = nullptr;
    EXPECT_THROW(ToLab({40, 20, 30}), tInternalFailure);
}

// The 8-bit colours a 16-bit conversion asks for, in either direction: the
// corners of its tetrahedron that have weight, in corner order.
TEST_F(ColorConvertTest, SixteenBitAsksForTheCornersThatHaveWeight) {
    const struct {
        bool toLab;
        std::array<uint16_t, 3> in;
        std::vector<Triple> grid;
    } cases[] = {
        {true, {0, 0, 0}, {{0, 0, 0}}},
        // x = 255 lies at the top of cell 254 with fraction 1.
        {true, {32768, 32768, 32768}, {{255, 255, 255}}},
        {true, {32768, 0, 32768}, {{255, 0, 255}}},
        // x = 127.998 in every component: the two ends of the diagonal.
        {true, {16448, 16448, 16448}, {{127, 127, 127}, {128, 128, 128}}},
        // Fractions 0.403 (0), 0.998 (1), 0.625 (2): order 1, 2, 0.
        {true,
         {16500, 16448, 16400},
         {{128, 127, 127}, {128, 128, 127}, {128, 128, 128}, {129, 128, 128}}},
        // Equal fractions in 0 and 2, none in 1: n + e_0 has weight 0.
        {true, {16448, 0, 16448}, {{127, 0, 127}, {128, 0, 128}}},
        {true, {0, 16448, 16448}, {{0, 127, 127}, {0, 128, 128}}},
        // Above 32768 taken as 32768; fractions 1 (0), 0.556 (1), 0.778 (2).
        {true, {65535, 200, 100}, {{255, 1, 0}, {255, 1, 1}, {255, 2, 1}}},
        // Neutral a and b, 127.5: L's fraction 0.998 first, then a, then b.
        {false, {16448, 16384, 16384}, {{127, 127, 127}, {128, 127, 127}, {128, 128, 128}}},
        {false, {0, 0, 0}, {{0, 0, 0}}},
    };
    Record();
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.in[0] << " " << c.in[1] << " " << c.in[2]);
        FlushConversionCache();
        Requests.clear();
        uint16_t out[3];
        if (c.toLab)
            RgbToLab16(c.in.data(), out);
        else
            LabToRgb16(c.in.data(), out);
        std::vector<Triple> seen;
        for (const auto& r : Requests) {
            EXPECT_EQ(r.source, c.toLab ? sdk::kColorSpaceRGB : sdk::kColorSpaceLab);
            seen.push_back(r.colour);
        }
        EXPECT_EQ(seen, c.grid);
    }
}

// The tetrahedral interpolation, in doubles, over the host's own 8-bit
// answers.
std::array<int, 3> Tetrahedral(const std::array<uint16_t, 3>& v, Triple (*convert)(Triple)) {
    const double S = 32768.0 / 255.0;
    Triple n;
    std::array<double, 3> f;
    std::array<int, 3> order = {0, 1, 2};
    for (int k = 0; k < 3; ++k) {
        const double x = std::min<int>(v[k], 32768) / S;
        n[k] = std::min(int(std::floor(x)), 254);
        f[k] = x - n[k];
    }
    std::stable_sort(order.begin(), order.end(), [&](int i, int j) { return f[i] > f[j]; });
    const int a = order[0], b = order[1], c = order[2];
    Triple p1 = n, p2 = n, p3 = n;
    p1[a] += 1;
    p2[a] += 1;
    p2[b] += 1;
    for (int& e : p3) e += 1;
    const Triple q0 = convert(n), q1 = convert(p1), q2 = convert(p2), q3 = convert(p3);
    std::array<int, 3> out;
    for (int k = 0; k < 3; ++k)
        out[k] = int(std::lrint(
            ((1 - f[a]) * q0[k] + (f[a] - f[b]) * q1[k] + (f[b] - f[c]) * q2[k] + f[c] * q3[k]) *
            S));
    return out;
}

TEST_F(ColorConvertTest, SixteenBitInterpolatesInTheTetrahedronOfItsCell) {
    std::vector<std::array<uint16_t, 3>> triples;
    const uint16_t special[] = {0, 1, 128, 129, 16384, 16448, 32639, 32640, 32767, 32768};
    for (const uint16_t x : special)
        for (const uint16_t y : special) triples.push_back({x, y, uint16_t(32768 - x)});
    uint32_t s = 7;
    for (int i = 0; i < 3000; ++i) {
        std::array<uint16_t, 3> t;
        for (auto& c : t) c = uint16_t((s = s * 1664525u + 1013904223u) >> 8) % 32769;
        triples.push_back(t);
    }
    // Forward first and reverse after a flush, so both read the host's own
    // answers (the reverse cache is not met by forward conversions).
    for (const bool toLab : {true, false}) {
        FlushConversionCache();
        for (const auto& t : triples) {
            SCOPED_TRACE(testing::Message() << toLab << ": " << t[0] << " " << t[1] << " " << t[2]);
            uint16_t out[3];
            toLab ? RgbToLab16(t.data(), out) : LabToRgb16(t.data(), out);
            const std::array<int, 3> expected = Tetrahedral(t, toLab ? FakeLab : FakeRgb);
            EXPECT_EQ((std::array<int, 3>{out[0], out[1], out[2]}), expected);
        }
    }
}

// The former conversion: the nearest grid point and its neighbour along the
// component farthest from the grid.
std::array<int, 3> OneAxis(const std::array<uint16_t, 3>& v, Triple (*convert)(Triple)) {
    const double S = 32768.0 / 255.0;
    Triple n, second;
    std::array<double, 3> w;
    std::array<int, 3> step;
    for (int k = 0; k < 3; ++k) {
        const double x = std::min<int>(v[k], 32768) / S;
        n[k] = int(std::lrint(x));
        w[k] = std::fabs(x - n[k]);
        step[k] = (x > n[k]) - (x < n[k]);
    }
    const int axis = w[0] > w[1] && w[0] > w[2] ? 0 : w[1] > w[2] ? 1 : 2;
    second = n;
    second[axis] += step[axis];
    const Triple p = convert(n), q = convert(second);
    std::array<int, 3> out;
    for (int k = 0; k < 3; ++k)
        out[k] = int(std::lrint(((1 - w[axis]) * p[k] + w[axis] * q[k]) * S));
    return out;
}

// Triples on the grid (components 0 and 32768), and those with at most one
// component off it, convert exactly as the one-axis interpolation did.
TEST_F(ColorConvertTest, SixteenBitOnTheGridConvertsAsBefore) {
    std::vector<std::array<uint16_t, 3>> triples;
    for (const uint16_t x : {0, 32768})
        for (const uint16_t y : {0, 32768})
            for (int v = 0; v <= 32768; v += 37) {
                triples.push_back({x, y, uint16_t(v)});
                triples.push_back({x, uint16_t(v), y});
                triples.push_back({uint16_t(v), x, y});
            }
    for (const bool toLab : {true, false}) {
        FlushConversionCache();
        for (const auto& t : triples) {
            SCOPED_TRACE(testing::Message() << toLab << ": " << t[0] << " " << t[1] << " " << t[2]);
            uint16_t out[3];
            toLab ? RgbToLab16(t.data(), out) : LabToRgb16(t.data(), out);
            EXPECT_EQ((std::array<int, 3>{out[0], out[1], out[2]}),
                      OneAxis(t, toLab ? FakeLab : FakeRgb));
        }
    }
}

TEST_F(ColorConvertTest, SixteenBitInterpolatesAlongOneAxis) {
    const double S = 32768.0 / 255.0;
    uint16_t out[3];
    const uint16_t white[3] = {32768, 32768, 32768};
    RgbToLab16(white, out);
    const Triple p = FakeLab({255, 255, 255});
    for (int k = 0; k < 3; ++k) EXPECT_EQ(out[k], std::lrint(p[k] * S)) << k;

    // Grid 128 with weight 1/512 towards 127 on the first component.
    const uint16_t in[3] = {16448, 0, 0};
    RgbToLab16(in, out);
    const Triple p0 = FakeLab({128, 0, 0}), q0 = FakeLab({127, 0, 0});
    const double K = 128 - 16448 / S;
    EXPECT_NEAR(K, 0.001953125, 1e-12);
    for (int k = 0; k < 3; ++k)
        EXPECT_EQ(out[k], std::lrint(((1 - K) * p0[k] + K * q0[k]) * S)) << k;

    // Lab to RGB, with a negative offset from the grid on the second axis:
    // 16384 / S = 127.504, grid 128 and 127 with weight 0.496.
    const uint16_t lab[3] = {16448, 16384, 0};
    LabToRgb16(lab, out);
    const Triple p1 = FakeRgb({128, 128, 0}), q1 = FakeRgb({128, 127, 0});
    const double K1 = 128 - 16384 / S;
    for (int k = 0; k < 3; ++k)
        EXPECT_EQ(out[k], std::lrint(((1 - K1) * p1[k] + K1 * q1[k]) * S)) << k;
}

TEST_F(ColorConvertTest, DisplayWithoutSuiteUsesSrgb) {
    HostCall.ColorSpaceSuite = nullptr;
    const struct {
        Triple lab, rgb;
        int tolerance;
    } cases[] = {
        {{255, 128, 128}, {255, 255, 255}, 0},
        {{0, 128, 128}, {0, 0, 0}, 0},
        {{136, 128, 128}, {128, 128, 128}, 1},  // L* 53.3: sRGB 128
        {{138, 209, 198}, {255, 0, 0}, 1},      // sRGB red in D50 Lab: 54.3, 80.8, 69.9
    };
    for (const auto& c : cases) {
        const Triple rgb = ToDisplay(c.lab);
        for (int k = 0; k < 3; ++k)
            EXPECT_LE(std::abs(rgb[k] - c.rgb[k]), c.tolerance) << c.lab[0] << " " << k;
    }
    EXPECT_EQ(host.displayCalls, 0);
    for (int l = 0; l < 256; l += 5) {
        const Triple grey = ToDisplay({l, 128, 128});
        EXPECT_LE(std::abs(grey[0] - grey[1]), 1) << l;
        EXPECT_LE(std::abs(grey[1] - grey[2]), 1) << l;
        if (l > 0) {
            EXPECT_GT(grey[1], 0) << l;
        }
    }
}

// A row of colours from a small palette (so that colours repeat, next to
// each other and further apart) with colours sharing a hash index.
template <class T>
std::vector<T> PaletteRow(size_t pixels, int full, uint32_t seed) {
    std::vector<T> palette;
    uint32_t s = seed;
    const auto next = [&s] { return s = s * 1664525u + 1013904223u; };
    for (int i = 0; i < 40; ++i)
        for (int k = 0; k < 3; ++k) palette.push_back(T(next() % uint32_t(full + 1)));
    // The same first two components with third components 64 apart.
    for (int c = 3; c < 256 && full == 255; c += 64)
        for (const int v : {1, 2, c}) palette.push_back(T(v));
    // The 16-bit range ends, on the grid and past it.
    if (full > 255)
        for (const int v : {0, 32768, 65535, 16448, 16448, 16448}) palette.push_back(T(v));
    std::vector<T> row;
    const size_t colours = palette.size() / 3;
    for (size_t j = 0; j < pixels;) {
        const size_t c = next() % colours, run = 1 + next() % 4;
        for (size_t r = 0; r < run && j < pixels; ++r, ++j)
            row.insert(row.end(), palette.begin() + 3 * c, palette.begin() + 3 * c + 3);
    }
    return row;
}

TEST_F(ColorConvertTest, RowFormsGiveTheSingleColourResultsAndHostCalls) {
    Record();
    // Forward, reverse (Lab colours met forward and new ones), forward again
    // (new nodes heading reverse chains) and reverse again: the row forms
    // must answer as the single-colour forms and ask the host the same
    // colours in the same order.
    const std::vector<uint8_t> rgb8 = PaletteRow<uint8_t>(500, 255, 1);
    const std::vector<uint8_t> lab8 = PaletteRow<uint8_t>(500, 255, 2);
    const std::vector<uint8_t> rgb8b = PaletteRow<uint8_t>(500, 255, 3);
    const std::vector<uint16_t> rgb16 = PaletteRow<uint16_t>(500, 32768, 4);
    const std::vector<uint16_t> lab16 = PaletteRow<uint16_t>(500, 32768, 5);

    const auto single = [](std::vector<uint8_t> v, bool toLab) {
        for (size_t j = 0; j < v.size(); j += 3) {
            uint8_t out[3];
            toLab ? RgbToLab8(&v[j], out) : LabToRgb8(&v[j], out);
            std::copy(out, out + 3, &v[j]);
        }
        return v;
    };
    const auto single16 = [](std::vector<uint16_t> v, bool toLab) {
        for (size_t j = 0; j < v.size(); j += 3) {
            uint16_t out[3];
            toLab ? RgbToLab16(&v[j], out) : LabToRgb16(&v[j], out);
            std::copy(out, out + 3, &v[j]);
        }
        return v;
    };
    const auto row = [](std::vector<uint8_t> v, bool toLab) {
        toLab ? RgbToLab8Row(v.data(), v.size() / 3) : LabToRgb8Row(v.data(), v.size() / 3);
        return v;
    };
    const auto row16 = [](std::vector<uint16_t> v, bool toLab) {
        toLab ? RgbToLab16Row(v.data(), v.size() / 3) : LabToRgb16Row(v.data(), v.size() / 3);
        return v;
    };

    std::vector<std::vector<uint8_t>> expected8;
    std::vector<std::vector<uint16_t>> expected16;
    expected8.push_back(single(rgb8, true));
    // Reverse lookups of the Lab colours the forward pass produced, too.
    std::vector<uint8_t> back = lab8;
    back.insert(back.end(), expected8[0].begin(), expected8[0].end());
    // And Lab colours that the second forward pass will reach from other RGB
    // colours than the host's own inverse.
    for (size_t j = 0; j < 60; j += 3) {
        const Triple lab = FakeLab({rgb8b[j], rgb8b[j + 1], rgb8b[j + 2]});
        for (const int v : lab) back.push_back(uint8_t(v));
    }
    expected8.push_back(single(back, false));
    expected8.push_back(single(rgb8b, true));
    expected8.push_back(single(back, false));
    expected16.push_back(single16(rgb16, true));
    expected16.push_back(single16(lab16, false));
    const std::vector<tRequest> expectedRequests = Requests;

    FlushConversionCache();
    Requests.clear();
    EXPECT_EQ(row(rgb8, true), expected8[0]);
    EXPECT_EQ(row(back, false), expected8[1]);
    EXPECT_EQ(row(rgb8b, true), expected8[2]);
    EXPECT_EQ(row(back, false), expected8[3]);
    EXPECT_EQ(row16(rgb16, true), expected16[0]);
    EXPECT_EQ(row16(lab16, false), expected16[1]);
    EXPECT_EQ(Requests, expectedRequests);
    // The second reverse pass really met changed answers.
    EXPECT_NE(expected8[1], expected8[3]);
}

// The monitor conversions asked for, in order, answered by a fixed mixing of
// the components.
std::vector<Triple> MonitorRequests;
int32_t RecordingMonitor(int16_t, uint8_t* in, uint8_t* out, int32_t count) {
    for (int32_t i = 0; i < count; ++i, in += 4, out += 4) {
        MonitorRequests.push_back({in[1], in[2], in[3]});
        out[1] = uint8_t(in[1] * 7 + in[3]);
        out[2] = uint8_t(in[2] ^ 0x5A);
        out[3] = uint8_t(in[3] + in[1]);
    }
    return 0;
}

TEST_F(ColorConvertTest, DisplayRowFormGivesTheSingleColourResultsAndHostCalls) {
    host.colorSpace.ConvertToMonitorRGB = &RecordingMonitor;
    // New colours, repeats, colours sharing a bucket, and a second pass over
    // a cache that already holds part of them; rows longer and shorter than
    // the distances fetched ahead.
    std::vector<std::vector<uint8_t>> rows = {PaletteRow<uint8_t>(500, 255, 7),
                                              PaletteRow<uint8_t>(7, 255, 8),
                                              PaletteRow<uint8_t>(300, 255, 9)};
    rows.push_back(rows[0]);
    rows[3].insert(rows[3].end(), rows[2].begin(), rows[2].end());

    std::vector<std::vector<uint32_t>> expected;
    MonitorRequests.clear();
    for (const auto& row : rows) {
        std::vector<uint32_t> out;
        for (size_t j = 0; j < row.size(); j += 3) {
            uint8_t rgb[3];
            LabToDisplay(&row[j], rgb);
            out.push_back(color_cache::Pack(rgb));
        }
        expected.push_back(out);
    }
    const std::vector<Triple> expectedRequests = MonitorRequests;
    const size_t nodes = DisplayCacheNodes();

    FlushDisplayCache();
    MonitorRequests.clear();
    for (size_t r = 0; r < rows.size(); ++r) {
        std::vector<uint32_t> keys;
        for (size_t j = 0; j < rows[r].size(); j += 3)
            keys.push_back(color_cache::Pack(&rows[r][j]));
        LabToDisplayKeys(keys.data(), keys.size());
        EXPECT_EQ(keys, expected[r]) << "row " << r;
    }
    EXPECT_EQ(MonitorRequests, expectedRequests);
    EXPECT_EQ(DisplayCacheNodes(), nodes);
}

}  // namespace
}  // namespace velmora

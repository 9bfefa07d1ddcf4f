// The lightness matrix, the two recursive-Gaussian maps in both forms, the
// release of the matrix and the mask scaling.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "base/Failure.h"
#include "engine/MapSteps.h"
#include "engine/Photo.h"
#include "engine/Progress.h"
#include "tests/engine/PhotoFixture.h"
#include "tests/support/FakeHost.h"

namespace velmora {

namespace test {
extern const size_t kCropWidth;
extern const size_t kCropHeight;
extern const char kCropRgb[];
}  // namespace test

namespace {

using test::FakeHost;

class MapsTest : public test::PhotoFixture {};

// An 8-bit Lab host image with the given lightness (row-major); a and b are
// 128.
void SetLightness(FakeHost& host, const std::vector<uint8_t>& L) {
    for (size_t i = 0; i < L.size(); ++i) {
        host.in[3 * i] = L[i];
        host.in[3 * i + 1] = 128;
        host.in[3 * i + 2] = 128;
    }
}

// Deterministic texture: a few gradients plus pseudo-random noise.
std::vector<uint8_t> Texture(int w, int h, uint32_t seed) {
    std::vector<uint8_t> L(size_t(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            seed = seed * 1664525u + 1013904223u;
            L[size_t(y) * w + x] = uint8_t((3 * x + 5 * y + (seed >> 24) / 2) % 256);
        }
    return L;
}

// The crop's lightness through the fake host's RGB to Lab.
std::vector<uint8_t> CropLightness() {
    std::vector<uint8_t> L(test::kCropWidth * test::kCropHeight);
    const auto* rgb = reinterpret_cast<const uint8_t*>(test::kCropRgb);
    for (size_t i = 0; i < L.size(); ++i) {
        const int16_t c[3] = {rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]};
        int16_t lab[3];
        FakeHost::FakeRgbToLab(c, lab);
        L[i] = uint8_t(lab[0]);
    }
    return L;
}

void OneShotMaps(bool hostProgress) {
    BuildLightnessMatrix(hostProgress);
    BuildSharpMap(Maps.LightnessMatrix, Maps.SharpMap, hostProgress);
    BuildContrastMap(Maps.LightnessMatrix, Maps.ContrastMap, hostProgress);
}

// The dialog's order of steps, up to (not including) the release; with
// blocks, the blurs a block of columns or rows a step.
void StepwiseMaps(bool blocks = false) {
    BeginLightness();
    while (!LightnessDone()) LightnessStep();
    tMapCreator* creators[] = {&Steps.SharpMapCreator, &Steps.ContrastMapCreator};
    tByteMatrix* maps[] = {&Maps.SharpMap, &Maps.ContrastMap};
    for (int k = 0; k < 2; ++k) {
        tMapCreator& c = *creators[k];
        c.BeginColumns(Maps.LightnessMatrix, *maps[k]);
        while (!c.ColumnsDone()) blocks ? c.ColumnBlockStep() : c.ColumnStep();
        c.BeginRows();
        while (!c.RowsDone()) blocks ? c.RowBlockStep() : c.RowStep();
        c.Finish();
    }
}

std::vector<std::vector<uint8_t>> Bytes(const tByteMatrix& m) {
    std::vector<std::vector<uint8_t>> out;
    for (size_t i = 0; i < m.Rows(); ++i) out.push_back(m[i]);
    return out;
}
std::vector<std::vector<float>> Floats(const tSingleMatrix& m) {
    std::vector<std::vector<float>> out;
    for (size_t i = 0; i < m.Rows(); ++i) out.push_back(m[i]);
    return out;
}

// Written out from the formulas, start and end terms spelled out, for
// sequences of at least four samples; checks the sweeps' arithmetic.
struct tReference {
    using Ext = long double;
    tGaussCoefficients c;

    std::vector<double> Forward(const std::vector<Ext>& x) const {
        const size_t n = x.size();
        std::vector<double> w(n);
        w[0] = double(c.B * x[0] + c.b1 * x[0] + c.b2 * x[0] + c.b3 * x[0]);
        w[1] = double(c.B * x[1] + c.b1 * w[0] + c.b2 * x[0] + c.b3 * x[0]);
        w[2] = double(c.B * x[2] + c.b1 * w[1] + c.b2 * w[0] + c.b3 * x[0]);
        for (size_t i = 3; i < n; ++i)
            w[i] = double(c.B * x[i] + c.b1 * w[i - 1] + c.b2 * w[i - 2] + c.b3 * w[i - 3]);
        return w;
    }
    // Backward values of type T (float in the column phase, double in the row phase).
    template <class T>
    std::vector<T> Backward(const std::vector<double>& w) const {
        const size_t n = w.size();
        const double e = w[n - 1];
        std::vector<T> y(n);
        y[n - 1] = T(c.B * w[n - 1] + c.b1 * e + c.b2 * e + c.b3 * e);
        y[n - 2] = T(c.B * w[n - 2] + c.b1 * y[n - 1] + c.b2 * e + c.b3 * e);
        y[n - 3] = T(c.B * w[n - 3] + c.b1 * y[n - 2] + c.b2 * y[n - 1] + c.b3 * e);
        for (size_t i = n - 3; i-- > 0;)
            y[i] = T(c.B * w[i] + c.b1 * y[i + 1] + c.b2 * y[i + 2] + c.b3 * y[i + 3]);
        return y;
    }
    // Column j of m blurred in place; returns the forward values.
    std::vector<double> Column(std::vector<std::vector<float>>& m, size_t j) const {
        std::vector<Ext> x(m.size());
        for (size_t i = 0; i < m.size(); ++i) x[i] = m[i][j];
        const std::vector<double> w = Forward(x);
        const std::vector<float> y = Backward<float>(w);
        for (size_t i = 0; i < m.size(); ++i) m[i][j] = y[i];
        return w;
    }
    // Row i of m blurred in place, its map bytes into map; returns the
    // forward and backward values.
    std::pair<std::vector<double>, std::vector<double>> Row(std::vector<std::vector<float>>& m,
                                                            size_t i,
                                                            std::vector<uint8_t>& map) const {
        const std::vector<double> w = Forward(std::vector<Ext>(m[i].begin(), m[i].end()));
        const std::vector<double> y = Backward<double>(w);
        map.resize(y.size());
        for (size_t j = 0; j < y.size(); ++j) {
            m[i][j] = float(y[j]);
            map[j] = uint8_t(std::nearbyint(std::fmin(std::fmax(y[j], 0.0), 255.0)));
        }
        return {w, y};
    }
    // Blurs m in place (columns, then rows) and returns the rounded map.
    std::vector<std::vector<uint8_t>> Blur(std::vector<std::vector<float>>& m) const {
        for (size_t j = 0; j < m[0].size(); ++j) Column(m, j);
        std::vector<std::vector<uint8_t>> map(m.size());
        for (size_t i = 0; i < m.size(); ++i) Row(m, i, map[i]);
        return map;
    }
};

TEST(RecursiveGaussian, CoefficientsAreTheNormalisedSetsForTheirScale) {
    struct Case {
        double q;
        const tGaussCoefficients* c;
    };
    for (const Case& k : {Case{1, &kSharpCoefficients}, Case{19, &kContrastCoefficients}}) {
        const long double q = k.q;
        const long double b0 = 1.57825L + 2.44413L * q + 1.4281L * q * q + 0.422205L * q * q * q;
        const long double b1 = 2.44413L * q + 2.85619L * q * q + 1.26661L * q * q * q;
        const long double b2 = -(1.4281L * q * q + 1.26661L * q * q * q);
        const long double b3 = 0.422205L * q * q * q;
        // The table's 20 digits agree with the formulas to long double precision.
        EXPECT_LT(std::fabs(k.c->b1 - b1 / b0), 1e-18L) << k.q;
        EXPECT_LT(std::fabs(k.c->b2 - b2 / b0), 1e-18L) << k.q;
        EXPECT_LT(std::fabs(k.c->b3 - b3 / b0), 1e-18L) << k.q;
        EXPECT_LT(std::fabs(k.c->B - (1 - (b1 + b2 + b3) / b0)), 1e-18L) << k.q;
        EXPECT_LT(std::fabs(k.c->B + k.c->b1 + k.c->b2 + k.c->b3 - 1), 1e-18L) << k.q;
    }
}

TEST_F(MapsTest, LightnessIsTheFirstSampleOnThe255Scale) {
    FakeHost host(sdk::kModeLab48, 3, 2);
    const uint16_t samples[18] = {32768, 1, 2, 0,   3, 4, 16384, 5, 6,
                                  1,     0, 0, 257, 0, 0, 32767, 0, 0};
    std::memcpy(host.In16(), samples, sizeof samples);
    Use(host);
    BuildLightnessMatrix(false);
    const float expected[6] = {255.0f,
                               0.0f,
                               float(16384 / (32768.0 / 255)),
                               float(1 / (32768.0 / 255)),
                               float(257 / (32768.0 / 255)),
                               float(32767 / (32768.0 / 255))};
    ASSERT_EQ(Maps.LightnessMatrix.Rows(), 2u);
    ASSERT_EQ(Maps.LightnessMatrix.Columns(), 3u);
    for (size_t i = 0; i < 6; ++i) EXPECT_EQ(Maps.LightnessMatrix[i / 3][i % 3], expected[i]) << i;
    const auto oneShot = Floats(Maps.LightnessMatrix);
    BeginLightness();
    while (!LightnessDone()) LightnessStep();
    EXPECT_EQ(Floats(Maps.LightnessMatrix), oneShot);
    EXPECT_EQ(Steps.LightnessScan.Offset, 18);

    FakeHost host8(sdk::kModeRGB, 2, 1);  // after ConvertToLab: L is the first sample
    const uint8_t lab8[6] = {7, 200, 200, 254, 0, 0};
    std::memcpy(host8.In8(), lab8, sizeof lab8);
    Use(host8);
    BuildLightnessMatrix(false);
    EXPECT_EQ(Maps.LightnessMatrix[0][0], 7.0f);
    EXPECT_EQ(Maps.LightnessMatrix[0][1], 254.0f);
}

TEST_F(MapsTest, ConstantImagesGiveConstantMapsAtAnySize) {
    const int sizes[][2] = {{1, 1}, {2, 1}, {1, 2}, {2, 2}, {3, 3}, {1, 9}, {9, 1}, {40, 30}};
    for (const auto& s : sizes) {
        for (uint8_t v : {uint8_t(0), uint8_t(77), uint8_t(255)}) {
            FakeHost host(sdk::kModeLab, s[0], s[1]);
            SetLightness(host, std::vector<uint8_t>(size_t(s[0]) * s[1], v));
            Use(host);
            OneShotMaps(false);
            const std::vector<uint8_t> row(static_cast<size_t>(s[0]), v);
            const std::vector<std::vector<uint8_t>> expected(static_cast<size_t>(s[1]), row);
            EXPECT_EQ(Bytes(Maps.SharpMap), expected) << s[0] << "x" << s[1] << " " << int(v);
            EXPECT_EQ(Bytes(Maps.ContrastMap), expected) << s[0] << "x" << s[1] << " " << int(v);
        }
    }
}

TEST_F(MapsTest, StepEdgeStaysInRangeAndSpreadsWithTheScale) {
    // The edge once across the columns (row phase) and once across the rows
    // (column phase): 0 before position 200, 255 from there.
    constexpr int n = 400;
    for (bool across : {true, false}) {
        const int w = across ? n : 3, h = across ? 3 : n;
        std::vector<uint8_t> L(size_t(w) * h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) L[size_t(y) * w + x] = (across ? x : y) >= n / 2 ? 255 : 0;
        FakeHost host(sdk::kModeLab, w, h);
        SetLightness(host, L);
        Use(host);
        OneShotMaps(false);
        auto profile = [&](const tByteMatrix& m) {
            std::vector<int> p(n);
            for (int t = 0; t < n; ++t) p[size_t(t)] = across ? m[1][size_t(t)] : m[size_t(t)][1];
            return p;
        };
        // Width of the rise from 10 % to 90 %.
        auto rise = [](const std::vector<int>& p) {
            int width = 0;
            for (int v : p) width += v > 25 && v < 230;
            return width;
        };
        for (const tByteMatrix* m : {&Maps.SharpMap, &Maps.ContrastMap}) {
            const std::vector<int> p = profile(*m);
            EXPECT_EQ(p.front(), 0) << across;
            EXPECT_EQ(p.back(), 255) << across;
            for (int t = 1; t < n; ++t) EXPECT_GE(p[size_t(t)], p[size_t(t) - 1]) << t;
        }
        const int sharp = rise(profile(Maps.SharpMap));
        const int contrast = rise(profile(Maps.ContrastMap));
        EXPECT_GE(sharp, 2) << across;
        EXPECT_LE(sharp, 8) << across;
        EXPECT_GE(contrast, 30) << across;
        EXPECT_LE(contrast, 100) << across;
    }
}

TEST_F(MapsTest, MapsFollowTheFormulasAndContrastBlursTheFloatSharpBlur) {
    FakeHost host(sdk::kModeLab, int(test::kCropWidth), int(test::kCropHeight));
    SetLightness(host, CropLightness());
    Use(host);
    BuildLightnessMatrix(false);
    std::vector<std::vector<float>> m = Floats(Maps.LightnessMatrix);
    const tReference sharp{kSharpCoefficients}, contrast{kContrastCoefficients};

    BuildSharpMap(Maps.LightnessMatrix, Maps.SharpMap, false);
    EXPECT_EQ(Bytes(Maps.SharpMap), sharp.Blur(m));
    EXPECT_EQ(Floats(Maps.LightnessMatrix), m);  // the sharpness blur, kept as floats
    BuildContrastMap(Maps.LightnessMatrix, Maps.ContrastMap, false);
    EXPECT_EQ(Bytes(Maps.ContrastMap), contrast.Blur(m));
    EXPECT_EQ(Floats(Maps.LightnessMatrix), m);

    // Blurring Maps.SharpMap's rounded bytes instead gives other bytes.
    std::vector<std::vector<float>> fromBytes;
    for (const auto& row : Bytes(Maps.SharpMap)) fromBytes.emplace_back(row.begin(), row.end());
    EXPECT_NE(Bytes(Maps.ContrastMap), contrast.Blur(fromBytes));

    // The doubles of every step (extended-precision sums rounded once) match
    // too; the bytes and floats alone would hide a loss of precision.
    BeginLightness();
    while (!LightnessDone()) LightnessStep();
    m = Floats(Maps.LightnessMatrix);
    std::vector<uint8_t> row;
    for (const auto* k : {&sharp, &contrast}) {
        tMapCreator& creator = k == &sharp ? static_cast<tMapCreator&>(Steps.SharpMapCreator)
                                           : static_cast<tMapCreator&>(Steps.ContrastMapCreator);
        creator.BeginColumns(Maps.LightnessMatrix, k == &sharp ? Maps.SharpMap : Maps.ContrastMap);
        for (size_t j = 0; j < test::kCropWidth; ++j) {
            creator.ColumnStep();
            ASSERT_EQ(creator.Forward, k->Column(m, j)) << "column " << j;
        }
        creator.BeginRows();
        for (size_t i = 0; i < test::kCropHeight; ++i) {
            creator.RowStep();
            const auto [w, y] = k->Row(m, i, row);
            ASSERT_EQ(creator.Forward, w) << "row " << i;
            ASSERT_EQ(creator.Backward, y) << "row " << i;
            ASSERT_EQ(creator.Map[i], row) << "row " << i;
        }
        creator.Finish();
    }
    EXPECT_EQ(Floats(Maps.LightnessMatrix), m);
}

TEST_F(MapsTest, StepwiseAndOneShotFormsGiveIdenticalMaps) {
    struct Case {
        int w, h;
        bool crop;
    };
    const Case cases[] = {{int(test::kCropWidth), int(test::kCropHeight), true},
                          {1, 1, false},
                          {2, 3, false},
                          {3, 2, false},
                          {17, 5, false},
                          {5, 17, false},
                          {33, 19, false},
                          {1, 40, false},
                          {40, 1, false},
                          {16, 4, false},
                          {48, 9, false}};
    for (const Case& c : cases) {
        SetUp();
        const std::vector<uint8_t> L =
            c.crop ? CropLightness() : Texture(c.w, c.h, uint32_t(c.w * 131 + c.h));
        FakeHost host(sdk::kModeLab, c.w, c.h);
        SetLightness(host, L);
        Use(host);

        OneShotMaps(true);
        const auto sharp = Bytes(Maps.SharpMap), contrast = Bytes(Maps.ContrastMap);
        const auto blurred = Floats(Maps.LightnessMatrix);
        ASSERT_EQ(sharp.size(), size_t(c.h));
        for (const auto& row : contrast) ASSERT_EQ(row.size(), size_t(c.w));

        for (bool blocks : {false, true}) {
            SCOPED_TRACE(blocks ? "block steps" : "single steps");
            ResetPhotoState();
            StepwiseMaps(blocks);
            EXPECT_EQ(Bytes(Maps.SharpMap), sharp) << c.w << "x" << c.h;
            EXPECT_EQ(Bytes(Maps.ContrastMap), contrast) << c.w << "x" << c.h;
            EXPECT_EQ(Floats(Maps.LightnessMatrix), blurred) << c.w << "x" << c.h;
            EXPECT_TRUE(Steps.SharpMapCreator.Map.SharesWith(Maps.SharpMap));
            EXPECT_TRUE(Steps.ContrastMapCreator.Source.SharesWith(Maps.LightnessMatrix));
            EXPECT_TRUE(Steps.SharpMapCreator.Forward.empty());
            EXPECT_TRUE(Steps.SharpMapCreator.Backward.empty());
        }
    }
}

TEST_F(MapsTest, CreatorStepsOutOfOrderAreRefused) {
    FakeHost host(sdk::kModeLab, 9, 5);
    SetLightness(host, Texture(9, 5, 3));
    Use(host);
    BuildLightnessMatrix(false);
    tMapCreator& c = Steps.SharpMapCreator;
    c.BeginColumns(Maps.LightnessMatrix, Maps.SharpMap);
    EXPECT_THROW(c.RowStep(), tInternalFailure);  // row phase not begun
    EXPECT_THROW(c.RowBlockStep(), tInternalFailure);
    c.ColumnStep();
    c.BeginRows();
    EXPECT_THROW(c.ColumnStep(), tInternalFailure);  // column phase over
    EXPECT_THROW(c.ColumnBlockStep(), tInternalFailure);
    c.RowStep();
    c.Finish();
    EXPECT_THROW(c.RowStep(), tInternalFailure);  // temporaries released
    EXPECT_THROW(c.RowBlockStep(), tInternalFailure);
    EXPECT_EQ(c.Row, 1);
    EXPECT_EQ(Maps.SharpMap[0].size(), 9u);
}

TEST_F(MapsTest, OneShotFormsCountRowsAndColumns) {
    struct View : tProgressView {
        std::vector<int32_t> shown;
        void ShowProgress(int32_t c) override { shown.push_back(c); }
    } view;
    FakeHost host(sdk::kModeLab, 21, 6);
    SetLightness(host, Texture(21, 6, 5));
    Use(host);

    Progress.Counter = 100;
    OneShotMaps(true);
    ASSERT_EQ(host.progress.size(), size_t(6 + 2 * (21 + 6)));
    for (size_t i = 0; i < host.progress.size(); ++i) {
        EXPECT_EQ(host.progress[i].first, int32_t(101 + i));
        EXPECT_EQ(host.progress[i].second, 1000);
    }
    EXPECT_EQ(host.abortCalls, 6 + 2 * (21 + 6));
    EXPECT_EQ(Progress.Counter, 100 + 6 + 2 * (21 + 6));

    Progress.View = &view;
    host.progress.clear();
    host.abortCalls = 0;
    Progress.Counter = 0;
    OneShotMaps(false);
    EXPECT_TRUE(host.progress.empty());
    EXPECT_EQ(host.abortCalls, 0);
    ASSERT_EQ(view.shown.size(), size_t(6 + 2 * (21 + 6)));
    EXPECT_EQ(view.shown.back(), 6 + 2 * (21 + 6));
}

TEST_F(MapsTest, AbortLeavesEveryMapRowReadable) {
    FakeHost host(sdk::kModeLab, 40, 30);
    SetLightness(host, Texture(40, 30, 9));
    Use(host);
    OneShotMaps(false);
    const auto complete = Bytes(Maps.SharpMap);

    struct Case {
        int abortAt;       // host abort poll that answers "abort"
        size_t builtRows;  // rows certainly built before the abort
    };
    // 40 column units come first, then 30 row units.
    for (const Case& c : {Case{5, 0}, Case{40, 0}, Case{43, 3}, Case{70, 30}}) {
        SetUp();
        host.abortCalls = 0;
        host.abortFromCall = c.abortAt;
        BuildLightnessMatrix(false);
        BuildSharpMap(Maps.LightnessMatrix, Maps.SharpMap, true);
        EXPECT_EQ(Progress.Counter, 30 + c.abortAt);
        ASSERT_EQ(Maps.SharpMap.Rows(), 30u);
        for (size_t i = 0; i < 30; ++i) {
            ASSERT_EQ(Maps.SharpMap[i].size(), 40u) << c.abortAt << " row " << i;
            if (i < c.builtRows) {
                EXPECT_EQ(Maps.SharpMap[i], complete[i]) << c.abortAt << " row " << i;
            }
            if (c.abortAt <= 40) {  // no row built: all hold the matrix as it stands, rounded
                for (size_t j = 0; j < 40; ++j)
                    EXPECT_EQ(Maps.SharpMap[i][j], MapByte(Maps.LightnessMatrix[i][j]));
            }
        }
        if (c.abortAt == 70) {
            EXPECT_EQ(Bytes(Maps.SharpMap), complete);
        }
    }

    // The lightness matrix keeps its remaining rows at zero.
    SetUp();
    host.abortCalls = 0;
    host.abortFromCall = 3;
    BuildLightnessMatrix(true);
    EXPECT_EQ(Progress.Counter, 3);
    ASSERT_EQ(Maps.LightnessMatrix.Rows(), 30u);
    EXPECT_NE(Maps.LightnessMatrix[2], std::vector<float>(40, 0.0f));
    EXPECT_EQ(Maps.LightnessMatrix[3], std::vector<float>(40, 0.0f));
}

TEST_F(MapsTest, ReleaseReturnsTheMatrixRowByRow) {
    FakeHost host(sdk::kModeLab, 8, 5);
    SetLightness(host, Texture(8, 5, 1));
    Use(host);
    StepwiseMaps();
    tLightnessMapDestructor& d = Steps.LightnessMapDestructor;
    d.BeginRelease();
    EXPECT_EQ(d.Count, 5);
    EXPECT_FALSE(d.ReleaseDone());
    d.ReleaseStep();
    EXPECT_TRUE(Maps.LightnessMatrix[0].empty());
    EXPECT_EQ(Maps.LightnessMatrix[1].size(), 8u);
    while (!d.ReleaseDone()) d.ReleaseStep();
    EXPECT_EQ(d.Index, 5);
    d.FinishRelease();
    EXPECT_TRUE(Maps.LightnessMatrix.Empty());
    EXPECT_TRUE(d.Matrix.Empty());
    EXPECT_EQ(Maps.SharpMap.Rows(), 5u);  // the maps stay
    EXPECT_EQ(Maps.ContrastMap[4].size(), 8u);
}

// Maps whose byte at (x, y) is x + 16y (contrast) and 255 - that (sharp).
void NumberedMaps(size_t w, size_t h) {
    Maps.ContrastMap.Create(h, w);
    Maps.SharpMap.Create(h, w);
    for (size_t y = 0; y < h; ++y)
        for (size_t x = 0; x < w; ++x) {
            Maps.ContrastMap[y][x] = uint8_t(x + 16 * y);
            Maps.SharpMap[y][x] = uint8_t(255 - x - 16 * y);
        }
}

TEST_F(MapsTest, MaskScalingSamplesTheMapsAtTheWorkingScale) {
    FakeHost host(sdk::kModeLab, 10, 8);
    Use(host);
    NumberedMaps(10, 8);
    InitPhoto(Photo, 10, 8);
    for (double s : {0.5, 1.0}) {
        RescalePhoto(Photo, false, s);
        BeginMaskScaling();
        EXPECT_FALSE(Photo.ContrastMask.SharesWith(Maps.ContrastMap));
        int steps = 0;
        while (!MaskScalingDone()) {
            MaskScalingStep();
            ++steps;
        }
        EXPECT_EQ(steps, Photo.Height);
        const size_t f = s == 0.5 ? 2 : 1;  // every second row and column from 0
        ASSERT_EQ(Photo.ContrastMask.Rows(), 8 / f);
        for (size_t i = 0; i < 8 / f; ++i)
            for (size_t j = 0; j < 10 / f; ++j) {
                EXPECT_EQ(Photo.ContrastMask[i][j], Maps.ContrastMap[f * i][f * j]) << s;
                EXPECT_EQ(Photo.SharpMask[i][j], Maps.SharpMap[f * i][f * j]) << s;
            }
    }
}

TEST_F(MapsTest, RescaleDuringMaskScalingRestartsItAtTheNewSize) {
    FakeHost host(sdk::kModeLab, 40, 32);
    Use(host);
    NumberedMaps(40, 32);
    InitPhoto(Photo, 40, 32);
    RescalePhoto(Photo, false, 0.5);
    BeginMaskScaling();
    for (int i = 0; i < 10; ++i) MaskScalingStep();

    for (double s : {0.25, 0.75}) {  // zoom out below the rows done, then in again
        RescalePhoto(Photo, false, s);
        EXPECT_EQ(Steps.MaskScaling.Row, 0);
        EXPECT_DOUBLE_EQ(Steps.MaskScaling.Step, 1 / s);
        ASSERT_EQ(Photo.ContrastMask.Rows(), size_t(Photo.Height));
        ASSERT_EQ(Photo.ContrastMask[0].size(), size_t(Photo.Width));
        MaskScalingStep();
    }
    while (!MaskScalingDone()) MaskScalingStep();
    EXPECT_EQ(Steps.MaskScaling.Row, Photo.Height);
    // The finished masks are those of a scaling begun at 0.75.
    const std::vector<std::vector<uint8_t>> masks = Bytes(Photo.ContrastMask);
    BeginMaskScaling();
    while (!MaskScalingDone()) MaskScalingStep();
    EXPECT_EQ(Bytes(Photo.ContrastMask), masks);
    EXPECT_EQ(masks[1][1], Maps.ContrastMap[1][1]);  // round(4/3) = 1
    EXPECT_EQ(masks[2][2], Maps.ContrastMap[3][3]);  // round(8/3) = 3

    // With the maps ready the rescale builds the masks itself.
    Maps.Ready = true;
    RescalePhoto(Photo, true, 0.5);
    EXPECT_EQ(Photo.ContrastMask[3][4], Maps.ContrastMap[6][8]);
    EXPECT_TRUE(MaskScalingDone());
}

}  // namespace
}  // namespace velmora

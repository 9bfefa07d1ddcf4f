// Lightness histogram of the host image and the analysed black and white
// points.
#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "base/Failure.h"
#include "engine/Analysis.h"
#include "engine/HostCall.h"
#include "engine/Settings.h"
#include "tests/support/FakeHost.h"

namespace velmora {
namespace {

using test::FakeHost;

class AnalysisTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetAnalysis();
        ResetAll(false);
    }
    void TearDown() override {
        ResetAnalysis();
        ResetAll(false);
        HostCall.Record = nullptr;
    }
    // Lightness of every pixel (first component), the others left at 0.
    static void Fill(FakeHost& host, uint16_t lightness) {
        const size_t n = host.Is16() ? host.in.size() / 2 : host.in.size();
        for (size_t i = 0; i < n; i += 3) SetL(host, i / 3, lightness);
    }
    static void SetL(FakeHost& host, size_t pixel, uint16_t lightness) {
        if (host.Is16())
            host.In16()[3 * pixel] = lightness;
        else
            host.In8()[3 * pixel] = uint8_t(lightness);
    }
    static void Analyse(FakeHost& host) {
        HostCall.Record = &host.record;
        AnalyseDynamicRange();
    }
};

TEST_F(AnalysisTest, UniformImageHasBothPointsAtItsLevel) {
    for (int16_t mode : {sdk::kModeLab, sdk::kModeRGB}) {
        FakeHost host(mode, 100, 100);
        Fill(host, 100);
        Analyse(host);
        EXPECT_EQ(Analysis.Black, 100);
        EXPECT_EQ(Analysis.White, 100);
        EXPECT_EQ(Analysis.Histogram[100], 10000);
    }
}

TEST_F(AnalysisTest, HistogramCountsTheFirstSampleOfEveryPixelAtAnyWidth) {
    // Widths around the counting stride of four pixels; the other samples
    // hold values that must not be counted.
    for (int width = 1; width <= 9; ++width) {
        FakeHost host(sdk::kModeLab, width, 3);
        int expected[256] = {};
        uint8_t* in = host.In8();
        for (int p = 0; p < width * 3; ++p) {
            const uint8_t L = uint8_t(p % 5 == 4 ? 7 : 10 + p);
            in[3 * p] = L;
            in[3 * p + 1] = 200;
            in[3 * p + 2] = 201;
            ++expected[L];
        }
        Analyse(host);
        for (int v = 0; v < 256; ++v)
            ASSERT_EQ(Analysis.Histogram[v], expected[v]) << width << " " << v;
    }
}

TEST_F(AnalysisTest, PointsAreWhereTheCumulativeCountReachesTheLimit) {
    // 10 000 pixels in three planes: limit R(30000 * 0.0001) = 3.
    FakeHost host(sdk::kModeLab, 100, 100);
    for (size_t p = 0; p < 10000; ++p) SetL(host, p, uint16_t(21 + p % 200));  // 21..220
    SetL(host, 0, 0);
    SetL(host, 1, 0);
    SetL(host, 2, 20);  // third pixel from the bottom
    SetL(host, 3, 230);
    SetL(host, 4, 230);
    SetL(host, 5, 229);  // third from the top
    Analyse(host);
    EXPECT_EQ(Analysis.Black, 20);
    EXPECT_EQ(Analysis.White, 229);
    EXPECT_EQ(Analysis.Histogram[0], 2);

    SetL(host, 6, 0);  // three at the very bottom: the limit is reached at 0
    Analyse(host);
    EXPECT_EQ(Analysis.Black, 0);
}

TEST_F(AnalysisTest, ClipFractionSetsTheLimit) {
    constexpr double inf = std::numeric_limits<double>::infinity();
    const struct {
        double fraction;
        int32_t black, white;
    } cases[] = {
        {0.0, 0, 255},   // limit 0: the ends themselves
        {-1.0, 0, 255},  // negative limit, the same
        {-inf, 0, 255},
        {0.0001, 50, 200},                                    // the default
        {std::numeric_limits<double>::quiet_NaN(), 50, 200},  // taken as the default
        {0.3, 200, 50},  // more than half the pixels at each end
        {5.0, 255, 0},   // beyond the pixel count: the walks run to the far end
        {inf, 255, 0},
        {1e300, 255, 0},
    };
    // 10 000 pixels, half at 50 and half at 200; the default limit is 3.
    FakeHost host(sdk::kModeLab, 100, 100);
    for (size_t p = 0; p < 10000; ++p) SetL(host, p, p < 5000 ? 50 : 200);
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.fraction));
        Settings.ClipFraction = c.fraction;
        Analyse(host);
        EXPECT_EQ(Analysis.Black, c.black);
        EXPECT_EQ(Analysis.White, c.white);
    }
}

TEST_F(AnalysisTest, SixteenBitLevelsAreBinnedBy128AndWhiteIsSkipped) {
    for (int16_t mode : {sdk::kModeLab48, sdk::kModeRGB48}) {
        FakeHost host(mode, 100, 100);  // limit 3
        Fill(host, 32768);
        Analyse(host);
        for (int i = 0; i < 256; ++i) ASSERT_EQ(Analysis.Histogram[i], 0) << i;
        EXPECT_EQ(Analysis.Black, 255);
        EXPECT_EQ(Analysis.White, 0);

        const uint16_t values[] = {32767, 128, 127, 65535, 40000, 0, 255 * 128};
        for (size_t p = 0; p < std::size(values); ++p) SetL(host, p, values[p]);
        Analyse(host);
        EXPECT_EQ(Analysis.Histogram[255], 2);  // 32767 and 255 * 128
        EXPECT_EQ(Analysis.Histogram[1], 1);    // 128
        EXPECT_EQ(Analysis.Histogram[0], 2);    // 127 and 0
        int total = 0;
        for (int h : Analysis.Histogram) total += h;
        EXPECT_EQ(total, 5);
    }
}

TEST_F(AnalysisTest, OtherModesLeaveTheHistogramEmpty) {
    FakeHost host(sdk::kModeGrayscale, 10, 10, 1);
    Fill(host, 90);
    Analyse(host);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(Analysis.Histogram[i], 0);
    EXPECT_EQ(Analysis.Black, 0);  // 100 components: limit R(0.01) = 0
    EXPECT_EQ(Analysis.White, 255);
}

TEST_F(AnalysisTest, EmptyImageAndMismatchedRows) {
    FakeHost empty(sdk::kModeLab, 0, 0);
    Analyse(empty);
    EXPECT_EQ(Analysis.Black, 0);
    EXPECT_EQ(Analysis.White, 255);

    FakeHost host(sdk::kModeLab, 10, 10);
    host.record.inRowBytes = 29;
    HostCall.Record = &host.record;
    try {
        AnalyseDynamicRange();
        FAIL() << "no failure";
    } catch (const tInternalFailure& e) {
        EXPECT_STREQ(e.what(), kBadAlignment);
    }
    host.record.inRowBytes = 30;
    host.record.inData = nullptr;
    EXPECT_THROW(AnalyseDynamicRange(), tInternalFailure);
}

}  // namespace
}  // namespace velmora

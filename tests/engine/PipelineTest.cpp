// The headless run and the final application: progress accounting, the
// levels following the analysis, the modes, the row-length check, abort.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/Failure.h"
#include "engine/Analysis.h"
#include "engine/Correction.h"
#include "engine/FinalApply.h"
#include "engine/HostCall.h"
#include "engine/Photo.h"
#include "engine/Pipeline.h"
#include "engine/Progress.h"
#include "engine/Settings.h"
#include "tests/support/FakeHost.h"

namespace velmora {
namespace {

using test::FakeHost;

class PipelineTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetImageState();
        ResetTables();
        ResetFirstUse();
    }
    void TearDown() override {
        ResetImageState();
        HostCall.Record = nullptr;
    }

    // The headless run followed by the table build and the final
    // application, as continue performs them.
    static void RunAndApply() {
        HeadlessRun();
        BuildTables();
        ApplyCorrection();
    }
};

// A smooth 8-bit Lab gradient with some colour, so that every stage has work.
void FillLab8(FakeHost& host, int32_t columns, int32_t rows) {
    uint8_t* p = host.In8();
    for (int32_t y = 0; y < rows; ++y)
        for (int32_t x = 0; x < columns; ++x, p += 3) {
            p[0] = uint8_t(20 + (200 * x) / (columns > 1 ? columns - 1 : 1));
            p[1] = uint8_t(110 + (y * 7) % 40);
            p[2] = uint8_t(140 - (x * 3) % 30);
        }
    host.CopyInToOut();
}

TEST_F(PipelineTest, ProgressTotalsSixRowsAndTwoColumnsAndTheCounterReachesIt) {
    // 100 columns x 50 rows: 6 x 50 + 2 x 100 = 500 units.
    FakeHost host(sdk::kModeLab, 100, 50);
    FillLab8(host, 100, 50);
    HostCall.Record = &host.record;
    RunAndApply();

    ASSERT_FALSE(host.progress.empty());
    EXPECT_EQ(host.progress.front(), std::make_pair(0, 500));
    for (const auto& [done, total] : host.progress) EXPECT_EQ(total, 500);
    EXPECT_EQ(Progress.Counter, 500);
    EXPECT_EQ(host.progress.back().first, 500);
    EXPECT_TRUE(Maps.Ready);
    EXPECT_TRUE(Maps.LightnessMatrix.Empty());
}

TEST_F(PipelineTest, LabImagesSkipTheConversionButCountItsRows) {
    FakeHost host(sdk::kModeLab, 16, 9);
    FillLab8(host, 16, 9);
    const std::vector<uint8_t> before = host.in;
    HostCall.Record = &host.record;
    HeadlessRun();
    EXPECT_EQ(host.in, before);
    EXPECT_EQ(host.colorServicesCalls, 0);
    // conversion rows + analysis rows + lightness rows + both maps.
    EXPECT_EQ(Progress.Counter, 9 + 9 + 9 + 2 * (16 + 9));
}

TEST_F(PipelineTest, FollowAnalysisReplacesTheStoredLevels) {
    // 100 x 50 x 3 components: the clip limit is R(1.5) = 2 pixels.
    FakeHost host(sdk::kModeLab, 100, 50);
    FillLab8(host, 100, 50);  // lightness 20..220
    HostCall.Record = &host.record;
    Settings.BlackLevel = 3;
    Settings.WhiteLevel = 250;
    HeadlessRun();
    EXPECT_EQ(Analysis.Black, 20);
    EXPECT_EQ(Analysis.White, 220);
    EXPECT_EQ(Settings.BlackLevel, 20);
    EXPECT_EQ(Settings.WhiteLevel, 220);

    // Levels set by hand are kept.
    ResetImageState();
    Settings.FollowAnalysis = 0;
    Settings.BlackLevel = 3;
    Settings.WhiteLevel = 250;
    HeadlessRun();
    EXPECT_EQ(Settings.BlackLevel, 3);
    EXPECT_EQ(Settings.WhiteLevel, 250);
}

TEST_F(PipelineTest, DefaultsLeaveLabDocumentsUnchangedInBothDepths) {
    {
        FakeHost host(sdk::kModeLab, 12, 7);
        FillLab8(host, 12, 7);
        const std::vector<uint8_t> before = host.in;
        HostCall.Record = &host.record;
        RunAndApply();
        EXPECT_EQ(host.out, before);
    }
    ResetImageState();
    ResetFirstUse();
    {
        // The neutral 16-bit pixel and a few others, with all defaults.
        FakeHost host(sdk::kModeLab48, 4, 3);
        uint16_t* p = host.In16();
        const uint16_t samples[][3] = {
            {16384, 16384, 16384}, {0, 16384, 16384}, {32768, 16384, 16384}, {8000, 20000, 12000}};
        for (int i = 0; i < 12; ++i)
            for (int k = 0; k < 3; ++k) p[3 * i + k] = samples[i % 4][k];
        host.CopyInToOut();
        HostCall.Record = &host.record;
        RunAndApply();
        const uint16_t* out = host.Out16();
        EXPECT_EQ(out[0], 16384);
        EXPECT_EQ(out[1], 16384);
        EXPECT_EQ(out[2], 16384);
        for (int i = 0; i < 36; ++i) EXPECT_NEAR(out[i], p[i], 1) << "sample " << i;
    }
}

TEST_F(PipelineTest, RgbDocumentsComeBackThroughTheReverseCache) {
    // With the defaults every corrected colour is one the conversion met, so
    // the reverse chain hands back RGB without a second host call per colour.
    FakeHost host(sdk::kModeRGB, 10, 6);
    uint8_t* p = host.In8();
    for (int i = 0; i < 60; ++i) {
        p[3 * i] = uint8_t(30 + 3 * i);
        p[3 * i + 1] = uint8_t(200 - 2 * i);
        p[3 * i + 2] = uint8_t(90 + (i % 5) * 20);
    }
    const std::vector<uint8_t> rgb = host.in;
    host.CopyInToOut();
    HostCall.Record = &host.record;
    RunAndApply();
    EXPECT_EQ(host.out, rgb);
    EXPECT_EQ(host.colorServicesCalls, 60);  // one per distinct colour, forward only
}

TEST_F(PipelineTest, ApplicationCountsOneUnitPerRowInRowOrder) {
    // A 3 x 2 Lab image, rows packed (inRowBytes 9).
    FakeHost host(sdk::kModeLab, 3, 2);
    FillLab8(host, 3, 2);
    HostCall.Record = &host.record;
    Progress.Counter = 0;
    Progress.Total = 2;
    BuildTables();
    ApplyCorrection();
    const std::vector<std::pair<int32_t, int32_t>> expected = {{1, 2}, {2, 2}};
    EXPECT_EQ(host.progress, expected);
}

TEST_F(PipelineTest, WrongRowLengthStopsBeforeAnyPixelIsWritten) {
    for (int16_t mode : {sdk::kModeRGB, sdk::kModeLab, sdk::kModeRGB48, sdk::kModeLab48}) {
        FakeHost host(mode, 3, 3);
        std::fill(host.out.begin(), host.out.end(), uint8_t(0x5C));
        const std::vector<uint8_t> before = host.out;
        host.record.inRowBytes += 3;  // 12 for the 8-bit modes
        HostCall.Record = &host.record;
        Settings.Contrast = 2.0;
        BuildTables();
        try {
            ApplyCorrection();
            ADD_FAILURE() << "mode " << mode << " accepted a wrong row length";
        } catch (const tInternalFailure& f) {
            EXPECT_STREQ(f.what(), kBadAlignment);
        }
        EXPECT_EQ(host.out, before) << "mode " << mode;
        EXPECT_TRUE(host.progress.empty());
    }
}

TEST_F(PipelineTest, AbortAtTheSecondRowKeepsTheFirstRowCorrected) {
    FakeHost host(sdk::kModeLab, 8, 4);
    FillLab8(host, 8, 4);
    std::fill(host.out.begin(), host.out.end(), uint8_t(7));
    HostCall.Record = &host.record;
    Settings.FollowAnalysis = 0;
    Settings.BlackLevel = 0;
    Settings.WhiteLevel = 255;
    Analysis.Black = 20;
    Analysis.White = 220;
    Progress.Counter = 0;
    Progress.Total = 4;
    BuildTables();
    host.abortFromCall = 2;
    ApplyCorrection();

    const size_t row = 8 * 3;
    for (size_t i = 0; i < row; i += 3) {
        const tLab8 c = CorrectPixel(int32_t(i / 3), 0, host.in[i], host.in[i + 1], host.in[i + 2]);
        EXPECT_EQ(host.out[i], c.L);
        EXPECT_EQ(host.out[i + 1], c.a);
        EXPECT_EQ(host.out[i + 2], c.b);
    }
    EXPECT_NE(host.out[0], host.in[0]);  // the stretch moved the first pixel
    for (size_t i = row; i < host.out.size(); ++i) ASSERT_EQ(host.out[i], 7) << "byte " << i;
}

TEST_F(PipelineTest, OtherPlaneCountsAndModesAreNotWalked) {
    FakeHost four(sdk::kModeLab, 4, 4, 4);
    HostCall.Record = &four.record;
    EXPECT_THROW(HeadlessRun(), tInternalFailure);

    FakeHost gray(sdk::kModeGrayscale, 4, 4);
    std::fill(gray.out.begin(), gray.out.end(), uint8_t(9));
    HostCall.Record = &gray.record;
    BuildTables();
    ApplyCorrection();
    for (uint8_t v : gray.out) ASSERT_EQ(v, 9);
}

}  // namespace
}  // namespace velmora

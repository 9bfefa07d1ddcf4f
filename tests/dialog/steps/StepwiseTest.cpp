// The dialog's start-up sequence and the step-wise analysis: progress,
// status texts, the initial settings with one undo step, the step table and
// its completion, through a fake dialog view.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "dialog/DialogView.h"
#include "dialog/Stepwise.h"
#include "engine/Analysis.h"
#include "engine/ColorConvert.h"
#include "engine/HostCall.h"
#include "engine/MapSteps.h"
#include "engine/Photo.h"
#include "engine/Pipeline.h"
#include "engine/Progress.h"
#include "engine/Settings.h"
#include "engine/Stepwise.h"
#include "engine/UndoHistory.h"
#include "maths/RecursiveGaussian.h"
#include "tests/support/FakeHost.h"

namespace velmora {
namespace {

using test::FakeHost;

const char* Name(tControl c) {
    switch (c) {
        case tControl::PlusButton:
            return "Plus";
        case tControl::MinusButton:
            return "Minus";
        case tControl::FitButton:
            return "Fit";
        case tControl::ActualButton:
            return "Actual";
        case tControl::ShotButton:
            return "Shot";
        case tControl::OkButton:
            return "Ok";
        case tControl::CancelButton:
            return "Cancel";
        case tControl::AnalysisControls:
            return "Analysis";
    }
    return "?";
}

// Records every call but the progress bar as a line, with the progress
// counter where it matters; the bar positions go to `bar`.
struct tFakeView : tDialogView {
    std::vector<std::string> events;
    std::vector<int32_t> bar;
    bool mapsReadyAtThumbnails = false;
    std::function<void()> onMessages;

    void ShowProgress(int32_t c) override { bar.push_back(c); }
    void SetStatusText(const std::string& t) override {
        events.push_back("status '" + t + "' @" + std::to_string(Progress.Counter));
    }
    void SetProgressMax(int32_t m) override { events.push_back("max " + std::to_string(m)); }
    void EnableControl(tControl c, bool on) override {
        events.push_back(std::string(on ? "enable " : "disable ") + Name(c));
    }
    void ShowAttention(bool on) override { events.push_back(on ? "attention" : "no attention"); }
    void ProcessMessages() override {
        events.push_back("messages");
        if (onMessages) onMessages();
    }
    void RequestRedraw() override { events.push_back("redraw"); }
    void RefreshControls() override {
        events.push_back("refresh undo=" + std::to_string(UndoEntryCount()));
    }
    void UpdateZoomButtons() override {
        events.push_back("zoom buttons scale=" + std::to_string(Photo.Scale));
    }
    void RenderThumbnails() override {
        mapsReadyAtThumbnails = Maps.Ready;
        events.push_back("thumbnails");
    }
    void UpdateSnapshotControls() override { events.push_back("snapshot controls"); }
};

class StepwiseTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetImageState();
        FlushDisplayCache();
        Settings = tParams{};
        ResetFirstUse();
        SetDialogView(&view);
    }
    void TearDown() override {
        ResetImageState();
        FlushDisplayCache();
        SetDialogView(nullptr);
        HostCall.Record = nullptr;
        HostCall.ColorSpaceSuite = nullptr;
    }
    void Use(FakeHost& host, int32_t boxWidth, int32_t boxHeight) {
        HostCall.Record = &host.record;
        HostCall.ColorSpaceSuite = &host.colorSpace;
        SetPreviewBox(Photo, boxWidth, boxHeight);
    }
    // Runs the analysis steps to completion.
    static void RunSteps() {
        for (int steps = 0; !Maps.Ready && steps < 1000000; ++steps) AnalysisStep();
    }
    tFakeView view;
};

// Deterministic texture in every component.
void Texture(FakeHost& host, uint32_t seed) {
    for (size_t i = 0; i < host.in.size(); ++i) {
        seed = seed * 1664525u + 1013904223u;
        host.in[i] = uint8_t(((i / 3) * 7 + (seed >> 25)) % 256);
    }
}

TEST_F(StepwiseTest, StartUpRunsInOrderWithItsProgressAndTexts) {
    // 1000 rows that fit the box at scale 0.5: 3 x 1000 + 2 x 500 = 4000.
    FakeHost host(sdk::kModeRGB, 8, 1000);
    Texture(host, 1);
    Use(host, 4, 500);
    DialogStartUp();

    const std::vector<std::string> expected = {"disable Plus",
                                               "disable Minus",
                                               "disable Fit",
                                               "disable Actual",
                                               "disable Shot",
                                               "disable Ok",
                                               "disable Cancel",
                                               "max 4000",
                                               "status ' Преобразование...' @0",
                                               "status ' Анализ динамического диапазона...' @1000",
                                               "status ' Масштабирование...' @2000",
                                               "refresh undo=1",
                                               "messages",
                                               "disable Plus",
                                               "disable Minus",
                                               "disable Fit",
                                               "disable Actual",
                                               "redraw",
                                               "zoom buttons scale=0.500000",
                                               "enable Ok",
                                               "enable Cancel",
                                               "enable Shot"};
    EXPECT_EQ(view.events, expected);
    EXPECT_EQ(Progress.Total, 4000);
    EXPECT_EQ(Progress.Counter, 4000);

    // Bar: 0, one position per converted row, 1000 after the conversion,
    // 2000, 3000, then one per working row of the rescale.
    std::vector<int32_t> bar = {0};
    for (int32_t r = 1; r <= 1000; ++r) bar.push_back(r);
    bar.insert(bar.end(), {1000, 2000, 3000});
    for (int32_t r = 3001; r <= 3500; ++r) bar.push_back(r);
    EXPECT_EQ(view.bar, bar);

    EXPECT_TRUE(host.progress.empty());  // nothing goes to the host
    EXPECT_EQ(host.abortCalls, 500);     // polled by the rescale only
    EXPECT_EQ(Photo.Width, 4);
    EXPECT_EQ(Photo.Height, 500);
    EXPECT_FALSE(Maps.Ready);
    // The buffer is Lab now: pixel 0 is its RGB through the host's conversion.
    FakeHost other(sdk::kModeRGB, 1, 1);
    Texture(other, 1);
    int16_t rgb[3] = {other.in[0], other.in[1], other.in[2]}, lab[3];
    FakeHost::FakeRgbToLab(rgb, lab);
    EXPECT_EQ(host.in[0], lab[0]);
    EXPECT_EQ(host.in[1], lab[1]);
    EXPECT_EQ(host.in[2], lab[2]);
}

TEST_F(StepwiseTest, SmallImageCountsItsOwnRowsAtScaleOne) {
    // The fit scale is 4 here; the working image stays at scale 1, so the
    // rescale counts 40 rows and the bar ends at its maximum.
    FakeHost host(sdk::kModeLab, 50, 40);
    Use(host, 200, 200);
    DialogStartUp();
    EXPECT_EQ(Progress.Total, 3 * 40 + 2 * 40);
    EXPECT_EQ(Progress.Counter, Progress.Total);
    EXPECT_EQ(view.bar.back(), 3 * 40 + 40);
    EXPECT_EQ(Photo.Scale, 1.0);
    EXPECT_EQ(Photo.Height, 40);
    EXPECT_EQ(Photo.Width, 50);
}

TEST_F(StepwiseTest, WorkingImageFitsTheBoxAsItIsAfterPendingMessages) {
    FakeHost host(sdk::kModeLab, 80, 60);
    Use(host, 40, 30);
    view.onMessages = [] { SetPreviewBox(Photo, 20, 30); };  // a resize comes in
    DialogStartUp();
    EXPECT_EQ(Progress.Total, 3 * 60 + 2 * 30);
    EXPECT_EQ(Photo.Scale, 0.25);
    EXPECT_EQ(Photo.Width, 20);
    EXPECT_EQ(Photo.Height, 15);
}

TEST_F(StepwiseTest, OneUndoBringsBackTheStoredSettings) {
    struct tCase {
        uint8_t follow;
        bool levelsFollow;
    };
    for (const tCase& c : {tCase{1, true}, tCase{0, false}}) {
        SCOPED_TRACE(int(c.follow));
        ResetImageState();
        FakeHost host(sdk::kModeLab, 30, 20);
        for (size_t i = 0; i < host.in.size(); i += 3) {
            host.in[i] = uint8_t(60 + (i / 3) % 100);  // lightness 60..159
            host.in[i + 1] = 128;
            host.in[i + 2] = 128;
        }
        Use(host, 30, 20);
        Settings.FollowAnalysis = c.follow;
        Settings.BlackLevel = 3;
        Settings.WhiteLevel = 250;
        Settings.LightPointA = 140;
        Settings.ShadowPointL = 20;
        Settings.Contrast = 1.7;
        Settings.Rotate = 12;
        const tParams stored = Settings;

        DialogStartUp();
        ASSERT_NE(Analysis.Black, 3);
        ASSERT_NE(Analysis.White, 250);

        // The dialog opens with the initial settings.
        tParams initial = Settings;
        ResetAll(false);
        EXPECT_TRUE(SettingsEqual(Settings, initial));
        EXPECT_EQ(Settings.BlackLevel, Analysis.Black);
        EXPECT_EQ(UndoEntryCount(), 1);  // only the full reset recorded

        ASSERT_TRUE(CanUndo());
        Undo();
        tParams expected = stored;
        if (c.levelsFollow) {
            expected.BlackLevel = Analysis.Black;
            expected.WhiteLevel = Analysis.White;
            expected.LightPointA = 128;
            expected.ShadowPointL = 0;
        }
        EXPECT_TRUE(SettingsEqual(Settings, expected));
        EXPECT_EQ(Settings.Contrast, 1.7);
        EXPECT_EQ(Settings.Rotate, 12);
        EXPECT_FALSE(CanUndo());
    }
}

TEST_F(StepwiseTest, StepTableBuildsTheSameMapsAsTheHeadlessRun) {
    // Rescales to 0.5 and to 1: the masks are sampled from the maps or are
    // plain copies of them.
    struct tCase {
        int32_t boxWidth, boxHeight;
        int32_t k;  // map rows and columns per mask row and column
    };
    for (const tCase& c : {tCase{19, 12, 2}, tCase{38, 23, 1}}) {
        SCOPED_TRACE(c.k);
        ResetImageState();
        const int32_t columns = 38, rows = 23;
        FakeHost host(sdk::kModeRGB, columns, rows);
        Texture(host, 7);
        Use(host, c.boxWidth, c.boxHeight);
        DialogStartUp();
        ASSERT_EQ(Photo.Height, c.k == 2 ? 12 : 23);  // round(11.5) = 12
        const int32_t H = Photo.Height;
        const std::vector<uint8_t> converted = host.in;

        view.events.clear();
        int step = 0;
        std::vector<std::pair<int, std::string>> statuses;
        while (!Maps.Ready) {
            const size_t before = view.events.size();
            AnalysisStep();
            ++step;
            for (size_t i = before; i < view.events.size(); ++i)
                if (view.events[i].rfind("status", 0) == 0)
                    statuses.emplace_back(step, view.events[i]);
            ASSERT_LT(step, 100000);
        }
        // Steps of each stage: its begin, its work in blocks, its finish.
        const auto blocks = [](int n, size_t per) { return (n + int(per) - 1) / int(per); };
        const int lightnessSteps = blocks(rows, kLightnessRowsPerStep);
        const int blurSteps = blocks(columns, kColumnBlock) + blocks(rows, kRowBlock);
        const int lightness = 1, sharp = lightness + lightnessSteps + 1;
        const int contrast = sharp + blurSteps + 3, release = contrast + blurSteps + 3;
        const int masks = release + blocks(rows, kReleaseRowsPerStep) + 2;
        EXPECT_EQ(step, masks + blocks(H, kMaskRowsPerStep) + 1);
        const std::vector<std::pair<int, std::string>> expectedStatuses = {
            {lightness, "status ' Анализ яркости...' @" + std::to_string(Progress.Counter)},
            {sharp, "status ' Анализ резкости...' @" + std::to_string(Progress.Counter)},
            {contrast, "status ' Анализ контраста...' @" + std::to_string(Progress.Counter)},
            {release, "status ' Распределение памяти...' @" + std::to_string(Progress.Counter)},
            {masks, "status ' Масштабирование масок ' @" + std::to_string(Progress.Counter)},
            {step, "status '' @" + std::to_string(Progress.Counter)}};
        EXPECT_EQ(statuses, expectedStatuses);
        EXPECT_TRUE(Maps.LightnessMatrix.Empty());
        EXPECT_TRUE(host.in == converted);  // the analysis only reads

        // The headless one-shot routines on the same Lab buffer.
        const tByteMatrix sharpMap = Maps.SharpMap, contrastMap = Maps.ContrastMap;
        const tByteMatrix sharpMask = Photo.SharpMask, contrastMask = Photo.ContrastMask;
        Maps.SharpMap.Reset();
        Maps.ContrastMap.Reset();
        BuildLightnessMatrix(false);
        BuildSharpMap(Maps.LightnessMatrix, Maps.SharpMap, false);
        BuildContrastMap(Maps.LightnessMatrix, Maps.ContrastMap, false);
        ASSERT_EQ(sharpMap.Rows(), size_t(rows));
        ASSERT_EQ(contrastMap.Rows(), size_t(rows));
        for (int32_t y = 0; y < rows; ++y) {
            EXPECT_EQ(sharpMap[size_t(y)], Maps.SharpMap[size_t(y)]) << y;
            EXPECT_EQ(contrastMap[size_t(y)], Maps.ContrastMap[size_t(y)]) << y;
        }
        // Masks: map samples at every 1/Scale-th row and column from 0.
        const size_t k = size_t(c.k);
        ASSERT_EQ(sharpMask.Rows(), size_t(H));
        for (int32_t i = 0; i < H; ++i) {
            ASSERT_EQ(sharpMask[size_t(i)].size(), size_t(Photo.Width));
            for (int32_t j = 0; j < Photo.Width; ++j) {
                EXPECT_EQ(sharpMask[size_t(i)][size_t(j)],
                          Maps.SharpMap[k * size_t(i)][k * size_t(j)]);
                EXPECT_EQ(contrastMask[size_t(i)][size_t(j)],
                          Maps.ContrastMap[k * size_t(i)][k * size_t(j)]);
            }
        }
    }
}

TEST_F(StepwiseTest, CompletionInOrderAndNothingAfterIt) {
    FakeHost host(sdk::kModeLab, 9, 6);
    Texture(host, 3);
    Use(host, 9, 6);
    DialogStartUp();
    view.events.clear();
    AnalysisStep();
    EXPECT_EQ(view.events,
              (std::vector<std::string>{"attention", "status ' Анализ яркости...' @" +
                                                         std::to_string(Progress.Counter)}));
    RunSteps();
    ASSERT_TRUE(Maps.Ready);
    const std::vector<std::string> tail(view.events.end() - 6, view.events.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"thumbnails", "snapshot controls", "no attention",
                                              "status '' @" + std::to_string(Progress.Counter),
                                              "enable Analysis", "redraw"}));
    // Thumbnails at completion already see the maps.
    EXPECT_TRUE(view.mapsReadyAtThumbnails);
    const size_t n = view.events.size();
    AnalysisStep();
    EXPECT_EQ(view.events.size(), n);
}

TEST_F(StepwiseTest, ZoomDuringMaskScalingStillEndsWithMasksOfTheNewScale) {
    FakeHost host(sdk::kModeLab, 24, 16);
    Texture(host, 5);
    Use(host, 12, 8);  // fit 0.5
    DialogStartUp();
    while (!Steps.Flags[9]) AnalysisStep();
    AnalysisStep();  // one mask row at scale 0.5
    RescalePhoto(Photo, Maps.Ready, 1.0);
    RunSteps();
    ASSERT_TRUE(Maps.Ready);
    ASSERT_EQ(Photo.SharpMask.Rows(), 16u);
    for (size_t y = 0; y < 16; ++y) {
        EXPECT_EQ(Photo.SharpMask[y], Maps.SharpMap[y]);
        EXPECT_EQ(Photo.ContrastMask[y], Maps.ContrastMap[y]);
    }
}

TEST_F(StepwiseTest, ASecondDialogRunStartsFromClearFlags) {
    for (uint32_t seed : {11u, 12u}) {
        FakeHost host(sdk::kModeLab, 10, 7);
        Texture(host, seed);
        ResetImageState();
        Use(host, 10, 7);
        DialogStartUp();
        EXPECT_FALSE(Steps.Flags[0]);
        RunSteps();
        ASSERT_TRUE(Maps.Ready);
        const tByteMatrix built = Maps.ContrastMap;
        ASSERT_EQ(built.Rows(), 7u);
        BuildLightnessMatrix(false);
        BuildSharpMap(Maps.LightnessMatrix, Maps.SharpMap, false);
        tByteMatrix expected;
        BuildContrastMap(Maps.LightnessMatrix, expected, false);
        for (size_t y = 0; y < 7; ++y) EXPECT_EQ(built[y], expected[y]);
    }
}

}  // namespace
}  // namespace velmora

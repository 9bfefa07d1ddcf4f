// The dialog's idle-time work on a 6000 x 4000 8-bit Lab image, single
// threaded: a redraw of the 535 x 535 preview box (kernel, clipping test,
// display conversion) and the dialog's start-up, first preview and step-wise
// analysis in the full-screen box, whose times to the first corrected
// preview and to Maps.Ready are printed beside their targets, with the
// longest single step.
//
// Without a colour space suite the display colours are converted here (CIE
// Lab to sRGB) on a cache miss. "Warm": the same settings every redraw, so
// the display cache answers; "Changing": the lightness moves every redraw,
// as while a slider is dragged, so most colours are new to the cache.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "bench/TexturedLab.h"
#include "dialog/Stepwise.h"
#include "engine/ColorConvert.h"
#include "engine/Correction.h"
#include "engine/HostCall.h"
#include "engine/MapSteps.h"
#include "engine/Photo.h"
#include "engine/Pipeline.h"
#include "engine/Preview.h"
#include "engine/Settings.h"
#include "sdk/PIFilter.h"

namespace {

using namespace velmora;

constexpr int32_t kBox = 535;
// The preview box of the full-screen dialog on a 1920 x 1080 screen.
constexpr int32_t kFullBoxWidth = 1548;
constexpr int32_t kFullBoxHeight = 927;

using bench::kColumns;
using bench::kRows;
using tImage = bench::tTexturedLab;

tImage& Image() {
    static tImage image;
    return image;
}

// Every local correction on, a tone curve, chroma and hue gains, a rotation.
void LocalSettings() {
    Settings.BlackLevel = 5;
    Settings.WhiteLevel = 250;
    Settings.Lightness = 0.9;
    Settings.ColorContrast = 1.3;
    Settings.Contrast = 1.5;
    Settings.Sharpness = 1.4;
    Settings.Shadow = 1.3;
    Settings.HighLight = 1.2;
    Settings.Rotate = 15;
    Settings.ColorEq[2] = 6;
}

// Start-up and the whole step-wise analysis; the working image at `scale`
// (0: the fit scale) with the masks.
void Prepare(double scale) {
    HostCall.Record = &Image().record;
    ResetImageState();
    FlushDisplayCache();
    Settings = tParams{};
    ResetFirstUse();
    SetPreviewBox(Photo, kBox, kBox);
    DialogStartUp();
    while (!Maps.Ready) AnalysisStep();
    if (scale > 0) RescalePhoto(Photo, true, scale);
    Photo.ScrollX = (Photo.Width - kBox) / 2;
    Photo.ScrollY = (Photo.Height - kBox) / 2;
    LocalSettings();
}

void Redraw(benchmark::State& state) {
    const bool covered = state.range(0) != 0;
    const bool changing = state.range(1) != 0;
    Prepare(covered ? 1.0 : 0.0);
    int k = 0;
    for (auto _ : state) {
        if (changing) Settings.Lightness = 0.6 + 0.002 * (k++ % 400);
        BuildTables();
        RenderVisiblePart(Photo, true);
        benchmark::DoNotOptimize(Photo.ScreenBitmap->Pixels.data());
    }
    state.SetLabel(std::string(covered ? "box covered (scale 1)" : "fit (535 x 357)") +
                   (changing ? ", settings changing" : ", warm"));
    ResetImageState();
    HostCall.Record = nullptr;
}

// The part of a changing redraw that is not rendering: the tables and the
// kernel's own tables for new settings.
void TablesOnly(benchmark::State& state) {
    Prepare(0.0);
    int k = 0;
    for (auto _ : state) {
        Settings.Lightness = 0.8 + 0.01 * (k++ % 40);
        BuildTables();
        PrepareKernel();
    }
    ResetImageState();
    HostCall.Record = nullptr;
}

// The label of the step-table row the next AnalysisStep performs.
const char* NextStep() {
    const auto& f = Steps.Flags;
    if (!f[0]) return "begin lightness";
    if (!LightnessDone()) return "lightness row";
    if (!f[1]) return "begin sharpness columns";
    if (!Steps.SharpMapCreator.ColumnsDone()) return "sharpness column";
    if (!f[2]) return "begin sharpness rows";
    if (!Steps.SharpMapCreator.RowsDone()) return "sharpness row";
    if (!f[3]) return "finish sharpness";
    if (!f[4]) return "begin contrast columns";
    if (!Steps.ContrastMapCreator.ColumnsDone()) return "contrast column";
    if (!f[5]) return "begin contrast rows";
    if (!Steps.ContrastMapCreator.RowsDone()) return "contrast row";
    if (!f[6]) return "finish contrast";
    if (!f[7]) return "begin release";
    if (!Steps.LightnessMapDestructor.ReleaseDone()) return "release row";
    if (!f[8]) return "finish release";
    if (!f[9]) return "begin mask scaling";
    if (MaskScalingDone()) return "completion";
    return "mask row";
}

// Thread CPU time in milliseconds.
double CpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n == 0 ? 0.0 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// What the dialog does from its first idle pass on, with the full-screen
// preview box: the start-up, the first corrected preview (the redraw the
// start-up requests comes before any analysis step), then one analysis step
// per idle pass to Maps.Ready. The figures are the medians over the
// iterations, in thread CPU time (wall time beside), from the start-up on.
void StepwiseAnalysis(benchmark::State& state) {
    using tClock = std::chrono::steady_clock;
    HostCall.Record = &Image().record;
    std::vector<double> previewCpu, previewWall, readyCpu, readyWall, startUps, longestSteps;
    double longestOther = 0;
    std::string longestStep;
    int64_t steps = 0;
    for (auto _ : state) {
        ResetImageState();
        FlushDisplayCache();
        Settings = tParams{};
        ResetFirstUse();
        SetPreviewBox(Photo, kFullBoxWidth, kFullBoxHeight);
        const auto t0 = tClock::now();
        const double c0 = CpuMs();
        DialogStartUp();
        startUps.push_back(CpuMs() - c0);
        RenderPreview();
        previewCpu.push_back(CpuMs() - c0);
        previewWall.push_back(
            std::chrono::duration<double, std::milli>(tClock::now() - t0).count());
        double longest = 0;
        longestOther = 0;
        steps = 0;
        while (!Maps.Ready) {
            const char* what = NextStep();
            const auto s0 = tClock::now();
            AnalysisStep();
            const double ms = std::chrono::duration<double, std::milli>(tClock::now() - s0).count();
            if (ms > longest) {
                longest = ms;
                longestStep = what;
            }
            // The matrix allocation aside: one row, column or mask row.
            if (std::string(what) != "begin lightness") longestOther = std::max(longestOther, ms);
            ++steps;
        }
        readyCpu.push_back(CpuMs() - c0);
        readyWall.push_back(std::chrono::duration<double, std::milli>(tClock::now() - t0).count());
        longestSteps.push_back(longest);
    }
    const double preview = Median(previewCpu), ready = Median(readyCpu);
    state.counters["startup_ms"] = Median(startUps);
    state.counters["first_preview_ms"] = preview;
    state.counters["maps_ready_ms"] = ready;
    state.counters["longest_step_ms"] = Median(longestSteps);
    state.counters["longest_other_ms"] = longestOther;
    state.counters["steps"] = double(steps);
    char label[256];
    std::snprintf(label, sizeof label,
                  "cpu: first preview %.0f ms (target <= 800), Maps.Ready %.0f ms (target <= "
                  "2000); wall %.0f / %.0f ms; longest step: %s",
                  preview, ready, Median(previewWall), Median(readyWall), longestStep.c_str());
    state.SetLabel(label);
    ResetImageState();
    HostCall.Record = nullptr;
}

BENCHMARK(Redraw)
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->ArgNames({"covered", "changing"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(TablesOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(StepwiseAnalysis)->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace

// The dialog's idle-time work on a 6000 x 4000 8-bit Lab image, single
// threaded: a redraw of the 535 x 535 preview box (kernel, clipping test,
// display conversion) and the step-wise analysis, whose longest single step
// and total time to Maps.Ready are printed as counters.
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

void StepwiseAnalysis(benchmark::State& state) {
    using tClock = std::chrono::steady_clock;
    HostCall.Record = &Image().record;
    double startUp = 0, total = 0, longest = 0, longestOther = 0;
    std::string longestStep;
    int64_t steps = 0;
    for (auto _ : state) {
        ResetImageState();
        FlushDisplayCache();
        Settings = tParams{};
        ResetFirstUse();
        SetPreviewBox(Photo, kBox, kBox);
        const auto t0 = tClock::now();
        DialogStartUp();
        const auto t1 = tClock::now();
        startUp = std::chrono::duration<double, std::milli>(t1 - t0).count();
        longest = 0;
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
        total = std::chrono::duration<double, std::milli>(tClock::now() - t1).count();
    }
    state.counters["startup_ms"] = startUp;
    state.counters["steps_ms"] = total;
    state.counters["longest_step_ms"] = longest;
    state.counters["longest_other_ms"] = longestOther;
    state.counters["steps"] = double(steps);
    state.SetLabel("longest: " + longestStep);
    ResetImageState();
    HostCall.Record = nullptr;
}

BENCHMARK(Redraw)
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->ArgNames({"covered", "changing"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(TablesOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(StepwiseAnalysis)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

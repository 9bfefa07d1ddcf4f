// From a slider change to the repainted preview, on a 6000 x 4000 8-bit Lab
// image, through the real dialog: the slider's changer (settings, partner
// controls, undo note), then the idle pass that re-renders the visible part
// (tables, kernel, display colours, copy into Image), then Image's paint.
//
// The form is built directly on the offscreen platform with a 1920 x 1080
// screen (a full-screen dialog, as on first use), the image analysed as the
// dialog's start-up and step-wise analysis do. Each iteration moves the
// slider by one position, as a drag does; the three parts are printed as
// counters (ms per change).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "bench/TexturedLab.h"
#include "dialog/Stepwise.h"
#include "dialog/TParamForm.h"
#include "engine/ColorConvert.h"
#include "engine/Correction.h"
#include "engine/HostCall.h"
#include "engine/Photo.h"
#include "engine/Pipeline.h"
#include "engine/Preview.h"
#include "engine/Settings.h"
#include "engine/UndoHistory.h"
#include "sdk/PIFilter.h"
#include "toolkit/TImage.h"
#include "toolkit/TTrackBar.h"

namespace {

using namespace velmora;
using tClock = std::chrono::steady_clock;

using bench::kColumns;
using bench::kRows;
using tImage = bench::tTexturedLab;

// The dialog on the analysed image, built once for all benchmarks.
struct tDialog {
    tImage image;
    std::unique_ptr<dialog::TParamForm> form;

    tDialog() {
        HostCall.Record = &image.record;
        ResetImageState();
        FlushDisplayCache();
        FreeHistory();
        Settings = tParams{};
        ResetFirstUse();
        form = std::make_unique<dialog::TParamForm>();
        SetDialogView(form.get());
        form->show();
        QApplication::processEvents();
        form->State().StartupPending = false;
        DialogStartUp();
        while (!Maps.Ready) AnalysisStep();
        Settle();
    }
    ~tDialog() {
        SetDialogView(nullptr);
        form.reset();
        ResetImageState();
        FreeHistory();
        HostCall.Record = nullptr;
    }

    // Idle passes until nothing is pending.
    void Settle() {
        while (form->State().RedrawPending) form->IdleHook();
        QApplication::processEvents();
    }
};

// Built at the first benchmark, released in main while the application
// object still exists.
std::unique_ptr<tDialog> theDialog;

tDialog& Dialog() {
    if (!theDialog) theDialog = std::make_unique<tDialog>();
    return *theDialog;
}

double Ms(tClock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// Thread CPU time in milliseconds.
double CpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// Slider change to repainted preview in the full-screen box.
constexpr double kTargetMs = 15;

// One change of the named slider per iteration, swinging across `span`
// positions around the neutral one; at the given zoom.
void SliderToPreview(benchmark::State& state, const char* slider, int span, bool actual) {
    tDialog& d = Dialog();
    if (actual)
        d.form->ZoomActual();
    else
        d.form->ZoomFit(false);
    d.Settle();
    auto* bar = d.form->findChild<ui::TTrackBar*>(QString::fromLatin1(slider));
    auto* image = d.form->findChild<ui::TImage*>(QStringLiteral("Image"));
    if (!bar || !image) {
        state.SkipWithError("control missing");
        return;
    }
    const int start = bar->Position();
    double changer = 0, render = 0, paint = 0, cpu = 0;
    int k = 0;
    for (auto _ : state) {
        const int step = k++ % (2 * span);
        const int p = start + (step < span ? step + 1 : 2 * span - step - 1);
        const double c0 = CpuMs();
        const auto t0 = tClock::now();
        bar->SetPosition(p);
        const auto t1 = tClock::now();
        while (d.form->State().RedrawPending) d.form->IdleHook();
        const auto t2 = tClock::now();
        image->Repaint();
        const auto t3 = tClock::now();
        cpu += CpuMs() - c0;
        changer += Ms(t1 - t0);
        render += Ms(t2 - t1);
        paint += Ms(t3 - t2);
    }
    bar->SetPosition(start);
    d.Settle();
    const double n = double(state.iterations());
    state.counters["changer_ms"] = changer / n;
    state.counters["render_ms"] = render / n;
    state.counters["paint_ms"] = paint / n;
    state.counters["total_ms"] = (changer + render + paint) / n;
    state.counters["total_cpu_ms"] = cpu / n;
    char figure[96];
    std::snprintf(figure, sizeof figure, "total %.1f ms wall, %.1f ms cpu (target <= %.0f), ",
                  (changer + render + paint) / n, cpu / n, kTargetMs);
    state.SetLabel(std::string(figure) + (actual ? "scale 1" : "fit") + ", box " +
                   std::to_string(Photo.BoxWidth) + " x " + std::to_string(Photo.BoxHeight) +
                   ", working " + std::to_string(Photo.Width) + " x " +
                   std::to_string(Photo.Height));
}

BENCHMARK_CAPTURE(SliderToPreview, lightness_fit, "LightnessTrackBar", 40, false)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SliderToPreview, lightness_actual, "LightnessTrackBar", 40, true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SliderToPreview, contrast_fit, "ContrastTrackBar", 40, false)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SliderToPreview, contrast_actual, "ContrastTrackBar", 40, true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SliderToPreview, saturation_fit, "ColorContrastTrackBar", 40, false)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SliderToPreview, balance_actual, "aTrackBar", 30, true)
    ->Unit(benchmark::kMillisecond);

// Where a redraw's time goes, for the lightness changing as above: the
// tables, the kernel over the visible rows, the display colours (the
// kernel's output converted, through the display cache), and the copy into
// the Image control, in thread CPU time.
void RedrawParts(benchmark::State& state) {
    tDialog& d = Dialog();
    if (state.range(0))
        d.form->ZoomActual();
    else
        d.form->ZoomFit(false);
    d.Settle();
    const double lightness = Settings.Lightness;
    UpdateVisibleRect(Photo);
    const int32_t count = Photo.DestRight - Photo.DestLeft + 1;
    std::vector<uint8_t> corrected(size_t(std::max(count, 0)) * 3);
    std::vector<uint8_t> all;
    std::vector<uint32_t> keys(size_t(std::max(count, 0)));
    all.reserve(size_t(std::max(count, 0)) * size_t(Photo.DestBottom - Photo.DestTop + 1) * 3);
    // Thread CPU time: the machine may be shared.
    double tables = 0, kernel = 0, display = 0, copy = 0;
    int k = 0;
    for (auto _ : state) {
        Settings.Lightness = std::pow(2.0, -(1 + k++ % 40) / 200.0);
        const double t0 = CpuMs();
        BuildTables();
        PrepareKernel();
        const double t1 = CpuMs();
        all.clear();
        const uint8_t* working = WorkingPixels();
        const size_t rowBytes = size_t(Photo.Width) * 3;
        for (int32_t r = Photo.DestTop; r <= Photo.DestBottom; ++r) {
            const int32_t y = Photo.ScrollY + (r - Photo.DestTop);
            CorrectRow8(Photo.ScrollX, y,
                        working + size_t(y) * rowBytes + size_t(Photo.ScrollX) * 3,
                        corrected.data(), count);
            all.insert(all.end(), corrected.begin(), corrected.end());
        }
        const double t2 = CpuMs();
        // Row by row through the display cache's row form, as the preview
        // converts them.
        uint32_t sum = 0;
        for (size_t i = 0; i < all.size(); i += corrected.size()) {
            for (size_t j = 0; j < keys.size(); ++j) keys[j] = color_cache::Pack(&all[i + 3 * j]);
            LabToDisplayKeys(keys.data(), keys.size());
            sum += keys[0];
        }
        benchmark::DoNotOptimize(sum);
        const double t3 = CpuMs();
        d.form->ShowPreview(*Photo.ScreenBitmap);
        const double t4 = CpuMs();
        tables += t1 - t0;
        kernel += t2 - t1;
        display += t3 - t2;
        copy += t4 - t3;
    }
    Settings.Lightness = lightness;
    const double n = double(state.iterations());
    state.counters["tables_ms"] = tables / n;
    state.counters["kernel_ms"] = kernel / n;
    state.counters["display_ms"] = display / n;
    state.counters["copy_ms"] = copy / n;
    state.SetLabel(std::string(state.range(0) ? "scale 1, " : "fit, ") + std::to_string(count) +
                   " x " + std::to_string(Photo.DestBottom - Photo.DestTop + 1) + " pixels");
}

BENCHMARK(RedrawParts)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    // Offscreen unless told otherwise, with a full-HD screen so that the
    // full-screen dialog has a realistic preview box.
    QString configFile;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        configFile = QDir::temp().filePath(QStringLiteral("velmora-bench-screen.json"));
        QFile f(configFile);
        if (f.open(QIODevice::WriteOnly))
            f.write(R"({"screens": [{"name": "bench", "x": 0, "y": 0, "width": 1920,)"
                    R"( "height": 1080, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
        qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + configFile).toLocal8Bit());
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    theDialog.reset();
    if (!configFile.isEmpty()) QFile::remove(configFile);
    return 0;
}

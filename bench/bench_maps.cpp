// Lightness matrix and both recursive-Gaussian maps, single-threaded: the
// one-shot form of the headless run (cache-friendly column sweeps) and the
// step-wise form of the dialog (one column or row per step), on a textured
// 8-bit Lab image held by a bare filter record.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "engine/HostCall.h"
#include "engine/MapSteps.h"
#include "engine/Photo.h"
#include "sdk/PIFilter.h"

namespace {

using namespace velmora;

struct tImage {
    std::vector<uint8_t> pixels;
    sdk::FilterRecord record{};

    tImage(int columns, int rows) : pixels(size_t(columns) * size_t(rows) * 3) {
        uint32_t s = 1;
        for (size_t i = 0; i < pixels.size(); ++i) {
            s = s * 1664525u + 1013904223u;
            pixels[i] = uint8_t((i / 3 % size_t(columns)) / 8 + (s >> 26));
        }
        record.imageRows = int16_t(rows);
        record.imageColumns = int16_t(columns);
        record.planes = 3;
        record.imageMode = sdk::kModeLab;
        record.inData = pixels.data();
        record.inRowBytes = columns * 3;
        record.outData = pixels.data();
    }
};

void OneShot(benchmark::State& state) {
    tImage image(int(state.range(0)), int(state.range(1)));
    HostCall.Record = &image.record;
    for (auto _ : state) {
        BuildLightnessMatrix(true);
        BuildSharpMap(Maps.LightnessMatrix, Maps.SharpMap, true);
        BuildContrastMap(Maps.LightnessMatrix, Maps.ContrastMap, true);
        Maps.LightnessMatrix.Reset();
        benchmark::DoNotOptimize(Maps.ContrastMap[0].data());
    }
    ResetPhotoState();
    HostCall.Record = nullptr;
    state.SetItemsProcessed(state.iterations() * state.range(0) * state.range(1));
}

void StepWise(benchmark::State& state) {
    tImage image(int(state.range(0)), int(state.range(1)));
    HostCall.Record = &image.record;
    for (auto _ : state) {
        BeginLightness();
        while (!LightnessDone()) LightnessStep();
        tMapCreator* creators[] = {&Steps.SharpMapCreator, &Steps.ContrastMapCreator};
        tByteMatrix* maps[] = {&Maps.SharpMap, &Maps.ContrastMap};
        for (int k = 0; k < 2; ++k) {
            creators[k]->BeginColumns(Maps.LightnessMatrix, *maps[k]);
            while (!creators[k]->ColumnsDone()) creators[k]->ColumnStep();
            creators[k]->BeginRows();
            while (!creators[k]->RowsDone()) creators[k]->RowStep();
            creators[k]->Finish();
        }
        Steps.LightnessMapDestructor.BeginRelease();
        while (!Steps.LightnessMapDestructor.ReleaseDone())
            Steps.LightnessMapDestructor.ReleaseStep();
        Steps.LightnessMapDestructor.FinishRelease();
        benchmark::DoNotOptimize(Maps.ContrastMap[0].data());
    }
    ResetPhotoState();
    HostCall.Record = nullptr;
    state.SetItemsProcessed(state.iterations() * state.range(0) * state.range(1));
}

BENCHMARK(OneShot)->Args({6000, 4000})->Args({1500, 1000})->Unit(benchmark::kMillisecond);
BENCHMARK(StepWise)->Args({6000, 4000})->Args({1500, 1000})->Unit(benchmark::kMillisecond);

}  // namespace

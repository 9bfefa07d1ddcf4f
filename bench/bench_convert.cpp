// The RGB <-> Lab conversions over a whole 6000 x 4000 image as the module
// runs them (one row call per image row), at 8 and 16 bits: the first pass
// after a flush (every distinct colour once through colour services) and a
// pass over colours already cached, in both directions.
//
// Colour services here is a cheap stand-in (a linear mapping), so the
// figures are the caches' and the row forms' own cost; the host's
// conversions come on top in a real run.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "bench/TexturedLab.h"
#include "engine/ColorConvert.h"
#include "engine/HostCall.h"

namespace {

using namespace velmora;
using bench::kColumns;
using bench::kRows;

int16_t Clamp255(int v) {
    return int16_t(std::clamp(v, 0, 255));
}

// An invertible-looking mapping with some spread, like the tests' host.
int16_t StandInServices(sdk::ColorServicesInfo* info) {
    int16_t* c = info->colorComponents;
    const int x = c[0], y = c[1], z = c[2];
    if (info->sourceSpace == sdk::kColorSpaceRGB) {
        c[0] = Clamp255((77 * x + 150 * y + 29 * z + 128) >> 8);
        c[1] = Clamp255(128 + (x - y) / 2);
        c[2] = Clamp255(128 + (y - z) / 2);
    } else {
        const int da = 2 * (y - 128), db = 2 * (z - 128);
        const int g = x - (77 * da - 29 * db) / 256;
        c[0] = Clamp255(g + da);
        c[1] = Clamp255(g);
        c[2] = Clamp255(g - db);
    }
    return 0;
}

// The textured image's samples taken as RGB, and as 16-bit samples with
// the grain of a 16-bit photo between the 8-bit levels.
struct tImages {
    bench::tTexturedLab lab;
    std::vector<uint8_t> narrow;
    std::vector<uint16_t> wide;
    sdk::FilterRecord record{};
    tImages() : narrow(lab.in), wide(lab.in.size()) {
        uint32_t s = 777;
        for (size_t i = 0; i < wide.size(); ++i)
            wide[i] = uint16_t(
                std::min<uint32_t>(lab.in[i] * 32768u / 255u + bench::Next(s) % 128u, 32768u));
        record.colorServices = &StandInServices;
    }
};

tImages& Images() {
    static tImages images;
    HostCall.Record = &images.record;
    return images;
}

constexpr size_t kRowSamples = size_t(kColumns) * 3;

template <class T>
void Rows(std::vector<T>& image, void (*convert)(T*, size_t)) {
    for (int32_t r = 0; r < kRows; ++r) convert(image.data() + size_t(r) * kRowSamples, kColumns);
}

// cold: after a flush; otherwise over colours a pass before has cached.
// back: the reverse conversion of the forward pass's result, after a flush
// and that forward pass (so it meets the colours it made, as the final
// application does).
template <class T>
void Convert(benchmark::State& state, std::vector<T> tImages::*source, void (*forward)(T*, size_t),
             void (*reverse)(T*, size_t), bool cold, bool back) {
    tImages& images = Images();
    std::vector<T> work;
    for (auto _ : state) {
        state.PauseTiming();
        work = images.*source;
        if (cold) FlushConversionCache();
        if (!cold || back) {
            std::vector<T> warm = work;
            Rows(warm, forward);
            if (back) work = warm;
        }
        state.ResumeTiming();
        Rows(work, back ? reverse : forward);
        benchmark::DoNotOptimize(work.data());
    }
    state.counters["colours"] = double(ConversionCacheNodes());
    FlushConversionCache();
}

void BM_RgbToLab8_First(benchmark::State& s) {
    Convert<uint8_t>(s, &tImages::narrow, RgbToLab8Row, LabToRgb8Row, true, false);
}
void BM_RgbToLab8_Cached(benchmark::State& s) {
    Convert<uint8_t>(s, &tImages::narrow, RgbToLab8Row, LabToRgb8Row, false, false);
}
void BM_LabToRgb8_AfterForward(benchmark::State& s) {
    Convert<uint8_t>(s, &tImages::narrow, RgbToLab8Row, LabToRgb8Row, true, true);
}
void BM_RgbToLab16_First(benchmark::State& s) {
    Convert<uint16_t>(s, &tImages::wide, RgbToLab16Row, LabToRgb16Row, true, false);
}
void BM_RgbToLab16_Cached(benchmark::State& s) {
    Convert<uint16_t>(s, &tImages::wide, RgbToLab16Row, LabToRgb16Row, false, false);
}
void BM_LabToRgb16_AfterForward(benchmark::State& s) {
    Convert<uint16_t>(s, &tImages::wide, RgbToLab16Row, LabToRgb16Row, true, true);
}

}  // namespace

BENCHMARK(BM_RgbToLab8_First)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_RgbToLab8_Cached)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_LabToRgb8_AfterForward)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_RgbToLab16_First)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_RgbToLab16_Cached)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_LabToRgb16_AfterForward)->Unit(benchmark::kMillisecond)->Iterations(3);

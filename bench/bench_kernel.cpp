// The pixel correction kernel over a whole 6000 x 4000 image, single
// threaded, as the final application runs it (one row call per image row,
// full-resolution maps), at 8 and 16 bits; plus the plain per-pixel kernel
// and the rebuild of the 8-bit row form's tables after a settings change.
//
// Settings: "Neutral" is the defaults; "Local" has every local correction
// active (contrast, sharpness, shadows, highlights), a tone curve, chroma,
// hue and lightness gains, a two-point balance that tilts the neutral axis
// with L and a hue rotation; "OnePoint" is the same with a one-point balance
// (no tilt) and no lightness equaliser; "OnePointLightEq" keeps the
// lightness equaliser.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "engine/Correction.h"
#include "engine/Photo.h"
#include "engine/Settings.h"

namespace {

using namespace velmora;

constexpr int32_t kColumns = 6000;
constexpr int32_t kRows = 4000;
constexpr double kPi = std::numbers::pi;

uint32_t Next(uint32_t& s) {
    s = s * 1664525u + 1013904223u;
    return s >> 8;
}

// A textured Lab image: smooth lightness and colour fields with grain, and
// maps that follow the smooth lightness (contrast) and the textured one
// (sharpness).
struct tImage {
    std::vector<uint8_t> lab8;
    std::vector<uint16_t> lab16;
    tImage() : lab8(size_t(kColumns) * kRows * 3) {
        Maps.ContrastMap.Create(kRows, kColumns);
        Maps.SharpMap.Create(kRows, kColumns);
        uint32_t s = 12345;
        for (int32_t y = 0; y < kRows; ++y) {
            for (int32_t x = 0; x < kColumns; ++x) {
                const double smooth = 128 + 100 * std::sin(x / 700.0) * std::cos(y / 500.0);
                const double grain = int(Next(s) % 25) - 12;
                const double L = std::clamp(smooth + grain + 20 * std::sin(x / 9.0), 0.0, 255.0);
                const double a = 128 + 30 * std::sin(x / 900.0 + y / 1300.0) + int(Next(s) % 9) - 4;
                const double b = 128 + 35 * std::cos(x / 1100.0 - y / 800.0) + int(Next(s) % 9) - 4;
                uint8_t* p = &lab8[(size_t(y) * kColumns + x) * 3];
                p[0] = uint8_t(std::lround(L));
                p[1] = uint8_t(std::lround(a));
                p[2] = uint8_t(std::lround(b));
                Maps.ContrastMap[y][x] = uint8_t(std::lround(std::clamp(smooth, 0.0, 255.0)));
                Maps.SharpMap[y][x] = uint8_t(std::lround((smooth + L) / 2));
            }
        }
        Photo.ContrastMask = Maps.ContrastMap;
        Photo.SharpMask = Maps.SharpMap;
        Maps.Ready = true;
    }
    const std::vector<uint16_t>& Lab16() {
        if (lab16.empty()) {
            lab16.resize(lab8.size());
            uint32_t s = 777;
            for (size_t i = 0; i < lab8.size(); ++i)
                lab16[i] = uint16_t(std::min(32768.0, lab8[i] * kScale16 + Next(s) % 128));
        }
        return lab16;
    }
};

tImage& Image() {
    static tImage image;
    return image;
}

enum tConfig { kNeutral, kLocal, kOnePoint, kOnePointLightEq };

void SetTransform(double scale, bool tilt) {
    const double centre = 128 * scale;
    double t[12] = {1, 0, 0, 0, 1, 0, 0, 0, 1, -centre, -centre, 0};
    if (tilt) {
        t[6] = -0.06;
        t[7] = 0.04;
        t[9] += 0.06 * centre + 3 * scale;
        t[10] -= 0.04 * centre + 2 * scale;
        const double th = 8 * kPi / 180, c = std::cos(th), s = std::sin(th);
        for (int i : {0, 3, 6, 9}) {
            const double x = t[i], y = t[i + 1];
            t[i] = x * c - y * s;
            t[i + 1] = x * s + y * c;
        }
    }
    std::copy(t, t + 12, Tables.AbTransform);
}

void Configure(tConfig config, bool is16) {
    const bool neutral = config == kNeutral;
    Settings.Contrast = neutral ? 1.0 : 1.5;
    Settings.Sharpness = neutral ? 1.0 : 2.0;
    Settings.Shadow = neutral ? 1.0 : 2.0;
    Settings.HighLight = neutral ? 1.0 : 1.6;
    const bool lightEq = config == kLocal || config == kOnePointLightEq;
    for (int i = 0; i < 256; ++i)
        Tables.ToneTable[i] =
            neutral ? uint8_t(i) : uint8_t(std::lround(255 * std::pow(i / 255.0, 0.9)));
    for (int i = 0; i < 364; ++i) Tables.ChromaGain[i] = neutral ? 1.0 : 1 + 0.3 * (1 - i / 363.0);
    for (int i = 0; i <= 360; ++i)
        Tables.HueGain[i] = neutral ? 1.0 : 1 + 0.3 * std::sin(i * kPi / 180);
    for (int i = 0; i < 256; ++i)
        Tables.LightGain[i] = lightEq ? 1 + 0.2 * std::cos(2 * kPi * i / 255) : 1.0;
    if (is16) {
        for (int i = 0; i <= 32768; ++i)
            Tables.ToneTable16[i] =
                neutral ? uint16_t(i) : uint16_t(std::lround(32768 * std::pow(i / 32768.0, 0.9)));
        for (int i = 0; i < 46648; ++i)
            Tables.ChromaGain16[i] = neutral ? 1.0 : 1 + 0.3 * std::max(0.0, 1 - i / 46647.0);
        for (int i = 0; i <= 10000; ++i)
            Tables.HueGain16[i] = neutral ? 1.0 : 1 + 0.3 * std::sin(i * kPi / 5000);
        for (int i = 0; i <= 32768; ++i)
            Tables.LightGain16[i] = lightEq ? 1 + 0.2 * std::cos(2 * kPi * i / 32768) : 1.0;
    }
    SetTransform(is16 ? kScale16 : 1.0, config == kLocal);
}

void Whole8(benchmark::State& state, tConfig config) {
    tImage& image = Image();
    Configure(config, false);
    std::vector<uint8_t> out(image.lab8.size());
    const size_t row = size_t(kColumns) * 3;
    PrepareKernel();
    for (auto _ : state) {
        for (int32_t y = 0; y < kRows; ++y)
            CorrectRow8(y, image.lab8.data() + y * row, out.data() + y * row, kColumns);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * int64_t(kColumns) * kRows);
}

void Whole16(benchmark::State& state, tConfig config) {
    tImage& image = Image();
    const std::vector<uint16_t>& in = image.Lab16();
    Configure(config, true);
    std::vector<uint16_t> out(in.size());
    const size_t row = size_t(kColumns) * 3;
    for (auto _ : state) {
        for (int32_t y = 0; y < kRows; ++y)
            CorrectRow16(y, in.data() + y * row, out.data() + y * row, kColumns);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * int64_t(kColumns) * kRows);
}

// The plain per-pixel kernels on a tenth of the image (400 rows).
void Plain8(benchmark::State& state, tConfig config) {
    tImage& image = Image();
    Configure(config, false);
    uint64_t sum = 0;
    for (auto _ : state) {
        const uint8_t* p = image.lab8.data();
        for (int32_t y = 0; y < kRows / 10; ++y)
            for (int32_t x = 0; x < kColumns; ++x, p += 3) {
                const tLab8 r = CorrectPixel(x, y, p[0], p[1], p[2]);
                sum += r.L + r.a + r.b;
            }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * int64_t(kColumns) * (kRows / 10));
}

void Plain16(benchmark::State& state, tConfig config) {
    tImage& image = Image();
    const uint16_t* in = image.Lab16().data();
    Configure(config, true);
    uint64_t sum = 0;
    for (auto _ : state) {
        const uint16_t* p = in;
        for (int32_t y = 0; y < kRows / 10; ++y)
            for (int32_t x = 0; x < kColumns; ++x, p += 3) {
                const tLab16 r = CorrectPixel16(x, y, p[0], p[1], p[2]);
                sum += r.L + r.a + r.b;
            }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * int64_t(kColumns) * (kRows / 10));
}

// Rebuilding the 8-bit row form's tables after the contrast changes (what
// every preview redraw after a slider move pays once).
void Rebuild8(benchmark::State& state, tConfig config) {
    Image();
    Configure(config, false);
    double contrast = 1.5;
    for (auto _ : state) {
        contrast = contrast == 1.5 ? 1.6 : 1.5;
        Settings.Contrast = contrast;
        PrepareKernel();
    }
}

#define VELMORA_CONFIGS(f)                                                    \
    BENCHMARK_CAPTURE(f, Neutral, kNeutral)->Unit(benchmark::kMillisecond);   \
    BENCHMARK_CAPTURE(f, Local, kLocal)->Unit(benchmark::kMillisecond);       \
    BENCHMARK_CAPTURE(f, OnePoint, kOnePoint)->Unit(benchmark::kMillisecond); \
    BENCHMARK_CAPTURE(f, OnePointLightEq, kOnePointLightEq)->Unit(benchmark::kMillisecond)

VELMORA_CONFIGS(Whole8);
VELMORA_CONFIGS(Whole16);
BENCHMARK_CAPTURE(Plain8, Local, kLocal)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Plain16, Local, kLocal)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Rebuild8, Local, kLocal)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Rebuild8, OnePoint, kOnePoint)->Unit(benchmark::kMillisecond);

}  // namespace

// The benchmarks' 6000 x 4000 8-bit Lab image: smooth gradients with grain
// and fine stripes, so that the caches see a realistic spread of colours,
// in a bare filter record (input and output buffers).
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "sdk/PIFilter.h"

namespace velmora::bench {

inline constexpr int32_t kColumns = 6000;
inline constexpr int32_t kRows = 4000;

inline uint32_t Next(uint32_t& s) {
    s = s * 1664525u + 1013904223u;
    return s >> 8;
}

struct tTexturedLab {
    std::vector<uint8_t> in, out;
    sdk::FilterRecord record{};

    tTexturedLab() : in(size_t(kColumns) * kRows * 3), out(in.size()) {
        uint32_t s = 12345;
        for (int32_t y = 0; y < kRows; ++y)
            for (int32_t x = 0; x < kColumns; ++x) {
                const double smooth = 128 + 100 * std::sin(x / 700.0) * std::cos(y / 500.0);
                const double L = smooth + int(Next(s) % 25) - 12 + 20 * std::sin(x / 9.0);
                const double a = 128 + 30 * std::sin(x / 900.0 + y / 1300.0) + int(Next(s) % 9) - 4;
                const double b = 128 + 35 * std::cos(x / 1100.0 - y / 800.0) + int(Next(s) % 9) - 4;
                uint8_t* p = &in[(size_t(y) * kColumns + size_t(x)) * 3];
                p[0] = uint8_t(std::clamp(std::lround(L), 0L, 255L));
                p[1] = uint8_t(std::clamp(std::lround(a), 0L, 255L));
                p[2] = uint8_t(std::clamp(std::lround(b), 0L, 255L));
            }
        record.imageRows = int16_t(kRows);
        record.imageColumns = int16_t(kColumns);
        record.planes = 3;
        record.imageMode = sdk::kModeLab;
        record.inData = in.data();
        record.outData = out.data();
        record.inRowBytes = kColumns * 3;
        record.outRowBytes = kColumns * 3;
    }
};

}  // namespace velmora::bench

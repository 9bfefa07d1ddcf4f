// Tables that leave a pixel unchanged, for kernel tests that set only what
// they exercise.
#pragma once

#include <algorithm>
#include <cstdint>
#include <iterator>

#include "engine/Tables.h"

namespace velmora::test {

// Identity tone, unit gains, a transform that only centres a and b.
inline void SetNeutral8() {
    for (int i = 0; i < 256; ++i) ToneTable[i] = uint8_t(i);
    std::fill(std::begin(ChromaGain), std::end(ChromaGain), 1.0);
    std::fill(std::begin(HueGain), std::end(HueGain), 1.0);
    std::fill(std::begin(LightGain), std::end(LightGain), 1.0);
    const double t[12] = {1, 0, 0, 0, 1, 0, 0, 0, 1, -128, -128, 0};
    std::copy(t, t + 12, AbTransform);
}

inline void SetNeutral16() {
    for (int i = 0; i <= 32768; ++i) ToneTable16[i] = uint16_t(i);
    std::fill(std::begin(ChromaGain16), std::end(ChromaGain16), 1.0);
    std::fill(std::begin(HueGain16), std::end(HueGain16), 1.0);
    std::fill(std::begin(LightGain16), std::end(LightGain16), 1.0);
    const double t[12] = {1, 0, 0, 0, 1, 0, 0, 0, 1, -16384, -16384, 0};
    std::copy(t, t + 12, AbTransform);
}

}  // namespace velmora::test

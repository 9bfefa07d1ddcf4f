// Tables that leave a pixel unchanged, for kernel tests that set only what
// they exercise.
#pragma once

#include <algorithm>
#include <cstdint>
#include <iterator>

#include "engine/Correction.h"

namespace velmora::test {

// Identity tone, unit gains, a transform that only centres a and b.
inline void SetNeutral8() {
    for (int i = 0; i < 256; ++i) Tables.ToneTable[i] = uint8_t(i);
    std::fill(std::begin(Tables.ChromaGain), std::end(Tables.ChromaGain), 1.0);
    std::fill(std::begin(Tables.HueGain), std::end(Tables.HueGain), 1.0);
    std::fill(std::begin(Tables.LightGain), std::end(Tables.LightGain), 1.0);
    const double t[12] = {1, 0, 0, 0, 1, 0, 0, 0, 1, -128, -128, 0};
    std::copy(t, t + 12, Tables.AbTransform);
}

inline void SetNeutral16() {
    for (int i = 0; i <= 32768; ++i) Tables.ToneTable16[i] = uint16_t(i);
    std::fill(std::begin(Tables.ChromaGain16), std::end(Tables.ChromaGain16), 1.0);
    std::fill(std::begin(Tables.HueGain16), std::end(Tables.HueGain16), 1.0);
    std::fill(std::begin(Tables.LightGain16), std::end(Tables.LightGain16), 1.0);
    const double t[12] = {1, 0, 0, 0, 1, 0, 0, 0, 1, -16384, -16384, 0};
    std::copy(t, t + 12, Tables.AbTransform);
}

}  // namespace velmora::test

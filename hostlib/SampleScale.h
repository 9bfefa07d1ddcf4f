// Conversions between file sample encodings and the host's scales. All
// rounding is to the nearest value with halves to even (nearbyint in the
// default rounding mode).
//
// 16-bit: file 0..65535 <-> host 0..32768; a round trip moves a value by at
// most one level. Lab a and b in the host's 16-bit scale are 16384 + 128·a*;
// in a CIELab TIFF they are signed 256·a*, in an ICC Lab TIFF 32768 + 256·a*.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace hostlib {

inline constexpr uint16_t kHostMax16 = 32768;
inline constexpr uint16_t kHostNeutral16 = 16384;

inline uint16_t FileToHost16(uint16_t v) {
    return uint16_t(std::nearbyint(v * (32768.0 / 65535.0)));
}

inline uint16_t HostToFile16(uint16_t h) {
    return uint16_t(std::nearbyint(std::min(h, kHostMax16) * (65535.0 / 32768.0)));
}

/// 16-bit host value to 8 bits (0..255), for formats that store 8 bits only.
inline uint8_t Host16To8(uint16_t h) {
    return uint8_t(std::nearbyint(std::min(h, kHostMax16) * (255.0 / 32768.0)));
}

/// CIELab TIFF: signed a or b (256 per unit) to the host's 16-bit scale.
inline uint16_t CieLabToHost16(int16_t s) {
    return uint16_t(std::nearbyint(16384.0 + s / 2.0));
}
inline int16_t HostToCieLab16(uint16_t h) {
    int v = (int(std::min(h, kHostMax16)) - 16384) * 2;
    return int16_t(std::clamp(v, -32768, 32767));
}

/// ICC Lab TIFF: a or b with 32768 neutral (256 per unit) to the host's 16-bit scale.
inline uint16_t IccLabToHost16(uint16_t v) {
    return uint16_t(std::nearbyint(v / 2.0));
}
inline uint16_t HostToIccLab16(uint16_t h) {
    return uint16_t(std::min(int(std::min(h, kHostMax16)) * 2, 65535));
}

}  // namespace hostlib

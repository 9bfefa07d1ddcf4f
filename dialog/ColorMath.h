// Small colour arithmetic shared by the readouts, the band targeting and the
// pipettes. a and b are 8-bit with 128 neutral.
#pragma once

#include <cmath>
#include <cstdint>
#include <numbers>
#include <string>

#include "base/Rounding.h"

namespace velmora::dialog {

/// Hue of (a - 128, b - 128) in whole degrees, in (0, 360]; 0 for neutral.
/// A pure positive a gives 360.
inline int32_t PickHue(int32_t a, int32_t b) {
    if (a == 128 && b == 128) return 0;
    return int32_t(
        Round((std::atan2(128.0 - b, 128.0 - a) + std::numbers::pi) * 180.0 / std::numbers::pi));
}

/// Chroma of (a, b): round of the distance from neutral.
inline int32_t ChromaOf(int32_t a, int32_t b) {
    return int32_t(Round(std::sqrt(double(a - 128) * (a - 128) + double(b - 128) * (b - 128))));
}

/// A readout number: sign character (blank or minus), then the digits
/// left-padded with zeros to three.
inline std::string PaddedNumber(int64_t n) {
    std::string digits = std::to_string(n < 0 ? -n : n);
    if (digits.size() < 3) digits.insert(0, 3 - digits.size(), '0');
    return (n < 0 ? "-" : " ") + digits;
}

}  // namespace velmora::dialog

// An interleaved three-sample image as the mathematics reads it (the host's
// input buffer, rows packed), and the depth of the four document modes.
#pragma once

#include <cstdint>

#include "base/Rounding.h"
#include "maths/Tables.h"
#include "sdk/PIFilter.h"

namespace velmora {

/// RGB or Lab, 8 bits a sample.
inline bool Is8Bit(int16_t mode) {
    return mode == sdk::kModeRGB || mode == sdk::kModeLab;
}
/// RGB48 or Lab48, 16 bits a sample (0..32768).
inline bool Is16Bit(int16_t mode) {
    return mode == sdk::kModeRGB48 || mode == sdk::kModeLab48;
}

/// A 16-bit sample (0..32768) on the 8-bit scale: divided by 32768/255,
/// rounded to nearest with ties to even; anything above 32768 saturates at 255.
inline uint8_t Reduce16(uint16_t v) {
    const int64_t r = Round(double(v) / kScale16);
    return uint8_t(r > 255 ? 255 : r);
}

/// Rows x Columns pixels of three samples, Columns x 3 samples a row; the
/// samples are bytes in the 8-bit modes and 16-bit words in the 16-bit ones.
/// Other modes hold nothing a reader may take.
struct tImageView {
    const void* Data = nullptr;
    int32_t Rows = 0;
    int32_t Columns = 0;
    int16_t Mode = 0;

    const uint8_t* Bytes() const { return static_cast<const uint8_t*>(Data); }
    const uint16_t* Words() const { return static_cast<const uint16_t*>(Data); }
};

}  // namespace velmora

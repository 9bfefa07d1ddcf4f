// A document as a host hands it to a filter: three colour planes in the
// host's sample scale, interleaved and packed, with the ICC profile of its
// colours. Whatever else a front end keeps of an image (alpha, file
// encodings, layers) stays with the front end.
//
// Host sample scales:
//   8-bit  RGB 0..255; Lab L 0..255 for 0..100, a and b 0..255 with 128 neutral.
//   16-bit RGB 0..32768; Lab L 0..32768 for 0..100, a and b 0..32768 with
//          16384 neutral (one unit of a or b is 1/128).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace hostlib {

enum class ColorModel { Rgb, Lab };

/// The largest width or height: the filter record's sizes are signed 16-bit.
inline constexpr int32_t kMaxDimension = 32767;

struct Document {
    ColorModel model = ColorModel::Rgb;
    int32_t width = 0;
    int32_t height = 0;
    /// 8 or 16 bits per sample.
    int depth = 8;

    /// width × height × 3 samples in the host scale: bytes for 8-bit,
    /// native-endian uint16 for 16-bit.
    std::vector<uint8_t> pixels;

    /// The profile of the RGB colours (may be empty: sRGB).
    std::vector<uint8_t> icc;

    size_t BytesPerSample() const { return depth == 16 ? 2 : 1; }
    size_t RowBytes() const { return size_t(width) * 3 * BytesPerSample(); }
    uint16_t* Pixels16() { return reinterpret_cast<uint16_t*>(pixels.data()); }
    const uint16_t* Pixels16() const { return reinterpret_cast<const uint16_t*>(pixels.data()); }
    /// The filter record's image mode: 3, 9, 11 or 12.
    int16_t ImageMode() const;
    /// "RGB", "Lab", "RGB48" or "Lab48".
    const char* ModeName() const;
};

}  // namespace hostlib

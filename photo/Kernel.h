// The per-pixel correction: one Lab pixel to its corrected Lab value, from
// the tables (engine/Tables.h), the settings (Contrast, Sharpness, Shadow,
// HighLight) and the local means. 8-bit samples are 0..255 with a and b
// neutral at 128; 16-bit samples are 0..32768 with neutral at 16384.
//
// CorrectPixel and CorrectPixel16 are the plain definition of the correction.
// The row forms compute exactly the same values faster: the 8-bit row form
// tabulates everything that depends only on the settings and the tables, and
// rebuilds those tables by itself whenever its inputs have changed; the
// 16-bit row form evaluates powers and hue angles by approximations that
// fall back to the exact computation near a rounding boundary.
//
// Settings values the dialog cannot produce are handled without undefined
// behaviour: a factor that is not finite acts as 1, powers with exponents
// outside (0, inf) are clamped to the sample range, a gain that is not
// finite acts as 1, chroma coordinates that are not finite give neutral a
// and b, and 16-bit lightness above 32768 (input or tone table) reads as
// 32768.
#pragma once

#include <cstdint>

namespace velmora {

struct tLab8 {
    uint8_t L, a, b;
};
struct tLab16 {
    uint16_t L, a, b;
};

/// 8-bit kernel: (x, y) in the coordinates of Photo's masks in use. The
/// masks are read only while MapsReady; a position outside them is an
/// internal failure.
tLab8 CorrectPixel(int32_t x, int32_t y, uint8_t L, uint8_t a, uint8_t b);
/// 16-bit kernel: host-image coordinates; reads ContrastMap and SharpMap
/// while MapsReady (without the maps the local means are the pixel's own
/// toned lightness, as in the 8-bit kernel).
tLab16 CorrectPixel16(int32_t x, int32_t y, uint16_t L, uint16_t a, uint16_t b);

/// Moves a chroma point outside the square towards neutral onto its edge,
/// keeping its hue. Non-finite coordinates give neutral.
void ClipAB(double A, double B, uint8_t& a, uint8_t& b);
void ClipAB16(double A, double B, uint16_t& a, uint16_t& b);

/// Corrected value of the working pixel at (x, y).
tLab8 CorrectWorkingPixel(int32_t x, int32_t y);
/// Corrected value of the 3x3 mean Lab around working pixel (x, y).
tLab8 CorrectWorkingMean(int32_t x, int32_t y);
/// 3x3 mean Lab around working pixel (x, y), each component
/// round(sum / 9); pixels on the outermost rows and columns as they are.
tLab8 WorkingMean(int32_t x, int32_t y);

/// Brings the 8-bit row form's tables up to date with the current settings
/// and tables now (the row forms also do it by themselves when needed).
void PrepareKernel();

/// Corrects `count` interleaved L, a, b pixels of row y, columns x0 .. x0 +
/// count - 1 (mask coordinates as for CorrectPixel). `in` and `out` may be
/// the same buffer. Results are identical to CorrectPixel.
void CorrectRow8(int32_t x0, int32_t y, const uint8_t* in, uint8_t* out, int32_t count);
inline void CorrectRow8(int32_t y, const uint8_t* in, uint8_t* out, int32_t count) {
    CorrectRow8(0, y, in, out, count);
}
/// 16-bit row form, host-image coordinates; identical to CorrectPixel16.
void CorrectRow16(int32_t x0, int32_t y, const uint16_t* in, uint16_t* out, int32_t count);
inline void CorrectRow16(int32_t y, const uint16_t* in, uint16_t* out, int32_t count) {
    CorrectRow16(0, y, in, out, count);
}

namespace kernel_detail {
/// Hue index round(H) by atan2, and the fast form that must agree with it.
/// 8-bit: H = atan2(-v, -u) * 180 / pi + 180, 0..360; 16-bit: * 5000 / pi
/// + 5000, 0..10000. u and v finite.
int32_t HueIndex8(double u, double v);
int32_t FastHueIndex8(double u, double v);
int32_t HueIndex16(double u, double v);
int32_t FastHueIndex16(double u, double v);
/// round(32768 * (v / 32768)^e) clamped to 0..32768, 0^e = 0: by pow, and
/// the fast form that must agree with it. v in 0..32768.
int32_t Power16(int32_t v, double e);
int32_t FastPower16(int32_t v, double e);
}  // namespace kernel_detail

}  // namespace velmora

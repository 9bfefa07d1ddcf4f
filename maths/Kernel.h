// The per-pixel correction: one Lab pixel to its corrected Lab value, from
// the tables (maths/Tables.h), the settings (Contrast, Sharpness, Shadow,
// HighLight) and the local means, all passed in: the mask values of the pixel,
// or rows of mask bytes for the row forms (none: the local means are the
// pixel's own toned lightness). 8-bit samples are 0..255 with a and b
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
#include <memory>

#include "base/Params.h"
#include "maths/Tables.h"

namespace velmora {

struct tLab8 {
    uint8_t L, a, b;
};
struct tLab16 {
    uint16_t L, a, b;
};

/// The local means of one pixel: its contrast and sharpness mask bytes.
struct tMaskValues {
    uint8_t Contrast;
    uint8_t Sharp;
};

/// 8-bit kernel. masks: the pixel's mask values, or null without maps.
tLab8 CorrectPixel(const tParams& settings, const tCorrectionTables& tables,
                   const tMaskValues* masks, uint8_t L, uint8_t a, uint8_t b);
/// 16-bit kernel. maps: the pixel's bytes of the full-resolution contrast and
/// sharpness maps, or null without maps.
tLab16 CorrectPixel16(const tParams& settings, const tCorrectionTables& tables,
                      const tMaskValues* maps, uint16_t L, uint16_t a, uint16_t b);

/// Moves a chroma point outside the square towards neutral onto its edge,
/// keeping its hue. Non-finite coordinates give neutral.
void ClipAB(double A, double B, uint8_t& a, uint8_t& b);
void ClipAB16(double A, double B, uint16_t& a, uint16_t& b);

/// What the 8-bit row form derives from the settings and the tables alone,
/// with a copy of the inputs it was derived from; the row form rebuilds it
/// whenever they have changed. Kept by the caller between rows.
class tRowKernel8 {
  public:
    tRowKernel8();
    ~tRowKernel8();
    tRowKernel8(const tRowKernel8&) = delete;
    tRowKernel8& operator=(const tRowKernel8&) = delete;

  private:
    struct tState;
    std::unique_ptr<tState> state_;
    friend void PrepareKernel(tRowKernel8&, const tParams&, const tCorrectionTables&, bool);
    friend void CorrectRow8(tRowKernel8&, const tParams&, const tCorrectionTables&, const uint8_t*,
                            const uint8_t*, const uint8_t*, uint8_t*, int32_t);
};

/// Brings the row form's derived tables up to date now (the row form also
/// does it by itself when needed); maps: whether rows of masks will be given.
void PrepareKernel(tRowKernel8& kernel, const tParams& settings, const tCorrectionTables& tables,
                   bool maps);

/// Corrects `count` interleaved L, a, b pixels. contrast and sharp: the
/// pixels' mask bytes (count each), or both null without maps. `in` and
/// `out` may be the same buffer. Results are identical to CorrectPixel.
void CorrectRow8(tRowKernel8& kernel, const tParams& settings, const tCorrectionTables& tables,
                 const uint8_t* contrast, const uint8_t* sharp, const uint8_t* in, uint8_t* out,
                 int32_t count);
/// 16-bit row form, mask bytes of the full-resolution maps; identical to
/// CorrectPixel16.
void CorrectRow16(const tParams& settings, const tCorrectionTables& tables, const uint8_t* contrast,
                  const uint8_t* sharp, const uint16_t* in, uint16_t* out, int32_t count);

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

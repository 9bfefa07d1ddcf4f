// The module's correction tables and the kernel on the module's state: the
// settings, the tables, and the masks of the working image (8-bit, working
// coordinates) or the full-resolution maps (16-bit, host coordinates), read
// only while Maps.Ready. Positions outside the masks are internal failures.
#pragma once

#include <cstdint>

#include "maths/Kernel.h"
#include "maths/Matrix.h"
#include "maths/Tables.h"

namespace velmora {

/// The tables the kernel reads; identity tone and unit gains at load.
extern tCorrectionTables Tables;

/// Builds the 8-bit set from Settings and the analysed black and white points.
void BuildTables();
/// Derives the 16-bit tables from the 8-bit set.
void BuildTables16();
/// Overwrites Tables.AbTransform with its 16-bit version.
void BuildAbTransform16();
/// Puts the tables back to their load-time state.
void ResetTables();

/// 8-bit kernel at (x, y) of Photo's masks.
tLab8 CorrectPixel(int32_t x, int32_t y, uint8_t L, uint8_t a, uint8_t b);
/// 16-bit kernel at host-image (x, y) of the full maps.
tLab16 CorrectPixel16(int32_t x, int32_t y, uint16_t L, uint16_t a, uint16_t b);

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

/// Row y, columns x0 .. x0 + count - 1 of Photo's masks (8-bit) or of the
/// full maps (16-bit), through the row forms of maths/Kernel.h.
void CorrectRow8(int32_t x0, int32_t y, const uint8_t* in, uint8_t* out, int32_t count);
inline void CorrectRow8(int32_t y, const uint8_t* in, uint8_t* out, int32_t count) {
    CorrectRow8(0, y, in, out, count);
}
void CorrectRow16(int32_t x0, int32_t y, const uint16_t* in, uint16_t* out, int32_t count);
inline void CorrectRow16(int32_t y, const uint16_t* in, uint16_t* out, int32_t count) {
    CorrectRow16(0, y, in, out, count);
}
/// The 8-bit row form on the full maps (host coordinates), for the final
/// application.
void CorrectHostRow8(int32_t y, const uint8_t* in, uint8_t* out, int32_t count);

/// Mask bytes of row y, columns x0 .. x0 + count - 1, checked to be there.
const uint8_t* MaskRow(const tByteMatrix& mask, int32_t x0, int32_t y, int32_t count);
/// The mask byte at (x, y), checked to be there.
uint8_t MaskAt(const tByteMatrix& mask, int32_t x, int32_t y);

}  // namespace velmora

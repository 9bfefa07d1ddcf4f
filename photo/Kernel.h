// The per-pixel correction: one Lab pixel to its corrected Lab value, from
// the tables (engine/Tables.h), the settings and the local means.
#pragma once

#include <cstdint>

namespace velmora {

struct tLab8 {
    uint8_t L, a, b;
};
struct tLab16 {
    uint16_t L, a, b;
};

/// 8-bit kernel: (x, y) in the coordinates of Photo's masks in use.
tLab8 CorrectPixel(int32_t x, int32_t y, uint8_t L, uint8_t a, uint8_t b);
/// 16-bit kernel: host-image coordinates, reads ContrastMap and SharpMap.
tLab16 CorrectPixel16(int32_t x, int32_t y, uint16_t L, uint16_t a, uint16_t b);

/// Moves a chroma point outside the square towards neutral onto its edge.
void ClipAB(double A, double B, uint8_t& a, uint8_t& b);
void ClipAB16(double A, double B, uint16_t& a, uint16_t& b);

/// Corrected value of the working pixel at (x, y).
tLab8 CorrectWorkingPixel(int32_t x, int32_t y);
/// Corrected value of the 3x3 mean Lab around working pixel (x, y).
tLab8 CorrectWorkingMean(int32_t x, int32_t y);
/// 3x3 mean Lab around working pixel (x, y); edge pixels as they are.
tLab8 WorkingMean(int32_t x, int32_t y);

}  // namespace velmora

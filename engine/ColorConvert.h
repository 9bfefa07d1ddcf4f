// Conversions between RGB and Lab through the host's colour services, one
// colour per call, memoised in hash caches; 16-bit conversions interpolate
// two cached 8-bit ones; Lab to display RGB through the colour space suite.
#pragma once

#include <cstdint>

namespace velmora {

/// 8-bit, cached. Components 0..255.
void RgbToLab8(const uint8_t rgb[3], uint8_t lab[3]);
void LabToRgb8(const uint8_t lab[3], uint8_t rgb[3]);
/// 16-bit, components 0..32768.
void RgbToLab16(const uint16_t rgb[3], uint16_t lab[3]);
void LabToRgb16(const uint16_t lab[3], uint16_t rgb[3]);
/// Lab to the monitor's RGB, cached.
void LabToDisplay(const uint8_t lab[3], uint8_t rgb[3]);

void FlushConversionCache();
void FlushDisplayCache();

/// Hash index of a colour triple: low 6 bits of c2, then c1, then c0.
inline uint32_t ColorHash(uint8_t c0, uint8_t c1, uint8_t c2) {
    return ((uint32_t(c2) << 16) | (uint32_t(c1) << 8) | c0) & 0x3FFFFFu;
}

}  // namespace velmora

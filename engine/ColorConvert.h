// Conversions between RGB and Lab through the host's colour services, one
// colour per call, memoised in caches; 16-bit conversions interpolate
// up to four cached 8-bit ones (the corners of a tetrahedron in the grid
// cell); Lab to display RGB through the colour space suite.
//
// Components are 0..255 (Lab in the host's 8-bit encoding: L 0..255 for
// 0..100, a and b with 128 neutral) or 0..32768 in the 16-bit forms.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace velmora {

/// 8-bit, cached. Components 0..255.
inline void RgbToLab8(const uint8_t rgb[3], uint8_t lab[3]);
inline void LabToRgb8(const uint8_t lab[3], uint8_t rgb[3]);
/// 16-bit, components 0..32768 (larger values are taken as 32768). Only
/// the corners of weight > 0 are converted, so a triple on the 8-bit grid
/// asks for its grid colour alone and converts exactly as it does in 8 bits.
void RgbToLab16(const uint16_t rgb[3], uint16_t lab[3]);
void LabToRgb16(const uint16_t lab[3], uint16_t rgb[3]);
/// Row forms: `count` interleaved triples converted in place, each with
/// exactly the result of the single-colour form above, with the cache
/// lookups of several pixels overlapped.
void RgbToLab8Row(uint8_t* pixels, size_t count);
void LabToRgb8Row(uint8_t* pixels, size_t count);
void RgbToLab16Row(uint16_t* pixels, size_t count);
void LabToRgb16Row(uint16_t* pixels, size_t count);
/// Lab to the monitor's RGB, cached. Without a colour space suite from the
/// host, the colour is converted here from CIE Lab (D50) to sRGB.
inline void LabToDisplay(const uint8_t lab[3], uint8_t rgb[3]);

/// Row form of LabToDisplay on packed colours (Lab c0 | c1 << 8 | c2 << 16):
/// each of the n keys replaced by its packed display RGB, exactly as the
/// single-colour form answers and in the same order (misses convert and
/// enter the cache in key order), with the cache lookups of several keys
/// overlapped.
void LabToDisplayKeys(uint32_t* keys, size_t n);

/// Empties the forward and reverse caches (releases all their nodes).
void FlushConversionCache();
/// Empties the display cache.
void FlushDisplayCache();

/// Hash index of a colour triple: low 6 bits of c2, then c1, then c0.
inline uint32_t ColorHash(uint8_t c0, uint8_t c1, uint8_t c2) {
    return ((uint32_t(c2) << 16) | (uint32_t(c1) << 8) | c0) & 0x3FFFFFu;
}

/// Nodes held by each cache (for tests and statistics).
size_t ConversionCacheNodes();
size_t DisplayCacheNodes();
/// True when no bucket of the cache's arrays holds a chain.
bool ConversionBucketsEmpty();
bool DisplayBucketsEmpty();

namespace color_cache {

// A colour triple packed as c0 | c1 << 8 | c2 << 16: the index of its
// entry in the cache tables.
inline uint32_t Pack(const uint8_t c[3]) {
    return uint32_t(c[0]) | (uint32_t(c[1]) << 8) | (uint32_t(c[2]) << 16);
}
inline void Unpack(uint32_t v, uint8_t c[3]) {
    c[0] = uint8_t(v);
    c[1] = uint8_t(v >> 8);
    c[2] = uint8_t(v >> 16);
}

// Conversion records live in blocks of 65536 and are named by 32-bit
// indices (record 0 of block 0 is never handed out). At most 2^24 RGB
// colours plus 2^24 Lab colours can ever be cached, well below the
// block table's 2^26 nodes.
inline constexpr uint32_t kBlockShift = 16;
inline constexpr uint32_t kBlockSize = 1u << kBlockShift;
inline constexpr uint32_t kMaxBlocks = 1024;

// The conversion caches are indexed by the whole packed colour: one 32-bit
// entry per possible colour, 0 while that colour has not been converted,
// else kKnown | the packed answer. So a lookup is a single load, where a
// hash bucket and a chain would be two dependent ones; the pages of the
// tables that no colour reaches are never touched.
//   Forward[rgb]: the Lab the host gave for rgb.
//   Reverse[lab]: the RGB of the latest conversion that gave or took lab
//                 (a forward conversion overwrites it, a reverse one fills
//                 it when empty), which is the RGB a colour that went
//                 through the module unchanged came from.
inline constexpr uint32_t kColours = 1u << 24;
inline constexpr uint32_t kKnown = 1u << 24;
inline constexpr uint32_t kColourMask = kColours - 1;

// One converted colour, kept to count the conversions and to clear their
// entries at a flush. Rgb carries kInForward when the conversion was a
// forward one (a reverse conversion enters the reverse table only).
inline constexpr uint32_t kInForward = 1u << 24;
struct tConversionNode {
    uint32_t Rgb;  // packed R, G, B (| kInForward)
    uint32_t Lab;  // packed L, a, b
};

// One display conversion, kept to count them and to clear their entries at
// a flush.
struct tDisplayNode {
    uint32_t Lab;
    uint32_t Rgb;
};

// The caches of the module: the forward (RGB to Lab), reverse and display
// (Lab to display RGB: Display[lab] = kKnown | rgb) tables with their
// conversion records.
struct tCaches {
    uint32_t Forward[kColours];
    uint32_t Reverse[kColours];
    uint32_t Display[kColours];
    std::unique_ptr<tConversionNode[]> ConversionBlocks[kMaxBlocks];
    std::unique_ptr<tDisplayNode[]> DisplayBlocks[kMaxBlocks];
};

extern tCaches Caches;

// The slow paths: a host call and a new node. Colours packed.
uint32_t RgbToLab8Miss(uint32_t rgb);
uint32_t LabToRgb8Miss(uint32_t lab);
uint32_t LabToDisplayMiss(uint32_t lab);

// The cached conversions on packed colours.
inline uint32_t ForwardConvert(uint32_t rgb) {
    const uint32_t e = Caches.Forward[rgb];
    return e != 0 ? e & kColourMask : RgbToLab8Miss(rgb);
}

inline uint32_t ReverseConvert(uint32_t lab) {
    const uint32_t e = Caches.Reverse[lab];
    return e != 0 ? e & kColourMask : LabToRgb8Miss(lab);
}

inline uint32_t DisplayConvert(uint32_t lab) {
    const uint32_t e = Caches.Display[lab];
    return e != 0 ? e & kColourMask : LabToDisplayMiss(lab);
}

}  // namespace color_cache

inline void RgbToLab8(const uint8_t rgb[3], uint8_t lab[3]) {
    color_cache::Unpack(color_cache::ForwardConvert(color_cache::Pack(rgb)), lab);
}

inline void LabToRgb8(const uint8_t lab[3], uint8_t rgb[3]) {
    color_cache::Unpack(color_cache::ReverseConvert(color_cache::Pack(lab)), rgb);
}

inline void LabToDisplay(const uint8_t lab[3], uint8_t rgb[3]) {
    color_cache::Unpack(color_cache::DisplayConvert(color_cache::Pack(lab)), rgb);
}

}  // namespace velmora

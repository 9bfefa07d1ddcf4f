// Third-order recursive Gaussian (Young and van Vliet), forward and backward
// passes, with every sum formed in extended precision (long double) in the
// order B*x + b1*p1 + b2*p2 + b3*p3. Values before the start of a sequence
// are its first input, values after the end its last forward value, so a
// constant sequence stays constant and sequences of any length >= 1 are
// handled without reading outside them.
//
// Column phase: forward values are doubles; each backward value is stored at
// once as a float into the matrix and the recursion reads it back from there.
// Row phase: forward and backward values are doubles; the row receives the
// backward values as floats and the map row their rounded bytes.
//
// The single-sequence functions are the step-wise form; the block functions
// run several adjacent columns (or several rows) side by side with the same
// arithmetic per sequence, for cache-friendly one-shot builds.
#pragma once

#include <cstddef>
#include <cstdint>

namespace velmora {

struct tGaussCoefficients {
    long double B, b1, b2, b3;
};
extern const tGaussCoefficients kSharpCoefficients;     // q = 1
extern const tGaussCoefficients kContrastCoefficients;  // q = 19

/// Columns handled per sweep by BlurColumns, rows per call by BlurRows.
inline constexpr size_t kColumnBlock = 32;
inline constexpr size_t kRowBlock = 8;

/// Map byte of a blurred lightness: clamped to 0..255, rounded to nearest,
/// ties to even.
uint8_t MapByte(double y);

/// Vertical blur of column `column` of the n rows, in place. forward: n doubles.
void BlurColumn(const tGaussCoefficients& c, float* const* rows, size_t n, size_t column,
                double* forward);

/// Vertical blur of columns first .. first + count - 1 (count <= kColumnBlock),
/// identical per column to BlurColumn. forward: n * kColumnBlock doubles.
void BlurColumns(const tGaussCoefficients& c, float* const* rows, size_t n, size_t first,
                 size_t count, double* forward);

/// Horizontal blur of one row of n samples in place; map receives the rounded
/// bytes. forward, backward: n doubles each.
void BlurRow(const tGaussCoefficients& c, float* row, uint8_t* map, size_t n, double* forward,
             double* backward);

/// BlurRow on `count` rows (count <= kRowBlock) side by side. values:
/// n * kRowBlock doubles, the forward values and then, over them, the
/// backward ones (one buffer, so that a block's working set stays in cache).
void BlurRows(const tGaussCoefficients& c, float* const* rows, uint8_t* const* maps, size_t count,
              size_t n, double* values);

}  // namespace velmora

// Rounding used throughout the module: nearest integer, halves to the even
// neighbour. lrint follows the current rounding mode, which is never changed
// from round-to-nearest-even here. Truncation is always spelled out at the
// call site (Trunc).
#pragma once

#include <cmath>
#include <cstdint>

namespace velmora {

/// Nearest integer, ties to even. The argument must be finite and in range
/// of int64; callers clamp values that may not be.
inline int64_t Round(double x) {
    return std::llrint(x);
}
inline int64_t Round(long double x) {
    return std::llrint(x);
}
inline int32_t Round32(double x) {
    return int32_t(std::lrint(x));
}

/// Nearest integer as a double (ties to even); safe for any finite value.
inline double RoundToDouble(double x) {
    return std::nearbyint(x);
}

/// Integer part, truncating toward zero.
inline int64_t Trunc(double x) {
    return int64_t(x);
}

}  // namespace velmora

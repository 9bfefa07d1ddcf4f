// Checked size and index arithmetic: a failed check is an internal failure,
// never a silent wrap.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>

#include "base/Failure.h"

namespace velmora {

inline size_t CheckedMul(size_t a, size_t b) {
    size_t r;
    if (__builtin_mul_overflow(a, b, &r)) Fail("Переполнение размера");
    return r;
}

inline size_t CheckedAdd(size_t a, size_t b) {
    size_t r;
    if (__builtin_add_overflow(a, b, &r)) Fail("Переполнение размера");
    return r;
}

}  // namespace velmora

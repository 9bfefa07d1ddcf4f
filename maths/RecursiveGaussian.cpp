#include "maths/RecursiveGaussian.h"

#include <cmath>
#include <cstddef>
#include <type_traits>
#include <vector>

namespace velmora {

// Normalised coefficients B, b1/b0, b2/b0, b3/b0 for q = 1 and q = 19; each
// set sums to 1. These digits are the ones to use, not values recomputed
// from the formulas.
const tGaussCoefficients kSharpCoefficients = {0.26874589731953952925L, 1.1182159438144562495L,
                                               -0.45885485089018055620L, 0.071893009756184777490L};
const tGaussCoefficients kContrastCoefficients = {0.00045725568516135679L, 2.8227489770625408989L,
                                                  -2.6603021901148547999L, 0.83709595736715254421L};

namespace {

using Ext = long double;

// One recursion step, summed left to right in extended precision. Every form
// below goes through this, so the column-block and row-block sweeps give the
// same bits as the single-sequence steps.
inline Ext Step(const tGaussCoefficients& c, Ext x, Ext p1, Ext p2, Ext p3) {
    return c.B * x + c.b1 * p1 + c.b2 * p2 + c.b3 * p3;
}

// The inner recursion loops of the block sweeps, in x87 code: for t = 0 ..
// n - 1, out[t] = B*x[t] + b1*p1[t] + b2*p2[t] + b3*p3[t], the four
// coefficients held on the register stack and every pointer moved by `dir`
// elements per step (p1 .. p3 may alias earlier outputs, x the output
// itself: x[t] is read before out[t] is written). The operations
// and their order are exactly those of Step; the difference from the
// compiler's code is the instruction form: each value is loaded and then
// multiplied by a coefficient register, instead of a coefficient being
// copied and multiplied by the value in memory, which takes the stack unit
// one operation fewer per product; and all five sequences are addressed
// through one counter, so that a step costs one increment, not five.
// X is float or double (the value), T the type of p1 .. p3 and out.
#if defined(__x86_64__) && !defined(VELMORA_PORTABLE_RECURSION)
template <class X, class T>
inline void Recur(const tGaussCoefficients& c, const X* x, const T* p1, const T* p2, const T* p3,
                  T* out, size_t n, ptrdiff_t dir) {
    static_assert(sizeof(long double) == 16 && sizeof(tGaussCoefficients) == 64);
    if (n == 0) return;
    // Element t of a sequence that starts at s is at base + k * size with
    // k = t - n, base = s + n (counting up to 0), or k = n - t, base = s - n
    // (counting down to 0). The bases are plain addresses: the one past the
    // start of a backward sequence points outside it.
    const auto base = [&](const void* s, size_t size) {
        const ptrdiff_t shift = ptrdiff_t(n * size);
        return reinterpret_cast<uintptr_t>(s) + uintptr_t(dir > 0 ? shift : -shift);
    };
    const uintptr_t bx = base(x, sizeof(X)), b1 = base(p1, sizeof(T)), b2 = base(p2, sizeof(T)),
                    b3 = base(p3, sizeof(T)), bo = base(out, sizeof(T));
    ptrdiff_t k = dir > 0 ? -ptrdiff_t(n) : ptrdiff_t(n);
#define VELMORA_RECUR(LOADX, SX, LOADT, STORET, ST, STEP)                                 \
    asm volatile(                                                                         \
        "fldt (%[c])\n\t"                                                                 \
        "fldt 16(%[c])\n\t"                                                               \
        "fldt 32(%[c])\n\t"                                                               \
        "fldt 48(%[c])\n\t"                                                               \
        "1:\n\t" LOADX " (%[x],%[k]," SX                                                  \
        ")\n\t"                                                                           \
        "fmul %%st(4), %%st\n\t" LOADT " (%[p1],%[k]," ST                                 \
        ")\n\t"                                                                           \
        "fmul %%st(4), %%st\n\t"                                                          \
        "faddp %%st, %%st(1)\n\t" LOADT " (%[p2],%[k]," ST                                \
        ")\n\t"                                                                           \
        "fmul %%st(3), %%st\n\t"                                                          \
        "faddp %%st, %%st(1)\n\t" LOADT " (%[p3],%[k]," ST                                \
        ")\n\t"                                                                           \
        "fmul %%st(2), %%st\n\t"                                                          \
        "faddp %%st, %%st(1)\n\t" STORET " (%[o],%[k]," ST ")\n\t" STEP                   \
        " %[k]\n\t"                                                                       \
        "jnz 1b\n\t"                                                                      \
        "fstp %%st(0)\n\t"                                                                \
        "fstp %%st(0)\n\t"                                                                \
        "fstp %%st(0)\n\t"                                                                \
        "fstp %%st(0)\n\t"                                                                \
        : [k] "+r"(k)                                                                     \
        : [c] "r"(&c), [x] "r"(bx), [p1] "r"(b1), [p2] "r"(b2), [p3] "r"(b3), [o] "r"(bo) \
        : "memory", "cc", "st", "st(1)", "st(2)", "st(3)", "st(4)", "st(5)", "st(6)", "st(7)")
#define VELMORA_RECUR_BOTH(LOADX, SX, LOADT, STORET, ST)    \
    if (dir > 0)                                            \
        VELMORA_RECUR(LOADX, SX, LOADT, STORET, ST, "inc"); \
    else                                                    \
        VELMORA_RECUR(LOADX, SX, LOADT, STORET, ST, "dec")
    if constexpr (std::is_same_v<X, float> && std::is_same_v<T, double>)
        VELMORA_RECUR_BOTH("flds", "4", "fldl", "fstpl", "8");
    else if constexpr (std::is_same_v<X, double> && std::is_same_v<T, double>)
        VELMORA_RECUR_BOTH("fldl", "8", "fldl", "fstpl", "8");
    else if constexpr (std::is_same_v<X, double> && std::is_same_v<T, float>)
        VELMORA_RECUR_BOTH("fldl", "8", "flds", "fstps", "4");
    else
        static_assert(sizeof(X) == 0, "no such recursion form");
#undef VELMORA_RECUR_BOTH
#undef VELMORA_RECUR
}
#else
// Elsewhere (or when asked for) the same recursion in plain code.
template <class X, class T>
inline void Recur(const tGaussCoefficients& c, const X* x, const T* p1, const T* p2, const T* p3,
                  T* out, size_t n, ptrdiff_t dir) {
    for (size_t t = 0; t < n; ++t) {
        *out = T(Step(c, *x, *p1, *p2, *p3));
        x += dir, p1 += dir, p2 += dir, p3 += dir, out += dir;
    }
}
#endif

// Rows ahead of the forward sweep whose block of samples is fetched early.
constexpr size_t kPrefetchRows = 12;

// K adjacent columns first .. first + K - 1; forward laid out [i * K + k].
template <size_t K>
void ColumnBlock(const tGaussCoefficients& coeff, float* const* rows, size_t n, size_t first,
                 double* fw) {
    if (n == 0) return;
    const tGaussCoefficients c = coeff;
    Ext x0[K];
    for (size_t k = 0; k < K; ++k) x0[k] = rows[0][first + k];

    // Forward. Before the start: x[0].
    const size_t head = n < 3 ? n : 3;
    for (size_t i = 0; i < head; ++i) {
        const float* r = rows[i] + first;
        for (size_t k = 0; k < K; ++k) {
            const Ext p1 = i >= 1 ? Ext(fw[(i - 1) * K + k]) : x0[k];
            const Ext p2 = i >= 2 ? Ext(fw[(i - 2) * K + k]) : x0[k];
            fw[i * K + k] = double(Step(c, r[k], p1, p2, x0[k]));
        }
    }
    for (size_t i = 3; i < n; ++i) {
        // Each row is a separate allocation, so the hardware does not run
        // ahead down a column: fetch the block's samples some rows early.
        if (i + kPrefetchRows < n)
            for (size_t k = 0; k < K; k += 16)
                __builtin_prefetch(rows[i + kPrefetchRows] + first + k, 1);
        double* w = fw + i * K;
        Recur(c, rows[i] + first, w - K, w - 2 * K, w - 3 * K, w, K, 1);
    }

    // Backward, each value stored as a float at once and read back from the
    // matrix. After the end: w[n - 1].
    Ext wl[K];
    for (size_t k = 0; k < K; ++k) wl[k] = fw[(n - 1) * K + k];
    size_t i = n;
    while (i > 0 && i + 3 > n) {  // the last three samples (fewer if n < 3)
        --i;
        float* r = rows[i] + first;
        for (size_t k = 0; k < K; ++k) {
            const Ext q1 = i + 1 < n ? Ext(rows[i + 1][first + k]) : wl[k];
            const Ext q2 = i + 2 < n ? Ext(rows[i + 2][first + k]) : wl[k];
            r[k] = float(Step(c, fw[i * K + k], q1, q2, wl[k]));
        }
    }
    while (i > 0) {
        --i;
        Recur(c, fw + i * K, rows[i + 1] + first, rows[i + 2] + first, rows[i + 3] + first,
              rows[i] + first, K, 1);
    }
}

// R rows side by side; forward values laid out [j * R + r], each backward
// value stored over the forward value it came from (which is not read again).
template <size_t R>
void RowBlock(const tGaussCoefficients& coeff, float* const* rows, uint8_t* const* maps, size_t n,
              double* fw) {
    double* const bw = fw;
    if (n == 0) return;
    const tGaussCoefficients c = coeff;
    Ext x0[R];
    for (size_t r = 0; r < R; ++r) x0[r] = rows[r][0];

    const size_t head = n < 3 ? n : 3;
    for (size_t j = 0; j < head; ++j) {
        for (size_t r = 0; r < R; ++r) {
            const Ext p1 = j >= 1 ? Ext(fw[(j - 1) * R + r]) : x0[r];
            const Ext p2 = j >= 2 ? Ext(fw[(j - 2) * R + r]) : x0[r];
            fw[j * R + r] = double(Step(c, rows[r][j], p1, p2, x0[r]));
        }
    }
    if (n > 3) {
        // The samples interleaved as the forward values are, then one
        // recursion down the whole interleaved sequence.
        static std::vector<float> samples;  // the module runs on one thread
        samples.resize(n * R);
        float* xs = samples.data();
        for (size_t j = 3; j < n; ++j)
            for (size_t r = 0; r < R; ++r) xs[j * R + r] = rows[r][j];
        double* w = fw + 3 * R;
        Recur(c, xs + 3 * R, w - R, w - 2 * R, w - 3 * R, w, (n - 3) * R, 1);
    }

    // Backward in doubles; the row and the map are written from the last
    // column to the first as the values come out.
    Ext wl[R];
    for (size_t r = 0; r < R; ++r) wl[r] = fw[(n - 1) * R + r];
    size_t j = n;
    while (j > 0 && j + 3 > n) {
        --j;
        for (size_t r = 0; r < R; ++r) {
            const Ext q1 = j + 1 < n ? Ext(bw[(j + 1) * R + r]) : wl[r];
            const Ext q2 = j + 2 < n ? Ext(bw[(j + 2) * R + r]) : wl[r];
            const double y = double(Step(c, fw[j * R + r], q1, q2, wl[r]));
            bw[j * R + r] = y;
            rows[r][j] = float(y);
            maps[r][j] = MapByte(y);
        }
    }
    if (j > 0) {
        // Down the interleaved sequence from its last element, then the row
        // and the map from the values.
        const size_t last = j * R - 1;
        double* y = bw + last;
        Recur(c, fw + last, y + R, y + 2 * R, y + 3 * R, y, j * R, -1);
        while (j > 0) {
            --j;
            for (size_t r = 0; r < R; ++r) {
                const double v = bw[j * R + r];
                rows[r][j] = float(v);
                maps[r][j] = MapByte(v);
            }
        }
    }
}

}  // namespace

uint8_t MapByte(double y) {
    // The filters keep 0..255 inputs within 0..255 up to float rounding;
    // the clamp keeps the byte conversion defined whatever comes in.
    if (!(y > 0.0)) return 0;
    if (y >= 255.0) return 255;
    // lrint rounds in the current mode (to nearest, ties to even) and is
    // inlined as one conversion instruction, so the x87 stack survives it.
    return uint8_t(std::lrint(y));
}

void BlurColumn(const tGaussCoefficients& c, float* const* rows, size_t n, size_t column,
                double* forward) {
    if (n == 0) return;
    const Ext x0 = rows[0][column];
    for (size_t i = 0; i < n; ++i) {
        const Ext p1 = i >= 1 ? Ext(forward[i - 1]) : x0;
        const Ext p2 = i >= 2 ? Ext(forward[i - 2]) : x0;
        const Ext p3 = i >= 3 ? Ext(forward[i - 3]) : x0;
        forward[i] = double(Step(c, rows[i][column], p1, p2, p3));
    }
    const Ext wl = forward[n - 1];
    for (size_t i = n; i-- > 0;) {
        const Ext q1 = i + 1 < n ? Ext(rows[i + 1][column]) : wl;
        const Ext q2 = i + 2 < n ? Ext(rows[i + 2][column]) : wl;
        const Ext q3 = i + 3 < n ? Ext(rows[i + 3][column]) : wl;
        rows[i][column] = float(Step(c, forward[i], q1, q2, q3));
    }
}

void BlurColumns(const tGaussCoefficients& c, float* const* rows, size_t n, size_t first,
                 size_t count, double* forward) {
    if (count == kColumnBlock) {
        ColumnBlock<kColumnBlock>(c, rows, n, first, forward);
        return;
    }
    for (size_t k = 0; k < count; ++k) ColumnBlock<1>(c, rows, n, first + k, forward);
}

void BlurRow(const tGaussCoefficients& c, float* row, uint8_t* map, size_t n, double* forward,
             double* backward) {
    if (n == 0) return;
    const Ext x0 = row[0];
    for (size_t j = 0; j < n; ++j) {
        const Ext p1 = j >= 1 ? Ext(forward[j - 1]) : x0;
        const Ext p2 = j >= 2 ? Ext(forward[j - 2]) : x0;
        const Ext p3 = j >= 3 ? Ext(forward[j - 3]) : x0;
        forward[j] = double(Step(c, row[j], p1, p2, p3));
    }
    const Ext wl = forward[n - 1];
    for (size_t j = n; j-- > 0;) {
        const Ext q1 = j + 1 < n ? Ext(backward[j + 1]) : wl;
        const Ext q2 = j + 2 < n ? Ext(backward[j + 2]) : wl;
        const Ext q3 = j + 3 < n ? Ext(backward[j + 3]) : wl;
        backward[j] = double(Step(c, forward[j], q1, q2, q3));
    }
    for (size_t j = n; j-- > 0;) {
        row[j] = float(backward[j]);
        map[j] = MapByte(backward[j]);
    }
}

void BlurRows(const tGaussCoefficients& c, float* const* rows, uint8_t* const* maps, size_t count,
              size_t n, double* values) {
    if (count == kRowBlock) {
        RowBlock<kRowBlock>(c, rows, maps, n, values);
        return;
    }
    for (size_t r = 0; r < count; ++r) RowBlock<1>(c, rows + r, maps + r, n, values);
}

}  // namespace velmora

#include "maths/Kernel.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <limits>
#include <numbers>
#include <vector>

#include "base/Failure.h"
#include "base/Rounding.h"

namespace velmora {
namespace {

constexpr double kPi = std::numbers::pi;
constexpr int32_t kFull8 = 255;
constexpr int32_t kFull16 = 32768;
constexpr int32_t kTone16Size = 32769;
// Step-5 pivot of the 16-bit kernel, 127 on the 16-bit scale: 16319.749019607843.
constexpr double kPivot16 = 127.0 * 32768.0 / 255.0;
// Chroma below which the gains apply: round(C) <= 363 (46647) exactly when
// C < 363.5 (46647.5), halves going to the even 364 (46648).
constexpr double kChromaLimit8 = 363.5;
constexpr double kChromaLimit16 = 46647.5;
// Chroma points farther than this from neutral (only reachable through
// tables the builder cannot produce) are first pulled in along their line so
// that the clipping formulas cannot overflow.
constexpr double kFarChroma = 1e15;
// Fast paths decide a rounding only when their value is at least this far
// from a rounding boundary; their own error is below 1e-9 of a step.
constexpr double kPowerMargin = 1e-7;
constexpr double kHueMargin = 1e-9;

constexpr const char* kBadIndex = "Индекс вне диапазона";

// A settings factor as the kernel uses it: values that are not finite act as 1.
inline double Factor(double p) {
    return std::isfinite(p) ? p : 1.0;
}

// r rounded (halves to even) and clamped to 0..full; NaN gives `fallback`.
inline int32_t RoundClamped(double r, int32_t full, int32_t fallback) {
    if (r >= 0.0 && r <= double(full)) return int32_t(Round(r));
    if (r > double(full)) return full;
    if (r < 0.0) return 0;
    return fallback;
}

// round(255 * (v / 255)^e), 0^e = 0. For e in (0, inf] the value is already
// in 0..255; other exponents come only from settings the dialog cannot
// produce, and their results are clamped.
inline int32_t Power8(int32_t v, double e) {
    if (v == 0) return 0;
    return RoundClamped(255.0 * std::pow(v / 255.0, e), kFull8, v);
}

// Steps 3 and 4: with p > 1 a pixel above its local mean is raised by a power
// below 1 and one below it lowered by a power above 1, the power set by the
// difference in lightness units over `divisor` (128 or 16384); a pixel equal
// to its mean keeps its value (the power would be 1). With p < 1 the pixel is
// pulled towards its mean.
template <class Power>
inline int32_t LocalStep(int32_t l, int32_t mean, double p, double divisor, int32_t full,
                         Power power) {
    if (p > 1.0) {
        if (l > mean) return power(l, 1.0 / (1.0 + (p - 1.0) * (l - mean) / divisor));
        if (l < mean) return power(l, 1.0 + (p - 1.0) * (mean - l) / divisor);
        return l;
    }
    if (p < 1.0) {
        const double t = (l - mean) * p;
        // Beyond twice the range the result is clamped anyway (p < 0 only).
        if (!(std::fabs(t) <= 2.0 * full)) return t > 0.0 ? full : 0;
        return int32_t(std::clamp<int64_t>(mean + Round(t), 0, full));
    }
    return l;
}

// Step 5: the exponent for local mean m, or false when the step leaves the
// pixel as it is. Shadows for m <= 127, highlights for m >= 127 (shadows win
// at 127).
inline bool ShadeExponent8(int32_t m, double s, double h, double& e) {
    if (s != 1.0 && m <= 127) {
        e = 1.0 / (1.0 + (s - 1.0) * (127 - m) / 127.0);
        return true;
    }
    if (h != 1.0 && m >= 127) {
        e = 1.0 + (h - 1.0) * (m - 127) / 127.0;
        return true;
    }
    return false;
}

// 16-bit step 5: shadows for m <= K, highlights for m > K.
inline bool ShadeExponent16(int32_t m, double s, double h, double& e) {
    if (s != 1.0 && m <= kPivot16) {
        e = 1.0 / (1.0 + (s - 1.0) * (kPivot16 - m) / kPivot16);
        return true;
    }
    if (h != 1.0 && m > kPivot16) {
        e = 1.0 + (h - 1.0) * (m - kPivot16) / kPivot16;
        return true;
    }
    return false;
}

inline int32_t Shade8(int32_t l, int32_t m, double s, double h) {
    double e;
    return ShadeExponent8(m, s, h, e) ? Power8(l, e) : l;
}

// ClipAB and ClipAB16: centre c, square 0..full. A point outside is moved
// along the line towards (c, c) onto the edge, so its hue is kept.
template <class T>
inline void ClipSquare(double A, double B, double c, int32_t full, T& ao, T& bo) {
    const double f = full;
    if (A >= 0.0 && A <= f && B >= 0.0 && B <= f) {
        ao = T(Round(A));
        bo = T(Round(B));
        return;
    }
    if (!std::isfinite(A) || !std::isfinite(B)) {
        ao = bo = T(c);
        return;
    }
    const double d = std::max(std::fabs(A - c), std::fabs(B - c));
    if (d > kFarChroma) {
        const double s = kFarChroma / d;
        A = c + (A - c) * s;
        B = c + (B - c) * s;
    }
    if (A < 0.0) {
        B = B + A * (c - B) / (A - c);
        A = 0.0;
    } else if (A > f) {
        B = B + (c - B) / (c - A) * (f - A);
        A = f;
    }
    double ra = A, rb = B;
    if (B < 0.0) {
        ra = A + B * (c - A) / (B - c);
        rb = 0.0;
    } else if (B > f) {
        ra = A + (c - A) / (c - B) * (f - B);
        rb = f;
    }
    // Clamping only absorbs round-off: both lie on the square by construction.
    ao = T(RoundClamped(ra, full, int32_t(c)));
    bo = T(RoundClamped(rb, full, int32_t(c)));
}

// ---- Hue index without atan2 ----------------------------------------------
//
// With X = -u, Y = -v the hue is H = base + s * theta, where base is a
// multiple of a quarter turn (0, 90, 180, 270, 360 degrees, or 0 .. 10000 in
// steps of 0.036 degrees), s = +-1 and theta = atan(t), t = min/max of |X|,
// |Y|, is at most an eighth of a turn. round(H) = base + s * round(theta)
// whenever theta is not at a half step, and round(theta) is the number of
// half-step tangents tan((j + 0.5) * step) below t. Within kHueMargin of such
// a tangent (where the exact formula's own round-off could decide) the exact
// atan2 form is used.
struct tHueBounds {
    int32_t quarter = 0;  // index steps per quarter turn
    int32_t buckets = 0;
    // tangent[j + 1] = tan((j + 0.5) * step) for j = 0 .. count - 1, between
    // the sentinels tangent[0] = -inf and tangent[count + 1] = +inf.
    std::vector<double> tangent;
    // Per bucket k of t (k = trunc(t * buckets)): the number of half-step
    // tangents surely below t. t lies in ((k - 1) / buckets, (k + 1) /
    // buckets), a window narrower than the spacing of the tangents, so at
    // most one more tangent lies below t.
    std::vector<int16_t> first;
    // The number of tangents below t where no tangent lies within the window
    // widened by kHueMargin (so no comparison is needed), otherwise -1.
    std::vector<int16_t> sure;
};

tHueBounds MakeHueBounds(int32_t count, int32_t quarter, int32_t buckets, double stepRadians) {
    tHueBounds hb;
    hb.quarter = quarter;
    hb.buckets = buckets;
    hb.tangent.resize(size_t(count) + 2);
    hb.tangent[0] = -std::numeric_limits<double>::infinity();
    hb.tangent[size_t(count) + 1] = std::numeric_limits<double>::infinity();
    for (int32_t j = 0; j < count; ++j)
        hb.tangent[size_t(j) + 1] = std::tan((j + 0.5) * stepRadians);
    const auto below = [&](double x) {
        return int16_t(std::lower_bound(hb.tangent.begin() + 1, hb.tangent.end() - 1, x) -
                       (hb.tangent.begin() + 1));
    };
    hb.first.resize(size_t(buckets) + 1);
    hb.sure.resize(size_t(buckets) + 1);
    for (int32_t k = 0; k <= buckets; ++k) {
        const double low = double(k - 1) / buckets, high = double(k + 1) / buckets;
        hb.first[size_t(k)] = below(low);
        if (below(high) - hb.first[size_t(k)] > 1) Fail(kBadIndex);
        const int16_t n = below(low - 2 * kHueMargin);
        hb.sure[size_t(k)] = below(high + 2 * kHueMargin) == n ? n : int16_t(-1);
    }
    return hb;
}

const tHueBounds& HueBounds8() {
    static const tHueBounds hb = MakeHueBounds(45, 90, 4096, kPi / 180.0);
    return hb;
}
const tHueBounds& HueBounds16() {
    static const tHueBounds hb = MakeHueBounds(1250, 2500, 65536, kPi / 5000.0);
    return hb;
}

// round(H) for finite (u, v), or -1 where the exact form must decide.
inline int32_t FastHue(const tHueBounds& hb, double u, double v) {
    const double X = -u, Y = -v;
    const double ax = std::fabs(X), ay = std::fabs(Y);
    const bool steep = ay > ax;
    const double num = steep ? ax : ay;
    const double den = steep ? ay : ax;
    if (!(den > 0.0)) return -1;  // u = v = 0: the signs of the zeros decide
    const double t = num / den;   // 0..1
    const size_t bucket = size_t(t * hb.buckets);
    int32_t j = hb.sure[bucket];  // half-step tangents below t: round(theta)
    if (j < 0) {
        const double* tangent = hb.tangent.data();
        j = hb.first[bucket];
        j += tangent[j + 1] < t;
        if (!(std::min(tangent[j + 1] - t, t - tangent[j]) >= kHueMargin)) return -1;
    }
    // |atan2(Y, X)| in index steps, rounded: j or half - j near the u axis,
    // quarter -+ j near the v axis.
    const int32_t half = 2 * hb.quarter;
    const bool left = X < 0.0;
    const int32_t sj = left ? -j : j;
    const int32_t angle = steep ? hb.quarter - sj : (left ? half : 0) + sj;
    return std::signbit(Y) ? half - angle : half + angle;
}

// round(H) by atan2: 8-bit H = atan2(-v, -u) * 180 / pi + 180 in degrees,
// 16-bit H = atan2(-v, -u) * 5000 / pi + 5000 in steps of 0.036 degrees.
inline int32_t ExactHue8(double u, double v) {
    const double H = std::atan2(-v, -u) * 180.0 / kPi + 180.0;
    return int32_t(std::clamp<int64_t>(Round(H), 0, 360));
}
inline int32_t ExactHue16(double u, double v) {
    const double H = std::atan2(-v, -u) * 5000.0 / kPi + 5000.0;
    return int32_t(std::clamp<int64_t>(Round(H), 0, 10000));
}
inline int32_t FastHue8(const tHueBounds& hb, double u, double v) {
    const int32_t h = FastHue(hb, u, v);
    return h >= 0 ? h : ExactHue8(u, v);
}
inline int32_t FastHue16(const tHueBounds& hb, double u, double v) {
    const int32_t h = FastHue(hb, u, v);
    return h >= 0 ? h : ExactHue16(u, v);
}

// ---- Fast 16-bit power ------------------------------------------------------

// log2(v / 32768) for v = 1..32768 (entry 0 unused).
const double* Log2Table16() {
    static const std::vector<double> table = [] {
        std::vector<double> t(size_t(kTone16Size), 0.0);
        for (int32_t v = 1; v <= kFull16; ++v) t[size_t(v)] = std::log2(v / 32768.0);
        return t;
    }();
    return table.data();
}

// round(32768 * (v / 32768)^e) as 32768 * exp2(e * log2(v / 32768)), which
// is within about 1e-10 of the exact value on 0..32769 (mostly the round-off
// of the product); near a half the exact form decides.
inline int32_t FastPower16With(const double* log2Table, int32_t v, double e) {
    if (v == 0) return 0;
    const double r = 32768.0 * std::exp2(e * log2Table[v]);
    const double frac = r - std::floor(r);  // NaN for r = inf
    if (!(std::fabs(frac - 0.5) > kPowerMargin)) return kernel_detail::Power16(v, e);
    return RoundClamped(r, kFull16, v);
}

// Steps 3 and 4 on the 16-bit scale for p > 1, as LocalStep computes them
// but without a branch on the side of the mean (a pixel at its mean gets
// the power 1, which leaves it as it is).
template <class Power>
inline int32_t RaiseAboutMean16(int32_t l, int32_t mean, double p, Power power) {
    const int32_t d = l - mean;
    const double x = (p - 1.0) * (d > 0 ? d : -d) / 16384.0;
    const double inverse = 1.0 / (1.0 + x), direct = 1.0 + x;
    return power(l, d > 0 ? inverse : direct);
}

// Steps 3 and 4 over a chunk of the 16-bit row form: each lightness l[i]
// about its local mean[i] with factor p. Always inlined, so that each pass
// stays a plain loop of the row form.
template <class Power>
[[gnu::always_inline]] inline void LocalPass16(int32_t* l, const int32_t* mean, int32_t n, double p,
                                               Power power) {
    if (p > 1.0)
        for (int32_t i = 0; i < n; ++i) l[i] = RaiseAboutMean16(l[i], mean[i], p, power);
    else
        for (int32_t i = 0; i < n; ++i) l[i] = LocalStep(l[i], mean[i], p, 16384.0, kFull16, power);
}

// ---- Local means --------------------------------------------------------------

inline int32_t Tone16(const tCorrectionTables& tables, int32_t L) {
    return std::min<int32_t>(tables.ToneTable16[std::min<int32_t>(L, kFull16)], kFull16);
}

// 16-bit local mean from a map byte: tables.ToneTable16[round(v * 32768 / 255)].
inline int32_t MapMean16(const tCorrectionTables& tables, uint8_t v) {
    return Tone16(tables, int32_t(Round(v * kScale16)));
}

// ---- Colour (steps 6 to 9) -----------------------------------------------------

inline double U(const double* t, int32_t a, int32_t b, int32_t l) {
    return a * t[0] + b * t[3] + l * t[6] + t[9];
}
inline double V(const double* t, int32_t a, int32_t b, int32_t l) {
    return a * t[1] + b * t[4] + l * t[7] + t[10];
}

// `hueIndex` maps finite (u, v) to round(H).
template <class HueIndex>
inline void Colour8(int32_t a, int32_t b, int32_t l, double lightGain, const double* transform,
                    const double* hueGain, const double* chromaGain, HueIndex hueIndex, uint8_t& ao,
                    uint8_t& bo) {
    const double u = U(transform, a, b, l);
    const double v = V(transform, a, b, l);
    if (!std::isfinite(u) || !std::isfinite(v)) {
        ao = bo = 128;
        return;
    }
    double k = 1.0;
    const double c = std::sqrt(u * u + v * v);
    if (c < kChromaLimit8) {
        k = hueGain[hueIndex(u, v)] * chromaGain[Round(c)] * lightGain;
        if (!std::isfinite(k)) k = 1.0;
    }
    ClipSquare(k * u + 128.0, k * v + 128.0, 128.0, kFull8, ao, bo);
}

template <class HueIndex>
inline void Colour16(const tCorrectionTables& tables, int32_t a, int32_t b, int32_t l,
                     double lightGain, HueIndex hueIndex, uint16_t& ao, uint16_t& bo) {
    const double u = U(tables.AbTransform, a, b, l);
    const double v = V(tables.AbTransform, a, b, l);
    if (!std::isfinite(u) || !std::isfinite(v)) {
        ao = bo = 16384;
        return;
    }
    double k = 1.0;
    const double c = std::sqrt(u * u + v * v);
    if (c < kChromaLimit16) {
        k = tables.HueGain16[hueIndex(u, v)] * tables.ChromaGain16[Round(c)] * lightGain;
        if (!std::isfinite(k)) k = 1.0;
    }
    ClipSquare(k * u + 16384.0, k * v + 16384.0, 16384.0, kFull16, ao, bo);
}

template <class T, size_t N>
bool AllEqual(const T (&table)[N]) {
    for (size_t i = 1; i < N; ++i)
        if (std::memcmp(&table[i], &table[0], sizeof(T)) != 0) return false;
    return true;
}

// ---- The 8-bit row form's tables ---------------------------------------------

// Everything the 8-bit kernel computes from the settings and the tables
// alone, with a copy of the inputs it was built from.
struct tKernel8 {
    // Inputs of the lightness part.
    uint8_t tone[256] = {};
    double factors[4] = {};  // Contrast, Sharpness, Shadow, HighLight as stored
    bool maps = false;
    bool lightnessBuilt = false;
    // Inputs of the colour part (and tone, for the light gain by mask).
    uint8_t colourTone[256] = {};
    double chroma[364] = {};
    double hue[361] = {};
    double light[256] = {};
    double transform[12] = {};
    bool colourBuilt = false;

    // Lightness. With maps: t3[L][contrast mask], t4[l][sharp mask],
    // t5[l][contrast mask], each built only when its step acts; without
    // maps: direct[L].
    bool contrast = false, sharp = false, shade = false;
    std::vector<uint8_t> t3, t4, t5;
    uint8_t direct[256] = {};
    // tables.LightGain[tables.ToneTable[i]]: i is the contrast mask value with maps and
    // the input lightness without.
    double lightByIndex[256] = {};

    // Colour. abOnly: u and v do not depend on the lightness, so the hue and
    // chroma gains are tabulated by (a, b) in k0 (NaN: the gain is 1);
    // abTable: besides, the light gain is one value, so the whole result is
    // tabulated by (a, b).
    bool abOnly = false, abTable = false, hueConst = false;
    std::vector<double> k0;
    std::vector<uint8_t> abOut;
};

bool Same(const void* a, const void* b, size_t n) {
    return std::memcmp(a, b, n) == 0;
}

void BuildLightness8(tKernel8& k, const tParams& settings, const tCorrectionTables& tables,
                     bool maps) {
    std::memcpy(k.tone, tables.ToneTable, sizeof k.tone);
    k.factors[0] = settings.Contrast;
    k.factors[1] = settings.Sharpness;
    k.factors[2] = settings.Shadow;
    k.factors[3] = settings.HighLight;
    k.maps = maps;

    const double pc = Factor(settings.Contrast), ps = Factor(settings.Sharpness);
    const double s = Factor(settings.Shadow), h = Factor(settings.HighLight);
    k.contrast = pc != 1.0;
    k.sharp = ps != 1.0;
    k.shade = s != 1.0 || h != 1.0;

    for (int32_t L = 0; L < 256; ++L) {
        int32_t l = k.tone[L];
        const int32_t m = l;
        l = LocalStep(l, m, pc, 128.0, kFull8, Power8);
        l = LocalStep(l, l, ps, 128.0, kFull8, Power8);
        k.direct[L] = uint8_t(Shade8(l, m, s, h));
    }
    if (k.maps) {
        k.t3.assign(k.contrast ? 65536 : 0, 0);
        k.t4.assign(k.sharp ? 65536 : 0, 0);
        k.t5.assign(k.shade ? 65536 : 0, 0);
        for (int32_t i = 0; i < 256; ++i) {
            for (int32_t j = 0; j < 256; ++j) {
                const size_t at = size_t(i) << 8 | size_t(j);
                if (k.contrast)
                    k.t3[at] = uint8_t(LocalStep(k.tone[i], k.tone[j], pc, 128.0, kFull8, Power8));
                if (k.sharp) k.t4[at] = uint8_t(LocalStep(i, k.tone[j], ps, 128.0, kFull8, Power8));
                if (k.shade) k.t5[at] = uint8_t(Shade8(i, k.tone[j], s, h));
            }
        }
    } else {
        k.t3.clear();
        k.t4.clear();
        k.t5.clear();
    }
    k.lightnessBuilt = true;
}

void BuildColour8(tKernel8& k, const tCorrectionTables& tables) {
    std::memcpy(k.colourTone, tables.ToneTable, sizeof k.colourTone);
    std::memcpy(k.chroma, tables.ChromaGain, sizeof k.chroma);
    std::memcpy(k.hue, tables.HueGain, sizeof k.hue);
    std::memcpy(k.light, tables.LightGain, sizeof k.light);
    std::memcpy(k.transform, tables.AbTransform, sizeof k.transform);

    for (int32_t i = 0; i < 256; ++i) k.lightByIndex[i] = k.light[k.colourTone[i]];
    k.hueConst = AllEqual(k.hue);
    // l * m6 and l * m7 are zeros of one sign for every l when m6 and m7 are
    // zeros, so u and v are then the same for every lightness.
    k.abOnly = k.transform[6] == 0.0 && k.transform[7] == 0.0;
    k.abTable = k.abOnly && AllEqual(k.lightByIndex);
    k.k0.clear();
    k.abOut.clear();
    const tHueBounds& hb = HueBounds8();
    const auto fastHue = [&hb](double u, double v) { return FastHue8(hb, u, v); };
    if (k.abTable) {
        k.abOut.resize(131072);
        for (int32_t a = 0; a < 256; ++a)
            for (int32_t b = 0; b < 256; ++b) {
                const size_t at = 2 * (size_t(a) << 8 | size_t(b));
                Colour8(a, b, 0, k.lightByIndex[0], k.transform, k.hue, k.chroma, fastHue,
                        k.abOut[at], k.abOut[at + 1]);
            }
    } else if (k.abOnly) {
        k.k0.resize(65536);
        for (int32_t a = 0; a < 256; ++a)
            for (int32_t b = 0; b < 256; ++b) {
                const double u = U(k.transform, a, b, 0), v = V(k.transform, a, b, 0);
                double k0 = std::numeric_limits<double>::quiet_NaN();
                if (std::isfinite(u) && std::isfinite(v)) {
                    const double c = std::sqrt(u * u + v * v);
                    if (c < kChromaLimit8) k0 = k.hue[fastHue(u, v)] * k.chroma[Round(c)];
                }
                k.k0[size_t(a) << 8 | size_t(b)] = k0;
            }
    }
    k.colourBuilt = true;
}

tKernel8& UpdateKernel8(tKernel8& k, const tParams& settings, const tCorrectionTables& tables,
                        bool maps) {
    const double factors[4] = {settings.Contrast, settings.Sharpness, settings.Shadow,
                               settings.HighLight};
    if (!k.lightnessBuilt || k.maps != maps || !Same(k.tone, tables.ToneTable, sizeof k.tone) ||
        !Same(k.factors, factors, sizeof factors))
        BuildLightness8(k, settings, tables, maps);
    if (!k.colourBuilt || !Same(k.colourTone, tables.ToneTable, sizeof k.colourTone) ||
        !Same(k.transform, tables.AbTransform, sizeof k.transform) ||
        !Same(k.hue, tables.HueGain, sizeof k.hue) ||
        !Same(k.chroma, tables.ChromaGain, sizeof k.chroma) ||
        !Same(k.light, tables.LightGain, sizeof k.light))
        BuildColour8(k, tables);
    return k;
}

// How the 8-bit row form computes the colour of a pixel.
enum class tColourMode { kTable, kGain, kConstantHue, kFull };

template <tColourMode Mode>
inline void FastColour8(const tKernel8& k, const tHueBounds& hb, int32_t a, int32_t b, int32_t l,
                        double lightGain, uint8_t& ao, uint8_t& bo) {
    const size_t ab = size_t(a) << 8 | size_t(b);
    if constexpr (Mode == tColourMode::kTable) {
        ao = k.abOut[2 * ab];
        bo = k.abOut[2 * ab + 1];
    } else if constexpr (Mode == tColourMode::kGain) {
        const double u = U(k.transform, a, b, l);
        const double v = V(k.transform, a, b, l);
        if (!std::isfinite(u) || !std::isfinite(v)) {
            ao = bo = 128;
            return;
        }
        double g = k.k0[ab] * lightGain;
        if (!std::isfinite(g)) g = 1.0;
        ClipSquare(g * u + 128.0, g * v + 128.0, 128.0, kFull8, ao, bo);
    } else if constexpr (Mode == tColourMode::kConstantHue) {
        Colour8(
            a, b, l, lightGain, k.transform, k.hue, k.chroma, [](double, double) { return 0; }, ao,
            bo);
    } else {
        Colour8(
            a, b, l, lightGain, k.transform, k.hue, k.chroma,
            [&hb](double u, double v) { return FastHue8(hb, u, v); }, ao, bo);
    }
}

// The lightness of a chunk first, then the colour, each as its own pass (see
// CorrectRow16). All samples of a chunk's pixels are read before any is
// written.
template <tColourMode Mode>
void Row8(const tKernel8& k, const uint8_t* cm, const uint8_t* sm, const uint8_t* in, uint8_t* out,
          int32_t count) {
    const tHueBounds& hb = HueBounds8();
    constexpr int32_t kChunk = 256;
    uint8_t l[kChunk], light[kChunk];
    // The last colour computed and its key (a, b, lightness, light index in
    // 32 bits; the empty key matches none).
    uint64_t lastKey = ~uint64_t(0);
    uint8_t lastA = 0, lastB = 0;
    for (int32_t base = 0; base < count; base += kChunk) {
        const int32_t n = std::min(kChunk, count - base);
        const uint8_t* src = in + 3 * size_t(base);
        uint8_t* dst = out + 3 * size_t(base);
        if (cm) {
            for (int32_t i = 0; i < n; ++i) {
                const uint8_t L = src[3 * i], c = cm[base + i];
                int32_t v = k.contrast ? k.t3[size_t(L) << 8 | c] : k.tone[L];
                if (k.sharp) v = k.t4[size_t(v) << 8 | sm[base + i]];
                if (k.shade) v = k.t5[size_t(v) << 8 | c];
                l[i] = uint8_t(v);
                light[i] = c;
            }
        } else {
            for (int32_t i = 0; i < n; ++i) {
                const uint8_t L = src[3 * i];
                l[i] = k.direct[L];
                light[i] = L;
            }
        }
        if constexpr (Mode == tColourMode::kTable) {
            for (int32_t i = 0; i < n; ++i) {
                const uint8_t a = src[3 * i + 1], b = src[3 * i + 2];
                dst[3 * i] = l[i];
                FastColour8<Mode>(k, hb, a, b, l[i], k.lightByIndex[light[i]], dst[3 * i + 1],
                                  dst[3 * i + 2]);
            }
        } else {
            // The colour is a function of a, b, the output lightness and the
            // light gain's index; neighbouring pixels often share all four.
            for (int32_t i = 0; i < n; ++i) {
                const uint8_t a = src[3 * i + 1], b = src[3 * i + 2];
                const uint64_t key = uint32_t(a) | uint32_t(b) << 8 | uint32_t(l[i]) << 16 |
                                     uint32_t(light[i]) << 24;
                dst[3 * i] = l[i];
                if (key != lastKey) {
                    lastKey = key;
                    FastColour8<Mode>(k, hb, a, b, l[i], k.lightByIndex[light[i]], lastA, lastB);
                }
                dst[3 * i + 1] = lastA;
                dst[3 * i + 2] = lastB;
            }
        }
    }
}

}  // namespace

// ---- Plain kernels -----------------------------------------------------------

void ClipAB(double A, double B, uint8_t& a, uint8_t& b) {
    ClipSquare(A, B, 128.0, kFull8, a, b);
}

void ClipAB16(double A, double B, uint16_t& a, uint16_t& b) {
    ClipSquare(A, B, 16384.0, kFull16, a, b);
}

tLab8 CorrectPixel(const tParams& settings, const tCorrectionTables& tables,
                   const tMaskValues* masks, uint8_t L, uint8_t a, uint8_t b) {
    const double pc = Factor(settings.Contrast), ps = Factor(settings.Sharpness);
    const double s = Factor(settings.Shadow), h = Factor(settings.HighLight);
    int32_t l = tables.ToneTable[L];
    int32_t m = l, g = l;
    if (masks) {
        m = tables.ToneTable[masks->Contrast];
        g = tables.ToneTable[masks->Sharp];
    }
    l = LocalStep(l, m, pc, 128.0, kFull8, Power8);
    l = LocalStep(l, g, ps, 128.0, kFull8, Power8);
    l = Shade8(l, m, s, h);
    tLab8 r{uint8_t(l), 0, 0};
    Colour8(a, b, l, tables.LightGain[m], tables.AbTransform, tables.HueGain, tables.ChromaGain,
            ExactHue8, r.a, r.b);
    return r;
}

tLab16 CorrectPixel16(const tParams& settings, const tCorrectionTables& tables,
                      const tMaskValues* maps, uint16_t L, uint16_t a, uint16_t b) {
    const double pc = Factor(settings.Contrast), ps = Factor(settings.Sharpness);
    const double s = Factor(settings.Shadow), h = Factor(settings.HighLight);
    int32_t l = Tone16(tables, L);
    int32_t m = l, g = l;
    if (maps) {
        m = MapMean16(tables, maps->Contrast);
        g = MapMean16(tables, maps->Sharp);
    }
    l = LocalStep(l, m, pc, 16384.0, kFull16, kernel_detail::Power16);
    l = LocalStep(l, g, ps, 16384.0, kFull16, kernel_detail::Power16);
    double e;
    if (ShadeExponent16(m, s, h, e)) l = kernel_detail::Power16(l, e);
    tLab16 r{uint16_t(l), 0, 0};
    Colour16(tables, a, b, l, tables.LightGain16[m], ExactHue16, r.a, r.b);
    return r;
}

// ---- Row forms ---------------------------------------------------------------------

struct tRowKernel8::tState {
    tKernel8 Kernel;
};

tRowKernel8::tRowKernel8() : state_(std::make_unique<tState>()) {}
tRowKernel8::~tRowKernel8() = default;

void PrepareKernel(tRowKernel8& kernel, const tParams& settings, const tCorrectionTables& tables,
                   bool maps) {
    UpdateKernel8(kernel.state_->Kernel, settings, tables, maps);
}

void CorrectRow8(tRowKernel8& kernel, const tParams& settings, const tCorrectionTables& tables,
                 const uint8_t* cm, const uint8_t* sm, const uint8_t* in, uint8_t* out,
                 int32_t count) {
    if (count <= 0) return;
    const tKernel8& k = UpdateKernel8(kernel.state_->Kernel, settings, tables, cm != nullptr);
    if (k.abTable)
        Row8<tColourMode::kTable>(k, cm, sm, in, out, count);
    else if (k.abOnly)
        Row8<tColourMode::kGain>(k, cm, sm, in, out, count);
    else if (k.hueConst)
        Row8<tColourMode::kConstantHue>(k, cm, sm, in, out, count);
    else
        Row8<tColourMode::kFull>(k, cm, sm, in, out, count);
}

void CorrectRow16(const tParams& settings, const tCorrectionTables& tables, const uint8_t* cm,
                  const uint8_t* sm, const uint16_t* in, uint16_t* out, int32_t count) {
    if (count <= 0) return;
    const double pc = Factor(settings.Contrast), ps = Factor(settings.Sharpness);
    const double s = Factor(settings.Shadow), h = Factor(settings.HighLight);
    const bool contrast = pc != 1.0, sharp = ps != 1.0, shade = s != 1.0 || h != 1.0;
    const bool hueConst = AllEqual(tables.HueGain16);
    const double* log2Table = Log2Table16();
    const auto power = [log2Table](int32_t v, double e) {
        return FastPower16With(log2Table, v, e);
    };
    const tHueBounds& hb = HueBounds16();

    int32_t means[256];
    bool shadeOn[256];
    double shadeE[256];
    if (cm) {
        for (int32_t i = 0; i < 256; ++i) {
            means[i] = MapMean16(tables, uint8_t(i));
            shadeOn[i] = ShadeExponent16(means[i], s, h, shadeE[i]);
        }
    }
    // The row goes in chunks, each step as its own pass over the chunk: the
    // pixels of a pass are independent, so their powers and square roots
    // overlap instead of waiting for the previous step of the same pixel.
    // All samples of a chunk's pixels are read before any is written.
    constexpr int32_t kChunk = 256;
    int32_t l[kChunk], m[kChunk], g[kChunk];
    for (int32_t base = 0; base < count; base += kChunk) {
        const int32_t n = std::min(kChunk, count - base);
        const uint16_t* src = in + 3 * size_t(base);
        uint16_t* dst = out + 3 * size_t(base);
        for (int32_t i = 0; i < n; ++i) {
            l[i] = Tone16(tables, src[3 * i]);
            m[i] = cm ? means[cm[base + i]] : l[i];
            g[i] = cm ? means[sm[base + i]] : l[i];
        }
        if (contrast) LocalPass16(l, m, n, pc, power);
        if (sharp) LocalPass16(l, g, n, ps, power);
        if (shade) {
            for (int32_t i = 0; i < n; ++i) {
                double e;
                if (cm) {
                    const uint8_t c = cm[base + i];
                    if (shadeOn[c]) l[i] = power(l[i], shadeE[c]);
                } else if (ShadeExponent16(m[i], s, h, e)) {
                    l[i] = power(l[i], e);
                }
            }
        }
        if (hueConst) {
            for (int32_t i = 0; i < n; ++i) {
                const int32_t a = src[3 * i + 1], b = src[3 * i + 2];
                dst[3 * i] = uint16_t(l[i]);
                Colour16(
                    tables, a, b, l[i], tables.LightGain16[m[i]], [](double, double) { return 0; },
                    dst[3 * i + 1], dst[3 * i + 2]);
            }
        } else {
            for (int32_t i = 0; i < n; ++i) {
                const int32_t a = src[3 * i + 1], b = src[3 * i + 2];
                dst[3 * i] = uint16_t(l[i]);
                Colour16(
                    tables, a, b, l[i], tables.LightGain16[m[i]],
                    [&hb](double u, double v) { return FastHue16(hb, u, v); }, dst[3 * i + 1],
                    dst[3 * i + 2]);
            }
        }
    }
}

// ---- Exposed for tests ----------------------------------------------------------

namespace kernel_detail {

int32_t HueIndex8(double u, double v) {
    return ExactHue8(u, v);
}
int32_t HueIndex16(double u, double v) {
    return ExactHue16(u, v);
}
int32_t FastHueIndex8(double u, double v) {
    return FastHue8(HueBounds8(), u, v);
}
int32_t FastHueIndex16(double u, double v) {
    return FastHue16(HueBounds16(), u, v);
}

int32_t Power16(int32_t v, double e) {
    if (v == 0) return 0;
    return RoundClamped(32768.0 * std::pow(v / 32768.0, e), kFull16, v);
}

int32_t FastPower16(int32_t v, double e) {
    return FastPower16With(Log2Table16(), v, e);
}

}  // namespace kernel_detail

}  // namespace velmora

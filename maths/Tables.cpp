#include "maths/Tables.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <numbers>

#include "base/Rounding.h"

namespace velmora {

namespace {

constexpr int kChromaSize = 364;
constexpr int kLast = kChromaSize - 1;  // 363
constexpr int kHueTurn = 360;

// Equaliser bands beyond +-400 (the dialog stops at +-40) would make
// 2^(g/20) overflow to infinity or vanish; such stored values are held at
// the limit, a factor of 2^20 either way.
constexpr int32_t kBandLimit = 400;

double FiniteOr(double v, double fallback) {
    return std::isfinite(v) ? v : fallback;
}

double BandGain(int32_t g) {
    return std::exp2(double(std::clamp(g, -kBandLimit, kBandLimit)) / 20.0);
}

// Linear interpolation of t[0..last] at x: (1 - frac x) t[trunc x] +
// frac x t[trunc x + 1], and t[last] from x = last on. A position below 0
// or not a number takes t[0], one beyond the table t[last].
double Interpolate(const double* t, int last, double x) {
    if (!(x > 0.0)) return t[0];
    if (x >= double(last)) return t[last];
    const int k = int(Trunc(x));
    const double f = x - double(k);
    return (1.0 - f) * t[k] + f * t[k + 1];
}

// Mean of the 2r + 1 unsmoothed entries centred on each of r .. n-1-r,
// kept as a running sum; the first and last r entries stay as they are.
void BoxSmooth(double* t, int n, int r) {
    if (n < 2 * r + 1) return;
    double Unsmoothed[kChromaSize];
    std::copy(t, t + n, Unsmoothed);
    const double width = double(2 * r + 1);
    double sum = 0.0;
    for (int j = 0; j <= 2 * r; ++j) sum += Unsmoothed[j];
    t[r] = sum / width;
    for (int i = r + 1; i <= n - 1 - r; ++i) {
        sum += Unsmoothed[i + r];
        sum -= Unsmoothed[i - r - 1];
        t[i] = sum / width;
    }
}

// The same over a full turn of 360 entries, indices modulo 360.
void CircularSmooth(double* t, int r) {
    double Unsmoothed[kChromaSize];
    std::copy(t, t + kHueTurn, Unsmoothed);
    auto at = [&Unsmoothed](int i) { return Unsmoothed[((i % kHueTurn) + kHueTurn) % kHueTurn]; };
    const double width = double(2 * r + 1);
    double sum = 0.0;
    for (int j = -r; j <= r; ++j) sum += at(j);
    t[0] = sum / width;
    for (int i = 1; i < kHueTurn; ++i) {
        sum += at(i + r);
        sum -= at(i - r - 1);
        t[i] = sum / width;
    }
}

// Output chroma for input chroma 0..363: identity up to the guard lo, the
// gain line from (lo, lo) to the bend (d1, d2), a straight line from there
// to (122, 122), identity beyond; then box-smoothed with radius 5.
void ChromaCurve(double* t, double lo, double bend, double gain) {
    const double c = 1.0 / std::sqrt(gain * gain + 1.0);
    const double d1 = lo + (bend - lo * std::numbers::sqrt2) * c;
    const double d2 = lo + (d1 - lo) * gain;
    int i = 0;
    for (; i <= kLast && i <= lo; ++i) t[i] = i;
    for (; i <= kLast && i <= d1; ++i) t[i] = lo + (i - lo) * gain;
    for (; i <= kLast && i <= 122; ++i) t[i] = d2 + (i - d1) * (122 - d2) / (122 - d1);
    for (; i <= kLast; ++i) t[i] = i;
    BoxSmooth(t, kChromaSize, 5);
}

// Two-point balance and hue rotation. (a1, b1, l1) is the light point,
// (da, db, dl) the shadow point minus the light point, all on the scale the
// transform is built for; `distinct` says whether the two lightnesses differ.
void BuildTransform(double (&out)[12], int32_t rotate, double a1, double b1, double l1, double da,
                    double db, double dl, bool distinct) {
    // Rows of three: m0..m8 the matrix, m9..m11 the translation.
    double m[12] = {1, 0, 0, 0, 1, 0, 0, 0, 1, -a1, -b1, -l1};
    if (distinct) {
        double o[12] = {1, 0, 0, 0, 1, 0, -da / dl, -db / dl, 1, 0, 0, 0};
        double r[12];
        // M followed by O: matrix M*O, translation t*O + o_t.
        for (int row = 0; row < 4; ++row)
            for (int col = 0; col < 3; ++col) {
                double s =
                    m[3 * row] * o[col] + m[3 * row + 1] * o[3 + col] + m[3 * row + 2] * o[6 + col];
                if (row == 3) s += o[9 + col];
                r[3 * row + col] = s;
            }
        std::copy(r, r + 12, m);
    }
    m[11] += l1;
    const double theta = double(rotate) * std::numbers::pi / 180.0;
    const double cs = std::cos(theta), sn = std::sin(theta);
    for (int p = 0; p < 12; p += 3) {
        const double x = m[p], y = m[p + 1];
        m[p] = x * cs - y * sn;
        m[p + 1] = x * sn + y * cs;
    }
    std::copy(m, m + 12, out);
}

void BuildAbTransform8(tCorrectionTables& t, const tParams& s) {
    BuildTransform(t.AbTransform, s.Rotate, s.LightPointA, s.LightPointB, s.LightPointL,
                   double(s.ShadowPointA) - s.LightPointA, double(s.ShadowPointB) - s.LightPointB,
                   double(s.ShadowPointL) - s.LightPointL, s.ShadowPointL != s.LightPointL);
}

}  // namespace

void ResetTables(tCorrectionTables& t) {
    for (int i = 0; i < 256; ++i) {
        t.ToneCurve[i] = i;
        t.ToneTable[i] = uint8_t(i);
        t.LightGain[i] = 1.0;
    }
    std::fill(std::begin(t.ChromaGain), std::end(t.ChromaGain), 1.0);
    std::fill(std::begin(t.HueGain), std::end(t.HueGain), 1.0);
    for (int i = 0; i <= 32768; ++i) t.ToneTable16[i] = uint16_t(i);
    std::fill(std::begin(t.ChromaGain16), std::end(t.ChromaGain16), 1.0);
    std::fill(std::begin(t.HueGain16), std::end(t.HueGain16), 1.0);
    std::fill(std::begin(t.LightGain16), std::end(t.LightGain16), 1.0);
    // Centres a and b: u = a - 128, v = b - 128.
    const double centre[12] = {1, 0, 0, 0, 1, 0, 0, 0, 1, -128, -128, 0};
    std::copy(centre, centre + 12, t.AbTransform);
}

void UserChromaCurve(double (&curve)[364], double lowSat, double satBend, double colorContrast) {
    ChromaCurve(curve, lowSat, satBend, FiniteOr(colorContrast, 1.0));
}

void BuildTables(tCorrectionTables& t, const tParams& s, int32_t analysedBlack,
                 int32_t analysedWhite) {
    for (int i = 0; i < 256; ++i) {
        t.ToneTable[i] = uint8_t(i);
        t.ToneCurve[i] = i;
    }
    std::fill(std::begin(t.ChromaGain), std::end(t.ChromaGain), 1.0);

    // Levels, on the 0..255 scale; the integers are widened before any
    // arithmetic so that stored extremes cannot overflow.
    const double aB = analysedBlack, aW = analysedWhite;
    const double B = s.BlackLevel, W = s.WhiteLevel;
    const double slope = aW > aB ? (W - B) / (aW - aB) : 1.0;
    for (int i = 0; i < 256; ++i) t.ToneCurve[i] = std::clamp((i - aB) * slope + B, 0.0, 255.0);

    // Chroma: level compensation, then the user's curve read through it.
    if (analysedWhite != 0)
        ChromaCurve(t.ChromaGain, 0, 127, (W / aW + 1.0) / 2.0);
    else
        for (int i = 0; i < kChromaSize; ++i) t.ChromaGain[i] = i;
    double UserCurve[kChromaSize];
    ChromaCurve(UserCurve, s.LowSat, s.SatBend, FiniteOr(s.ColorContrast, 1.0));
    for (int i = 0; i < kChromaSize; ++i)
        t.ChromaGain[i] = Interpolate(UserCurve, kLast, t.ChromaGain[i]);
    t.ChromaGain[0] = 1.0;
    for (int i = 1; i < kChromaSize; ++i) t.ChromaGain[i] /= i;

    // Lightness exponent. A value of 0 or below would lift the curve above
    // 255 (to infinity at 0); the curve is held to 0..255.
    const double exponent = FiniteOr(s.Lightness, 1.0);
    double LightnessCurve[256];
    for (int j = 0; j < 256; ++j)
        LightnessCurve[j] = std::clamp(255.0 * std::pow(j / 255.0, exponent), 0.0, 255.0);
    for (int i = 0; i < 256; ++i) t.ToneCurve[i] = Interpolate(LightnessCurve, 255, t.ToneCurve[i]);

    // Hue equaliser: band j centred at 45*j degrees.
    double g[8];
    for (int j = 0; j < 8; ++j) g[j] = BandGain(s.ColorEq[j]);
    for (int i = 0; i <= kHueTurn; ++i) {
        const int j = (i / 45) % 8, r = i % 45;
        t.HueGain[i] = (g[j] * (44 - r) + g[(j + 1) % 8] * r) / 44;
    }
    CircularSmooth(t.HueGain, 20);
    t.HueGain[kHueTurn] = t.HueGain[0];

    // Lightness equaliser: band j at lightness 64*j, the fifth at 256.
    double h[5];
    for (int j = 0; j < 5; ++j) h[j] = BandGain(s.LightEq[j]);
    for (int i = 0; i < 256; ++i) {
        const int j = i / 64, r = i % 64;
        t.LightGain[i] = (h[j] * (63 - r) + h[j + 1] * r) / 63;
    }
    BoxSmooth(t.LightGain, 256, 20);

    for (int i = 0; i < 256; ++i) t.ToneTable[i] = uint8_t(Round(t.ToneCurve[i]));
    BuildAbTransform8(t, s);
}

void BuildTables16(tCorrectionTables& t) {
    const double S = kScale16;
    t.ToneTable16[0] = uint16_t(Round(t.ToneCurve[0] * S));
    for (int i = 1; i < 32768; ++i)
        t.ToneTable16[i] = uint16_t(Round(Interpolate(t.ToneCurve, 255, i / S) * S));
    t.ToneTable16[32768] = uint16_t(Round(t.ToneCurve[255] * S));

    t.ChromaGain16[0] = t.ChromaGain[0];
    for (int i = 1; i < 46647; ++i) t.ChromaGain16[i] = Interpolate(t.ChromaGain, kLast, i / S);
    t.ChromaGain16[46647] = t.ChromaGain[kLast];

    t.HueGain16[0] = t.HueGain[0];
    for (int i = 1; i < 10000; ++i)
        t.HueGain16[i] = Interpolate(t.HueGain, kHueTurn, i * 360.0 / 10000.0);
    t.HueGain16[10000] = t.HueGain[kHueTurn];

    t.LightGain16[0] = t.LightGain[0];
    for (int i = 1; i < 32768; ++i) t.LightGain16[i] = Interpolate(t.LightGain, 255, i / S);
    t.LightGain16[32768] = t.LightGain[255];
}

void BuildAbTransform16(tCorrectionTables& t, const tParams& s) {
    // a and b move their neutral from 128 to 16384; lightness and the
    // differences scale by S.
    const double S = kScale16;
    auto chroma = [S](uint8_t v) { return (double(v) - 128.0) * S + 16384.0; };
    BuildTransform(t.AbTransform, s.Rotate, chroma(s.LightPointA), chroma(s.LightPointB),
                   s.LightPointL * S, (double(s.ShadowPointA) - s.LightPointA) * S,
                   (double(s.ShadowPointB) - s.LightPointB) * S,
                   (double(s.ShadowPointL) - s.LightPointL) * S, s.ShadowPointL != s.LightPointL);
}

}  // namespace velmora

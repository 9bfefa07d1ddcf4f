#include "engine/Tables.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <numbers>

#include "engine/Analysis.h"
#include "host/Rounding.h"
#include "host/Settings.h"

namespace velmora {

double ToneCurve[256];
uint8_t ToneTable[256];
double ChromaGain[364];
double HueGain[361];
double LightGain[256];
double AbTransform[12];

uint16_t ToneTable16[32769];
double ChromaGain16[46648];
double HueGain16[10001];
double LightGain16[32769];

namespace {

constexpr int kChromaSize = 364;
constexpr int kLast = kChromaSize - 1;  // 363
constexpr int kHueTurn = 360;

// Equaliser bands beyond +-400 (the dialog stops at +-40) would make
// 2^(g/20) overflow to infinity or vanish; such stored values are held at
// the limit, a factor of 2^20 either way.
constexpr int32_t kBandLimit = 400;

// The user's chroma curve, built beside ChromaGain (no allocation).
double UserCurve[kChromaSize];
// The lightness curve G.
double LightnessCurve[256];
// Unsmoothed copy for the box and circular means.
double Unsmoothed[kChromaSize];

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
    std::copy(t, t + kHueTurn, Unsmoothed);
    auto at = [](int i) { return Unsmoothed[((i % kHueTurn) + kHueTurn) % kHueTurn]; };
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
void BuildTransform(double a1, double b1, double l1, double da, double db, double dl,
                    bool distinct) {
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
    const double theta = double(Settings.Rotate) * std::numbers::pi / 180.0;
    const double cs = std::cos(theta), sn = std::sin(theta);
    for (int p = 0; p < 12; p += 3) {
        const double x = m[p], y = m[p + 1];
        m[p] = x * cs - y * sn;
        m[p + 1] = x * sn + y * cs;
    }
    std::copy(m, m + 12, AbTransform);
}

void BuildAbTransform8() {
    const tParams& s = Settings;
    BuildTransform(s.LightPointA, s.LightPointB, s.LightPointL,
                   double(s.ShadowPointA) - s.LightPointA, double(s.ShadowPointB) - s.LightPointB,
                   double(s.ShadowPointL) - s.LightPointL, s.ShadowPointL != s.LightPointL);
}

const bool kLoaded = (ResetTables(), true);

}  // namespace

void ResetTables() {
    for (int i = 0; i < 256; ++i) {
        ToneCurve[i] = i;
        ToneTable[i] = uint8_t(i);
        LightGain[i] = 1.0;
    }
    std::fill(std::begin(ChromaGain), std::end(ChromaGain), 1.0);
    std::fill(std::begin(HueGain), std::end(HueGain), 1.0);
    for (int i = 0; i <= 32768; ++i) ToneTable16[i] = uint16_t(i);
    std::fill(std::begin(ChromaGain16), std::end(ChromaGain16), 1.0);
    std::fill(std::begin(HueGain16), std::end(HueGain16), 1.0);
    std::fill(std::begin(LightGain16), std::end(LightGain16), 1.0);
    // Centres a and b: u = a - 128, v = b - 128.
    const double centre[12] = {1, 0, 0, 0, 1, 0, 0, 0, 1, -128, -128, 0};
    std::copy(centre, centre + 12, AbTransform);
}

void UserChromaCurve(double (&curve)[364], double lowSat, double satBend, double colorContrast) {
    ChromaCurve(curve, lowSat, satBend, FiniteOr(colorContrast, 1.0));
}

void BuildTables() {
    (void)kLoaded;
    const tParams& s = Settings;
    for (int i = 0; i < 256; ++i) {
        ToneTable[i] = uint8_t(i);
        ToneCurve[i] = i;
    }
    std::fill(std::begin(ChromaGain), std::end(ChromaGain), 1.0);

    // Levels, on the 0..255 scale; the integers are widened before any
    // arithmetic so that stored extremes cannot overflow.
    const double aB = AnalysedBlack, aW = AnalysedWhite;
    const double B = s.BlackLevel, W = s.WhiteLevel;
    const double slope = aW > aB ? (W - B) / (aW - aB) : 1.0;
    for (int i = 0; i < 256; ++i) ToneCurve[i] = std::clamp((i - aB) * slope + B, 0.0, 255.0);

    // Chroma: level compensation, then the user's curve read through it.
    if (AnalysedWhite != 0)
        ChromaCurve(ChromaGain, 0, 127, (W / aW + 1.0) / 2.0);
    else
        for (int i = 0; i < kChromaSize; ++i) ChromaGain[i] = i;
    ChromaCurve(UserCurve, s.LowSat, s.SatBend, FiniteOr(s.ColorContrast, 1.0));
    for (int i = 0; i < kChromaSize; ++i)
        ChromaGain[i] = Interpolate(UserCurve, kLast, ChromaGain[i]);
    ChromaGain[0] = 1.0;
    for (int i = 1; i < kChromaSize; ++i) ChromaGain[i] /= i;

    // Lightness exponent. A value of 0 or below would lift the curve above
    // 255 (to infinity at 0); the curve is held to 0..255.
    const double exponent = FiniteOr(s.Lightness, 1.0);
    for (int j = 0; j < 256; ++j)
        LightnessCurve[j] = std::clamp(255.0 * std::pow(j / 255.0, exponent), 0.0, 255.0);
    for (int i = 0; i < 256; ++i) ToneCurve[i] = Interpolate(LightnessCurve, 255, ToneCurve[i]);

    // Hue equaliser: band j centred at 45*j degrees.
    double g[8];
    for (int j = 0; j < 8; ++j) g[j] = BandGain(s.ColorEq[j]);
    for (int i = 0; i <= kHueTurn; ++i) {
        const int j = (i / 45) % 8, r = i % 45;
        HueGain[i] = (g[j] * (44 - r) + g[(j + 1) % 8] * r) / 44;
    }
    CircularSmooth(HueGain, 20);
    HueGain[kHueTurn] = HueGain[0];

    // Lightness equaliser: band j at lightness 64*j, the fifth at 256.
    double h[5];
    for (int j = 0; j < 5; ++j) h[j] = BandGain(s.LightEq[j]);
    for (int i = 0; i < 256; ++i) {
        const int j = i / 64, r = i % 64;
        LightGain[i] = (h[j] * (63 - r) + h[j + 1] * r) / 63;
    }
    BoxSmooth(LightGain, 256, 20);

    for (int i = 0; i < 256; ++i) ToneTable[i] = uint8_t(Round(ToneCurve[i]));
    BuildAbTransform8();
}

void BuildTables16() {
    const double S = kScale16;
    ToneTable16[0] = uint16_t(Round(ToneCurve[0] * S));
    for (int i = 1; i < 32768; ++i)
        ToneTable16[i] = uint16_t(Round(Interpolate(ToneCurve, 255, i / S) * S));
    ToneTable16[32768] = uint16_t(Round(ToneCurve[255] * S));

    ChromaGain16[0] = ChromaGain[0];
    for (int i = 1; i < 46647; ++i) ChromaGain16[i] = Interpolate(ChromaGain, kLast, i / S);
    ChromaGain16[46647] = ChromaGain[kLast];

    HueGain16[0] = HueGain[0];
    for (int i = 1; i < 10000; ++i)
        HueGain16[i] = Interpolate(HueGain, kHueTurn, i * 360.0 / 10000.0);
    HueGain16[10000] = HueGain[kHueTurn];

    LightGain16[0] = LightGain[0];
    for (int i = 1; i < 32768; ++i) LightGain16[i] = Interpolate(LightGain, 255, i / S);
    LightGain16[32768] = LightGain[255];
}

void BuildAbTransform16() {
    // a and b move their neutral from 128 to 16384; lightness and the
    // differences scale by S.
    const tParams& s = Settings;
    const double S = kScale16;
    auto chroma = [S](uint8_t v) { return (double(v) - 128.0) * S + 16384.0; };
    BuildTransform(chroma(s.LightPointA), chroma(s.LightPointB), s.LightPointL * S,
                   (double(s.ShadowPointA) - s.LightPointA) * S,
                   (double(s.ShadowPointB) - s.LightPointB) * S,
                   (double(s.ShadowPointL) - s.LightPointL) * S, s.ShadowPointL != s.LightPointL);
}

}  // namespace velmora

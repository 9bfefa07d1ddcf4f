#include "hostlib/ColorEngine.h"

#include <lcms2.h>

#include <algorithm>
#include <cmath>

#include "hostlib/HostError.h"

namespace hostlib {

namespace {

void SilentLcmsErrors(cmsContext, cmsUInt32Number, const char*) {}

struct ProfileCloser {
    void operator()(void* p) const {
        if (p) cmsCloseProfile(p);
    }
};
using ProfilePtr = std::unique_ptr<void, ProfileCloser>;

struct TransformDeleter {
    void operator()(void* t) const {
        if (t) cmsDeleteTransform(t);
    }
};
using TransformPtr = std::unique_ptr<void, TransformDeleter>;

uint8_t Clamp8(double v) {
    if (std::isnan(v)) return 0;
    return uint8_t(std::clamp(std::nearbyint(v), 0.0, 255.0));
}

// Floating-point on both sides: no precalculated 8-bit tables, so each
// answer is the profile's own arithmetic, rounded once at the end.
TransformPtr MakeTransform(cmsHPROFILE from, cmsUInt32Number fromType, cmsHPROFILE to,
                           cmsUInt32Number toType) {
    return TransformPtr(cmsCreateTransform(from, fromType, to, toType, INTENT_RELATIVE_COLORIMETRIC,
                                           cmsFLAGS_NOCACHE));
}

// Nearest whole numbers of three values that lie clear of a rounding
// boundary (more than `margin` from a half), clamped to 0..255; false when
// one does not (or is not a number).
bool Settled(const double v[3], double margin, uint8_t out[3]) {
    for (int k = 0; k < 3; ++k)
        if (!(std::fabs(v[k] - std::floor(v[k]) - 0.5) > margin)) return false;
    for (int k = 0; k < 3; ++k) out[k] = Clamp8(v[k]);
    return true;
}

// CIE Lab of D50 XYZ and back, in double precision.
constexpr double kEpsilon = 216.0 / 24389.0, kKappa = 24389.0 / 27.0;
double LabF(double t) {
    return t > kEpsilon ? std::cbrt(t) : (kKappa * t + 16.0) / 116.0;
}
double LabInverseF(double f) {
    return f * f * f > kEpsilon ? f * f * f : (116.0 * f - 16.0) / kKappa;
}

}  // namespace

// A matrix-shaper RGB profile's own steps in double precision: the tone
// curves (tabulated for the 256 inputs), the colorant matrix to D50 XYZ and
// CIE Lab, and back through the inverse matrix and the reversed curves (or,
// for the rounded answer, the curve's values at the ends of each output
// value's settled interval, which spares a power per component).
// LittleCMS runs the same steps in a float pipeline, so the two differ by
// float roundings only (on sRGB at most 2.3e-5 of a step towards Lab and
// 5.5e-4 back, over every 8-bit colour). An answer is taken from here when
// every component lies clear of a rounding boundary by a wide margin, and
// from LittleCMS otherwise, so the bytes are LittleCMS's either way. Made only
// when it agrees with LittleCMS on a grid of colours well within the margins.
class ColorEngine::Shaper {
  public:
    static std::unique_ptr<Shaper> For(cmsHPROFILE rgb, void* toLab, void* fromLab) {
        if (!cmsIsMatrixShaper(rgb)) return nullptr;
        auto s = std::unique_ptr<Shaper>(new Shaper);
        bool parametric = true;
        const cmsTagSignature colorants[3] = {cmsSigRedColorantTag, cmsSigGreenColorantTag,
                                              cmsSigBlueColorantTag};
        const cmsTagSignature curves[3] = {cmsSigRedTRCTag, cmsSigGreenTRCTag, cmsSigBlueTRCTag};
        for (int k = 0; k < 3; ++k) {
            const auto* c = static_cast<const cmsCIEXYZ*>(cmsReadTag(rgb, colorants[k]));
            const auto* curve = static_cast<const cmsToneCurve*>(cmsReadTag(rgb, curves[k]));
            if (!c || !curve) return nullptr;
            s->toXyz_[0][k] = c->X;
            s->toXyz_[1][k] = c->Y;
            s->toXyz_[2][k] = c->Z;
            for (int v = 0; v < 256; ++v)
                s->linear_[k][v] = cmsEvalToneCurveFloat(curve, cmsFloat32Number(v / 255.0));
            // A curve given as a table is evaluated on a 16-bit grid, where
            // the slightest difference in the linear value can move the
            // result by a third of a step next to black: the way back is
            // computed here only through curves given by formula.
            parametric &= cmsGetToneCurveParametricType(curve) != 0;
            s->reversed_[k] = cmsReverseToneCurve(curve);
            if (!s->reversed_[k]) return nullptr;
            s->Bounds(k, curve);
        }
        if (!s->Invert()) return nullptr;
        s->Check(toLab, fromLab);
        s->fromLab_ = s->fromLab_ && parametric && s->ordered_;
        if (!s->toLab_ && !s->fromLab_) return nullptr;
        return s;
    }
    ~Shaper() {
        for (cmsToneCurve* c : reversed_)
            if (c) cmsFreeToneCurve(c);
    }

    // Whether each direction is computed here.
    bool ComputesToLab() const { return toLab_; }
    bool ComputesFromLab() const { return fromLab_; }

    // Lab in the 8-bit encoding before rounding (L * 2.55, a + 128, b + 128).
    void ToLab(const uint8_t rgb[3], double out[3]) const {
        const double l[3] = {linear_[0][rgb[0]], linear_[1][rgb[1]], linear_[2][rgb[2]]};
        double f[3];
        for (int i = 0; i < 3; ++i)
            f[i] =
                LabF((toXyz_[i][0] * l[0] + toXyz_[i][1] * l[1] + toXyz_[i][2] * l[2]) / white_[i]);
        out[0] = (116.0 * f[1] - 16.0) * 2.55;
        out[1] = 500.0 * (f[0] - f[1]) + 128.0;
        out[2] = 200.0 * (f[1] - f[2]) + 128.0;
    }
    // RGB * 255 before rounding; false for a colour outside the profile's
    // gamut (left to LittleCMS).
    bool FromLab(const uint8_t lab[3], double out[3]) const {
        double l[3];
        if (!Linear(lab, l)) return false;
        for (int k = 0; k < 3; ++k)
            out[k] = cmsEvalToneCurveFloat(reversed_[k], cmsFloat32Number(l[k])) * 255.0;
        return true;
    }

    // The RGB of a Lab colour when every component is clear of a rounding
    // boundary by the margin, as FromLab and Settled decide it, without
    // evaluating the reversed curves: the linear value is placed among the
    // curve's values at the ends of each settled interval.
    bool SettledFromLab(const uint8_t lab[3], uint8_t rgb[3]) const {
        double l[3];
        if (!Linear(lab, l)) return false;
        for (int k = 0; k < 3; ++k) {
            const double* high = high_[k];
            int n = first_[k][std::min(kBuckets - 1, int(l[k] * kBuckets))];
            while (!(l[k] < high[n])) ++n;  // high[255] is +inf
            if (!(l[k] > low_[k][n])) return false;
            rgb[k] = uint8_t(n);
        }
        return true;
    }

    static constexpr double kToLabMargin = 1e-3, kFromLabMargin = 1e-2;

  private:
    static constexpr int kBuckets = 4096;

    Shaper() = default;

    // The linear RGB of a Lab colour (D50 XYZ through the inverse matrix);
    // false when a component lies outside 0..1.
    bool Linear(const uint8_t lab[3], double l[3]) const {
        const double fy = (lab[0] * (100.0 / 255.0) + 16.0) / 116.0;
        const double fx = fy + (lab[1] - 128.0) / 500.0, fz = fy - (lab[2] - 128.0) / 200.0;
        const double xyz[3] = {white_[0] * LabInverseF(fx), white_[1] * LabInverseF(fy),
                               white_[2] * LabInverseF(fz)};
        for (int k = 0; k < 3; ++k) {
            l[k] = fromXyz_[k][0] * xyz[0] + fromXyz_[k][1] * xyz[1] + fromXyz_[k][2] * xyz[2];
            if (!(l[k] >= 0.0 && l[k] <= 1.0)) return false;
        }
        return true;
    }

    // For output value n of component k: 255 * reversed(l) lies more than the
    // margin inside (n - 0.5, n + 0.5) exactly when low < l < high, with the
    // ends taken from the curve itself (the reversed curve's inverse); and
    // per bucket of l the first n whose interval ends above the bucket's start.
    void Bounds(int k, const cmsToneCurve* curve) {
        const auto at = [curve](double y) {
            return double(cmsEvalToneCurveFloat(curve, cmsFloat32Number(y / 255.0)));
        };
        for (int n = 0; n < 256; ++n) {
            low_[k][n] = n == 0 ? -HUGE_VAL : at(n - 0.5 + kFromLabMargin);
            high_[k][n] = n == 255 ? HUGE_VAL : at(n + 0.5 - kFromLabMargin);
        }
        // The intervals must follow one another (a curve that turns back
        // leaves the way back to LittleCMS).
        for (int n = 0; n < 256; ++n)
            ordered_ &= low_[k][n] < high_[k][n] && (n == 255 || high_[k][n] < low_[k][n + 1]);
        int n = 0;
        for (int b = 0; b < kBuckets; ++b) {
            while (!(double(b) / kBuckets < high_[k][n])) ++n;
            first_[k][b] = uint8_t(n);
        }
    }

    bool Invert() {
        const auto& a = toXyz_;
        const double det = a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) -
                           a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
                           a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
        if (!std::isfinite(det) || std::fabs(det) < 1e-9) return false;
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) {
                // The cofactor of a[j][i], by the cyclic indices.
                const int r0 = (j + 1) % 3, r1 = (j + 2) % 3, c0 = (i + 1) % 3, c1 = (i + 2) % 3;
                fromXyz_[i][j] = (a[r0][c0] * a[r1][c1] - a[r0][c1] * a[r1][c0]) / det;
            }
        return true;
    }

    // Both directions against LittleCMS on a 17 x 17 x 17 grid of colours,
    // unrounded, to a tenth of the margins (and a fifth for the way back);
    // a direction that disagrees is left to LittleCMS.
    void Check(void* toLab, void* fromLab) {
        bool roundsAlike = true;
        double worstTo = 0.0, worstFrom = 0.0;
        for (int i = 0; i < 17 * 17 * 17; ++i) {
            const uint8_t c[3] = {uint8_t(std::min(255, 16 * (i % 17))),
                                  uint8_t(std::min(255, 16 * (i / 17 % 17))),
                                  uint8_t(std::min(255, 16 * (i / 289)))};
            const double rgb[3] = {c[0] / 255.0, c[1] / 255.0, c[2] / 255.0};
            cmsCIELab lab{};
            cmsDoTransform(toLab, rgb, &lab, 1);
            const double expected[3] = {lab.L * 255.0 / 100.0, lab.a + 128.0, lab.b + 128.0};
            double model[3];
            ToLab(c, model);
            for (int k = 0; k < 3; ++k) worstTo = std::max(worstTo, Gap(model[k], expected[k]));

            const cmsCIELab in{c[0] * 100.0 / 255.0, c[1] - 128.0, c[2] - 128.0};
            double back[3] = {};
            cmsDoTransform(fromLab, &in, back, 1);
            if (!FromLab(c, model)) continue;
            for (int k = 0; k < 3; ++k) {
                // Next to black a pure power curve magnifies the pipeline's
                // float noise (LittleCMS gives 0.04 of a step for black under
                // gamma 2.2): there only the rounded values need to agree.
                const double expected = back[k] * 255.0;
                roundsAlike &= Clamp8(model[k]) == Clamp8(expected);
                if (expected >= 0.25) worstFrom = std::max(worstFrom, Gap(model[k], expected));
            }
        }
        toLab_ = worstTo <= kToLabMargin / 10;
        fromLab_ = roundsAlike && worstFrom <= kFromLabMargin / 5;
    }
    static double Gap(double a, double b) {
        const double d = std::fabs(a - b);
        return std::isnan(d) ? HUGE_VAL : d;
    }

    double linear_[3][256] = {};
    double toXyz_[3][3] = {};
    double fromXyz_[3][3] = {};
    const double white_[3] = {cmsD50X, cmsD50Y, cmsD50Z};
    cmsToneCurve* reversed_[3] = {nullptr, nullptr, nullptr};
    double low_[3][256] = {}, high_[3][256] = {};
    uint8_t first_[3][kBuckets] = {};
    bool ordered_ = true, toLab_ = false, fromLab_ = false;
};

struct ColorEngine::Transforms {
    TransformPtr toLab, fromLab, toMonitor;
};

ColorEngine::ColorEngine(const std::vector<uint8_t>& icc, const std::vector<uint8_t>& monitorIcc)
    : t_(std::make_unique<Transforms>()) {
    cmsSetLogErrorHandler(&SilentLcmsErrors);
    ProfilePtr lab(cmsCreateLab4Profile(nullptr));  // D50 white point
    ProfilePtr srgb(cmsCreate_sRGBProfile());
    if (!lab || !srgb) throw HostError("cannot create the colour profiles");

    if (!icc.empty()) {
        ProfilePtr embedded(cmsOpenProfileFromMem(icc.data(), cmsUInt32Number(icc.size())));
        if (!embedded) {
            note_ = "the embedded ICC profile cannot be read; colours are converted as sRGB";
        } else if (cmsGetColorSpace(embedded.get()) != cmsSigRgbData) {
            // A Lab document's profile, for instance: the RGB side stays sRGB.
            note_ =
                "the embedded ICC profile is not an RGB profile; RGB colours are converted as sRGB";
        } else {
            t_->toLab = MakeTransform(embedded.get(), TYPE_RGB_DBL, lab.get(), TYPE_Lab_DBL);
            t_->fromLab = MakeTransform(lab.get(), TYPE_Lab_DBL, embedded.get(), TYPE_RGB_DBL);
            if (t_->toLab && t_->fromLab) {
                embedded_ = true;
                shaper_ = Shaper::For(embedded.get(), t_->toLab.get(), t_->fromLab.get());
            } else {
                t_->toLab.reset();
                t_->fromLab.reset();
                note_ = "the embedded ICC profile cannot be used; colours are converted as sRGB";
            }
        }
    }
    if (!embedded_) {
        t_->toLab = MakeTransform(srgb.get(), TYPE_RGB_DBL, lab.get(), TYPE_Lab_DBL);
        t_->fromLab = MakeTransform(lab.get(), TYPE_Lab_DBL, srgb.get(), TYPE_RGB_DBL);
        if (t_->toLab && t_->fromLab)
            shaper_ = Shaper::For(srgb.get(), t_->toLab.get(), t_->fromLab.get());
    }
    // The display's profile when the host knows one and it is a usable RGB
    // profile, else sRGB; computed here like the document's.
    const auto useMonitor = [&](cmsHPROFILE profile) {
        t_->toMonitor = MakeTransform(lab.get(), TYPE_Lab_DBL, profile, TYPE_RGB_DBL);
        TransformPtr check = MakeTransform(profile, TYPE_RGB_DBL, lab.get(), TYPE_Lab_DBL);
        if (t_->toMonitor && check)
            monitorShaper_ = Shaper::For(profile, check.get(), t_->toMonitor.get());
    };
    if (!monitorIcc.empty()) {
        ProfilePtr monitor(
            cmsOpenProfileFromMem(monitorIcc.data(), cmsUInt32Number(monitorIcc.size())));
        if (monitor && cmsGetColorSpace(monitor.get()) == cmsSigRgbData) useMonitor(monitor.get());
    }
    if (!t_->toMonitor) useMonitor(srgb.get());
    if (!t_->toLab || !t_->fromLab || !t_->toMonitor)
        throw HostError("cannot create the colour transforms");
}

ColorEngine::~ColorEngine() = default;

bool ColorEngine::ComputesToLab() const {
    return shaper_ && shaper_->ComputesToLab();
}
bool ColorEngine::ComputesFromLab() const {
    return shaper_ && shaper_->ComputesFromLab();
}
bool ColorEngine::ComputesToMonitor() const {
    return monitorShaper_ && monitorShaper_->ComputesFromLab();
}

void ColorEngine::RgbToLab(const uint8_t rgb[3], uint8_t lab[3]) const {
    if (shaper_ && shaper_->ComputesToLab()) {
        double v[3];
        shaper_->ToLab(rgb, v);
        if (Settled(v, Shaper::kToLabMargin, lab)) return;
    }
    const double in[3] = {rgb[0] / 255.0, rgb[1] / 255.0, rgb[2] / 255.0};
    cmsCIELab out{};
    cmsDoTransform(t_->toLab.get(), in, &out, 1);
    lab[0] = Clamp8(out.L * 255.0 / 100.0);
    lab[1] = Clamp8(out.a + 128.0);
    lab[2] = Clamp8(out.b + 128.0);
}

namespace {
void LabToRgbWith(void* transform, const uint8_t lab[3], uint8_t rgb[3]) {
    const cmsCIELab in{lab[0] * 100.0 / 255.0, lab[1] - 128.0, lab[2] - 128.0};
    double out[3] = {};
    cmsDoTransform(transform, &in, out, 1);
    for (int k = 0; k < 3; ++k) rgb[k] = Clamp8(out[k] * 255.0);
}
}  // namespace

void ColorEngine::LabToRgbThrough(const Shaper* shaper, void* transform, const uint8_t lab[3],
                                  uint8_t rgb[3]) {
    if (shaper && shaper->ComputesFromLab()) {
        if (shaper->SettledFromLab(lab, rgb)) return;
    }
    LabToRgbWith(transform, lab, rgb);
}

void ColorEngine::LabToRgb(const uint8_t lab[3], uint8_t rgb[3]) const {
    LabToRgbThrough(shaper_.get(), t_->fromLab.get(), lab, rgb);
}

void ColorEngine::LabToMonitor(const uint8_t lab[3], uint8_t rgb[3]) const {
    LabToRgbThrough(monitorShaper_.get(), t_->toMonitor.get(), lab, rgb);
}

}  // namespace hostlib

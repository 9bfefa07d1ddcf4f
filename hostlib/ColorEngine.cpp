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

}  // namespace

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
    }
    // The display's profile when the host knows one and it is a usable RGB
    // profile, else sRGB.
    if (!monitorIcc.empty()) {
        ProfilePtr monitor(
            cmsOpenProfileFromMem(monitorIcc.data(), cmsUInt32Number(monitorIcc.size())));
        if (monitor && cmsGetColorSpace(monitor.get()) == cmsSigRgbData)
            t_->toMonitor = MakeTransform(lab.get(), TYPE_Lab_DBL, monitor.get(), TYPE_RGB_DBL);
    }
    if (!t_->toMonitor)
        t_->toMonitor = MakeTransform(lab.get(), TYPE_Lab_DBL, srgb.get(), TYPE_RGB_DBL);
    if (!t_->toLab || !t_->fromLab || !t_->toMonitor)
        throw HostError("cannot create the colour transforms");
}

ColorEngine::~ColorEngine() = default;

void ColorEngine::RgbToLab(const uint8_t rgb[3], uint8_t lab[3]) const {
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

void ColorEngine::LabToRgb(const uint8_t lab[3], uint8_t rgb[3]) const {
    LabToRgbWith(t_->fromLab.get(), lab, rgb);
}

void ColorEngine::LabToMonitor(const uint8_t lab[3], uint8_t rgb[3]) const {
    LabToRgbWith(t_->toMonitor.get(), lab, rgb);
}

}  // namespace hostlib

#include "hostlib/Document.h"

#include "sdk/PIFilter.h"

namespace hostlib {

int16_t Document::ImageMode() const {
    if (model == ColorModel::Rgb) return depth == 16 ? sdk::kModeRGB48 : sdk::kModeRGB;
    return depth == 16 ? sdk::kModeLab48 : sdk::kModeLab;
}

const char* Document::ModeName() const {
    if (model == ColorModel::Rgb) return depth == 16 ? "RGB48" : "RGB";
    return depth == 16 ? "Lab48" : "Lab";
}

}  // namespace hostlib

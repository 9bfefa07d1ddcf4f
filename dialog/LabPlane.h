// Coordinates of the a/b colour plane: pixel column or row of an image of
// `size` pixels to an 8-bit a or b (128 neutral) and back, for a slider span
// `range` (Max - Min of the a or b trackbar). b grows upwards. Real
// divisions, rounding to the nearest with ties to even.
#pragma once

#include <algorithm>
#include <cstdint>

#include "base/Rounding.h"

namespace velmora::dialog {

namespace lab_plane {

inline int Half(int size) {
    return (size + 1) / 2;
}

// round(v) + 128, held to 0..255.
inline int ClampComponent(double v) {
    return int(std::clamp<double>(RoundToDouble(v) + 128.0, 0.0, 255.0));
}

inline int ClampPixel(double v, int size) {
    return int(std::clamp<double>(RoundToDouble(v), 0.0, double(size - 1)));
}

}  // namespace lab_plane

/// a of column x.
inline int LabPlaneA(int x, int width, int range) {
    if (width <= 0) return 128;
    return lab_plane::ClampComponent(double(range) * (x - lab_plane::Half(width)) / width);
}

/// b of row y.
inline int LabPlaneB(int y, int height, int range) {
    if (height <= 0) return 128;
    return lab_plane::ClampComponent(double(range) * (lab_plane::Half(height) - y) / height);
}

/// Column of a; a span of zero puts every a on the centre column.
inline int LabPlaneX(int a, int width, int range) {
    if (width <= 0) return 0;
    if (range == 0) return lab_plane::ClampPixel(lab_plane::Half(width), width);
    return lab_plane::ClampPixel(double(a - 128) * width / range + lab_plane::Half(width), width);
}

/// Row of b.
inline int LabPlaneY(int b, int height, int range) {
    if (height <= 0) return 0;
    if (range == 0) return lab_plane::ClampPixel(lab_plane::Half(height), height);
    return lab_plane::ClampPixel(double(128 - b) * height / range + lab_plane::Half(height),
                                 height);
}

}  // namespace velmora::dialog

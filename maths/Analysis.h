// Dynamic range analysis: lightness histogram of an image's components and
// the analysed black and white points.
#pragma once

#include <cstdint>

namespace velmora {

struct tDynamicRange {
    int32_t Black = 0;  // 0..255
    int32_t White = 0;  // 0..255
    int32_t Histogram[256] = {};
};

/// Counts every third of the n components at data (8-bit samples, or 16-bit
/// samples 0..32768 with wide; larger ones are not counted; no data: an empty
/// histogram) and finds the points with the clip fraction at each end.
void AnalyseLightness(tDynamicRange& range, const void* data, int64_t n, bool wide,
                      double clipFraction);

}  // namespace velmora

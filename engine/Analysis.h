// Dynamic range analysis: lightness histogram of the whole (Lab) host image
// and the analysed black and white points.
#pragma once

#include <cstdint>

namespace velmora {

extern int32_t AnalysedBlack;  // 0..255
extern int32_t AnalysedWhite;  // 0..255
extern int32_t Histogram[256];

void AnalyseDynamicRange();
/// Back to the load-time values (all 0).
void ResetAnalysis();

}  // namespace velmora

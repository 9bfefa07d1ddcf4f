#include "engine/Analysis.h"

namespace velmora {

int32_t AnalysedBlack = 0;
int32_t AnalysedWhite = 0;
int32_t Histogram[256] = {};

void ResetAnalysis() {
    AnalysedBlack = 0;
    AnalysedWhite = 0;
    for (auto& h : Histogram) h = 0;
}

}  // namespace velmora

// The dynamic range analysis of the host image (Lab, after ConvertToLab):
// its histogram and analysed black and white points, kept for the tables,
// the level resets and the dialog.
#pragma once

#include "maths/Analysis.h"

namespace velmora {

extern tDynamicRange Analysis;

/// Analyses the whole input buffer of the current record with the settings'
/// clip fraction.
void AnalyseDynamicRange();
/// Back to the load-time values (all 0).
void ResetAnalysis();

}  // namespace velmora

// The dialog's map building in small steps, one per idle pass, ending with
// the working masks in place and Maps.Ready. The engine does the steps; the
// dialog shows where they stand (dialog/Stepwise.h).
#pragma once

namespace velmora {

/// What a step of the analysis began or finished, for the dialog to show.
enum class tAnalysisStage {
    /// A step inside a stage, or nothing left to do.
    Step,
    /// The first step of a stage: the lightness matrix, the sharpness map,
    /// the contrast map, the release of the matrix, the mask scaling.
    Lightness,
    Sharpness,
    Contrast,
    Memory,
    Masks,
    /// The last step: Maps.Ready is now set.
    Complete,
};

/// Clears the step flags (load-time state).
void ResetStepFlags();

/// Performs exactly one step of the map building; the last one sets
/// Maps.Ready. Does nothing once Maps.Ready is set.
tAnalysisStage AdvanceAnalysis();

}  // namespace velmora

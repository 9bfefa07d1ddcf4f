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

/// Work per step. An idle pass itself costs some tens of microseconds, so
/// the cheap stages take several rows a step; the blurs take a block of
/// kColumnBlock columns or kRowBlock rows. Each step stays around a
/// millisecond on a 24 MP image, so input never waits long.
inline constexpr int kLightnessRowsPerStep = 16;
inline constexpr int kReleaseRowsPerStep = 64;
inline constexpr int kMaskRowsPerStep = 16;

/// Clears the step flags (load-time state).
void ResetStepFlags();

/// Performs exactly one step of the map building (a block of columns or rows
/// of a blur, or a few rows of the cheaper stages); the last one sets
/// Maps.Ready. Does nothing once Maps.Ready is set.
tAnalysisStage AdvanceAnalysis();

}  // namespace velmora

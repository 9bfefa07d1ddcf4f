// The dialog's preparation of the host image: a short start-up sequence at
// the first idle pass (conversion, dynamic range analysis, initial settings,
// working image at the fit scale) and then the map building in small steps,
// one per idle pass, ending with the working masks in place and MapsReady.
// Progress is counted in rows of the host image and of the working image.
#pragma once

#include <array>

namespace velmora {

/// Which stages of the step-wise analysis have been started or finished;
/// StepFlags[k] is flag k + 1 of the step table. All false at load.
extern std::array<bool, 10> StepFlags;

/// Clears the step flags (load-time state).
void ResetStepFlags();

/// The start-up sequence; the dialog's idle hook calls it once, at its first
/// idle pass, after the preview box has been set (SetPreviewBox).
void DialogStartUp();

/// Performs exactly one step of the map building; the last one completes the
/// analysis (thumbnails, MapsReady, analysis-dependent controls, redraw).
/// Does nothing once MapsReady is set.
void AnalysisStep();

}  // namespace velmora

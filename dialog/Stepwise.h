// The dialog's preparation of the host image: a short start-up sequence at
// the first idle pass (conversion, dynamic range analysis, initial settings,
// working image at the fit scale) and then the map building in small steps,
// one per idle pass (engine/Stepwise.h), with the status texts, the enabled
// controls and the completion the form shows. Progress is counted in rows of
// the host image and of the working image. Works on DialogView.
#pragma once

namespace velmora {

/// The start-up sequence; the dialog's idle hook calls it once, at its first
/// idle pass, after the preview box has been set (SetPreviewBox).
void DialogStartUp();

/// Performs exactly one step of the map building; the last one completes the
/// analysis (thumbnails, Maps.Ready, analysis-dependent controls, redraw).
/// Does nothing once Maps.Ready is set.
void AnalysisStep();

/// The repaint of the preview: shows the progress counter in the dialog's
/// bar, rebuilds the correction tables from the settings, renders Photo with
/// the clipping marks as WarningCheckBox says, hands ScreenBitmap to the
/// dialog, and sets the counter and the bar back to 0.
void RenderPreview();

}  // namespace velmora

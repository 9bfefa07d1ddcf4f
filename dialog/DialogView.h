// What the dialog's start-up and step-wise analysis (dialog/Stepwise.h) need
// from the form while it works. Implemented by TParamForm; the progress part
// is the engine's progress view.
#pragma once

#include <cstdint>
#include <string>

#include "engine/Progress.h"

namespace velmora {

struct tBitmap24;

/// Dialog controls the analysis enables and disables by name.
enum class tControl {
    PlusButton,
    MinusButton,
    FitButton,
    ActualButton,
    ShotButton,
    OkButton,
    CancelButton,
    /// The analysis-dependent group: the shadow, highlight, contrast and
    /// sharpness trackbars with their edits and labels, and the five
    /// lightness-band trackbars with their edits.
    AnalysisControls,
};

/// Only the progress bar and the status text must be implemented; the other
/// operations do nothing by default, so a view that only shows progress
/// stays small.
class tDialogView : public tProgressView {
  public:
    /// Writes a status text (panel 3 of the status bar) and lets pending
    /// messages run, so the text shows at once.
    virtual void SetStatusText(const std::string& text) = 0;

    /// Sets the maximum of the progress bar.
    virtual void SetProgressMax(int32_t) {}
    virtual void EnableControl(tControl, bool) {}
    /// Shows or hides AttentionImage (visible while the analysis runs).
    virtual void ShowAttention(bool) {}
    /// Lets the pending window messages run.
    virtual void ProcessMessages() {}
    /// Asks for a preview re-render at the next idle pass.
    virtual void RequestRedraw() {}
    /// Reloads every control from the settings (RefreshControls).
    virtual void RefreshControls() {}
    /// Sets the enabled states of the four zoom buttons from the scale.
    virtual void UpdateZoomButtons() {}
    /// Redraws the thumbnails of the used snapshot slots (RenderThumbnails).
    virtual void RenderThumbnails() {}
    /// Shows the controls of the used snapshot slots (UpdateSnapshotControls).
    virtual void UpdateSnapshotControls() {}
    /// Draws the rendered preview at (0, 0) of the Image control and makes
    /// the control visible.
    virtual void ShowPreview(const tBitmap24&) {}
    /// The state of WarningCheckBox: mark clipped pixels in the preview.
    virtual bool WarningChecked() const { return false; }
};

/// The form that is up, or null.
extern tDialogView* DialogView;

/// Makes `view` the dialog view and the engine's progress view (null: none).
void SetDialogView(tDialogView* view);

}  // namespace velmora

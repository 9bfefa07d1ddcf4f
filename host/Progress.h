// Progress and abort: reported to the host (headless run, final application)
// or shown in the dialog's progress bar through the interface the dialog
// registers. The engine never talks to the dialog any other way.
#pragma once

#include <cstdint>
#include <string>

namespace velmora {

struct tBitmap24;

/// Dialog controls the engine enables and disables by name.
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

/// What the engine needs from the dialog while it works. Implemented by the
/// dialog; null while no dialog is up. Only the progress bar and the status
/// text must be implemented; the other operations do nothing by default, so
/// a view that only shows progress stays small.
class tDialogView {
  public:
    virtual ~tDialogView() = default;
    /// Shows the shared progress counter in the dialog's progress bar.
    virtual void ShowProgress(int32_t counter) = 0;
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

extern tDialogView* DialogView;

/// Calls progressProc(counter, total) if the host gave one.
void ReportProgress();
/// Calls abortProc if the host gave one; true means abort.
bool HostAborted();
/// Advances the counter by units and reports it: to the host (then polls the
/// abort test, returning true on abort) or to the dialog's bar.
bool AdvanceProgress(int32_t units, bool hostProgress);
/// Shows the counter in the dialog's bar, if a dialog is up.
void ShowDialogProgress();

}  // namespace velmora

// Progress and abort: reported to the host (headless run, final application)
// or shown in the dialog's progress bar through the interface the dialog
// registers. The engine never talks to the dialog any other way.
#pragma once

#include <cstdint>
#include <string>

namespace velmora {

/// What the engine needs from the dialog while it works. Implemented by the
/// dialog; null while no dialog is up.
class tDialogView {
public:
    virtual ~tDialogView() = default;
    /// Shows the shared progress counter in the dialog's progress bar.
    virtual void ShowProgress(int32_t counter) = 0;
    /// Writes a status text (panel 0 of the status bar).
    virtual void SetStatusText(const std::string& text) = 0;
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

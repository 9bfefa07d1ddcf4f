// Progress and abort: reported to the host (headless run, final application)
// or shown on the progress view the dialog registers. The engine reaches the
// dialog through nothing else.
#pragma once

#include <cstdint>

namespace velmora {

/// Where the engine shows its progress while the dialog is up. Implemented
/// by the dialog.
class tProgressView {
  public:
    virtual ~tProgressView() = default;
    /// Shows the shared progress counter in the dialog's progress bar.
    virtual void ShowProgress(int32_t counter) = 0;
};

/// Shared progress accounting, in rows and columns of the host image.
struct tProgress {
    int32_t Counter = 0;
    int32_t Total = 0;
    /// Null while no dialog is up.
    tProgressView* View = nullptr;
};

extern tProgress Progress;

/// Calls progressProc(counter, total) if the host gave one.
void ReportProgress();
/// Calls abortProc if the host gave one; true means abort.
bool HostAborted();
/// Advances the counter by units and reports it: to the host (then polls the
/// abort test, returning true on abort) or to the dialog's bar.
bool AdvanceProgress(int32_t units, bool hostProgress);
/// Shows the counter on the progress view, if a dialog is up.
void ShowDialogProgress();

}  // namespace velmora

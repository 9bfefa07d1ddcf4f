#include "host/Progress.h"

#include "host/ModuleState.h"

namespace velmora {

tDialogView* DialogView = nullptr;

void ReportProgress() {
    if (CurrentRecord && CurrentRecord->progressProc)
        CurrentRecord->progressProc(ProgressCounter, ProgressTotal);
}

bool HostAborted() {
    return CurrentRecord && CurrentRecord->abortProc && CurrentRecord->abortProc() != 0;
}

void ShowDialogProgress() {
    if (DialogView) DialogView->ShowProgress(ProgressCounter);
}

bool AdvanceProgress(int32_t units, bool hostProgress) {
    ProgressCounter += units;
    if (hostProgress) {
        ReportProgress();
        return HostAborted();
    }
    ShowDialogProgress();
    return false;
}

}  // namespace velmora

#include "engine/Progress.h"

#include "engine/HostCall.h"

namespace velmora {

tProgress Progress;

void ReportProgress() {
    if (HostCall.Record && HostCall.Record->progressProc)
        HostCall.Record->progressProc(Progress.Counter, Progress.Total);
}

bool HostAborted() {
    return HostCall.Record && HostCall.Record->abortProc && HostCall.Record->abortProc() != 0;
}

void ShowDialogProgress() {
    if (Progress.View) Progress.View->ShowProgress(Progress.Counter);
}

bool AdvanceProgress(int32_t units, bool hostProgress) {
    Progress.Counter += units;
    if (hostProgress) {
        ReportProgress();
        return HostAborted();
    }
    ShowDialogProgress();
    return false;
}

}  // namespace velmora

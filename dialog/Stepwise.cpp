#include "dialog/Stepwise.h"

#include <algorithm>
#include <cstdint>

#include "base/Rounding.h"
#include "dialog/DialogView.h"
#include "engine/Analysis.h"
#include "engine/Correction.h"
#include "engine/HostCall.h"
#include "engine/Photo.h"
#include "engine/Pipeline.h"
#include "engine/Preview.h"
#include "engine/Progress.h"
#include "engine/Settings.h"
#include "engine/Stepwise.h"

namespace velmora {

tDialogView* DialogView = nullptr;

void SetDialogView(tDialogView* view) {
    DialogView = view;
    Progress.View = view;
}

namespace {

constexpr tControl kZoomButtons[] = {tControl::PlusButton, tControl::MinusButton,
                                     tControl::FitButton, tControl::ActualButton};

void Enable(tControl control, bool enabled) {
    if (DialogView) DialogView->EnableControl(control, enabled);
}

void EnableZoomButtons(bool enabled) {
    for (tControl c : kZoomButtons) Enable(c, enabled);
}

void Status(const char* text) {
    if (DialogView) DialogView->SetStatusText(text);
}

void ProcessMessages() {
    if (DialogView) DialogView->ProcessMessages();
}

void Complete() {
    if (DialogView) {
        DialogView->RenderThumbnails();
        DialogView->UpdateSnapshotControls();
        DialogView->ShowAttention(false);
        DialogView->SetStatusText("");
    }
    Enable(tControl::AnalysisControls, true);
    if (DialogView) DialogView->RequestRedraw();
}

}  // namespace

void DialogStartUp() {
    RequireThreePlanes();
    EnableZoomButtons(false);
    Enable(tControl::ShotButton, false);
    Enable(tControl::OkButton, false);
    Enable(tControl::CancelButton, false);

    const int32_t rows = ImageRows();
    const int32_t columns = ImageColumns();
    // The working image never exceeds scale 1, and RescalePhoto advances the
    // counter once per working row, so a fit scale above 1 (an image smaller
    // than the box) counts the rows of the image itself.
    const double fit = FitScale(Photo);
    const int32_t w = int32_t(Round(std::min(fit, 1.0) * rows));

    // Rows are at most 32767, so 3 x rows + 2 x w fits in 32 bits.
    Progress.Total = 3 * rows + 2 * w;
    if (DialogView) DialogView->SetProgressMax(Progress.Total);
    Progress.Counter = 0;
    ShowDialogProgress();

    Status(" Преобразование...");
    ConvertToLab(false);

    ShowDialogProgress();
    Status(" Анализ динамического диапазона...");
    AnalyseDynamicRange();
    if (Settings.FollowAnalysis) {
        ResetLevels(false);
        ResetBalance(false);
    }

    Progress.Counter += rows;
    ShowDialogProgress();
    Status(" Масштабирование...");
    // The stored settings become one undo step; the dialog opens with the
    // initial ones.
    ResetAll(true);
    if (DialogView) DialogView->RefreshControls();
    InitPhoto(Photo, columns, rows);

    Progress.Counter += rows;
    ShowDialogProgress();
    ProcessMessages();
    EnableZoomButtons(false);
    // The messages just run may have resized the box: fit the box as it is.
    RescalePhoto(Photo, false, FitScale(Photo));
    if (DialogView) {
        DialogView->RequestRedraw();
        DialogView->UpdateZoomButtons();
    }

    Progress.Counter += w;
    Enable(tControl::OkButton, true);
    Enable(tControl::CancelButton, true);
    Enable(tControl::ShotButton, true);
}

void AnalysisStep() {
    // A stage's status text comes after its start: writing it lets messages
    // run, and an OK clicked there finishes the analysis from this state.
    switch (AdvanceAnalysis()) {
        case tAnalysisStage::Step:
            break;
        case tAnalysisStage::Lightness:
            if (DialogView) DialogView->ShowAttention(true);
            Status(" Анализ яркости...");
            break;
        case tAnalysisStage::Sharpness:
            Status(" Анализ резкости...");
            break;
        case tAnalysisStage::Contrast:
            Status(" Анализ контраста...");
            break;
        case tAnalysisStage::Memory:
            Status(" Распределение памяти...");
            break;
        case tAnalysisStage::Masks:
            Status(" Масштабирование масок ");
            break;
        case tAnalysisStage::Complete:
            Complete();
            break;
    }
}

void RenderPreview() {
    ShowDialogProgress();
    BuildTables();
    RenderVisiblePart(Photo, DialogView && DialogView->WarningChecked());
    if (DialogView) DialogView->ShowPreview(*Photo.ScreenBitmap);
    Progress.Counter = 0;
    ShowDialogProgress();
}

}  // namespace velmora

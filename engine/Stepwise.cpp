#include "engine/Stepwise.h"

#include <algorithm>
#include <cstdint>

#include "engine/Analysis.h"
#include "engine/Pipeline.h"
#include "host/ModuleState.h"
#include "host/Progress.h"
#include "host/Rounding.h"
#include "host/Settings.h"
#include "photo/Maps.h"
#include "photo/Photo.h"

namespace velmora {

std::array<bool, 10> StepFlags{};

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

// Flag k of the step table (1-based, as the table numbers them): true when
// it was clear and is now set, so the caller runs that row.
bool Start(int k) {
    bool& flag = StepFlags[size_t(k - 1)];
    if (flag) return false;
    flag = true;
    return true;
}

void Complete() {
    // MapsReady goes up before the thumbnails are drawn: the kernel reads the
    // local maps only while it is set, and the thumbnails must show what the
    // image will receive, as every later thumbnail does.
    MapsReady = true;
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

void ResetStepFlags() {
    StepFlags.fill(false);
}

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
    ProgressTotal = 3 * rows + 2 * w;
    if (DialogView) DialogView->SetProgressMax(ProgressTotal);
    ProgressCounter = 0;
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

    ProgressCounter += rows;
    ShowDialogProgress();
    Status(" Масштабирование...");
    // The stored settings become one undo step; the dialog opens with the
    // initial ones.
    ResetAll(true);
    if (DialogView) DialogView->RefreshControls();
    InitPhoto(Photo, columns, rows);

    ProgressCounter += rows;
    ShowDialogProgress();
    ProcessMessages();
    EnableZoomButtons(false);
    // The messages just run may have resized the box: fit the box as it is.
    RescalePhoto(Photo, false, FitScale(Photo));
    if (DialogView) {
        DialogView->RequestRedraw();
        DialogView->UpdateZoomButtons();
    }

    ProgressCounter += w;
    Enable(tControl::OkButton, true);
    Enable(tControl::CancelButton, true);
    Enable(tControl::ShotButton, true);
}

void AnalysisStep() {
    if (MapsReady) return;
    // A stage's status text comes after its start: writing it lets messages
    // run, and an OK clicked there finishes the analysis from this state.
    if (Start(1)) {
        if (DialogView) DialogView->ShowAttention(true);
        BeginLightness();
        Status(" Анализ яркости...");
    } else if (!LightnessDone()) {
        LightnessStep();
    } else if (Start(2)) {
        SharpMapCreator.BeginColumns(LightnessMatrix, SharpMap);
        Status(" Анализ резкости...");
    } else if (!SharpMapCreator.ColumnsDone()) {
        SharpMapCreator.ColumnStep();
    } else if (Start(3)) {
        SharpMapCreator.BeginRows();
    } else if (!SharpMapCreator.RowsDone()) {
        SharpMapCreator.RowStep();
    } else if (Start(4)) {
        SharpMapCreator.Finish();
    } else if (Start(5)) {
        // The contrast map blurs the matrix the sharpness map has blurred.
        ContrastMapCreator.BeginColumns(LightnessMatrix, ContrastMap);
        Status(" Анализ контраста...");
    } else if (!ContrastMapCreator.ColumnsDone()) {
        ContrastMapCreator.ColumnStep();
    } else if (Start(6)) {
        ContrastMapCreator.BeginRows();
    } else if (!ContrastMapCreator.RowsDone()) {
        ContrastMapCreator.RowStep();
    } else if (Start(7)) {
        ContrastMapCreator.Finish();
    } else if (Start(8)) {
        LightnessMapDestructor.BeginRelease();
        Status(" Распределение памяти...");
    } else if (!LightnessMapDestructor.ReleaseDone()) {
        LightnessMapDestructor.ReleaseStep();
    } else if (Start(9)) {
        LightnessMapDestructor.FinishRelease();
    } else if (Start(10)) {
        BeginMaskScaling();
        Status(" Масштабирование масок ");
    } else if (MaskScalingDone()) {
        Complete();
    } else {
        MaskScalingStep();
    }
}

}  // namespace velmora

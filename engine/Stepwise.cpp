#include "engine/Stepwise.h"

#include <cstddef>

#include "engine/MapSteps.h"
#include "engine/Photo.h"

namespace velmora {

namespace {

// Flag k of the step table (1-based, as the table numbers them): true when
// it was clear and is now set, so the caller runs that row.
bool Start(int k) {
    bool& flag = Steps.Flags[size_t(k - 1)];
    if (flag) return false;
    flag = true;
    return true;
}

// Repeats a single step up to n times while its stage is not done.
template <class Done, class Step>
void Repeat(int n, Done done, Step step) {
    for (int k = 0; k < n && !done(); ++k) step();
}

}  // namespace

void ResetStepFlags() {
    Steps.Flags.fill(false);
}

tAnalysisStage AdvanceAnalysis() {
    if (Maps.Ready) return tAnalysisStage::Step;
    if (Start(1)) {
        BeginLightness();
        return tAnalysisStage::Lightness;
    }
    if (!LightnessDone()) {
        Repeat(kLightnessRowsPerStep, LightnessDone, LightnessStep);
    } else if (Start(2)) {
        Steps.SharpMapCreator.BeginColumns(Maps.LightnessMatrix, Maps.SharpMap);
        return tAnalysisStage::Sharpness;
    } else if (!Steps.SharpMapCreator.ColumnsDone()) {
        Steps.SharpMapCreator.ColumnBlockStep();
    } else if (Start(3)) {
        Steps.SharpMapCreator.BeginRows();
    } else if (!Steps.SharpMapCreator.RowsDone()) {
        Steps.SharpMapCreator.RowBlockStep();
    } else if (Start(4)) {
        Steps.SharpMapCreator.Finish();
    } else if (Start(5)) {
        // The contrast map blurs the matrix the sharpness map has blurred.
        Steps.ContrastMapCreator.BeginColumns(Maps.LightnessMatrix, Maps.ContrastMap);
        return tAnalysisStage::Contrast;
    } else if (!Steps.ContrastMapCreator.ColumnsDone()) {
        Steps.ContrastMapCreator.ColumnBlockStep();
    } else if (Start(6)) {
        Steps.ContrastMapCreator.BeginRows();
    } else if (!Steps.ContrastMapCreator.RowsDone()) {
        Steps.ContrastMapCreator.RowBlockStep();
    } else if (Start(7)) {
        Steps.ContrastMapCreator.Finish();
    } else if (Start(8)) {
        Steps.LightnessMapDestructor.BeginRelease();
        return tAnalysisStage::Memory;
    } else if (!Steps.LightnessMapDestructor.ReleaseDone()) {
        tLightnessMapDestructor& d = Steps.LightnessMapDestructor;
        Repeat(
            kReleaseRowsPerStep, [&d] { return d.ReleaseDone(); }, [&d] { d.ReleaseStep(); });
    } else if (Start(9)) {
        Steps.LightnessMapDestructor.FinishRelease();
    } else if (Start(10)) {
        BeginMaskScaling();
        return tAnalysisStage::Masks;
    } else if (MaskScalingDone()) {
        // Maps.Ready goes up before the dialog draws its thumbnails: the
        // kernel reads the local maps only while it is set, and the
        // thumbnails must show what the image will receive.
        Maps.Ready = true;
        return tAnalysisStage::Complete;
    } else {
        Repeat(kMaskRowsPerStep, MaskScalingDone, MaskScalingStep);
    }
    return tAnalysisStage::Step;
}

}  // namespace velmora

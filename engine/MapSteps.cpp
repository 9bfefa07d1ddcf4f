#include "engine/MapSteps.h"

#include <algorithm>

#include "base/Checked.h"
#include "engine/HostCall.h"
#include "engine/Progress.h"

namespace velmora {

tAnalysisSteps Steps;

namespace {

tImageView HostImage() {
    return {HostCall.Record->inData, ImageRows(), ImageColumns(), ImageMode()};
}

// Each unit to the host (with the abort test) or to the dialog's bar.
tAdvance Advance(bool hostProgress) {
    return [hostProgress](int32_t units) { return AdvanceProgress(units, hostProgress); };
}

}  // namespace

void BuildLightnessMatrix(bool hostProgress) {
    CheckRowLength();
    BuildLightnessMatrix(Maps.LightnessMatrix, HostImage(), Advance(hostProgress));
}

void BuildSharpMap(tSingleMatrix source, tByteMatrix& map, bool hostProgress) {
    BuildSharpMap(std::move(source), map, Advance(hostProgress));
}

void BuildContrastMap(tSingleMatrix source, tByteMatrix& map, bool hostProgress) {
    BuildContrastMap(std::move(source), map, Advance(hostProgress));
}

void BeginLightness() {
    CheckRowLength();
    tLightnessScan s;
    s.Rows = ImageRows();
    s.Columns = ImageColumns();
    s.Mode = ImageMode();
    s.Bytes = static_cast<const uint8_t*>(HostCall.Record->inData);
    s.Words = static_cast<const uint16_t*>(HostCall.Record->inData);
    // The rows are allocated by the steps that fill them: zero-filling a
    // large matrix at once would make this one step long.
    Maps.LightnessMatrix.CreateRows(size_t(s.Rows));
    Steps.LightnessScan = s;
}

void LightnessStep() {
    tLightnessScan& s = Steps.LightnessScan;
    if (s.Row >= s.Rows) return;
    std::vector<float>& row = Maps.LightnessMatrix.At(size_t(s.Row));
    row.assign(size_t(s.Columns), 0.0f);
    if (Is8Bit(s.Mode) || Is16Bit(s.Mode)) {
        const tImageView image{s.Bytes, s.Rows, s.Columns, s.Mode};
        FillLightnessRow(row.data(), size_t(s.Columns), image, size_t(s.Offset));
        s.Offset += int64_t(s.Columns) * 3;
    }
    ++s.Row;
}

bool LightnessDone() {
    return Steps.LightnessScan.Row >= Steps.LightnessScan.Rows;
}

void tLightnessMapDestructor::BeginRelease() {
    Matrix = Maps.LightnessMatrix;
    Count = int32_t(Matrix.Rows());
    Index = 0;
}

void tLightnessMapDestructor::ReleaseStep() {
    if (ReleaseDone()) return;
    Matrix.ReleaseRow(size_t(Index));
    ++Index;
}

void tLightnessMapDestructor::FinishRelease() {
    Matrix.Reset();
    Maps.LightnessMatrix.Reset();
}

void BeginMaskScaling() {
    Photo.ContrastMask.Create(size_t(Photo.Height), size_t(Photo.Width));
    Photo.SharpMask.Create(size_t(Photo.Height), size_t(Photo.Width));
    tMaskScalingState s;
    s.Step = 1.0 / Photo.Scale;
    s.Active = true;
    Steps.MaskScaling = s;
}

void MaskScalingStep() {
    tMaskScalingState& s = Steps.MaskScaling;
    if (MaskScalingDone()) return;
    const size_t row = size_t(s.Row);
    ++s.Row;
    const double rowAcc = s.RowAcc;
    s.RowAcc += s.Step;
    s.ColumnAcc = 0;
    // Maps missing or narrower than expected leave the mask row at zero
    // rather than being read outside.
    const size_t mapRows = std::min(Maps.ContrastMap.Rows(), Maps.SharpMap.Rows());
    if (mapRows == 0) return;
    s.SourceRow = SampleIndex(rowAcc, mapRows);
    const std::vector<uint8_t>& contrast = Maps.ContrastMap[size_t(s.SourceRow)];
    const std::vector<uint8_t>& sharp = Maps.SharpMap[size_t(s.SourceRow)];
    const size_t columns = std::min(contrast.size(), sharp.size());
    std::vector<uint8_t>& contrastMask = Photo.ContrastMask.At(row);
    std::vector<uint8_t>& sharpMask = Photo.SharpMask.At(row);
    const size_t width =
        std::min({size_t(std::max(Photo.Width, 0)), contrastMask.size(), sharpMask.size()});
    if (columns == 0) return;
    for (size_t i = 0; i < width; ++i) {
        s.SourceColumn = SampleIndex(s.ColumnAcc, columns);
        s.ColumnAcc += s.Step;
        contrastMask[i] = contrast[size_t(s.SourceColumn)];
        sharpMask[i] = sharp[size_t(s.SourceColumn)];
    }
}

bool MaskScalingDone() {
    return Steps.MaskScaling.Row >= Photo.Height;
}

void ResetMapBuilders() {
    Steps.LightnessScan = tLightnessScan{};
    Steps.SharpMapCreator.Reset();
    Steps.ContrastMapCreator.Reset();
    Steps.LightnessMapDestructor = tLightnessMapDestructor{};
    Steps.MaskScaling = tMaskScalingState{};
}

}  // namespace velmora

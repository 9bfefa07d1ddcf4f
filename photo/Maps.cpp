#include "photo/Maps.h"

#include <algorithm>

#include "engine/Tables.h"
#include "host/Checked.h"
#include "host/ModuleState.h"
#include "host/Progress.h"
#include "host/Rounding.h"
#include "photo/Photo.h"
#include "sdk/PIFilter.h"

namespace velmora {

tLightnessScan LightnessScan;
tSharpMapCreator SharpMapCreator;
tContrastMapCreator ContrastMapCreator;
tLightnessMapDestructor LightnessMapDestructor;
tMaskScalingState MaskScaling;

namespace {

bool Is8Bit(int16_t mode) {
    return mode == sdk::kModeRGB || mode == sdk::kModeLab;
}
bool Is16Bit(int16_t mode) {
    return mode == sdk::kModeRGB48 || mode == sdk::kModeLab48;
}

// float(v / (32768/255)) for every 16-bit sample v, so that a row costs no
// division per pixel.
const float* Lightness16() {
    static const std::vector<float> table = [] {
        std::vector<float> t(65536);
        for (size_t v = 0; v < t.size(); ++v) t[v] = float(double(v) / kScale16);
        return t;
    }();
    return table.data();
}

// Lightness of one host row: the first sample of each pixel, 16-bit samples
// brought to 0..255 by dividing by 32768/255.
void FillLightnessRow(float* out, size_t columns, int16_t mode, const uint8_t* bytes,
                      const uint16_t* words, size_t offset) {
    if (Is8Bit(mode)) {
        const uint8_t* p = bytes + offset;
        for (size_t j = 0; j < columns; ++j) out[j] = float(p[3 * j]);
    } else if (Is16Bit(mode)) {
        const float* lightness = Lightness16();
        const uint16_t* p = words + offset;
        for (size_t j = 0; j < columns; ++j) out[j] = lightness[p[3 * j]];
    }
}

std::vector<float*> RowStarts(tSingleMatrix& m) {
    std::vector<float*> starts(m.Rows());
    for (size_t i = 0; i < starts.size(); ++i) starts[i] = m[i].data();
    return starts;
}

// Number of columns of a matrix whose rows must all have the same length.
size_t UniformColumns(const tSingleMatrix& m) {
    const size_t columns = m.Columns();
    for (size_t i = 0; i < m.Rows(); ++i)
        if (m[i].size() != columns) Fail("Неправильная матрица яркости", kPhotoUnit);
    return columns;
}

// Map rows from `first` on that an abort left unbuilt: the matrix values as
// they stand, so that no reader meets a missing row.
void FillUnbuiltRows(tSingleMatrix& source, tByteMatrix& map, size_t first) {
    for (size_t i = first; i < map.Rows(); ++i) {
        const std::vector<float>& s = source[i];
        std::vector<uint8_t>& m = map[i];
        m.resize(s.size());
        for (size_t j = 0; j < s.size(); ++j) m[j] = MapByte(s[j]);
    }
}

void BuildMap(const tGaussCoefficients& c, tSingleMatrix source, tByteMatrix& map,
              bool hostProgress) {
    const size_t rows = source.Rows();
    const size_t columns = UniformColumns(source);
    map.CreateRows(rows);
    std::vector<float*> starts = RowStarts(source);

    // Column phase: kColumnBlock adjacent columns per sweep, one progress
    // unit per column.
    {
        std::vector<double> forward(CheckedMul(rows, kColumnBlock));
        for (size_t first = 0; first < columns; first += kColumnBlock) {
            const size_t count = std::min(kColumnBlock, columns - first);
            BlurColumns(c, starts.data(), rows, first, count, forward.data());
            for (size_t k = 0; k < count; ++k) {
                if (AdvanceProgress(1, hostProgress)) {
                    FillUnbuiltRows(source, map, 0);
                    return;
                }
            }
        }
    }

    // Row phase: kRowBlock rows side by side, one progress unit per row.
    std::vector<double> forward(CheckedMul(columns, kRowBlock));
    std::vector<double> backward(forward.size());
    for (size_t first = 0; first < rows; first += kRowBlock) {
        const size_t count = std::min(kRowBlock, rows - first);
        uint8_t* maps[kRowBlock];
        for (size_t r = 0; r < count; ++r) {
            map[first + r].assign(columns, 0);
            maps[r] = map[first + r].data();
        }
        BlurRows(c, starts.data() + first, maps, count, columns, forward.data(), backward.data());
        for (size_t r = 0; r < count; ++r) {
            if (AdvanceProgress(1, hostProgress)) {
                FillUnbuiltRows(source, map, first + count);
                return;
            }
        }
    }
}

}  // namespace

void BuildLightnessMatrix(bool hostProgress) {
    CheckRowLength();
    const int32_t rows = ImageRows();
    const int32_t columns = ImageColumns();
    const int16_t mode = ImageMode();
    const auto* bytes = static_cast<const uint8_t*>(CurrentRecord->inData);
    const auto* words = static_cast<const uint16_t*>(CurrentRecord->inData);
    // Each row is allocated just before it is filled, while it is still in
    // the cache; rows an abort leaves unfilled are zero, as a whole matrix
    // created at once would be.
    LightnessMatrix.CreateRows(size_t(rows));
    const size_t rowSamples = CheckedMul(size_t(columns), 3);
    for (int32_t r = 0; r < rows; ++r) {
        std::vector<float>& row = LightnessMatrix[size_t(r)];
        row.resize(size_t(columns));
        FillLightnessRow(row.data(), size_t(columns), mode, bytes, words,
                         CheckedMul(size_t(r), rowSamples));
        if (AdvanceProgress(1, hostProgress)) {
            for (int32_t k = r + 1; k < rows; ++k)
                LightnessMatrix[size_t(k)].resize(size_t(columns));
            return;
        }
    }
}

void BuildSharpMap(tSingleMatrix source, tByteMatrix& map, bool hostProgress) {
    BuildMap(kSharpCoefficients, std::move(source), map, hostProgress);
}

void BuildContrastMap(tSingleMatrix source, tByteMatrix& map, bool hostProgress) {
    BuildMap(kContrastCoefficients, std::move(source), map, hostProgress);
}

void BeginLightness() {
    CheckRowLength();
    tLightnessScan s;
    s.Rows = ImageRows();
    s.Columns = ImageColumns();
    s.Mode = ImageMode();
    s.Bytes = static_cast<const uint8_t*>(CurrentRecord->inData);
    s.Words = static_cast<const uint16_t*>(CurrentRecord->inData);
    // The rows are allocated by the steps that fill them: zero-filling a
    // large matrix at once would make this one step long.
    LightnessMatrix.CreateRows(size_t(s.Rows));
    LightnessScan = s;
}

void LightnessStep() {
    tLightnessScan& s = LightnessScan;
    if (s.Row >= s.Rows) return;
    std::vector<float>& row = LightnessMatrix.At(size_t(s.Row));
    row.assign(size_t(s.Columns), 0.0f);
    if (Is8Bit(s.Mode) || Is16Bit(s.Mode)) {
        FillLightnessRow(row.data(), size_t(s.Columns), s.Mode, s.Bytes, s.Words, size_t(s.Offset));
        s.Offset += int64_t(s.Columns) * 3;
    }
    ++s.Row;
}

bool LightnessDone() {
    return LightnessScan.Row >= LightnessScan.Rows;
}

void tMapCreator::BeginColumns(tSingleMatrix source, tByteMatrix& map) {
    Source = std::move(source);
    const size_t columns = UniformColumns(Source);
    Rows = int32_t(Source.Rows());
    Columns = int32_t(columns);
    map.CreateRows(Source.Rows());
    Map = map;
    Forward.assign(Source.Rows(), 0.0);
    Backward.clear();
    rowStarts_ = RowStarts(Source);
    Column = 0;
    Row = 0;
}

void tMapCreator::ColumnStep() {
    if (ColumnsDone()) return;
    if (rowStarts_.size() != size_t(Rows) || Forward.size() != size_t(Rows))
        Fail("tMapCreator: неправильный шаг", kPhotoUnit);
    BlurColumn(*c_, rowStarts_.data(), size_t(Rows), size_t(Column), Forward.data());
    ++Column;
}

void tMapCreator::BeginRows() {
    rowStarts_.clear();
    Forward.assign(size_t(Columns), 0.0);
    Backward.assign(size_t(Columns), 0.0);
    Row = 0;
}

void tMapCreator::RowStep() {
    if (RowsDone()) return;
    std::vector<float>& row = Source.At(size_t(Row));
    if (row.size() != size_t(Columns)) Fail("Неправильная матрица яркости", kPhotoUnit);
    if (Forward.size() != size_t(Columns) || Backward.size() != size_t(Columns))
        Fail("tMapCreator: неправильный шаг", kPhotoUnit);
    std::vector<uint8_t>& out = Map.At(size_t(Row));
    out.assign(size_t(Columns), 0);
    BlurRow(*c_, row.data(), out.data(), size_t(Columns), Forward.data(), Backward.data());
    ++Row;
}

void tMapCreator::Finish() {
    std::vector<double>().swap(Forward);
    std::vector<double>().swap(Backward);
    std::vector<float*>().swap(rowStarts_);
}

void tMapCreator::Reset() {
    Finish();
    Row = Column = Rows = Columns = 0;
    Source.Reset();
    Map.Reset();
}

void tLightnessMapDestructor::BeginRelease() {
    Matrix = LightnessMatrix;
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
    LightnessMatrix.Reset();
}

int32_t SampleIndex(double acc, size_t size) {
    if (size == 0) return 0;
    const double last = double(size - 1);
    if (acc >= last) return int32_t(size - 1);
    if (!(acc > 0.0)) return 0;
    return int32_t(Round(acc));
}

void BeginMaskScaling() {
    Photo.ContrastMask.Create(size_t(Photo.Height), size_t(Photo.Width));
    Photo.SharpMask.Create(size_t(Photo.Height), size_t(Photo.Width));
    tMaskScalingState s;
    s.Step = 1.0 / Photo.Scale;
    s.Active = true;
    MaskScaling = s;
}

void MaskScalingStep() {
    tMaskScalingState& s = MaskScaling;
    if (MaskScalingDone()) return;
    const size_t row = size_t(s.Row);
    ++s.Row;
    const double rowAcc = s.RowAcc;
    s.RowAcc += s.Step;
    s.ColumnAcc = 0;
    // Maps missing or narrower than expected leave the mask row at zero
    // rather than being read outside.
    const size_t mapRows = std::min(ContrastMap.Rows(), SharpMap.Rows());
    if (mapRows == 0) return;
    s.SourceRow = SampleIndex(rowAcc, mapRows);
    const std::vector<uint8_t>& contrast = ContrastMap[size_t(s.SourceRow)];
    const std::vector<uint8_t>& sharp = SharpMap[size_t(s.SourceRow)];
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
    return MaskScaling.Row >= Photo.Height;
}

void ResetMapBuilders() {
    LightnessScan = tLightnessScan{};
    SharpMapCreator.Reset();
    ContrastMapCreator.Reset();
    LightnessMapDestructor = tLightnessMapDestructor{};
    MaskScaling = tMaskScalingState{};
}

}  // namespace velmora

#include "maths/Maps.h"

#include <algorithm>

#include "base/Checked.h"
#include "base/Failure.h"
#include "base/Rounding.h"
#include "maths/Tables.h"

namespace velmora {

namespace {

// Failures of the map builders name PhotoUnit, the unit of the working image
// and its maps.
constexpr const char* kMapsUnit = "PhotoUnit";

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

std::vector<float*> RowStarts(tSingleMatrix& m) {
    std::vector<float*> starts(m.Rows());
    for (size_t i = 0; i < starts.size(); ++i) starts[i] = m[i].data();
    return starts;
}

// Number of columns of a matrix whose rows must all have the same length.
size_t UniformColumns(const tSingleMatrix& m) {
    const size_t columns = m.Columns();
    for (size_t i = 0; i < m.Rows(); ++i)
        if (m[i].size() != columns) Fail("Неправильная матрица яркости", kMapsUnit);
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
              const tAdvance& advance) {
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
                if (advance(1)) {
                    FillUnbuiltRows(source, map, 0);
                    return;
                }
            }
        }
    }

    // Row phase: kRowBlock rows side by side, one progress unit per row.
    std::vector<double> values(CheckedMul(columns, kRowBlock));
    for (size_t first = 0; first < rows; first += kRowBlock) {
        const size_t count = std::min(kRowBlock, rows - first);
        uint8_t* maps[kRowBlock];
        for (size_t r = 0; r < count; ++r) {
            map[first + r].assign(columns, 0);
            maps[r] = map[first + r].data();
        }
        BlurRows(c, starts.data() + first, maps, count, columns, values.data());
        for (size_t r = 0; r < count; ++r) {
            if (advance(1)) {
                FillUnbuiltRows(source, map, first + count);
                return;
            }
        }
    }
}

}  // namespace

// Lightness of one host row: the first sample of each pixel, 16-bit samples
// brought to 0..255 by dividing by 32768/255.
void FillLightnessRow(float* out, size_t columns, const tImageView& image, size_t offset) {
    if (Is8Bit(image.Mode)) {
        const uint8_t* p = image.Bytes() + offset;
        for (size_t j = 0; j < columns; ++j) out[j] = float(p[3 * j]);
    } else if (Is16Bit(image.Mode)) {
        const float* lightness = Lightness16();
        const uint16_t* p = image.Words() + offset;
        for (size_t j = 0; j < columns; ++j) out[j] = lightness[p[3 * j]];
    }
}

void BuildLightnessMatrix(tSingleMatrix& matrix, const tImageView& image, const tAdvance& advance) {
    const int32_t rows = image.Rows;
    const int32_t columns = image.Columns;
    // Each row is allocated just before it is filled, while it is still in
    // the cache; rows an abort leaves unfilled are zero, as a whole matrix
    // created at once would be.
    matrix.CreateRows(size_t(rows));
    const size_t rowSamples = CheckedMul(size_t(columns), 3);
    for (int32_t r = 0; r < rows; ++r) {
        std::vector<float>& row = matrix[size_t(r)];
        row.resize(size_t(columns));
        FillLightnessRow(row.data(), size_t(columns), image, CheckedMul(size_t(r), rowSamples));
        if (advance(1)) {
            for (int32_t k = r + 1; k < rows; ++k) matrix[size_t(k)].resize(size_t(columns));
            return;
        }
    }
}

void BuildSharpMap(tSingleMatrix source, tByteMatrix& map, const tAdvance& advance) {
    BuildMap(kSharpCoefficients, std::move(source), map, advance);
}

void BuildContrastMap(tSingleMatrix source, tByteMatrix& map, const tAdvance& advance) {
    BuildMap(kContrastCoefficients, std::move(source), map, advance);
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
        Fail("tMapCreator: неправильный шаг", kMapsUnit);
    BlurColumn(*c_, rowStarts_.data(), size_t(Rows), size_t(Column), Forward.data());
    ++Column;
}

void tMapCreator::ColumnBlockStep() {
    if (ColumnsDone()) return;
    if (rowStarts_.size() != size_t(Rows) || Forward.size() != size_t(Rows))
        Fail("tMapCreator: неправильный шаг", kMapsUnit);
    const size_t count = std::min(kColumnBlock, size_t(Columns - Column));
    blockForward_.resize(CheckedMul(size_t(Rows), kColumnBlock));
    BlurColumns(*c_, rowStarts_.data(), size_t(Rows), size_t(Column), count, blockForward_.data());
    Column += int32_t(count);
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
    if (row.size() != size_t(Columns)) Fail("Неправильная матрица яркости", kMapsUnit);
    if (Forward.size() != size_t(Columns) || Backward.size() != size_t(Columns))
        Fail("tMapCreator: неправильный шаг", kMapsUnit);
    std::vector<uint8_t>& out = Map.At(size_t(Row));
    out.assign(size_t(Columns), 0);
    BlurRow(*c_, row.data(), out.data(), size_t(Columns), Forward.data(), Backward.data());
    ++Row;
}

void tMapCreator::RowBlockStep() {
    if (RowsDone()) return;
    if (Forward.size() != size_t(Columns) || Backward.size() != size_t(Columns))
        Fail("tMapCreator: неправильный шаг", kMapsUnit);
    const size_t count = std::min(kRowBlock, size_t(Rows - Row));
    float* rows[kRowBlock];
    uint8_t* maps[kRowBlock];
    for (size_t r = 0; r < count; ++r) {
        std::vector<float>& row = Source.At(size_t(Row) + r);
        if (row.size() != size_t(Columns)) Fail("Неправильная матрица яркости", kMapsUnit);
        std::vector<uint8_t>& out = Map.At(size_t(Row) + r);
        out.assign(size_t(Columns), 0);
        rows[r] = row.data();
        maps[r] = out.data();
    }
    blockForward_.resize(CheckedMul(size_t(Columns), kRowBlock));
    BlurRows(*c_, rows, maps, count, size_t(Columns), blockForward_.data());
    Row += int32_t(count);
}

void tMapCreator::Finish() {
    std::vector<double>().swap(Forward);
    std::vector<double>().swap(Backward);
    std::vector<double>().swap(blockForward_);
    std::vector<float*>().swap(rowStarts_);
}

void tMapCreator::Reset() {
    Finish();
    Row = Column = Rows = Columns = 0;
    Source.Reset();
    Map.Reset();
}

int32_t SampleIndex(double acc, size_t size) {
    if (size == 0) return 0;
    const double last = double(size - 1);
    if (acc >= last) return int32_t(size - 1);
    if (!(acc > 0.0)) return 0;
    return int32_t(Round(acc));
}

}  // namespace velmora

#include "engine/Correction.h"

#include <cstddef>

#include "base/Checked.h"
#include "base/Failure.h"
#include "base/Rounding.h"
#include "engine/Analysis.h"
#include "engine/Photo.h"
#include "engine/Settings.h"

namespace velmora {

tCorrectionTables Tables;

namespace {

constexpr const char* kBadIndex = "Индекс вне диапазона";

const bool kLoaded = (ResetTables(), true);

// The 8-bit row form's derived tables, shared by the preview, the
// thumbnails and the final application.
tRowKernel8 RowKernel8;

const uint8_t* WorkingPixelAt(int32_t x, int32_t y) {
    if (x < 0 || y < 0 || x >= Photo.Width || y >= Photo.Height) Fail(kBadIndex);
    const uint8_t* pixels = WorkingPixels();
    if (!pixels) Fail(kBadIndex);
    return pixels +
           CheckedMul(CheckedAdd(CheckedMul(size_t(y), size_t(Photo.Width)), size_t(x)), 3);
}

}  // namespace

void ResetTables() {
    ResetTables(Tables);
}

void BuildTables() {
    (void)kLoaded;
    BuildTables(Tables, Settings, Analysis.Black, Analysis.White);
}

void BuildTables16() {
    BuildTables16(Tables);
}

void BuildAbTransform16() {
    BuildAbTransform16(Tables, Settings);
}

uint8_t MaskAt(const tByteMatrix& mask, int32_t x, int32_t y) {
    if (x < 0 || y < 0 || size_t(y) >= mask.Rows() || size_t(x) >= mask[size_t(y)].size())
        Fail(kBadIndex);
    return mask[size_t(y)][size_t(x)];
}

const uint8_t* MaskRow(const tByteMatrix& mask, int32_t x0, int32_t y, int32_t count) {
    if (x0 < 0 || y < 0 || size_t(y) >= mask.Rows() ||
        CheckedAdd(size_t(x0), size_t(count)) > mask[size_t(y)].size())
        Fail(kBadIndex);
    return mask[size_t(y)].data() + x0;
}

tLab8 CorrectPixel(int32_t x, int32_t y, uint8_t L, uint8_t a, uint8_t b) {
    if (!Maps.Ready) return CorrectPixel(Settings, Tables, nullptr, L, a, b);
    const tMaskValues masks{MaskAt(Photo.ContrastMask, x, y), MaskAt(Photo.SharpMask, x, y)};
    return CorrectPixel(Settings, Tables, &masks, L, a, b);
}

tLab16 CorrectPixel16(int32_t x, int32_t y, uint16_t L, uint16_t a, uint16_t b) {
    if (!Maps.Ready) return CorrectPixel16(Settings, Tables, nullptr, L, a, b);
    const tMaskValues maps{MaskAt(Maps.ContrastMap, x, y), MaskAt(Maps.SharpMap, x, y)};
    return CorrectPixel16(Settings, Tables, &maps, L, a, b);
}

tLab8 WorkingMean(int32_t x, int32_t y) {
    const uint8_t* p = WorkingPixelAt(x, y);
    if (x <= 0 || y <= 0 || x >= Photo.Width - 1 || y >= Photo.Height - 1)
        return {p[0], p[1], p[2]};
    const size_t row = size_t(Photo.Width) * 3;
    int32_t sum[3] = {0, 0, 0};
    for (int32_t dy = -1; dy <= 1; ++dy) {
        const uint8_t* q = p + (dy < 0 ? -ptrdiff_t(row) : dy > 0 ? ptrdiff_t(row) : 0);
        for (int32_t dx = -1; dx <= 1; ++dx)
            for (int32_t c = 0; c < 3; ++c) sum[c] += q[3 * dx + c];
    }
    // sum / 9 is never a half, so the rounding needs no tie rule here.
    return {uint8_t(Round(sum[0] / 9.0)), uint8_t(Round(sum[1] / 9.0)),
            uint8_t(Round(sum[2] / 9.0))};
}

tLab8 CorrectWorkingPixel(int32_t x, int32_t y) {
    const uint8_t* p = WorkingPixelAt(x, y);
    return CorrectPixel(x, y, p[0], p[1], p[2]);
}

tLab8 CorrectWorkingMean(int32_t x, int32_t y) {
    const tLab8 mean = WorkingMean(x, y);
    return CorrectPixel(x, y, mean.L, mean.a, mean.b);
}

void PrepareKernel() {
    PrepareKernel(RowKernel8, Settings, Tables, Maps.Ready);
}

namespace {
void Row8On(const tByteMatrix& contrast, const tByteMatrix& sharp, int32_t x0, int32_t y,
            const uint8_t* in, uint8_t* out, int32_t count) {
    if (count <= 0) return;
    const uint8_t* cm = nullptr;
    const uint8_t* sm = nullptr;
    if (Maps.Ready) {
        cm = MaskRow(contrast, x0, y, count);
        sm = MaskRow(sharp, x0, y, count);
    }
    CorrectRow8(RowKernel8, Settings, Tables, cm, sm, in, out, count);
}
}  // namespace

void CorrectRow8(int32_t x0, int32_t y, const uint8_t* in, uint8_t* out, int32_t count) {
    Row8On(Photo.ContrastMask, Photo.SharpMask, x0, y, in, out, count);
}

void CorrectHostRow8(int32_t y, const uint8_t* in, uint8_t* out, int32_t count) {
    Row8On(Maps.ContrastMap, Maps.SharpMap, 0, y, in, out, count);
}

void CorrectRow16(int32_t x0, int32_t y, const uint16_t* in, uint16_t* out, int32_t count) {
    if (count <= 0) return;
    const uint8_t* cm = nullptr;
    const uint8_t* sm = nullptr;
    if (Maps.Ready) {
        cm = MaskRow(Maps.ContrastMap, x0, y, count);
        sm = MaskRow(Maps.SharpMap, x0, y, count);
    }
    CorrectRow16(Settings, Tables, cm, sm, in, out, count);
}

}  // namespace velmora

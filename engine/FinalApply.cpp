#include "engine/FinalApply.h"

#include <cstdint>

#include "base/Failure.h"
#include "engine/ColorConvert.h"
#include "engine/Correction.h"
#include "engine/HostCall.h"
#include "engine/Pipeline.h"
#include "engine/Progress.h"

namespace velmora {

namespace {

void CheckRowBytes(int32_t bytesPerSample) {
    RequireThreePlanes();
    const int64_t required = int64_t(ImageColumns()) * ImagePlanes() * bytesPerSample;
    if (HostCall.Record->inRowBytes != required) Fail(kBadAlignment);
}

// One row done: count it, report it, and poll the host's abort test.
bool NextRowAborted() {
    ++Progress.Counter;
    ReportProgress();
    return HostAborted();
}

// Every row of the host buffer corrected in place of the output and, in the
// RGB modes, converted back.
template <class T>
void ApplyRows(bool rgb, void (*correct)(int32_t, const T*, T*, int32_t),
               void (*toRgb)(T*, size_t)) {
    const int32_t rows = ImageRows();
    const int32_t columns = ImageColumns();
    const T* in = static_cast<const T*>(HostCall.Record->inData);
    T* out = static_cast<T*>(HostCall.Record->outData);
    const size_t rowLength = size_t(columns) * 3;
    for (int32_t y = 0; y < rows; ++y) {
        if (NextRowAborted()) return;
        const T* src = in + size_t(y) * rowLength;
        T* dst = out + size_t(y) * rowLength;
        correct(y, src, dst, columns);
        if (rgb) toRgb(dst, size_t(columns));
    }
}

void Apply8(bool rgb) {
    CheckRowBytes(1);
    ApplyRows<uint8_t>(rgb, CorrectHostRow8, LabToRgb8Row);
}

void Apply16(bool rgb) {
    CheckRowBytes(2);
    BuildTables16();
    BuildAbTransform16();
    ApplyRows<uint16_t>(
        rgb,
        [](int32_t y, const uint16_t* in, uint16_t* out, int32_t n) {
            CorrectRow16(y, in, out, n);
        },
        LabToRgb16Row);
}

}  // namespace

void ApplyCorrection() {
    switch (ImageMode()) {
        case sdk::kModeRGB:
            return Apply8(true);
        case sdk::kModeLab:
            return Apply8(false);
        case sdk::kModeRGB48:
            return Apply16(true);
        case sdk::kModeLab48:
            return Apply16(false);
        default:
            return;  // not one of the four modes: nothing is written
    }
}

}  // namespace velmora

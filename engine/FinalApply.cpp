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

void Apply8(bool rgb) {
    CheckRowBytes(1);
    const int32_t rows = ImageRows();
    const int32_t columns = ImageColumns();
    const uint8_t* in = static_cast<const uint8_t*>(HostCall.Record->inData);
    uint8_t* out = static_cast<uint8_t*>(HostCall.Record->outData);
    const size_t rowLength = size_t(columns) * 3;
    for (int32_t y = 0; y < rows; ++y) {
        if (NextRowAborted()) return;
        const uint8_t* src = in + size_t(y) * rowLength;
        uint8_t* dst = out + size_t(y) * rowLength;
        CorrectHostRow8(y, src, dst, columns);
        if (rgb) LabToRgb8Row(dst, size_t(columns));
    }
}

void Apply16(bool rgb) {
    CheckRowBytes(2);
    BuildTables16();
    BuildAbTransform16();
    const int32_t rows = ImageRows();
    const int32_t columns = ImageColumns();
    const uint16_t* in = static_cast<const uint16_t*>(HostCall.Record->inData);
    uint16_t* out = static_cast<uint16_t*>(HostCall.Record->outData);
    const size_t rowLength = size_t(columns) * 3;
    for (int32_t y = 0; y < rows; ++y) {
        if (NextRowAborted()) return;
        const uint16_t* src = in + size_t(y) * rowLength;
        uint16_t* dst = out + size_t(y) * rowLength;
        CorrectRow16(y, src, dst, columns);
        if (rgb) LabToRgb16Row(dst, size_t(columns));
    }
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

#include "engine/FinalApply.h"

#include <cstdint>

#include "engine/ColorConvert.h"
#include "engine/Pipeline.h"
#include "engine/Tables.h"
#include "host/Failure.h"
#include "host/ModuleState.h"
#include "host/Progress.h"
#include "photo/Kernel.h"
#include "photo/Photo.h"

namespace velmora {

namespace {

void CheckRowBytes(int32_t bytesPerSample) {
    RequireThreePlanes();
    const int64_t required = int64_t(ImageColumns()) * ImagePlanes() * bytesPerSample;
    if (CurrentRecord->inRowBytes != required) Fail(kBadAlignment);
}

// One row done: count it, report it, and poll the host's abort test.
bool NextRowAborted() {
    ++ProgressCounter;
    ReportProgress();
    return HostAborted();
}

void Apply8(bool rgb) {
    CheckRowBytes(1);
    Photo.ContrastMask = ContrastMap;
    Photo.SharpMask = SharpMap;
    const int32_t rows = ImageRows();
    const int32_t columns = ImageColumns();
    const uint8_t* in = static_cast<const uint8_t*>(CurrentRecord->inData);
    uint8_t* out = static_cast<uint8_t*>(CurrentRecord->outData);
    const size_t rowLength = size_t(columns) * 3;
    for (int32_t y = 0; y < rows; ++y) {
        if (NextRowAborted()) return;
        const uint8_t* src = in + size_t(y) * rowLength;
        uint8_t* dst = out + size_t(y) * rowLength;
        CorrectRow8(y, src, dst, columns);
        if (rgb) LabToRgb8Row(dst, size_t(columns));
    }
}

void Apply16(bool rgb) {
    CheckRowBytes(2);
    BuildTables16();
    BuildAbTransform16();
    const int32_t rows = ImageRows();
    const int32_t columns = ImageColumns();
    const uint16_t* in = static_cast<const uint16_t*>(CurrentRecord->inData);
    uint16_t* out = static_cast<uint16_t*>(CurrentRecord->outData);
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

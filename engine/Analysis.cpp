#include "engine/Analysis.h"

#include <algorithm>
#include <iterator>
#include <limits>

#include "base/Checked.h"
#include "base/Failure.h"
#include "engine/HostCall.h"
#include "engine/Settings.h"
#include "maths/ImageView.h"

namespace velmora {

tDynamicRange Analysis;

void ResetAnalysis() {
    Analysis = tDynamicRange{};
}

void AnalyseDynamicRange() {
    const int64_t rows = ImageRows(), columns = ImageColumns(), planes = ImagePlanes();
    const int16_t mode = ImageMode();
    const bool wide = Is16Bit(mode);
    // Components in the buffer; the histogram counts one in three of them.
    const int64_t n =
        int64_t(CheckedMul(CheckedMul(size_t(rows), size_t(columns)), size_t(planes)));
    if (n / 3 + 1 > std::numeric_limits<int32_t>::max()) Fail("Переполнение размера");

    std::fill(std::begin(Analysis.Histogram), std::end(Analysis.Histogram), 0);
    const void* data = nullptr;
    if ((Is8Bit(mode) || wide) && n > 0) {
        const int64_t depth = wide ? 2 : 1;
        data = HostCall.Record->inData;
        if (!data || int64_t(HostCall.Record->inRowBytes) != columns * planes * depth)
            Fail(kBadAlignment);
    }
    AnalyseLightness(Analysis, data, n, wide, Settings.ClipFraction);
}

}  // namespace velmora

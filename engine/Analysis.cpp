#include "engine/Analysis.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <limits>

#include "host/Checked.h"
#include "host/Failure.h"
#include "host/ModuleState.h"
#include "host/Rounding.h"
#include "host/Settings.h"

namespace velmora {

int32_t AnalysedBlack = 0;
int32_t AnalysedWhite = 0;
int32_t Histogram[256] = {};

void ResetAnalysis() {
    AnalysedBlack = 0;
    AnalysedWhite = 0;
    for (auto& h : Histogram) h = 0;
}

namespace {

// The clip limit R(n * fraction). A fraction that is not a number counts as
// the default 0.0001; the product is held to +-2^62 so that any finite or
// infinite fraction gives a defined limit (beyond n every pixel is clipped).
int64_t ClipLimit(int64_t n, double fraction) {
    if (std::isnan(fraction)) fraction = 0.0001;
    constexpr double kLimit = 4611686018427387904.0;  // 2^62
    return Round(std::clamp(double(n) * fraction, -kLimit, kLimit));
}

}  // namespace

void AnalyseDynamicRange() {
    const int64_t rows = ImageRows(), columns = ImageColumns(), planes = ImagePlanes();
    const int16_t mode = ImageMode();
    const bool narrow = mode == sdk::kModeRGB || mode == sdk::kModeLab;
    const bool wide = mode == sdk::kModeRGB48 || mode == sdk::kModeLab48;
    // Components in the buffer; the histogram counts one in three of them.
    const int64_t n =
        int64_t(CheckedMul(CheckedMul(size_t(rows), size_t(columns)), size_t(planes)));
    if (n / 3 + 1 > std::numeric_limits<int32_t>::max()) Fail("Переполнение размера");

    std::fill(std::begin(Histogram), std::end(Histogram), 0);
    if ((narrow || wide) && n > 0) {
        const int64_t depth = wide ? 2 : 1;
        const void* data = CurrentRecord->inData;
        if (!data || int64_t(CurrentRecord->inRowBytes) != columns * planes * depth)
            Fail(kBadAlignment);
        if (narrow) {
            // Four partial histograms taken in turn: runs of equal values
            // would otherwise make every increment wait for the previous one.
            const auto* p = static_cast<const uint8_t*>(data);
            int32_t part[4][256] = {};
            int64_t i = 0;
            for (; i + 9 < n; i += 12) {
                ++part[0][p[i]];
                ++part[1][p[i + 3]];
                ++part[2][p[i + 6]];
                ++part[3][p[i + 9]];
            }
            for (; i < n; i += 3) ++part[0][p[i]];
            for (int v = 0; v < 256; ++v)
                Histogram[v] = part[0][v] + part[1][v] + part[2][v] + part[3][v];
        } else {
            const auto* p = static_cast<const uint8_t*>(data);
            for (int64_t i = 0; i < n; i += 3) {
                uint16_t v;
                std::memcpy(&v, p + 2 * i, sizeof v);
                if (v < 32768) ++Histogram[v / 128];
            }
        }
    }

    const int64_t d = ClipLimit(n, Settings.ClipFraction);
    int32_t p = 0;
    int64_t f = Histogram[0];
    while (p < 255 && f < d) {
        ++p;
        f += Histogram[p];
    }
    int32_t q = 255;
    f = Histogram[255];
    while (q >= 1 && f < d) {
        --q;
        f += Histogram[q];
    }
    AnalysedBlack = p;
    AnalysedWhite = q;
}

}  // namespace velmora

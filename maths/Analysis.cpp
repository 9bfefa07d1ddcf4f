#include "maths/Analysis.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <limits>

#include "base/Rounding.h"

namespace velmora {

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

void AnalyseLightness(tDynamicRange& range, const void* data, int64_t n, bool wide,
                      double clipFraction) {
    int32_t* histogram = range.Histogram;
    std::fill(histogram, histogram + 256, 0);
    if (data && n > 0) {
        if (!wide) {
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
                histogram[v] = part[0][v] + part[1][v] + part[2][v] + part[3][v];
        } else {
            const auto* p = static_cast<const uint8_t*>(data);
            for (int64_t i = 0; i < n; i += 3) {
                uint16_t v;
                std::memcpy(&v, p + 2 * i, sizeof v);
                if (v < 32768) ++histogram[v / 128];
            }
        }
    }

    const int64_t d = ClipLimit(n, clipFraction);
    int32_t p = 0;
    int64_t f = histogram[0];
    while (p < 255 && f < d) {
        ++p;
        f += histogram[p];
    }
    int32_t q = 255;
    f = histogram[255];
    while (q >= 1 && f < d) {
        --q;
        f += histogram[q];
    }
    range.Black = p;
    range.White = q;
}

}  // namespace velmora

#include "engine/ColorConvert.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "base/Failure.h"
#include "base/Rounding.h"
#include "engine/Correction.h"
#include "engine/HostCall.h"

namespace velmora {

namespace color_cache {

tCaches Caches;

}  // namespace color_cache

namespace {

using namespace color_cache;

constexpr const char* kColorUnit = "ColorUnit";

// Node storage of one cache: blocks of kBlockSize nodes handed out in
// order and released together.
template <class Node>
class tArena {
  public:
    constexpr explicit tArena(std::unique_ptr<Node[]>* blocks) : blocks_(blocks) {}

    // Index of a fresh node (never 0).
    uint32_t New() {
        const uint32_t block = next_ >> kBlockShift;
        if (block >= kMaxBlocks) Fail("Переполнение кэша цветов", kColorUnit);
        if (!blocks_[block]) blocks_[block] = std::make_unique<Node[]>(kBlockSize);
        return next_++;
    }
    Node& operator[](uint32_t i) { return blocks_[i >> kBlockShift][i & (kBlockSize - 1)]; }
    // Nodes 1 .. End()-1 are in use.
    uint32_t End() const { return next_; }
    size_t Count() const { return next_ - 1; }
    void Release() {
        for (uint32_t b = 0; b < kMaxBlocks && blocks_[b]; ++b) blocks_[b].reset();
        next_ = 1;
    }

  private:
    std::unique_ptr<Node[]>* blocks_;
    uint32_t next_ = 1;
};

tArena<tConversionNode> Conversions(Caches.ConversionBlocks);
tArena<tDisplayNode> Displays(Caches.DisplayBlocks);

// The one colour services record; each call changes only the two spaces
// and the components.
sdk::ColorServicesInfo ServicesInfo = {
    int32_t(sizeof(sdk::ColorServicesInfo)),
    sdk::kColorServicesConvertColor,
    sdk::kColorSpaceRGB,
    sdk::kColorSpaceLab,
    1,
    0,
    nullptr,
    nullptr,
    {0, 0, 0, 0},
    nullptr,
    0,
};

// One colour through the host's colour services; every component of the
// answer must be 0..255.
uint32_t HostConvert(int16_t from, int16_t to, uint32_t colour) {
    if (!HostCall.Record || !HostCall.Record->colorServices)
        Fail("Хост не предоставил службу цвета", kColorUnit);
    ServicesInfo.sourceSpace = from;
    ServicesInfo.resultSpace = to;
    uint8_t in[3];
    Unpack(colour, in);
    for (int k = 0; k < 3; ++k) ServicesInfo.colorComponents[k] = in[k];
    ServicesInfo.colorComponents[3] = 0;
    HostCall.Record->colorServices(&ServicesInfo);
    uint8_t out[3];
    for (int k = 0; k < 3; ++k) {
        const int16_t v = ServicesInfo.colorComponents[k];
        if (v < 0 || v > 255) Fail("Ошибка проверки диапазона", kColorUnit);
        out[k] = uint8_t(v);
    }
    return Pack(out);
}

// CIE Lab (D50, host encoding) to sRGB, for hosts without a colour space
// suite: D50 XYZ through the Bradford-adapted sRGB matrix, then the sRGB
// transfer curve.
uint32_t BuiltInLabToSrgb(uint32_t colour) {
    uint8_t lab[3];
    Unpack(colour, lab);
    const double fy = (lab[0] * (100.0 / 255.0) + 16.0) / 116.0;
    const double fx = fy + (lab[1] - 128.0) / 500.0;
    const double fz = fy - (lab[2] - 128.0) / 200.0;
    auto inverse = [](double t) {
        constexpr double d = 6.0 / 29.0;
        return t > d ? t * t * t : 3.0 * d * d * (t - 4.0 / 29.0);
    };
    const double x = 0.96422 * inverse(fx), y = inverse(fy), z = 0.82521 * inverse(fz);
    const double linear[3] = {
        3.1338561 * x - 1.6168667 * y - 0.4906146 * z,
        -0.9787684 * x + 1.9161415 * y + 0.0334540 * z,
        0.0719453 * x - 0.2289914 * y + 1.4052427 * z,
    };
    uint8_t rgb[3];
    for (int k = 0; k < 3; ++k) {
        const double v = std::clamp(linear[k], 0.0, 1.0);
        const double e = v <= 0.0031308 ? 12.92 * v : 1.055 * std::pow(v, 1.0 / 2.4) - 0.055;
        rgb[k] = uint8_t(Round(std::clamp(e, 0.0, 1.0) * 255.0));
    }
    return Pack(rgb);
}

// 16-bit triples through the 8-bit conversions: tetrahedral interpolation
// in the grid cell. A component v (0..32768) lies at x = v/S = 255v/32768
// on the grid; its cell starts at n = min(floor(x), 254) and it sits f = x - n
// into it. With the components ordered so that f_a >= f_b >= f_c, the cell's
// tetrahedron holding the triple has the corners n, n + e_a, n + e_a + e_b
// and n + (1, 1, 1), weighted 1 - f_a, f_a - f_b, f_b - f_c and f_c. All of
// it is exact in integers: f is kept in units of 1/32768, so the mixed value
// times S is N/255 with N the sum of weight times corner component.
constexpr uint32_t kFullScale = 32768;  // 16-bit component of grid value 255
constexpr uint32_t kGridTop = 255;
constexpr int kFractionBits = 15;  // kFullScale = 1 << kFractionBits
static_assert(kScale16 == double(kFullScale) / kGridTop);
static_assert(kFullScale == 1u << kFractionBits);

// The corners of a triple's tetrahedron (packed grid colours) and their
// weights in units of 1/32768, summing to 32768.
struct tTetrahedron {
    uint32_t Corner[4];
    uint32_t Weight[4];
};

// Components above 32768 are taken as 32768. The order is made without
// branches (real 16-bit pixels make it unpredictable, and the cache lookups
// are cheap only while the processor can run ahead); equal fractions keep
// the component order. Which of two equal fractions comes first changes
// neither the result nor the colours asked for: it only moves a corner of
// weight 0, and corners of weight 0 are never converted.
inline tTetrahedron Tetrahedron(const uint16_t v[3]) {
    uint32_t low = 0, f[3];
    for (int k = 0; k < 3; ++k) {
        const uint32_t scaled = std::min<uint32_t>(v[k], kFullScale) * kGridTop;
        const uint32_t n = std::min<uint32_t>(scaled >> kFractionBits, kGridTop - 1);
        f[k] = scaled - (n << kFractionBits);  // 0..32768; 32768 only for v = 32768
        low |= n << (8 * k);
    }
    // Place of each component in the descending order.
    const uint32_t ge01 = f[0] >= f[1], ge02 = f[0] >= f[2], ge12 = f[1] >= f[2];
    const uint32_t place[3] = {2 - ge01 - ge02, ge01 + 1 - ge12, ge02 + ge12};
    uint32_t sorted[3], step[3];
    for (int k = 0; k < 3; ++k) {
        sorted[place[k]] = f[k];
        step[place[k]] = 1u << (8 * k);
    }
    // n <= 254 in every component, so no step carries into the next one.
    tTetrahedron t;
    t.Corner[0] = low;
    t.Corner[1] = low + step[0];
    t.Corner[2] = low + step[0] + step[1];
    t.Corner[3] = low + 0x010101u;
    t.Weight[0] = kFullScale - sorted[0];
    t.Weight[1] = sorted[0] - sorted[1];
    t.Weight[2] = sorted[1] - sorted[2];
    t.Weight[3] = sorted[2];
    return t;
}

// Adds weight times the components of a converted corner to the sums.
inline void Accumulate(uint32_t weight, uint32_t colour, uint32_t sum[3]) {
    for (int k = 0; k < 3; ++k) sum[k] += weight * ((colour >> (8 * k)) & 0xFFu);
}

// R(N/255) for N = 32768 times the mixed 8-bit value: N/255 is never a
// half (255 is odd), so rounding to nearest, ties to even, is (N + 127)/255.
inline uint16_t Output16(uint32_t sum) {
    return uint16_t((sum + kGridTop / 2) / kGridTop);
}

// One 16-bit triple: the corners of weight > 0 converted in corner order.
template <uint32_t (*Convert)(uint32_t)>
void Convert16(const uint16_t v[3], uint16_t out[3]) {
    const tTetrahedron t = Tetrahedron(v);
    uint32_t sum[3] = {0, 0, 0};
    for (int j = 0; j < 4; ++j)
        if (t.Weight[j] != 0) Accumulate(t.Weight[j], Convert(t.Corner[j]), sum);
    for (int k = 0; k < 3; ++k) out[k] = Output16(sum[k]);
}

// Row forms, in place in one pass. On a large image a good part of the
// lookups miss the processor's caches; the table entry of the pixel
// kFetchAhead places ahead is fetched while the current one converts, so
// those misses overlap instead of following one another. Fetching ahead
// only reads: the answers are those of the single-colour forms, and the
// host is asked the same colours in the same order.
constexpr size_t kFetchAhead = 16;
// The display row form fetches further ahead: a preview row's lookups are
// short, so the fetches need more lead to arrive in time.
constexpr size_t kDisplayFetchAhead = 32;

// Table: the table of the cache the conversion looks up.
using tTable = uint32_t (tCaches::*)[kColours];

template <uint32_t (*Convert)(uint32_t), tTable Table>
void ConvertRow8(uint8_t* p, size_t count) {
    const uint32_t* table = Caches.*Table;
    for (size_t i = 0; i < count; ++i) {
        if (i + kFetchAhead < count) __builtin_prefetch(&table[Pack(p + 3 * (i + kFetchAhead))]);
        Unpack(Convert(Pack(p + 3 * i)), p + 3 * i);
    }
}

// Convert16 over a row in place. The tetrahedra of the next kAhead16 pixels
// are kept in a ring (a pixel's is made before an earlier pixel's output
// overwrites anything), and their corners are fetched when they enter it.
constexpr size_t kAhead16 = 8;

template <uint32_t (*Convert)(uint32_t), tTable Table>
void ConvertRow16(uint16_t* p, size_t count) {
    const uint32_t* table = Caches.*Table;
    tTetrahedron ring[kAhead16];
    const auto enter = [&](size_t i) {
        tTetrahedron& t = ring[i % kAhead16];
        t = Tetrahedron(p + 3 * i);
        for (const uint32_t corner : t.Corner) __builtin_prefetch(&table[corner]);
    };
    for (size_t i = 0; i < std::min(count, kAhead16); ++i) enter(i);
    for (size_t i = 0; i < count; ++i) {
        const tTetrahedron t = ring[i % kAhead16];
        if (i + kAhead16 < count) enter(i + kAhead16);
        // Usually every corner that counts is cached: then all four entries
        // are summed without a branch (a corner of weight 0 adds nothing,
        // whatever its entry holds). Otherwise the corners are converted in
        // order, as the single-triple form does.
        uint32_t entry[4];
        bool cached = true;
        for (int j = 0; j < 4; ++j) {
            entry[j] = table[t.Corner[j]];
            cached &= entry[j] != 0 || t.Weight[j] == 0;
        }
        uint32_t sum[3] = {0, 0, 0};
        if (cached) {
            for (int j = 0; j < 4; ++j) Accumulate(t.Weight[j], entry[j], sum);
        } else {
            for (int j = 0; j < 4; ++j)
                if (t.Weight[j] != 0) Accumulate(t.Weight[j], Convert(t.Corner[j]), sum);
        }
        for (int k = 0; k < 3; ++k) p[3 * i + k] = Output16(sum[k]);
    }
}

}  // namespace

namespace color_cache {

uint32_t RgbToLab8Miss(uint32_t rgb) {
    const uint32_t result = HostConvert(sdk::kColorSpaceRGB, sdk::kColorSpaceLab, rgb);
    tConversionNode& n = Conversions[Conversions.New()];
    n.Rgb = rgb | kInForward;
    n.Lab = result;
    Caches.Forward[rgb] = kKnown | result;
    Caches.Reverse[result] = kKnown | rgb;
    return result;
}

uint32_t LabToRgb8Miss(uint32_t lab) {
    const uint32_t result = HostConvert(sdk::kColorSpaceLab, sdk::kColorSpaceRGB, lab);
    tConversionNode& n = Conversions[Conversions.New()];
    n.Rgb = result;  // in the reverse table only
    n.Lab = lab;
    Caches.Reverse[lab] = kKnown | result;
    return result;
}

uint32_t LabToDisplayMiss(uint32_t lab) {
    uint32_t result;
    if (HostCall.ColorSpaceSuite && HostCall.ColorSpaceSuite->ConvertToMonitorRGB) {
        uint8_t in[4] = {0, 0, 0, 0}, out[4] = {0, 0, 0, 0};
        Unpack(lab, in + 1);
        HostCall.ColorSpaceSuite->ConvertToMonitorRGB(sdk::kColorSpaceLab, in, out, 1);
        result = Pack(out + 1);
    } else {
        result = BuiltInLabToSrgb(lab);
    }
    tDisplayNode& n = Displays[Displays.New()];
    n.Lab = lab;
    n.Rgb = result;
    Caches.Display[lab] = kKnown | result;
    return result;
}

}  // namespace color_cache

void RgbToLab16(const uint16_t rgb[3], uint16_t lab[3]) {
    Convert16<ForwardConvert>(rgb, lab);
}
void LabToRgb16(const uint16_t lab[3], uint16_t rgb[3]) {
    Convert16<ReverseConvert>(lab, rgb);
}

void RgbToLab8Row(uint8_t* pixels, size_t count) {
    ConvertRow8<ForwardConvert, &tCaches::Forward>(pixels, count);
}
void LabToRgb8Row(uint8_t* pixels, size_t count) {
    ConvertRow8<ReverseConvert, &tCaches::Reverse>(pixels, count);
}
void RgbToLab16Row(uint16_t* pixels, size_t count) {
    ConvertRow16<ForwardConvert, &tCaches::Forward>(pixels, count);
}
void LabToRgb16Row(uint16_t* pixels, size_t count) {
    ConvertRow16<ReverseConvert, &tCaches::Reverse>(pixels, count);
}

void LabToDisplayKeys(uint32_t* keys, size_t n) {
    const uint32_t* table = Caches.Display;
    for (size_t i = 0; i < n; ++i) {
        if (i + kDisplayFetchAhead < n) __builtin_prefetch(&table[keys[i + kDisplayFetchAhead]]);
        keys[i] = DisplayConvert(keys[i]);
    }
}

void FlushConversionCache() {
    // Clearing the entries of the recorded conversions empties both tables
    // without touching the pages no colour ever reached.
    for (uint32_t i = 1; i < Conversions.End(); ++i) {
        const tConversionNode& n = Conversions[i];
        if (n.Rgb & kInForward) Caches.Forward[n.Rgb & kColourMask] = 0;
        Caches.Reverse[n.Lab] = 0;
    }
    Conversions.Release();
}

void FlushDisplayCache() {
    for (uint32_t i = 1; i < Displays.End(); ++i) Caches.Display[Displays[i].Lab] = 0;
    Displays.Release();
}

size_t ConversionCacheNodes() {
    return Conversions.Count();
}
size_t DisplayCacheNodes() {
    return Displays.Count();
}

bool ConversionBucketsEmpty() {
    const auto empty = [](const uint32_t(&table)[kColours]) {
        return std::all_of(std::begin(table), std::end(table), [](uint32_t e) { return e == 0; });
    };
    return empty(Caches.Forward) && empty(Caches.Reverse);
}

bool DisplayBucketsEmpty() {
    return std::all_of(std::begin(Caches.Display), std::end(Caches.Display),
                       [](uint32_t e) { return e == 0; });
}

}  // namespace velmora

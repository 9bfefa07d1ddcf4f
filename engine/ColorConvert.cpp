#include "engine/ColorConvert.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <vector>

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

// Where a 16-bit component 0..32768 lies on the 8-bit grid: x = v/S, the
// nearest grid value n = R(x), the distance |x - n| and the side (+1, 0,
// -1) of the second grid value. Computed once for every v.
struct tGridPlace {
    double Weight;
    uint8_t Near;
    int8_t Step;
};

tGridPlace GridPlaces[32769];

void PlaceOnGrid() {
    for (int v = 0; v <= 32768; ++v) {
        const double x = v / kScale16;  // 0..255
        const int64_t n = Round(x);
        const double d = x - double(n);
        GridPlaces[v] = {std::fabs(d), uint8_t(n), int8_t((d > 0) - (d < 0))};
    }
}

const bool kGridPlaced = (PlaceOnGrid(), true);

// A 16-bit triple through two 8-bit conversions: the nearest grid point and
// its neighbour along the component farthest from the grid (ties go to the
// later component), mixed by that component's distance. The choice is made
// without branches: real 16-bit pixels make it unpredictable, and the cache
// lookups are cheap only while the processor can run ahead. Components
// above 32768 are taken as 32768.
template <uint32_t (*Convert)(uint32_t)>
void Convert16(const uint16_t v[3], uint16_t out[3]) {
    const tGridPlace* g[3];
    for (int k = 0; k < 3; ++k) g[k] = &GridPlaces[std::min<uint16_t>(v[k], 32768)];
    const double w[3] = {g[0]->Weight, g[1]->Weight, g[2]->Weight};
    const int laterOverMiddle = w[1] > w[2];
    const int firstWins = (w[0] > w[1]) & (w[0] > w[2]);
    const int axis = (2 - laterOverMiddle) * (1 - firstWins);
    const double K = w[axis];
    const uint32_t near =
        uint32_t(g[0]->Near) | (uint32_t(g[1]->Near) << 8) | (uint32_t(g[2]->Near) << 16);
    // n + 1 <= 255 when stepping up and n - 1 >= 0 when stepping down, so
    // the step never carries into the next component.
    const uint32_t second = uint32_t(int32_t(near) + g[axis]->Step * (1 << (8 * axis)));
    uint8_t p[3], q[3];
    Unpack(Convert(near), p);
    Unpack(Convert(second), q);
    for (int k = 0; k < 3; ++k) out[k] = uint16_t(Round(((1.0 - K) * p[k] + K * q[k]) * kScale16));
}

// Row forms. On a large image a good part of the lookups miss the
// processor's caches, at the bucket and again at the node. The keys of a row
// are computed first; while the conversions go down the list, the bucket of
// the key kFetchBuckets places ahead is fetched and the head node of the key
// kFetchNodes places ahead, so those misses overlap instead of following one
// another. Fetching ahead only reads: the answers are those of the
// single-colour forms, in the same order.
constexpr size_t kFetchBuckets = 16;
constexpr size_t kFetchNodes = 8;

// Heads: the bucket array of the cache the conversion looks up.
using tHeads = uint32_t (tCaches::*)[kBuckets];

template <uint32_t (*Convert)(uint32_t), tHeads Heads>
void ConvertKeys(uint32_t* keys, size_t n) {
    const uint32_t* heads = Caches.*Heads;
    for (size_t i = 0; i < n; ++i) {
        if (i + kFetchBuckets < n) __builtin_prefetch(&heads[keys[i + kFetchBuckets] & kIndexMask]);
        if (i + kFetchNodes < n)
            if (const uint32_t h = heads[keys[i + kFetchNodes] & kIndexMask])
                __builtin_prefetch(&ConversionNode(h));
        keys[i] = Convert(keys[i]);
    }
}

// Scratch of the row forms (the module runs on one thread).
std::vector<uint32_t> RowKeys;
std::vector<double> RowWeights;

template <uint32_t (*Convert)(uint32_t), tHeads Heads>
void ConvertRow8(uint8_t* p, size_t count) {
    RowKeys.resize(count);
    uint32_t* keys = RowKeys.data();
    for (size_t i = 0; i < count; ++i) keys[i] = Pack(p + 3 * i);
    ConvertKeys<Convert, Heads>(keys, count);
    for (size_t i = 0; i < count; ++i) Unpack(keys[i], p + 3 * i);
}

// Convert16 over a row in place: the two grid points and the weight of
// every pixel first, then the conversions, then the mixing.
template <uint32_t (*Convert)(uint32_t), tHeads Heads>
void ConvertRow16(uint16_t* p, size_t count) {
    RowKeys.resize(2 * count);
    RowWeights.resize(count);
    uint32_t* keys = RowKeys.data();
    double* weights = RowWeights.data();
    for (size_t i = 0; i < count; ++i) {
        const tGridPlace* g[3];
        for (int k = 0; k < 3; ++k) g[k] = &GridPlaces[std::min<uint16_t>(p[3 * i + k], 32768)];
        const double w[3] = {g[0]->Weight, g[1]->Weight, g[2]->Weight};
        const int laterOverMiddle = w[1] > w[2];
        const int firstWins = (w[0] > w[1]) & (w[0] > w[2]);
        const int axis = (2 - laterOverMiddle) * (1 - firstWins);
        weights[i] = w[axis];
        const uint32_t near =
            uint32_t(g[0]->Near) | (uint32_t(g[1]->Near) << 8) | (uint32_t(g[2]->Near) << 16);
        keys[2 * i] = near;
        keys[2 * i + 1] = uint32_t(int32_t(near) + g[axis]->Step * (1 << (8 * axis)));
    }
    ConvertKeys<Convert, Heads>(keys, 2 * count);
    for (size_t i = 0; i < count; ++i) {
        const double K = weights[i];
        uint8_t P[3], Q[3];
        Unpack(keys[2 * i], P);
        Unpack(keys[2 * i + 1], Q);
        for (int k = 0; k < 3; ++k)
            p[3 * i + k] = uint16_t(Round(((1.0 - K) * P[k] + K * Q[k]) * kScale16));
    }
}

}  // namespace

namespace color_cache {

uint32_t RgbToLab8Miss(uint32_t rgb) {
    const uint32_t result = HostConvert(sdk::kColorSpaceRGB, sdk::kColorSpaceLab, rgb);
    const uint32_t i = Conversions.New();
    tConversionNode& n = Conversions[i];
    n.Rgb = rgb;
    n.Lab = result;
    n.NextForward = Caches.Forward[rgb & kIndexMask];
    Caches.Forward[rgb & kIndexMask] = i;
    n.NextReverse = Caches.Reverse[result & kIndexMask];
    Caches.Reverse[result & kIndexMask] = i;
    return result;
}

uint32_t LabToRgb8Miss(uint32_t lab) {
    const uint32_t result = HostConvert(sdk::kColorSpaceLab, sdk::kColorSpaceRGB, lab);
    const uint32_t i = Conversions.New();
    tConversionNode& n = Conversions[i];
    n.Rgb = result;
    n.Lab = lab;
    n.NextForward = 0;  // in the reverse chain only
    n.NextReverse = Caches.Reverse[lab & kIndexMask];
    Caches.Reverse[lab & kIndexMask] = i;
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
    const uint32_t i = Displays.New();
    tDisplayNode& n = Displays[i];
    n.Lab = lab;
    n.Rgb = result;
    n.Next = Caches.Display[lab & kIndexMask];
    Caches.Display[lab & kIndexMask] = i;
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

void FlushConversionCache() {
    // Every chain head is a node whose key hashes to that bucket, so
    // clearing the buckets of all nodes empties both arrays without
    // touching the pages no colour ever reached.
    for (uint32_t i = 1; i < Conversions.End(); ++i) {
        const tConversionNode& n = Conversions[i];
        Caches.Forward[n.Rgb & kIndexMask] = 0;
        Caches.Reverse[n.Lab & kIndexMask] = 0;
    }
    Conversions.Release();
}

void FlushDisplayCache() {
    for (uint32_t i = 1; i < Displays.End(); ++i) Caches.Display[Displays[i].Lab & kIndexMask] = 0;
    Displays.Release();
}

size_t ConversionCacheNodes() {
    return Conversions.Count();
}
size_t DisplayCacheNodes() {
    return Displays.Count();
}

bool ConversionBucketsEmpty() {
    const auto empty = [](const uint32_t(&heads)[kBuckets]) {
        return std::all_of(std::begin(heads), std::end(heads), [](uint32_t h) { return h == 0; });
    };
    return empty(Caches.Forward) && empty(Caches.Reverse);
}

bool DisplayBucketsEmpty() {
    return std::all_of(std::begin(Caches.Display), std::end(Caches.Display),
                       [](uint32_t h) { return h == 0; });
}

}  // namespace velmora

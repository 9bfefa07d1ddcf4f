// 16-bit ramps through the headless run and the final application: an RGB48
// document keeps nearly every level the same ramp keeps as a Lab48 document,
// and comes back in order.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <set>
#include <vector>

#include "engine/ColorConvert.h"
#include "engine/Correction.h"
#include "engine/FinalApply.h"
#include "engine/HostCall.h"
#include "engine/Photo.h"
#include "engine/Pipeline.h"
#include "engine/Settings.h"
#include "tests/support/FakeHost.h"

namespace velmora {
namespace {

using test::FakeHost;
using Pixel = std::array<uint16_t, 3>;
using Ramp = std::vector<Pixel>;

constexpr int kColumns = 4096;
constexpr int kRows = 3;

// Column i of 0..4095 spread over 0..32768.
int RampValue(int i) {
    return (i * 32768 + kColumns / 2) / (kColumns - 1);
}

Ramp GreyRamp() {
    Ramp r;
    for (int i = 0; i < kColumns; ++i) {
        const uint16_t v = uint16_t(RampValue(i));
        r.push_back({v, v, v});
    }
    return r;
}

// Red rising over the whole range, green rising and blue falling over half of
// it: every pixel off the grid differently in each component.
Ramp ColourRamp() {
    Ramp r;
    for (int i = 0; i < kColumns; ++i) {
        const int v = RampValue(i);
        r.push_back({uint16_t(v), uint16_t(8192 + v / 2), uint16_t(24576 - v / 2)});
    }
    return r;
}

// Colour services that are one to one on the 8-bit grid: Lab = (G, 255 - R,
// B). Every 8-bit colour comes back exactly, so whatever a 16-bit ramp loses
// is lost by the interpolation.
int16_t SwappingServices(sdk::ColorServicesInfo* info) {
    int16_t* c = info->colorComponents;
    const int16_t first = c[0], second = c[1];
    if (info->sourceSpace == sdk::kColorSpaceRGB) {
        c[0] = second;
        c[1] = int16_t(255 - first);
    } else {
        c[0] = int16_t(255 - second);
        c[1] = first;
    }
    return 0;
}

// What the Lab48 document of the same ramp holds, at 16-bit precision.
Ramp FakeHostLab(const Ramp& rgb) {
    Ramp lab;
    for (const Pixel& p : rgb) {
        const int r = p[0], g = p[1], b = p[2];
        lab.push_back({uint16_t((77 * r + 150 * g + 29 * b + 128) >> 8),
                       uint16_t(std::clamp(16384 + (r - g) / 2, 0, 32768)),
                       uint16_t(std::clamp(16384 + (g - b) / 2, 0, 32768))});
    }
    return lab;
}
Ramp SwappedLab(const Ramp& rgb) {
    Ramp lab;
    for (const Pixel& p : rgb) lab.push_back({p[1], uint16_t(32768 - p[0]), p[2]});
    return lab;
}

// A ramp, the colour services it goes through, its Lab48 twin and the Lab
// channel each RGB channel is compared with.
const struct tCase {
    const char* name;
    Ramp (*ramp)();
    sdk::ColorServicesProc services;  // null: the fake host's own
    Ramp (*lab)(const Ramp&);
    int labChannel[3];
} kCases[] = {
    {"grey", GreyRamp, nullptr, FakeHostLab, {0, 0, 0}},
    {"colour", ColourRamp, SwappingServices, SwappedLab, {1, 0, 2}},
};

class Rgb48RampTest : public ::testing::Test {
  protected:
    void SetUp() override { Reset(); }
    void TearDown() override {
        Reset();
        HostCall.Record = nullptr;
    }
    static void Reset() {
        ResetImageState();
        ResetTables();
        ResetFirstUse();
        FlushConversionCache();
    }

    // The ramp in every row of a document of the mode, run as continue runs
    // it with the settings `adjust` leaves; the middle row of the result.
    static Ramp Run(int16_t mode, const Ramp& ramp, sdk::ColorServicesProc services,
                    const std::function<void()>& adjust) {
        Reset();
        adjust();
        FakeHost host(mode, kColumns, kRows);
        if (services) host.record.colorServices = services;
        uint16_t* p = host.In16();
        for (int y = 0; y < kRows; ++y)
            for (const Pixel& px : ramp) p = std::copy(px.begin(), px.end(), p);
        host.CopyInToOut();
        HostCall.Record = &host.record;
        HeadlessRun();
        BuildTables();
        ApplyCorrection();
        const uint16_t* out = host.Out16() + size_t(kRows / 2) * kColumns * 3;
        Ramp result(kColumns);
        for (Pixel& px : result) {
            std::copy(out, out + 3, px.begin());
            out += 3;
        }
        return result;
    }
};

size_t Levels(const Ramp& r, int k) {
    std::set<uint16_t> levels;
    for (const Pixel& p : r) levels.insert(p[k]);
    return levels.size();
}

// Steps of component k between neighbours against the direction of `dir`'s
// component kd.
int BackwardSteps(const Ramp& dir, int kd, const Ramp& out, int k) {
    int steps = 0;
    for (size_t i = 1; i < dir.size(); ++i) {
        const int d = (dir[i][kd] > dir[i - 1][kd]) - (dir[i][kd] < dir[i - 1][kd]);
        if (d * (out[i][k] - out[i - 1][k]) < 0) ++steps;
    }
    return steps;
}

int LargestJump(const Ramp& r, int k) {
    int j = 0;
    for (size_t i = 1; i < r.size(); ++i) j = std::max(j, std::abs(r[i][k] - r[i - 1][k]));
    return j;
}

TEST_F(Rgb48RampTest, FirstUseSettingsGiveTheRampBackInOrderWithItsLevels) {
    for (const tCase& c : kCases) {
        SCOPED_TRACE(c.name);
        const Ramp in = c.ramp();
        const Ramp out = Run(sdk::kModeRGB48, in, c.services, [] {});
        const Ramp lab = Run(sdk::kModeLab48, c.lab(in), c.services, [] {});
        for (int k = 0; k < 3; ++k) {
            SCOPED_TRACE(k);
            EXPECT_GE(Levels(out, k), Levels(lab, c.labChannel[k]) * 95 / 100);
            EXPECT_EQ(BackwardSteps(in, k, out, k), 0);
            int error = 0;
            for (int i = 0; i < kColumns; ++i)
                error = std::max(error, std::abs(out[i][k] - in[i][k]));
            EXPECT_LE(error, 129);  // one 8-bit step
        }
    }
}

// Local contrast is not monotonic by itself (the Lab48 document steps back
// too); the RGB48 document must follow the Lab48 one, not add 8-bit steps.
TEST_F(Rgb48RampTest, AutoLevelsAndContrastFollowTheLab48Result) {
    const auto settings = [] {
        Settings.AutoLevels = 1;
        Settings.FollowAnalysis = 0;
        Settings.BlackLevel = 0;
        Settings.WhiteLevel = 255;
        Settings.Contrast = 1.3;
    };
    for (const tCase& c : kCases) {
        SCOPED_TRACE(c.name);
        const Ramp in = c.ramp();
        const Ramp out = Run(sdk::kModeRGB48, in, c.services, settings);
        const Ramp lab = Run(sdk::kModeLab48, c.lab(in), c.services, settings);
        for (int k = 0; k < 3; ++k) {
            SCOPED_TRACE(k);
            const int kl = c.labChannel[k];
            EXPECT_GE(Levels(out, k), Levels(lab, kl) * 95 / 100);
            EXPECT_LE(BackwardSteps(in, k, out, k), BackwardSteps(c.lab(in), kl, lab, kl));
            EXPECT_LE(LargestJump(out, k), LargestJump(lab, kl) + 8);
        }
    }
}

}  // namespace
}  // namespace velmora

// The host's colour conversions: sRGB values known from the standard, the
// embedded profile used in its place, and the fallbacks.
#include <gtest/gtest.h>
#include <lcms2.h>

#include <algorithm>
#include <cmath>

#include "hostlib/ColorEngine.h"
#include "tests/filterhost/Support.h"

namespace {

using hostlib::ColorEngine;

std::vector<int> ToLab(const ColorEngine& e, uint8_t r, uint8_t g, uint8_t b) {
    const uint8_t rgb[3] = {r, g, b};
    uint8_t lab[3];
    e.RgbToLab(rgb, lab);
    return {lab[0], lab[1], lab[2]};
}

TEST(ColorEngineTest, SrgbToLabD50InTheHostEncoding) {
    const ColorEngine e({});
    EXPECT_FALSE(e.UsesEmbeddedProfile());
    const struct {
        uint8_t r, g, b;
        std::vector<int> lab;
    } cases[] = {
        {255, 255, 255, {255, 128, 128}}, {0, 0, 0, {0, 128, 128}},
        {255, 0, 0, {138, 209, 198}},  // L 54.29, a 80.8, b 69.9
        {0, 0, 255, {75, 196, 16}},    // L 29.57, a 68.3, b −112.0
        {128, 128, 128, {137, 128, 128}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ToLab(e, c.r, c.g, c.b), c.lab) << int(c.r) << " " << int(c.g) << " " << int(c.b);
    // Every grey is neutral, and comes back as itself.
    for (int v = 0; v < 256; ++v) {
        const auto lab = ToLab(e, uint8_t(v), uint8_t(v), uint8_t(v));
        ASSERT_EQ(lab[1], 128) << v;
        ASSERT_EQ(lab[2], 128) << v;
        const uint8_t in[3] = {uint8_t(lab[0]), 128, 128};
        uint8_t rgb[3];
        e.LabToRgb(in, rgb);
        ASSERT_LE(std::abs(rgb[0] - v), 1) << v;
        ASSERT_EQ(rgb[0], rgb[1]);
        ASSERT_EQ(rgb[1], rgb[2]);
    }
    // Out of gamut Lab is clamped, never wrapped: L 50, a −128, b +127
    // needs negative red and blue.
    const uint8_t vivid[3] = {128, 0, 255};
    uint8_t rgb[3];
    e.LabToMonitor(vivid, rgb);
    EXPECT_EQ(rgb[0], 0);
    EXPECT_GT(rgb[1], 100);
    EXPECT_EQ(rgb[2], 0);
}

TEST(ColorEngineTest, EmbeddedRgbProfileIsUsed) {
    const auto icc = fhtest::WideRgbProfile();
    const ColorEngine e(icc);
    EXPECT_TRUE(e.UsesEmbeddedProfile());
    EXPECT_TRUE(e.ProfileNote().empty());
    // What LittleCMS itself makes of the profile's pure red.
    cmsHPROFILE p = cmsOpenProfileFromMem(icc.data(), cmsUInt32Number(icc.size()));
    cmsHPROFILE lab = cmsCreateLab4Profile(nullptr);
    cmsHTRANSFORM t =
        cmsCreateTransform(p, TYPE_RGB_8, lab, TYPE_Lab_DBL, INTENT_RELATIVE_COLORIMETRIC, 0);
    const uint8_t red[3] = {255, 0, 0};
    cmsCIELab expected;
    cmsDoTransform(t, red, &expected, 1);
    cmsDeleteTransform(t);
    cmsCloseProfile(lab);
    cmsCloseProfile(p);
    const auto got = ToLab(e, 255, 0, 0);
    auto encoded = [](double v) { return std::clamp(v, 0.0, 255.0); };
    EXPECT_NEAR(got[0], encoded(expected.L * 2.55), 0.6);
    EXPECT_NEAR(got[1], encoded(expected.a + 128), 0.6);
    EXPECT_NEAR(got[2], encoded(expected.b + 128), 0.6);
    EXPECT_NE(got, (std::vector<int>{138, 209, 198}));
    // The monitor stays sRGB whatever the document's profile.
    const uint8_t srgbRed[3] = {138, 209, 198};
    uint8_t rgb[3];
    e.LabToMonitor(srgbRed, rgb);
    EXPECT_GE(rgb[0], 250);
    EXPECT_LE(rgb[1], 6);
}

TEST(ColorEngineTest, UnusableProfilesFallBackToSrgb) {
    const ColorEngine srgb({});
    std::vector<uint8_t> junk(200, 0x33);
    cmsHPROFILE labProfile = cmsCreateLab4Profile(nullptr);
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(labProfile, nullptr, &size);
    std::vector<uint8_t> labIcc(size);
    cmsSaveProfileToMem(labProfile, labIcc.data(), &size);
    cmsCloseProfile(labProfile);
    for (const auto& icc : {junk, labIcc}) {
        const ColorEngine e(icc);
        EXPECT_FALSE(e.UsesEmbeddedProfile());
        EXPECT_FALSE(e.ProfileNote().empty());
        EXPECT_EQ(ToLab(e, 255, 0, 0), ToLab(srgb, 255, 0, 0));
    }
}

// LittleCMS alone, as the engine sets it up: floating point on both sides,
// relative colorimetric, rounded and clamped to the 8-bit encodings.
class Reference {
  public:
    explicit Reference(const std::vector<uint8_t>& icc) {
        rgb_ = icc.empty() ? cmsCreate_sRGBProfile()
                           : cmsOpenProfileFromMem(icc.data(), cmsUInt32Number(icc.size()));
        lab_ = cmsCreateLab4Profile(nullptr);
        to_ = cmsCreateTransform(rgb_, TYPE_RGB_DBL, lab_, TYPE_Lab_DBL,
                                 INTENT_RELATIVE_COLORIMETRIC, cmsFLAGS_NOCACHE);
        from_ = cmsCreateTransform(lab_, TYPE_Lab_DBL, rgb_, TYPE_RGB_DBL,
                                   INTENT_RELATIVE_COLORIMETRIC, cmsFLAGS_NOCACHE);
    }
    ~Reference() {
        cmsDeleteTransform(to_);
        cmsDeleteTransform(from_);
        cmsCloseProfile(rgb_);
        cmsCloseProfile(lab_);
    }
    void ToLab(const uint8_t rgb[3], uint8_t out[3]) const {
        const double in[3] = {rgb[0] / 255.0, rgb[1] / 255.0, rgb[2] / 255.0};
        cmsCIELab lab{};
        cmsDoTransform(to_, in, &lab, 1);
        out[0] = Byte(lab.L * 255.0 / 100.0);
        out[1] = Byte(lab.a + 128.0);
        out[2] = Byte(lab.b + 128.0);
    }
    void FromLab(const uint8_t lab[3], uint8_t out[3]) const {
        const cmsCIELab in{lab[0] * 100.0 / 255.0, lab[1] - 128.0, lab[2] - 128.0};
        double rgb[3] = {};
        cmsDoTransform(from_, &in, rgb, 1);
        for (int k = 0; k < 3; ++k) out[k] = Byte(rgb[k] * 255.0);
    }

  private:
    static uint8_t Byte(double v) {
        return std::isnan(v) ? 0 : uint8_t(std::clamp(std::nearbyint(v), 0.0, 255.0));
    }
    cmsHPROFILE rgb_, lab_;
    cmsHTRANSFORM to_, from_;
};

// Most colours of a matrix-shaper profile are computed by the engine itself
// (not back to RGB through a tabulated tone curve); every answer must still
// be the bytes LittleCMS gives: all 2^24 colours of sRGB both ways, every
// third value per component for the other profiles and for each profile as
// the display's.
TEST(ColorEngineTest, ComputedColoursAreLittleCmsBytes) {
    const struct {
        const char* name;
        std::vector<uint8_t> icc;
        int stride;
        bool fromLab;  // computed back to RGB as well
    } profiles[] = {
        {"sRGB", {}, 1, true},
        {"wide gamut, gamma 2.2", fhtest::WideRgbProfile(), 3, true},
        {"tabulated curve", fhtest::TabulatedRgbProfile(), 3, false},
    };
    for (const auto& p : profiles) {
        SCOPED_TRACE(p.name);
        const ColorEngine engine(p.icc);
        const ColorEngine onMonitor({}, p.icc);
        const Reference reference(p.icc);
        ASSERT_TRUE(engine.ComputesToLab());
        ASSERT_EQ(engine.ComputesFromLab(), p.fromLab);
        ASSERT_EQ(onMonitor.ComputesToMonitor(), p.fromLab);
        size_t differ = 0;
        for (int x = 0; x < 256; x += p.stride)
            for (int y = 0; y < 256; y += p.stride)
                for (int z = 0; z < 256; z += p.stride) {
                    const uint8_t c[3] = {uint8_t(x), uint8_t(y), uint8_t(z)};
                    uint8_t got[3], expected[3];
                    engine.RgbToLab(c, got);
                    reference.ToLab(c, expected);
                    differ += !std::equal(got, got + 3, expected);
                    engine.LabToRgb(c, got);
                    reference.FromLab(c, expected);
                    differ += !std::equal(got, got + 3, expected);
                    // The display's profile (sRGB when there is none): the
                    // same arithmetic, every third value.
                    if (x % 3 == 0 && y % 3 == 0 && z % 3 == 0) {
                        onMonitor.LabToMonitor(c, got);
                        differ += !std::equal(got, got + 3, expected);
                    }
                }
        EXPECT_EQ(differ, 0u);
    }
}

}  // namespace

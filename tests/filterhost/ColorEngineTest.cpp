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

}  // namespace

// The preview tests' fixture: an 8-bit Lab host image with textured pixels,
// the working image built from it, and what each box pixel must show.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <ostream>

#include "engine/Analysis.h"
#include "engine/ColorConvert.h"
#include "engine/Correction.h"
#include "engine/HostCall.h"
#include "engine/MapSteps.h"
#include "engine/Photo.h"
#include "engine/Progress.h"
#include "engine/Settings.h"
#include "tests/support/FakeHost.h"

namespace velmora::preview_test {

using test::FakeHost;

struct tBgr {
    uint8_t b, g, r;
    bool operator==(const tBgr&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const tBgr& c) {
    return os << '(' << int(c.b) << ',' << int(c.g) << ',' << int(c.r) << ')';
}

inline tBgr At(const tBitmap24& bitmap, int32_t x, int32_t y) {
    const uint8_t* p = bitmap.Pixels.data() + (size_t(y) * size_t(bitmap.Width) + size_t(x)) * 3;
    return {p[0], p[1], p[2]};
}

inline tBgr Display(tLab8 v) {
    const uint8_t lab[3] = {v.L, v.a, v.b};
    uint8_t rgb[3];
    LabToDisplay(lab, rgb);
    return {rgb[2], rgb[1], rgb[0]};
}

constexpr tBgr kGrey{209, 209, 209};

class PreviewTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetPhotoState();
        FlushDisplayCache();
        Settings = tParams{};
        Analysis.Black = 10;
        Analysis.White = 240;
        ResetAll(false);
        Progress.View = nullptr;
    }
    void TearDown() override {
        ResetPhotoState();
        ResetAnalysis();
        ResetTables();
        FlushDisplayCache();
        Settings = tParams{};
        ResetFirstUse();
        Progress.View = nullptr;
        HostCall.Record = nullptr;
        HostCall.ColorSpaceSuite = nullptr;
    }
    // An 8-bit Lab host image with textured, coloured pixels whose
    // lightness stays off 0 and 255.
    void Use(FakeHost& host) {
        HostCall.Record = &host.record;
        HostCall.ColorSpaceSuite = &host.colorSpace;
    }
    static void Texture(FakeHost& host, uint32_t seed) {
        const size_t n = host.Is16() ? host.in.size() / 2 : host.in.size();
        for (size_t i = 0; i < n; ++i) {
            seed = seed * 1664525u + 1013904223u;
            const uint8_t v = uint8_t((i % 3 == 0 ? 60 : 90) + (seed >> 26) + (i / 3) % 50);
            if (host.Is16())
                host.In16()[i] = uint16_t(std::lround(v * (32768.0 / 255.0)) + (seed >> 30));
            else
                host.in[i] = v;
        }
    }
    // Working image at `scale` with the maps built and in use when `maps`.
    static void BuildWorking(int32_t boxWidth, int32_t boxHeight, double scale, bool maps) {
        if (maps) {
            BuildLightnessMatrix(false);
            BuildSharpMap(Maps.LightnessMatrix, Maps.SharpMap, false);
            BuildContrastMap(Maps.LightnessMatrix, Maps.ContrastMap, false);
            Maps.LightnessMatrix.Reset();
            Maps.Ready = true;
        }
        InitPhoto(Photo, ImageColumns(), ImageRows());
        SetPreviewBox(Photo, boxWidth, boxHeight);
        RescalePhoto(Photo, maps, scale);
    }
    static void LocalSettings() {
        Settings.BlackLevel = 0;
        Settings.WhiteLevel = 255;
        Settings.Lightness = 0.8;
        Settings.ColorContrast = 1.3;
        Settings.Contrast = 1.4;
        Settings.Sharpness = 1.3;
        Settings.Shadow = 1.2;
        Settings.Rotate = 20;
    }
    // What box pixel (c, r) of the destination rectangle must show.
    static tBgr ExpectedPreview(int32_t c, int32_t r) {
        const int32_t x = Photo.ScrollX + (c - Photo.DestLeft);
        const int32_t y = Photo.ScrollY + (r - Photo.DestTop);
        const uint8_t* p = WorkingPixels() + (size_t(y) * size_t(Photo.Width) + size_t(x)) * 3;
        return Display(CorrectPixel(x, y, p[0], p[1], p[2]));
    }
};

}  // namespace velmora::preview_test

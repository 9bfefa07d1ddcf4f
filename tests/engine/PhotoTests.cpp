// The working image: host layout check, conversion to Lab, preview geometry
// and rescaling with its masks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "base/Failure.h"
#include "engine/ColorConvert.h"
#include "engine/MapSteps.h"
#include "engine/Photo.h"
#include "engine/Progress.h"
#include "tests/engine/PhotoFixture.h"
#include "tests/support/FakeHost.h"

namespace velmora {
namespace {

using test::FakeHost;

class PhotoTest : public test::PhotoFixture {};

// Message and unit of the failure thrown by f, or "" when none.
template <class F>
std::string FailureOf(F f) {
    try {
        f();
    } catch (const tInternalFailure& e) {
        return std::string(e.what()) + "@" + e.Unit();
    }
    return "";
}

TEST_F(PhotoTest, RowLengthMustMatchTheDepthOfTheMode) {
    struct Case {
        int16_t mode;
        int16_t planes;
        int rowBytesFactor;  // row bytes = columns * planes * factor
        bool ok;
    };
    const Case cases[] = {
        {sdk::kModeRGB, 3, 1, true},        {sdk::kModeRGB, 3, 2, false},
        {sdk::kModeLab, 3, 1, true},        {sdk::kModeLab, 3, 2, false},
        {sdk::kModeRGB48, 3, 2, true},      {sdk::kModeRGB48, 3, 1, false},
        {sdk::kModeLab48, 3, 2, true},      {sdk::kModeLab48, 3, 1, false},
        {sdk::kModeRGB, 1, 1, false},       {sdk::kModeLab48, 2, 2, false},
        {sdk::kModeGrayscale, 1, 1, true},  {sdk::kModeGrayscale, 1, 2, true},
        {sdk::kModeGrayscale, 1, 3, false},
    };
    for (const Case& c : cases) {
        FakeHost host(c.mode, 7, 3, c.planes);
        host.record.inRowBytes = 7 * c.planes * c.rowBytesFactor;
        Use(host);
        const std::string expected = c.ok ? "" : std::string(kBadAlignment) + "@PhotoUnit";
        EXPECT_EQ(FailureOf([] { CheckRowLength(); }), expected)
            << "mode " << c.mode << " planes " << c.planes << " factor " << c.rowBytesFactor;
        if (!c.ok) {
            EXPECT_EQ(FailureOf([] { ConvertToLab(false); }), expected);
            EXPECT_EQ(FailureOf([] { BuildLightnessMatrix(false); }), expected);
            EXPECT_EQ(FailureOf([] { BeginLightness(); }), expected);
        }
    }
}

TEST_F(PhotoTest, ConvertToLabConvertsRgbRowByRowWithHostProgress) {
    FakeHost host(sdk::kModeRGB, 4, 3);
    for (size_t i = 0; i < host.in.size(); ++i) host.in[i] = uint8_t(17 * i + 3);
    const std::vector<uint8_t> rgb = host.in;
    Use(host);
    Progress.Counter = 10;
    ConvertToLab(true);
    for (size_t p = 0; p < rgb.size(); p += 3) {
        const int16_t in[3] = {rgb[p], rgb[p + 1], rgb[p + 2]};
        int16_t lab[3];
        FakeHost::FakeRgbToLab(in, lab);
        for (int k = 0; k < 3; ++k) ASSERT_EQ(host.in[p + k], lab[k]) << p;
    }
    EXPECT_EQ(Progress.Counter, 13);
    const std::vector<std::pair<int32_t, int32_t>> expected = {{11, 1000}, {12, 1000}, {13, 1000}};
    EXPECT_EQ(host.progress, expected);
    EXPECT_EQ(host.abortCalls, 3);
}

TEST_F(PhotoTest, ConvertToLabStopsAtOnceOnAbort) {
    FakeHost host(sdk::kModeRGB, 2, 4);
    for (size_t i = 0; i < host.in.size(); ++i) host.in[i] = uint8_t(200 - 9 * i);
    const std::vector<uint8_t> rgb = host.in;
    host.abortFromCall = 3;  // asked at the start of the third row
    Use(host);
    ConvertToLab(true);
    EXPECT_EQ(Progress.Counter, 3);
    EXPECT_EQ(host.abortCalls, 3);
    EXPECT_NE(std::memcmp(host.in.data(), rgb.data(), 12), 0);            // rows 0 and 1 converted
    EXPECT_EQ(std::memcmp(host.in.data() + 12, rgb.data() + 12, 12), 0);  // rows 2 and 3 not
}

TEST_F(PhotoTest, ConvertToLabConvertsRgb48AndShowsProgressInTheDialog) {
    struct View : tProgressView {
        std::vector<int32_t> shown;
        void ShowProgress(int32_t c) override { shown.push_back(c); }
    } view;
    Progress.View = &view;
    FakeHost host(sdk::kModeRGB48, 3, 2);
    const uint16_t samples[18] = {0,     0,     0,     32768, 32768, 32768, 1000, 20000, 30000,
                                  16448, 16448, 16448, 5,     32768, 77,    300,  301,   302};
    std::memcpy(host.In16(), samples, sizeof samples);
    Use(host);
    ConvertToLab(false);
    for (int p = 0; p < 6; ++p) {
        uint16_t lab[3];
        RgbToLab16(samples + 3 * p, lab);
        for (int k = 0; k < 3; ++k) EXPECT_EQ(host.In16()[3 * p + k], lab[k]) << p;
    }
    EXPECT_EQ(view.shown, (std::vector<int32_t>{1, 2}));
    EXPECT_TRUE(host.progress.empty());
    EXPECT_EQ(host.abortCalls, 0);
}

TEST_F(PhotoTest, LabModesAreLeftAsTheyAreAndCountTheirRowsAtOnce) {
    for (int16_t mode : {sdk::kModeLab, sdk::kModeLab48}) {
        FakeHost host(mode, 5, 6);
        for (size_t i = 0; i < host.in.size(); ++i) host.in[i] = uint8_t(i * 7);
        const std::vector<uint8_t> before = host.in;
        Use(host);
        Progress.Counter = 4;
        ConvertToLab(true);
        EXPECT_EQ(host.in, before);
        EXPECT_EQ(Progress.Counter, 10);
        EXPECT_EQ(host.colorServicesCalls, 0);
    }
}

TEST_F(PhotoTest, VisibleRectCentresSmallPicturesAndClampsScrolling) {
    struct Case {
        int32_t size, box, scroll;
        int32_t destFirst, destLast, scrollAfter;
    };
    const Case cases[] = {
        {301, 600, 40, 149, 449, 0},  // narrower: centred, scroll reset
        {300, 600, 0, 150, 449, 0},
        {1000, 600, 700, 0, 599, 400},  // beyond the end: last column at the right edge
        {1000, 600, -5, 0, 599, 0},     // negative
        {1000, 600, 123, 0, 599, 123},  // inside: unchanged
        {600, 600, 3, 0, 599, 0},       // equal size
    };
    for (const Case& c : cases) {
        tPhoto h;
        h.Width = c.size;
        h.BoxWidth = c.box;
        h.ScrollX = c.scroll;
        h.Height = 10;
        h.BoxHeight = 20;
        UpdateVisibleRect(h);
        EXPECT_EQ(h.DestLeft, c.destFirst) << c.size << " " << c.scroll;
        EXPECT_EQ(h.DestRight, c.destLast) << c.size << " " << c.scroll;
        EXPECT_EQ(h.ScrollX, c.scrollAfter) << c.size << " " << c.scroll;

        tPhoto v;  // the same along the other axis
        v.Height = c.size;
        v.BoxHeight = c.box;
        v.ScrollY = c.scroll;
        v.Width = 10;
        v.BoxWidth = 20;
        UpdateVisibleRect(v);
        EXPECT_EQ(v.DestTop, c.destFirst);
        EXPECT_EQ(v.DestBottom, c.destLast);
        EXPECT_EQ(v.ScrollY, c.scrollAfter);
        EXPECT_EQ(v.DestLeft, 5);
        EXPECT_EQ(v.DestRight, 14);
    }
}

TEST_F(PhotoTest, FitScaleTakesTheSmallerRatio) {
    FakeHost host(sdk::kModeLab, 400, 300);
    Use(host);
    tPhoto p;
    SetPreviewBox(p, 200, 100);
    EXPECT_DOUBLE_EQ(FitScale(p), 100.0 / 300);
    SetPreviewBox(p, 100, 300);
    EXPECT_DOUBLE_EQ(FitScale(p), 0.25);
    SetPreviewBox(p, 800, 600);
    EXPECT_DOUBLE_EQ(FitScale(p), 2.0);
    ASSERT_NE(p.ScreenBitmap, nullptr);
    EXPECT_EQ(p.ScreenBitmap->Width, 800);
    EXPECT_EQ(p.ScreenRows.size(), 600u);
    EXPECT_EQ(p.ScreenRows[1] - p.ScreenRows[0], 800 * 3);
}

// A Lab host image whose pixel (x, y) is (x + 2y, 100 + x, 200 - y) in 8 bits
// or that value times 128 in 16 bits.
void FillLab(FakeHost& host) {
    const int w = host.record.imageColumns, h = host.record.imageRows;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int v[3] = {x + 2 * y, 100 + x, 200 - y};
            for (int k = 0; k < 3; ++k) {
                const size_t i = size_t(y * w + x) * 3 + k;
                if (host.Is16())
                    host.In16()[i] = uint16_t(v[k] * 128);
                else
                    host.In8()[i] = uint8_t(v[k]);
            }
        }
}

TEST_F(PhotoTest, HalfScaleSamplesEveryOtherPixelWithDisplayColoursAndMasks) {
    FakeHost host(sdk::kModeLab, 9, 7);
    FillLab(host);
    Use(host);
    Maps.ContrastMap.Create(7, 9);
    Maps.SharpMap.Create(7, 9);
    for (size_t y = 0; y < 7; ++y)
        for (size_t x = 0; x < 9; ++x) {
            Maps.ContrastMap[y][x] = uint8_t(10 * y + x);
            Maps.SharpMap[y][x] = uint8_t(100 + 10 * y + x);
        }
    InitPhoto(Photo, 9, 7);
    SetPreviewBox(Photo, 50, 40);
    RescalePhoto(Photo, true, 0.5);

    ASSERT_EQ(Photo.Width, 4);   // round(4.5) = 4, ties to even
    ASSERT_EQ(Photo.Height, 4);  // round(3.5) = 4
    EXPECT_EQ(Progress.Counter, 4);
    EXPECT_EQ(host.abortCalls, 4);
    const uint8_t* working = WorkingPixels();
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            const int sx = 2 * j, sy = 2 * i;
            const uint8_t* px = working + (i * 4 + j) * 3;
            EXPECT_EQ(px[0], sx + 2 * sy);
            EXPECT_EQ(px[1], 100 + sx);
            EXPECT_EQ(px[2], 200 - sy);
            const int16_t lab[3] = {px[0], px[1], px[2]};
            int16_t rgb[3];
            FakeHost::FakeLabToRgb(lab, rgb);
            const uint8_t* bgr = Photo.BitmapRows[size_t(i)] + 3 * j;
            EXPECT_EQ(bgr[0], rgb[2]);
            EXPECT_EQ(bgr[1], rgb[1]);
            EXPECT_EQ(bgr[2], rgb[0]);
            EXPECT_EQ(Photo.ContrastMask[size_t(i)][size_t(j)], 10 * sy + sx);
            EXPECT_EQ(Photo.SharpMask[size_t(i)][size_t(j)], 100 + 10 * sy + sx);
        }
}

TEST_F(PhotoTest, ActualPixelsSharesTheMapsAndCopiesEveryPixel) {
    struct Case {
        double scale;
        bool actual;
        int32_t width;
    };
    // Above 1 works at 1; within 1e-6 of 1 counts as actual pixels.
    const Case cases[] = {{1.0, true, 300},
                          {3.0, true, 300},
                          {0.9999995, true, 300},
                          {0.999, false, 300},
                          {0.99, false, 297}};
    for (const Case& c : cases) {
        SetUp();
        FakeHost host(sdk::kModeLab48, 300, 5);
        FillLab(host);
        host.In16()[0] = 32768;
        host.In16()[1] = 0;
        Use(host);
        Maps.ContrastMap.Create(5, 300);
        Maps.SharpMap.Create(5, 300);
        InitPhoto(Photo, 300, 5);
        SetPreviewBox(Photo, 100, 100);
        RescalePhoto(Photo, false, c.scale);
        EXPECT_EQ(Photo.Width, c.width) << c.scale;
        EXPECT_EQ(Photo.Scale, std::min(c.scale, 1.0));
        EXPECT_EQ(Photo.ContrastMask.SharesWith(Maps.ContrastMap), c.actual) << c.scale;
        EXPECT_EQ(Photo.SharpMask.SharesWith(Maps.SharpMap), c.actual) << c.scale;
        EXPECT_EQ(Photo.ContrastMask.Rows(), 5u);
        const uint8_t* working = WorkingPixels();
        EXPECT_EQ(working[0], 255);  // 32768 on the 8-bit scale
        EXPECT_EQ(working[1], 0);
        if (c.actual) {
            // Every pixel where it was: (x, y) from (x + 2y, 100 + x, 200 - y) * 128.
            for (int x = 1; x < 150; ++x) {
                ASSERT_EQ(working[(2 * 300 + x) * 3], std::lrint((x + 4) * 128 / (32768.0 / 255)));
                ASSERT_EQ(working[(2 * 300 + x) * 3 + 1],
                          std::lrint((100 + x) * 128 / (32768.0 / 255)));
            }
        }
    }
}

TEST_F(PhotoTest, ZoomKeepsTheCentrePixel) {
    FakeHost host(sdk::kModeLab, 1000, 800);
    Use(host);
    InitPhoto(Photo, 1000, 800);
    SetPreviewBox(Photo, 200, 100);
    RescalePhoto(Photo, false, 1.0);
    Photo.ScrollX = 400;
    Photo.ScrollY = 300;
    UpdateVisibleRect(Photo);
    auto centre = [] {
        return std::pair((Photo.ScrollX + (Photo.DestRight - Photo.DestLeft) / 2.0) / Photo.Scale,
                         (Photo.ScrollY + (Photo.DestBottom - Photo.DestTop) / 2.0) / Photo.Scale);
    };
    auto [cx, cy] = centre();  // 499.5, 349.5 at first
    // Each rescale keeps the centre up to rounding the scroll position to a
    // whole working pixel.
    for (double s : {std::sqrt(0.5), 0.5, std::sqrt(0.5), 1.0}) {
        RescalePhoto(Photo, false, s);
        UpdateVisibleRect(Photo);
        const auto [x, y] = centre();
        EXPECT_LE(std::fabs(x - cx), 0.5 / s + 1e-9) << s;
        EXPECT_LE(std::fabs(y - cy), 0.5 / s + 1e-9) << s;
        cx = x;
        cy = y;
    }
}

TEST_F(PhotoTest, RescaleStopsWhenTheHostAborts) {
    FakeHost host(sdk::kModeLab, 20, 10);
    FillLab(host);
    Use(host);
    host.abortFromCall = 3;
    InitPhoto(Photo, 20, 10);
    RescalePhoto(Photo, false, 0.5);
    EXPECT_EQ(Progress.Counter, 3);
    EXPECT_EQ(host.abortCalls, 3);
    const uint8_t* working = WorkingPixels();
    EXPECT_EQ(working[(1 * 10 + 3) * 3 + 1], 106);  // row 1 filled
    EXPECT_EQ(working[(2 * 10 + 3) * 3 + 1], 0);    // row 2 not
}

TEST_F(PhotoTest, RescaleRefusesScalesThatAreNotPositive) {
    FakeHost host(sdk::kModeLab, 20, 10);
    Use(host);
    InitPhoto(Photo, 20, 10);
    for (double s : {0.0, -0.5, std::nan("")})
        EXPECT_EQ(FailureOf([s] { RescalePhoto(Photo, false, s); }), "Неверный масштаб@PhotoUnit");
    // A tiny scale gives a tiny picture, never an index outside the image.
    RescalePhoto(Photo, false, 1e-300);
    EXPECT_EQ(Photo.Width, 0);
    RescalePhoto(Photo, false, 0.06);
    EXPECT_EQ(Photo.Width, 1);
    EXPECT_EQ(Photo.Height, 1);
}

TEST_F(PhotoTest, OtherModesGetTheGeometryWithoutReadingPixels) {
    FakeHost host(sdk::kModeGrayscale, 20, 10, 1);
    std::fill(host.in.begin(), host.in.end(), uint8_t(99));
    Use(host);
    InitPhoto(Photo, 20, 10);
    RescalePhoto(Photo, false, 1.0);
    EXPECT_EQ(Photo.Width, 20);
    EXPECT_EQ(Photo.Bitmap->Pixels, std::vector<uint8_t>(20 * 10 * 3, 0));
    EXPECT_EQ(host.out, std::vector<uint8_t>(200, 0));
}

TEST_F(PhotoTest, ResetBringsEverythingBackToTheLoadTimeState) {
    FakeHost host(sdk::kModeLab, 12, 8);
    FillLab(host);
    Use(host);
    BuildLightnessMatrix(false);
    BuildSharpMap(Maps.LightnessMatrix, Maps.SharpMap, false);
    Steps.SharpMapCreator.BeginColumns(Maps.LightnessMatrix, Maps.SharpMap);
    BeginLightness();
    InitPhoto(Photo, 12, 8);
    SetPreviewBox(Photo, 30, 30);
    RescalePhoto(Photo, true, 0.5);
    BeginMaskScaling();
    Maps.Ready = true;

    ResetPhotoState();
    EXPECT_FALSE(Maps.Ready);
    EXPECT_TRUE(Maps.LightnessMatrix.Empty());
    EXPECT_TRUE(Maps.SharpMap.Empty());
    EXPECT_TRUE(Maps.ContrastMap.Empty());
    EXPECT_EQ(Photo.Bitmap, nullptr);
    EXPECT_EQ(Photo.ScreenBitmap, nullptr);
    EXPECT_TRUE(Photo.BitmapRows.empty());
    EXPECT_TRUE(Photo.ContrastMask.Empty());
    EXPECT_TRUE(Photo.SharpMask.Empty());
    EXPECT_EQ(Photo.Width, 0);
    EXPECT_EQ(Photo.BoxWidth, 0);
    EXPECT_EQ(Photo.Scale, 1.0);
    EXPECT_TRUE(Steps.SharpMapCreator.Source.Empty());
    EXPECT_TRUE(Steps.SharpMapCreator.Map.Empty());
    EXPECT_EQ(Steps.SharpMapCreator.Columns, 0);
    EXPECT_EQ(Steps.LightnessScan.Rows, 0);
    EXPECT_EQ(Steps.LightnessScan.Bytes, nullptr);
    EXPECT_FALSE(Steps.MaskScaling.Active);
    EXPECT_EQ(Steps.MaskScaling.Row, 0);
}

TEST_F(PhotoTest, FreePhotoDropsTheBitmaps) {
    FakeHost host(sdk::kModeLab, 12, 8);
    Use(host);
    InitPhoto(Photo, 12, 8);
    SetPreviewBox(Photo, 30, 20);
    ASSERT_EQ(Photo.BitmapRows.size(), 8u);
    FreePhoto(Photo);
    EXPECT_EQ(Photo.Bitmap, nullptr);
    EXPECT_EQ(Photo.ScreenBitmap, nullptr);
    EXPECT_TRUE(Photo.BitmapRows.empty());
    EXPECT_TRUE(Photo.ScreenRows.empty());
}

}  // namespace
}  // namespace velmora

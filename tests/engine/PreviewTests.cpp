// The corrected preview of the visible part of the working image, its grey
// background and clipping marks, and the snapshot thumbnails.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "engine/Preview.h"
#include "tests/engine/PreviewFixture.h"

namespace velmora {
namespace {

using namespace preview_test;

TEST_F(PreviewTest, VisiblePixelsAreTheKernelsOutputThroughTheDisplay) {
    struct tCase {
        int32_t boxWidth, boxHeight, scrollX, scrollY;
        double scale;
    };
    // Scrolled inside a larger picture at scale 1 (masks are the maps) and
    // at 0.7 (sampled masks); and a picture smaller than the box.
    for (const tCase& c :
         {tCase{16, 12, 5, 7, 1.0}, tCase{20, 13, 3, 4, 0.7}, tCase{50, 40, 0, 0, 1.0}}) {
        SCOPED_TRACE(c.boxWidth);
        ResetPhotoState();
        FakeHost host(sdk::kModeLab, 40, 30);
        Texture(host, 4);
        Use(host);
        BuildWorking(c.boxWidth, c.boxHeight, c.scale, true);
        Photo.ScrollX = c.scrollX;
        Photo.ScrollY = c.scrollY;
        LocalSettings();
        BuildTables();
        RenderVisiblePart(Photo, true);
        EXPECT_EQ(Photo.ScrollX, c.scrollX);
        const tBitmap24& screen = *Photo.ScreenBitmap;
        for (int32_t r = 0; r < c.boxHeight; ++r)
            for (int32_t col = 0; col < c.boxWidth; ++col) {
                const bool inside = r >= Photo.DestTop && r <= Photo.DestBottom &&
                                    col >= Photo.DestLeft && col <= Photo.DestRight;
                ASSERT_EQ(At(screen, col, r), inside ? ExpectedPreview(col, r) : kGrey)
                    << col << ' ' << r;
            }
    }
}

TEST_F(PreviewTest, GreyFillOnlyWhereThePictureLeavesTheBoxUncovered) {
    struct tCase {
        int32_t columns, rows;
        std::vector<int32_t> greyRows;     // whole grey rows of the 20 x 10 box
        std::vector<int32_t> greyColumns;  // whole grey columns
    };
    const tCase cases[] = {
        {20, 10, {}, {}},          {20, 9, {9}, {}},  // centring offset (1 div 2) = 0
        {20, 8, {0, 9}, {}},       {19, 10, {}, {19}},
        {17, 10, {}, {0, 18, 19}}, {25, 14, {}, {}},  // larger than the box
    };
    for (const tCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.columns << 'x' << c.rows);
        ResetPhotoState();
        FakeHost host(sdk::kModeLab, c.columns, c.rows);
        Texture(host, 9);
        Use(host);
        BuildWorking(20, 10, 1.0, false);
        // A covered box keeps nothing of what the bitmap held before.
        std::memset(Photo.ScreenBitmap->Pixels.data(), 7, Photo.ScreenBitmap->Pixels.size());
        BuildTables();
        RenderVisiblePart(Photo, false);
        const tBitmap24& screen = *Photo.ScreenBitmap;
        for (int32_t r = 0; r < 10; ++r)
            for (int32_t col = 0; col < 20; ++col) {
                const bool grey = std::count(c.greyRows.begin(), c.greyRows.end(), r) ||
                                  std::count(c.greyColumns.begin(), c.greyColumns.end(), col);
                ASSERT_EQ(At(screen, col, r), grey ? kGrey : ExpectedPreview(col, r))
                    << col << ' ' << r;
            }
    }
}

TEST_F(PreviewTest, ClippedLightnessIsMarkedOnlyWithWarnings) {
    FakeHost host(sdk::kModeLab, 4, 1);
    // Levels 10..240 stretched to 0..255: lightness 5 goes to 0, 250 to 255.
    const uint8_t pixels[12] = {5, 140, 100, 250, 100, 150, 128, 128, 128, 250, 128, 128};
    std::memcpy(host.in.data(), pixels, sizeof pixels);
    Use(host);
    BuildWorking(4, 1, 1.0, false);
    Settings.BlackLevel = 0;
    Settings.WhiteLevel = 255;
    BuildTables();
    ASSERT_EQ(CorrectPixel(0, 0, 5, 140, 100).L, 0);
    ASSERT_EQ(CorrectPixel(1, 0, 250, 100, 150).L, 255);
    ASSERT_NE(CorrectPixel(2, 0, 128, 128, 128).L, 0);

    RenderVisiblePart(Photo, true);
    const tBitmap24& screen = *Photo.ScreenBitmap;
    EXPECT_EQ(At(screen, 0, 0), (tBgr{255, 0, 0}));  // black clipping: blue
    EXPECT_EQ(At(screen, 1, 0), (tBgr{0, 0, 255}));  // white clipping: red
    EXPECT_EQ(At(screen, 2, 0), ExpectedPreview(2, 0));
    EXPECT_EQ(At(screen, 3, 0), (tBgr{0, 0, 255}));

    RenderVisiblePart(Photo, false);
    for (int32_t c = 0; c < 4; ++c) EXPECT_EQ(At(screen, c, 0), ExpectedPreview(c, 0)) << c;
    EXPECT_NE(At(screen, 1, 0), (tBgr{0, 0, 255}));
}

// Host coordinate of thumbnail sample k: k / f rounded, ties to even.
int32_t Sample(int32_t k, double step) {
    return int32_t(std::nearbyint(k * step));
}

TEST_F(PreviewTest, ThumbnailGeometryAndSampling) {
    struct tCase {
        int16_t mode;
        int32_t columns, rows;
        int32_t left, top, tw, th;
        double step;  // 1 / f, exact in binary so k * step equals the sum
    };
    const tCase cases[] = {
        {sdk::kModeLab, 64, 32, 0, 8, 32, 16, 2.0},       // landscape: full width
        {sdk::kModeLab, 40, 80, 8, 0, 16, 32, 2.5},       // portrait: full height
        {sdk::kModeLab, 48, 48, 0, 0, 32, 32, 1.5},       // square: fills it
        {sdk::kModeLab48, 100, 60, 0, 6, 32, 19, 3.125},  // 16-bit samples reduced
        {sdk::kModeLab, 128, 20, 0, 13, 32, 5, 4.0},      // top (32 - 5) div 2
    };
    for (const tCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.columns << 'x' << c.rows);
        ResetPhotoState();
        FakeHost host(c.mode, c.columns, c.rows);
        Texture(host, 3);
        Use(host);
        LocalSettings();
        tBitmap24 canvas(32, 32);
        RenderThumbnail(canvas);

        BuildTables();
        const tBgr grey{ThumbnailBackground(), ThumbnailBackground(), ThumbnailBackground()};
        for (int32_t t = 0; t < 32; ++t)
            for (int32_t col = 0; col < 32; ++col) {
                const bool inside =
                    t >= c.top && t < c.top + c.th && col >= c.left && col < c.left + c.tw;
                tBgr expected = grey;
                if (inside) {
                    const int32_t sx = Sample(col - c.left, c.step);
                    const int32_t sy = Sample(t - c.top, c.step);
                    const size_t at = (size_t(sy) * size_t(c.columns) + size_t(sx)) * 3;
                    uint8_t lab[3];
                    for (int k = 0; k < 3; ++k)
                        lab[k] =
                            host.Is16()
                                ? uint8_t(std::nearbyint(host.In16()[at + k] / (32768.0 / 255.0)))
                                : host.in[at + k];
                    expected = Display(CorrectPixel(sx, sy, lab[0], lab[1], lab[2]));
                }
                ASSERT_EQ(At(canvas, col, t), expected) << col << ' ' << t;
            }
    }
}

TEST_F(PreviewTest, ThumbnailBackgroundIsTheDisplayGreyOfNeutralLab) {
    FakeHost host(sdk::kModeLab, 4, 2);
    Use(host);
    const uint8_t neutral[3] = {128, 128, 128};
    uint8_t rgb[3];
    LabToDisplay(neutral, rgb);
    EXPECT_EQ(ThumbnailBackground(), rgb[1]);
    tBitmap24 canvas(32, 32);
    RenderThumbnail(canvas);
    EXPECT_EQ(At(canvas, 0, 0), (tBgr{rgb[1], rgb[1], rgb[1]}));
    EXPECT_EQ(At(canvas, 31, 31), (tBgr{rgb[1], rgb[1], rgb[1]}));
}

TEST_F(PreviewTest, ThumbnailUsesTheFullMapsAndRestoresTheMasks) {
    FakeHost host(sdk::kModeLab, 64, 64);
    Texture(host, 6);
    Use(host);
    BuildWorking(32, 32, 0.5, true);
    const tByteMatrix contrastMask = Photo.ContrastMask, sharpMask = Photo.SharpMask;
    LocalSettings();
    tBitmap24 canvas(32, 32);
    RenderThumbnail(canvas);
    EXPECT_TRUE(Photo.ContrastMask.SharesWith(contrastMask));
    EXPECT_TRUE(Photo.SharpMask.SharesWith(sharpMask));

    // Sample (k, k) is host pixel (2k, 2k), corrected with the maps there.
    Photo.ContrastMask = Maps.ContrastMap;
    Photo.SharpMask = Maps.SharpMap;
    for (int32_t k = 0; k < 32; ++k) {
        const uint8_t* p = host.in.data() + (size_t(2 * k) * 64 + size_t(2 * k)) * 3;
        EXPECT_EQ(At(canvas, k, k), Display(CorrectPixel(2 * k, 2 * k, p[0], p[1], p[2]))) << k;
    }
    Photo.ContrastMask = contrastMask;
    Photo.SharpMask = sharpMask;
}

TEST_F(PreviewTest, ThumbnailOfAnImageSmallerThanTheCanvasStaysInside) {
    // f = 6.4 and step 0.15625: the last accumulated position of the 5
    // columns rounds to 5, past the image; the last column is sampled.
    FakeHost host(sdk::kModeLab, 5, 3);
    Texture(host, 8);
    Use(host);
    tBitmap24 canvas(32, 32);
    RenderThumbnail(canvas);
    BuildTables();
    const uint8_t* last = host.in.data() + (2 * 5 + 4) * 3;
    // th = round(6.4 * 3) = 19, top = 6: rows 6..24; the last column 31
    // samples round(31 * 0.15625) = 5, kept at column 4; the last row 24
    // samples round(18 * 0.15625) = round(2.8125) = 3, kept at row 2.
    EXPECT_EQ(At(canvas, 31, 24), Display(CorrectPixel(4, 2, last[0], last[1], last[2])));
    EXPECT_EQ(At(canvas, 0, 5),
              (tBgr{ThumbnailBackground(), ThumbnailBackground(), ThumbnailBackground()}));
}

TEST_F(PreviewTest, ThumbnailOnACanvasTooLowForThePictureShowsItsMiddle) {
    // 64 x 48 on 32 x 8: f = 0.5, th = 24, top = (8 - 24) div 2 = -8; only
    // thumbnail rows 0..7 land on the canvas, sampling host rows 16..30.
    FakeHost host(sdk::kModeLab, 64, 48);
    Texture(host, 10);
    Use(host);
    tBitmap24 canvas(32, 8);
    RenderThumbnail(canvas);
    BuildTables();
    for (int32_t t = 0; t < 8; ++t)
        for (int32_t c = 0; c < 32; ++c) {
            const int32_t sx = 2 * c, sy = 2 * (t + 8);
            const uint8_t* p = host.in.data() + (size_t(sy) * 64 + size_t(sx)) * 3;
            ASSERT_EQ(At(canvas, c, t), Display(CorrectPixel(sx, sy, p[0], p[1], p[2])))
                << c << ' ' << t;
        }
}

}  // namespace
}  // namespace velmora

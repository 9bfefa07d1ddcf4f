#include "engine/Preview.h"

#include <cstring>
#include <vector>

#include "base/Failure.h"
#include "engine/ColorConvert.h"
#include "engine/Correction.h"
#include "engine/HostCall.h"
#include "engine/MapSteps.h"
#include "engine/Photo.h"
#include "engine/Settings.h"
#include "maths/ImageView.h"

namespace velmora {

namespace {

// Stores a display colour (red, green, blue) as blue, green, red.
inline void PutBgr(uint8_t* p, const uint8_t rgb[3]) {
    p[0] = rgb[2];
    p[1] = rgb[1];
    p[2] = rgb[0];
}

}  // namespace

void RenderVisiblePart(tPhoto& photo, bool showClipping) {
    UpdateVisibleRect(photo);
    tBitmap24* screen = photo.ScreenBitmap.get();
    if (!screen || screen->Width != photo.BoxWidth || screen->Height != photo.BoxHeight ||
        photo.ScreenRows.size() != size_t(screen->Height))
        Fail("Нет растра предпросмотра", kPhotoUnit);

    if (photo.Width < photo.BoxWidth || photo.Height < photo.BoxHeight)
        std::memset(screen->Pixels.data(), kPreviewBackground, screen->Pixels.size());

    const int32_t count = photo.DestRight - photo.DestLeft + 1;
    if (count <= 0 || photo.DestBottom < photo.DestTop) return;
    const uint8_t* working = WorkingPixels();
    if (!working) Fail(kBadAlignment, kPhotoUnit);

    // UpdateVisibleRect keeps ScrollX .. ScrollX + count - 1 and the rows
    // below within the working image. Per row: the kernel, then the display
    // colours of the pixels not marked as clipped, converted together in
    // pixel order, then the bitmap row.
    std::vector<uint8_t> corrected(size_t(count) * 3);
    std::vector<uint32_t> keys(static_cast<size_t>(count));
    const size_t rowBytes = size_t(photo.Width) * 3;
    for (int32_t r = photo.DestTop; r <= photo.DestBottom; ++r) {
        const int32_t y = photo.ScrollY + (r - photo.DestTop);
        const uint8_t* in = working + size_t(y) * rowBytes + size_t(photo.ScrollX) * 3;
        CorrectRow8(photo.ScrollX, y, in, corrected.data(), count);
        const uint8_t* lab = corrected.data();
        size_t n = 0;
        for (int32_t i = 0; i < count; ++i, lab += 3)
            if (!(showClipping && (lab[0] == 255 || lab[0] == 0)))
                keys[n++] = color_cache::Pack(lab);
        LabToDisplayKeys(keys.data(), n);
        uint8_t* out = photo.ScreenRows[size_t(r)] + size_t(photo.DestLeft) * 3;
        const uint32_t* key = keys.data();
        lab = corrected.data();
        for (int32_t i = 0; i < count; ++i, lab += 3, out += 3) {
            if (showClipping && lab[0] == 255) {
                out[0] = 0;  // white clipping: pure red
                out[1] = 0;
                out[2] = 255;
            } else if (showClipping && lab[0] == 0) {
                out[0] = 255;  // black clipping: pure blue
                out[1] = 0;
                out[2] = 0;
            } else {
                const uint32_t rgb = *key++;
                out[0] = uint8_t(rgb >> 16);  // blue, green, red
                out[1] = uint8_t(rgb >> 8);
                out[2] = uint8_t(rgb);
            }
        }
    }
}

uint8_t ThumbnailBackground() {
    const uint8_t neutral[3] = {128, 128, 128};
    uint8_t rgb[3];
    LabToDisplay(neutral, rgb);
    return rgb[1];
}

void RenderThumbnail(tBitmap24& canvas) {
    const int32_t W = canvas.Width;
    const int32_t H = canvas.Height;
    if (W < 0 || H < 0 || canvas.Pixels.size() != size_t(W) * size_t(H) * 3)
        Fail("Неверный размер изображения", kPhotoUnit);
    std::memset(canvas.Pixels.data(), ThumbnailBackground(), canvas.Pixels.size());

    CheckRowLength();
    const int32_t width = ImageColumns();
    const int32_t height = ImageRows();
    const int16_t mode = ImageMode();
    const bool wide = Is16Bit(mode);
    // Only the four supported modes hold three samples per pixel.
    if (!wide && !Is8Bit(mode)) return;
    if (width <= 0 || height <= 0 || W <= 0 || H <= 0) return;
    const void* in = HostCall.Record->inData;

    BuildTables();

    const double f = width >= height ? double(W) / width : double(H) / height;
    const int64_t tw = Round(f * width);
    const int64_t th = Round(f * height);
    const int64_t left = (W - tw) / 2, right = left + tw;
    const int64_t top = (H - th) / 2, bottom = top + th;
    const double step = 1.0 / f;
    const size_t rowSamples = size_t(width) * 3;

    // Positions accumulate 1/f from host row and column 0. An image smaller
    // than the canvas would let the last position round past its edge, so
    // the index is kept inside; a canvas whose other side is too short for
    // the picture shows its middle.
    double rowAcc = 0;
    for (int64_t t = top; t < bottom; ++t) {
        const int32_t sy = SampleIndex(rowAcc, size_t(height));
        rowAcc += step;
        if (t < 0 || t >= H) continue;
        uint8_t* row = canvas.Pixels.data() + size_t(t) * size_t(W) * 3;
        double colAcc = 0;
        for (int64_t c = left; c < right; ++c) {
            const int32_t sx = SampleIndex(colAcc, size_t(width));
            colAcc += step;
            if (c < 0 || c >= W) continue;
            const size_t at = size_t(sy) * rowSamples + size_t(sx) * 3;
            uint8_t lab[3];
            if (wide) {
                const uint16_t* p = static_cast<const uint16_t*>(in) + at;
                for (int k = 0; k < 3; ++k) lab[k] = Reduce16(p[k]);
            } else {
                std::memcpy(lab, static_cast<const uint8_t*>(in) + at, 3);
            }
            // The kernel on the full maps, in host coordinates.
            tMaskValues maps{0, 0};
            if (Maps.Ready)
                maps = {MaskAt(Maps.ContrastMap, sx, sy), MaskAt(Maps.SharpMap, sx, sy)};
            const tLab8 v = CorrectPixel(Settings, Tables, Maps.Ready ? &maps : nullptr, lab[0],
                                         lab[1], lab[2]);
            const uint8_t corrected[3] = {v.L, v.a, v.b};
            uint8_t rgb[3];
            LabToDisplay(corrected, rgb);
            PutBgr(row + size_t(c) * 3, rgb);
        }
    }
}

}  // namespace velmora

#include "photo/Preview.h"

#include <cstring>
#include <vector>

#include "engine/ColorConvert.h"
#include "engine/Tables.h"
#include "host/Failure.h"
#include "host/ModuleState.h"
#include "host/Progress.h"
#include "host/Rounding.h"
#include "photo/Kernel.h"
#include "photo/Maps.h"
#include "photo/Photo.h"
#include "sdk/PIFilter.h"

namespace velmora {

namespace {

// Stores a display colour (red, green, blue) as blue, green, red.
inline void PutBgr(uint8_t* p, const uint8_t rgb[3]) {
    p[0] = rgb[2];
    p[1] = rgb[1];
    p[2] = rgb[0];
}

// A 16-bit sample (0..32768) on the 8-bit scale, rounded, ties to even;
// values above 32768 saturate at 255.
uint8_t Reduce16(uint16_t v) {
    const int64_t r = Round(double(v) / kScale16);
    return uint8_t(r > 255 ? 255 : r);
}

// Keeps Photo's masks and puts them back, also when the kernel fails.
class tMaskKeeper {
  public:
    tMaskKeeper() : contrast_(Photo.ContrastMask), sharp_(Photo.SharpMask) {}
    ~tMaskKeeper() {
        Photo.ContrastMask = contrast_;
        Photo.SharpMask = sharp_;
    }
    tMaskKeeper(const tMaskKeeper&) = delete;
    tMaskKeeper& operator=(const tMaskKeeper&) = delete;

  private:
    tByteMatrix contrast_;
    tByteMatrix sharp_;
};

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
    // below within the working image.
    std::vector<uint8_t> corrected(size_t(count) * 3);
    const size_t rowBytes = size_t(photo.Width) * 3;
    for (int32_t r = photo.DestTop; r <= photo.DestBottom; ++r) {
        const int32_t y = photo.ScrollY + (r - photo.DestTop);
        const uint8_t* in = working + size_t(y) * rowBytes + size_t(photo.ScrollX) * 3;
        CorrectRow8(photo.ScrollX, y, in, corrected.data(), count);
        uint8_t* out = photo.ScreenRows[size_t(r)] + size_t(photo.DestLeft) * 3;
        const uint8_t* lab = corrected.data();
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
                uint8_t rgb[3];
                LabToDisplay(lab, rgb);
                PutBgr(out, rgb);
            }
        }
    }
}

void RenderPreview() {
    ShowDialogProgress();
    BuildTables();
    RenderVisiblePart(Photo, DialogView && DialogView->WarningChecked());
    if (DialogView) DialogView->ShowPreview(*Photo.ScreenBitmap);
    ProgressCounter = 0;
    ShowDialogProgress();
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
    const bool wide = mode == sdk::kModeRGB48 || mode == sdk::kModeLab48;
    // Only the four supported modes hold three samples per pixel.
    if (!wide && mode != sdk::kModeRGB && mode != sdk::kModeLab) return;
    if (width <= 0 || height <= 0 || W <= 0 || H <= 0) return;
    const void* in = CurrentRecord->inData;

    tMaskKeeper keep;
    Photo.ContrastMask = ContrastMap;
    Photo.SharpMask = SharpMap;
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
            const tLab8 v = CorrectPixel(sx, sy, lab[0], lab[1], lab[2]);
            const uint8_t corrected[3] = {v.L, v.a, v.b};
            uint8_t rgb[3];
            LabToDisplay(corrected, rgb);
            PutBgr(row + size_t(c) * 3, rgb);
        }
    }
}

}  // namespace velmora

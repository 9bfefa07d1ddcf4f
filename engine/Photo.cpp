#include "engine/Photo.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "base/Checked.h"
#include "base/Failure.h"
#include "base/Rounding.h"
#include "engine/ColorConvert.h"
#include "engine/HostCall.h"
#include "engine/MapSteps.h"
#include "engine/Progress.h"
#include "maths/ImageView.h"

namespace velmora {

tPhoto Photo;
tImageMaps Maps;

tBitmap24::tBitmap24(int32_t w, int32_t h) : Width(w), Height(h) {
    if (w < 0 || h < 0) Fail("Неверный размер изображения", kPhotoUnit);
    Pixels.assign(CheckedMul(CheckedMul(size_t(w), size_t(h)), 3), 0);
}

namespace {

tMatrix RowTable(tBitmap24& bitmap) {
    tMatrix rows(size_t(bitmap.Height));
    const size_t stride = size_t(bitmap.Width) * 3;
    for (size_t y = 0; y < rows.size(); ++y) rows[y] = bitmap.Pixels.data() + y * stride;
    return rows;
}

// The host pixel starting at sample `offset` of the input buffer as an 8-bit
// Lab triple.
void HostPixel(const void* in, bool wide, size_t offset, uint8_t lab[3]) {
    if (wide) {
        uint16_t w[3];
        std::memcpy(w, static_cast<const uint16_t*>(in) + offset, sizeof w);
        for (int k = 0; k < 3; ++k) lab[k] = Reduce16(w[k]);
    } else {
        std::memcpy(lab, static_cast<const uint8_t*>(in) + offset, 3);
    }
}

// Stores an 8-bit Lab working pixel and its display colour (blue, green, red).
void PutWorkingPixel(uint8_t* working, uint8_t* bitmapRow, size_t j, const uint8_t lab[3]) {
    std::memcpy(working, lab, 3);
    uint8_t rgb[3];
    LabToDisplay(lab, rgb);
    bitmapRow[3 * j] = rgb[2];
    bitmapRow[3 * j + 1] = rgb[1];
    bitmapRow[3 * j + 2] = rgb[0];
}

int32_t RoundToInt32(double x) {
    constexpr double lo = std::numeric_limits<int32_t>::min();
    constexpr double hi = std::numeric_limits<int32_t>::max();
    if (!(x > lo)) return std::numeric_limits<int32_t>::min();
    if (x >= hi) return std::numeric_limits<int32_t>::max();
    return int32_t(Round(x));
}

// One working row: counter + 1, shown in the dialog's bar; true when the
// host asks to abort.
bool RowProgressAborted() {
    ++Progress.Counter;
    ShowDialogProgress();
    return HostAborted();
}

}  // namespace

void CheckRowLength() {
    const int32_t rows = ImageRows();
    const int32_t columns = ImageColumns();
    const int32_t planes = ImagePlanes();
    const int16_t mode = ImageMode();
    const int64_t rowBytes = HostCall.Record->inRowBytes;
    const int64_t packed = int64_t(columns) * planes;
    bool ok;
    if (Is8Bit(mode) || Is16Bit(mode)) {
        // Every reader takes three samples per pixel: fewer planes would read
        // outside the rows, the other depth's length outside the buffer.
        const int64_t depth = Is16Bit(mode) ? 2 : 1;
        ok = planes == 3 && rowBytes == packed * depth;
        if (rows > 0 && columns > 0 && !HostCall.Record->inData) ok = false;
    } else {
        ok = rowBytes == packed || rowBytes == 2 * packed;
    }
    if (!ok) Fail(kBadAlignment, kPhotoUnit);
}

void ConvertToLab(bool hostProgress) {
    CheckRowLength();
    const int32_t rows = ImageRows();
    const size_t columns = size_t(ImageColumns());
    const int16_t mode = ImageMode();
    const size_t rowSamples = CheckedMul(columns, 3);
    // Row by row in place, one progress unit each.
    const auto convertRows = [&](auto* data, auto convert) {
        for (int32_t r = 0; r < rows; ++r) {
            if (AdvanceProgress(1, hostProgress)) return;
            convert(data + size_t(r) * rowSamples, columns);
        }
    };
    switch (mode) {
        case sdk::kModeRGB:
            convertRows(static_cast<uint8_t*>(HostCall.Record->inData), RgbToLab8Row);
            break;
        case sdk::kModeRGB48:
            convertRows(static_cast<uint16_t*>(HostCall.Record->inData), RgbToLab16Row);
            break;
        case sdk::kModeLab:
        case sdk::kModeLab48:
            Progress.Counter += rows;
            break;
        default:
            break;
    }
}

void InitPhoto(tPhoto& photo, int32_t width, int32_t height) {
    photo.Bitmap = std::make_unique<tBitmap24>(width, height);
    photo.BitmapRows = RowTable(*photo.Bitmap);
    photo.Width = width;
    photo.Height = height;
    photo.ScrollX = 0;
    photo.ScrollY = 0;
    photo.Scale = 1.0;
}

void SetPreviewBox(tPhoto& photo, int32_t boxWidth, int32_t boxHeight) {
    photo.ScreenBitmap = std::make_unique<tBitmap24>(boxWidth, boxHeight);
    photo.ScreenRows = RowTable(*photo.ScreenBitmap);
    photo.BoxWidth = boxWidth;
    photo.BoxHeight = boxHeight;
}

double FitScale(const tPhoto& photo) {
    const int32_t columns = ImageColumns();
    const int32_t rows = ImageRows();
    if (columns == 0 || rows == 0) return 1.0;
    const double sx = double(photo.BoxWidth) / columns;
    const double sy = double(photo.BoxHeight) / rows;
    return sx < sy ? sx : sy;
}

namespace {
// One axis of the visible rectangle: a picture smaller than the box is
// centred with scroll 0; a larger one has its scroll pulled back inside it.
void FitAxis(int32_t size, int32_t box, int32_t& scroll, int32_t& first, int32_t& last) {
    first = 0;
    last = box - 1;
    if (size < box) {
        scroll = 0;
        first = (box - size) / 2;
        last = first + size - 1;
    } else if (int64_t(size) - scroll < box) {
        scroll = size - box;
    } else if (scroll < 0) {
        scroll = 0;
    }
}
}  // namespace

void UpdateVisibleRect(tPhoto& p) {
    FitAxis(p.Width, p.BoxWidth, p.ScrollX, p.DestLeft, p.DestRight);
    FitAxis(p.Height, p.BoxHeight, p.ScrollY, p.DestTop, p.DestBottom);
}

void RescalePhoto(tPhoto& photo, bool withMasks, double scale) {
    if (!std::isfinite(scale) || !(scale > 0.0)) Fail("Неверный масштаб", kPhotoUnit);
    const double s = scale > 1.0 ? 1.0 : scale;
    CheckRowLength();
    const int32_t imageWidth = ImageColumns();
    const int32_t imageHeight = ImageRows();
    const bool wide = Is16Bit(ImageMode());
    const void* in = HostCall.Record->inData;
    uint8_t* working = WorkingPixels();

    // The view centre in host pixels, from the old geometry.
    const double oldScale = photo.Scale > 0.0 ? photo.Scale : 1.0;
    const double cx = (photo.ScrollX + (photo.DestRight - photo.DestLeft) / 2.0) / oldScale;
    const double cy = (photo.ScrollY + (photo.DestBottom - photo.DestTop) / 2.0) / oldScale;

    photo.Width = int32_t(Round(s * imageWidth));
    photo.Height = int32_t(Round(s * imageHeight));
    UpdateVisibleRect(photo);
    // Not clamped here: the next UpdateVisibleRect does that.
    photo.ScrollX = RoundToInt32(s * cx - (photo.DestRight - photo.DestLeft) / 2.0);
    photo.ScrollY = RoundToInt32(s * cy - (photo.DestBottom - photo.DestTop) / 2.0);
    photo.Scale = s;
    photo.Bitmap = std::make_unique<tBitmap24>(photo.Width, photo.Height);
    photo.BitmapRows = RowTable(*photo.Bitmap);

    const size_t width = size_t(photo.Width);
    const size_t height = size_t(photo.Height);
    if (width > 0 && height > 0 && !working) Fail(kBadAlignment, kPhotoUnit);
    const bool actual = std::fabs(s - 1.0) < 1e-6;
    if (actual) {
        photo.ContrastMask = Maps.ContrastMap;
        photo.SharpMask = Maps.SharpMap;
    } else {
        photo.ContrastMask.Create(height, width);
        photo.SharpMask.Create(height, width);
    }
    // A step-wise mask scaling begun at the old geometry would write rows
    // the new masks may not have: without masks it starts over at the new
    // size and step; with masks this rescale builds them, so it is done.
    if (&photo == &Photo && Steps.MaskScaling.Active) {
        if (!withMasks) {
            BeginMaskScaling();
        } else {
            Steps.MaskScaling.Step = 1.0 / s;
            Steps.MaskScaling.Row = photo.Height;
        }
    }
    // Only the four supported modes hold three samples per pixel; in any
    // other the picture keeps its geometry and stays black.
    if (!Is8Bit(ImageMode()) && !wide) return;

    const size_t hostRowSamples = CheckedMul(size_t(imageWidth), 3);
    if (actual) {
        for (size_t y = 0; y < height; ++y) {
            if (RowProgressAborted()) return;
            uint8_t* out = working + y * width * 3;
            for (size_t x = 0; x < width; ++x) {
                uint8_t lab[3];
                HostPixel(in, wide, y * hostRowSamples + x * 3, lab);
                PutWorkingPixel(out + x * 3, photo.BitmapRows[y], x, lab);
            }
        }
        return;
    }

    // Nearest neighbour with positions accumulated by repeated addition of
    // 1/s; indexes are kept inside the image against accumulated error.
    const double step = 1.0 / s;
    const size_t mapRows = std::min(Maps.ContrastMap.Rows(), Maps.SharpMap.Rows());
    double rowAcc = 0;
    uint8_t* out = working;
    for (size_t i = 0; i < height; ++i) {
        const double rowPos = rowAcc;
        const size_t sy = size_t(SampleIndex(rowPos, size_t(imageHeight)));
        rowAcc += step;
        if (RowProgressAborted()) return;

        if (withMasks && mapRows > 0) {
            const std::vector<uint8_t>& contrast =
                Maps.ContrastMap[size_t(SampleIndex(rowPos, mapRows))];
            const std::vector<uint8_t>& sharp = Maps.SharpMap[size_t(SampleIndex(rowPos, mapRows))];
            const size_t mapColumns = std::min(contrast.size(), sharp.size());
            if (mapColumns > 0) {
                uint8_t* contrastMask = photo.ContrastMask[i].data();
                uint8_t* sharpMask = photo.SharpMask[i].data();
                double colAcc = 0;
                for (size_t j = 0; j < width; ++j) {
                    const size_t sx = size_t(SampleIndex(colAcc, mapColumns));
                    colAcc += step;
                    contrastMask[j] = contrast[sx];
                    sharpMask[j] = sharp[sx];
                }
            }
        }

        double colAcc = 0;
        for (size_t j = 0; j < width; ++j, out += 3) {
            const size_t sx = size_t(SampleIndex(colAcc, size_t(imageWidth)));
            colAcc += step;
            uint8_t lab[3];
            HostPixel(in, wide, sy * hostRowSamples + sx * 3, lab);
            PutWorkingPixel(out, photo.BitmapRows[i], j, lab);
        }
    }
}

void FreePhoto(tPhoto& photo) {
    tMatrix().swap(photo.BitmapRows);
    tMatrix().swap(photo.ScreenRows);
    photo.Bitmap.reset();
    photo.ScreenBitmap.reset();
}

uint8_t* WorkingPixels() {
    return HostCall.Record ? static_cast<uint8_t*>(HostCall.Record->outData) : nullptr;
}

void ResetPhotoState() {
    Maps = tImageMaps{};
    FreePhoto(Photo);
    Photo = tPhoto{};
    ResetMapBuilders();
}

}  // namespace velmora

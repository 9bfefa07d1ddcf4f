// The working image: a reduced 8-bit Lab copy of the host image for the
// preview, its display rendering, the preview box geometry and the local
// masks at working resolution; plus the full-resolution lightness matrix and
// maps. Samples: 8-bit 0..255, 16-bit 0..32768.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "maths/Matrix.h"

namespace velmora {

/// A 24-bit top-down bitmap, pixels stored blue, green, red.
struct tBitmap24 {
    int32_t Width = 0;
    int32_t Height = 0;
    std::vector<uint8_t> Pixels;  // Height rows of Width * 3 bytes
    tBitmap24(int32_t w, int32_t h);
};

/// Row start addresses of a 24-bit bitmap, top-down.
using tMatrix = std::vector<uint8_t*>;

struct tPhoto {
    int32_t Width = 0;
    int32_t Height = 0;
    std::unique_ptr<tBitmap24> Bitmap;
    tMatrix BitmapRows;
    std::unique_ptr<tBitmap24> ScreenBitmap;
    tMatrix ScreenRows;
    int32_t ScrollX = 0;
    int32_t ScrollY = 0;
    int32_t BoxWidth = 0;
    int32_t BoxHeight = 0;
    int32_t DestTop = 0;
    int32_t DestBottom = 0;
    int32_t DestLeft = 0;
    int32_t DestRight = 0;
    double Scale = 1.0;  // working pixels per host pixel, 0 < Scale <= 1
    tByteMatrix ContrastMask;
    tByteMatrix SharpMask;
};

extern tPhoto Photo;

/// The full-resolution lightness matrix and local maps of the host image.
struct tImageMaps {
    tSingleMatrix LightnessMatrix;  // image rows x columns, 0..255 floats
    tByteMatrix ContrastMap;        // q = 19 blur of the q = 1 blur
    tByteMatrix SharpMap;           // q = 1 blur
    /// Both maps are complete; the kernel reads them (or the masks) only then.
    bool Ready = false;
};
extern tImageMaps Maps;

inline constexpr const char* kPhotoUnit = "PhotoUnit";

/// Checks the host's input layout before anything reads it: three samples
/// per pixel, rows packed, width x 3 bytes per row in the 8-bit modes and
/// twice that in the 16-bit modes (other modes, which nothing reads: width x
/// planes or twice that). Fails with "Неподходящее выравнивание" naming
/// PhotoUnit.
void CheckRowLength();

/// Converts the host's input buffer in place to Lab of the same depth: RGB
/// and RGB48 pixel by pixel (one progress unit per row, abort polled with
/// hostProgress), Lab modes only advance the counter by the image height.
void ConvertToLab(bool hostProgress);

/// Working size := image size, scroll 0, Scale 1, a new Bitmap.
void InitPhoto(tPhoto& photo, int32_t width, int32_t height);
/// Stores the box size and re-creates ScreenBitmap at it.
void SetPreviewBox(tPhoto& photo, int32_t boxWidth, int32_t boxHeight);
/// The scale at which the whole host image fits the box (may exceed 1;
/// 1 for an empty image).
double FitScale(const tPhoto& photo);
/// Clamps the scroll position and centres a picture smaller than the box.
void UpdateVisibleRect(tPhoto& photo);
/// Rebuilds the working pixels, Bitmap and masks at scale min(scale, 1),
/// keeping the host pixel at the view centre. The scale must be positive
/// and finite. One progress unit per working row, shown in the dialog's bar;
/// the host's abort test is polled each row. A mask scaling under way (see
/// BeginMaskScaling) is restarted at the new geometry when withMasks is false
/// and counts as done when withMasks is true (this call builds the masks).
/// Modes other than RGB, Lab, RGB48 and Lab48: geometry only, no pixel read.
void RescalePhoto(tPhoto& photo, bool withMasks, double scale);
/// Releases the bitmaps and their row tables.
void FreePhoto(tPhoto& photo);

/// The working pixels: 8-bit Lab triples from the start of the host's
/// output buffer, Width x 3 bytes per row.
uint8_t* WorkingPixels();

/// Brings Maps (the lightness matrix, the maps, Ready), tPhoto (masks, bitmaps,
/// geometry), the map builders and the step states back to their load-time
/// values before a new image is prepared.
void ResetPhotoState();

}  // namespace velmora

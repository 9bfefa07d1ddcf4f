// The working image: a reduced 8-bit Lab copy of the host image for the
// preview, its display rendering, the preview box geometry and the local
// masks at working resolution; plus the full-resolution lightness matrix and
// maps. Samples: 8-bit 0..255, 16-bit 0..32768.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "photo/Matrix.h"

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
extern tSingleMatrix LightnessMatrix;  // image rows x columns, 0..255 floats
extern tByteMatrix ContrastMap;        // q = 19 blur of the q = 1 blur
extern tByteMatrix SharpMap;           // q = 1 blur
extern bool MapsReady;

inline constexpr const char* kPhotoUnit = "PhotoUnit";

/// Checks that the host's row length is width x planes or twice that.
void CheckRowLength();

/// Converts the host's input buffer in place to Lab of the same depth.
void ConvertToLab(bool hostProgress);

void InitPhoto(tPhoto& photo, int32_t width, int32_t height);
void SetPreviewBox(tPhoto& photo, int32_t boxWidth, int32_t boxHeight);
double FitScale(const tPhoto& photo);
void UpdateVisibleRect(tPhoto& photo);
void RescalePhoto(tPhoto& photo, bool withMasks, double scale);
void FreePhoto(tPhoto& photo);

/// The working pixels: 8-bit Lab triples from the start of the host's
/// output buffer, Width x 3 bytes per row.
uint8_t* WorkingPixels();

/// Brings MapsReady, the maps, the masks and tPhoto back to their load-time
/// state before a new image is prepared.
void ResetPhotoState();

}  // namespace velmora

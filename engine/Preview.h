// The corrected preview of the visible part of the working image and the
// corrected snapshot thumbnails, both through the 8-bit kernel and the
// cached Lab-to-display conversion. Bitmaps are 24-bit, blue, green, red.
#pragma once

#include <cstdint>

namespace velmora {

struct tBitmap24;
struct tPhoto;

/// Grey level (all three channels) of the preview around a picture smaller
/// than the box.
inline constexpr uint8_t kPreviewBackground = 209;

/// Fills photo.ScreenBitmap: UpdateVisibleRect, the background grey when the
/// picture is smaller than the box in either direction, then every box pixel
/// of the destination rectangle from working pixel (ScrollX + c - DestLeft,
/// ScrollY + r - DestTop) through the kernel (the masks of Photo, working
/// coordinates) and the display conversion. With showClipping a corrected
/// lightness of 255 is painted pure red and one of 0 pure blue.
void RenderVisiblePart(tPhoto& photo, bool showClipping);

/// Draws the corrected thumbnail of the whole host image with the current
/// settings into canvas (its width and height are the control's W x H). The
/// image is scaled by f = W / image width when it is at least as wide as
/// high, else f = H / image height, centred, and sampled nearest-neighbour
/// from host row and column 0 by accumulated steps of 1/f; the rest of the
/// canvas is the display grey of Lab (128, 128, 128). The kernel runs in
/// host coordinates on the full maps (Photo's masks are not touched).
void RenderThumbnail(tBitmap24& canvas);

/// The grey level of the thumbnail background: the green component of the
/// display rendering of Lab (128, 128, 128).
uint8_t ThumbnailBackground();

}  // namespace velmora

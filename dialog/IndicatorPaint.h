// Drawing helpers of the indicator images. Their colours are 8-bit Lab
// triples (L 0..255, a and b with 128 neutral) shown through the
// Lab-to-display conversion; while the mono switch is on a grey stands for
// each colour.
#pragma once

#include <QColor>
#include <algorithm>
#include <cstdint>

#include "engine/ColorConvert.h"
#include "toolkit/TImage.h"

namespace velmora::dialog {

/// The display colour of (L, a, b); components outside 0..255 are held there.
inline QColor LabDisplayColor(int64_t L, int64_t a, int64_t b) {
    auto clamp = [](int64_t v) { return uint8_t(std::clamp<int64_t>(v, 0, 255)); };
    const uint8_t lab[3] = {clamp(L), clamp(a), clamp(b)};
    uint8_t rgb[3];
    LabToDisplay(lab, rgb);
    return QColor(rgb[0], rgb[1], rgb[2]);
}

/// The colour of (L, a, b), or in mono the grey ((a + b) div 2, 128, 128).
inline QColor IndicatorColor(int64_t L, int64_t a, int64_t b, bool mono) {
    return mono ? LabDisplayColor((a + b) / 2, 128, 128) : LabDisplayColor(L, a, b);
}

/// The image's canvas, its picture first brought to the control's size.
inline ui::TCanvas& SizedCanvas(ui::TImage* image) {
    ui::TBitmap& picture = image->Picture();
    if (picture.Width() != image->Width() || picture.Height() != image->Height()) {
        picture.SetSize(image->Width(), image->Height());
        picture.Canvas().Font = image->font();
    }
    return image->Canvas();
}

/// A one-pixel black frame around a picture of that size; the inside stays.
inline void BlackFrame(ui::TCanvas& canvas, int width, int height) {
    canvas.Pen.Color = Qt::black;
    canvas.Pen.Width = 1;
    canvas.Brush.Style = ui::tBrushStyle::Clear;
    canvas.Rectangle(0, 0, width, height);
    canvas.Brush.Style = ui::tBrushStyle::Solid;
}

/// Column x of a strip, from the top to the bottom edge.
inline void StripColumn(ui::TCanvas& canvas, int x, int height, const QColor& color) {
    canvas.Pen.Color = color;
    canvas.Pen.Width = 1;
    canvas.MoveTo(x, 0);
    canvas.LineTo(x, height);
}

}  // namespace velmora::dialog

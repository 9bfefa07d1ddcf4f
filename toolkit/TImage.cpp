#include "toolkit/TImage.h"

#include <QPainter>
#include <bit>
#include <cstdint>
#include <cstring>

namespace velmora::ui {

TImage::TImage(QWidget* parent) : TControl<QWidget>(parent) {
    setAutoFillBackground(true);
    picture_.OnChange = [this] { PictureChanged(); };
}

TCanvas& TImage::Canvas() {
    if (picture_.Empty() && width() > 0 && height() > 0) {
        picture_.SetSize(width(), height());
        picture_.Canvas().Font = font();
    }
    return picture_.Canvas();
}

void TImage::SetAutoSize(bool autoSize) {
    autoSize_ = autoSize;
    PictureChanged();
}

void TImage::PictureChanged() {
    displayStale_ = true;
    if (autoSize_ && !picture_.Empty() && size() != picture_.Image().size())
        resize(picture_.Image().size());
    update();
}

bool TImage::RefreshDisplay() {
    static_assert(std::endian::native == std::endian::little);
    const QImage& source = picture_.Image();  // bytes B, G, R
    if (display_.size() != source.size()) display_ = QImage(source.size(), QImage::Format_RGB32);
    if (display_.isNull()) return false;  // no memory for the copy
    const int width = source.width();
    for (int y = 0; y < source.height(); ++y) {
        const uint8_t* s = source.constScanLine(y);
        auto* d = reinterpret_cast<uint32_t*>(display_.scanLine(y));
        // Four bytes at a time, the fourth (the next pixel's blue) replaced
        // by the opaque alpha; the last pixel of a row byte by byte.
        int x = 0;
        for (; x + 1 < width; ++x) {
            uint32_t v;
            std::memcpy(&v, s + 3 * size_t(x), sizeof v);
            d[x] = v | 0xFF000000u;
        }
        for (; x < width; ++x)
            d[x] =
                0xFF000000u | uint32_t(s[3 * x + 2]) << 16 | uint32_t(s[3 * x + 1]) << 8 | s[3 * x];
    }
    displayStale_ = false;
    return true;
}

void TImage::paintEvent(QPaintEvent*) {
    if (picture_.Empty()) return;
    QPainter painter(this);
    if (displayStale_ && !RefreshDisplay()) {
        painter.drawImage(0, 0, picture_.Image());
        return;
    }
    painter.drawImage(0, 0, display_);
}

}  // namespace velmora::ui

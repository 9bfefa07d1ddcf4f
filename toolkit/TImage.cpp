#include "toolkit/TImage.h"

#include <QPainter>

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
    if (autoSize_ && !picture_.Empty() && size() != picture_.Image().size())
        resize(picture_.Image().size());
    update();
}

void TImage::paintEvent(QPaintEvent*) {
    if (picture_.Empty()) return;
    QPainter painter(this);
    painter.drawImage(0, 0, picture_.Image());
}

}  // namespace velmora::ui

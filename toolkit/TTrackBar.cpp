#include "toolkit/TTrackBar.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QStyleOptionSlider>
#include <algorithm>

namespace velmora::ui {

namespace {

constexpr int kGrooveThickness = 6;  // pixels across, frame included

}  // namespace

TTrackBar::TTrackBar(QWidget* parent) : TControl<QSlider>(parent) {
    setTickPosition(QSlider::NoTicks);
    QSlider::setRange(0, 10);
    setPageStep(2);
    setSingleStep(1);
    SetOrientation(Qt::Horizontal);
    connect(this, &QAbstractSlider::valueChanged, this, [this] { Raise(OnChange); });
}

void TTrackBar::SetMin(int min) {
    Guarded([&] { QSlider::setMinimum(min); });
}

void TTrackBar::SetMax(int max) {
    Guarded([&] { QSlider::setMaximum(max); });
}

void TTrackBar::SetRange(int min, int max) {
    Guarded([&] { QSlider::setRange(min, max); });
}

void TTrackBar::SetPosition(int position) {
    Guarded([&] { QSlider::setValue(position); });  // clamps into the range
}

void TTrackBar::SetOrientation(Qt::Orientation orientation) {
    QSlider::setOrientation(orientation);
    const bool vertical = orientation == Qt::Vertical;
    setInvertedAppearance(vertical);  // minimum at the top
    setInvertedControls(vertical);    // Up and the wheel move the thumb up
    update();
}

void TTrackBar::SetSelStart(int position) {
    SetSelection(position, selEnd_);
}

void TTrackBar::SetSelEnd(int position) {
    SetSelection(selStart_, position);
}

void TTrackBar::SetSelection(int start, int end) {
    if (start == selStart_ && end == selEnd_) return;
    selStart_ = start;
    selEnd_ = end;
    update();
}

void TTrackBar::SetSliderVisible(bool visible) {
    if (visible == sliderVisible_) return;
    sliderVisible_ = visible;
    update();
}

QRect TTrackBar::ThumbRect() const {
    QStyleOptionSlider option;
    initStyleOption(&option);
    return style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
}

int TTrackBar::PixelOf(int position) const {
    // The same mapping QSlider uses for the thumb, taken at the thumb's centre.
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect groove =
        style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
    const QRect thumb = ThumbRect();
    const bool horizontal = orientation() == Qt::Horizontal;
    const int length = horizontal ? thumb.width() : thumb.height();
    const int first = horizontal ? groove.x() : groove.y();
    const int last = (horizontal ? groove.right() : groove.bottom()) - length + 1;
    const int clamped = std::clamp(position, minimum(), maximum());
    return first +
           QStyle::sliderPositionFromValue(minimum(), maximum(), clamped, last - first,
                                           option.upsideDown) +
           length / 2;
}

QRect TTrackBar::GrooveRect() const {
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect groove =
        style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
    const QPoint centre = ThumbRect().center();
    if (orientation() == Qt::Horizontal)
        return QRect(groove.left() + 2, centre.y() - kGrooveThickness / 2, groove.width() - 4,
                     kGrooveThickness);
    return QRect(centre.x() - kGrooveThickness / 2, groove.top() + 2, kGrooveThickness,
                 groove.height() - 4);
}

void TTrackBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QPalette& palette = option.palette;

    // A sunken channel ...
    const QRect groove = GrooveRect();
    painter.setPen(palette.color(QPalette::Dark));
    painter.setBrush(palette.color(QPalette::Base));
    painter.drawRect(groove.adjusted(0, 0, -1, -1));

    // ... with the selection band between the centres of its two ends ...
    const int low = std::max(selStart_, minimum());
    const int high = std::min(selEnd_, maximum());
    if (selEnd_ > selStart_ && low < high) {
        const int a = PixelOf(low), b = PixelOf(high);
        const QRect inner = groove.adjusted(1, 1, -1, -1);
        QRect band = orientation() == Qt::Horizontal
                         ? QRect(std::min(a, b), inner.top(), std::abs(b - a) + 1, inner.height())
                         : QRect(inner.left(), std::min(a, b), inner.width(), std::abs(b - a) + 1);
        painter.fillRect(band.intersected(inner), palette.color(QPalette::Highlight));
    }

    // ... and the style's thumb, no tick marks.
    if (sliderVisible_) {
        option.subControls = QStyle::SC_SliderHandle;
        option.tickPosition = QSlider::NoTicks;
        style()->drawComplexControl(QStyle::CC_Slider, &option, &painter, this);
    }
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = rect().adjusted(1, 1, -1, -1);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

}  // namespace velmora::ui

#include "toolkit/TStatusBar.h"

#include <QFontMetrics>
#include <QPainter>
#include <QStringList>
#include <stdexcept>
#include <string>

namespace velmora::ui {

namespace {

constexpr int kTextMargin = 3;

}  // namespace

void TStatusPanel::SetText(const QString& text) {
    if (text == text_) return;
    text_ = text;
    owner_.update();
}

void TStatusPanel::SetWidth(int width) {
    width_ = width < 0 ? 0 : width;
    owner_.update();
}

TStatusBar::TStatusBar(QWidget* parent) : TControl<QWidget>(parent) {
    setAutoFillBackground(true);
    resize(parent ? parent->width() : 100, 19);
    SetAlign(tAlign::Bottom);
}

TStatusBar::~TStatusBar() = default;

void TStatusBar::SetPanelCount(int count) {
    if (count < 0) count = 0;
    while (PanelCount() > count) panels_.pop_back();
    while (PanelCount() < count)
        panels_.push_back(std::unique_ptr<TStatusPanel>(new TStatusPanel(*this, 50)));
    update();
}

TStatusPanel& TStatusBar::Panel(int index) {
    if (index < 0 || index >= PanelCount())
        throw std::out_of_range("TStatusBar::Panel: index " + std::to_string(index));
    return *panels_[static_cast<size_t>(index)];
}

const TStatusPanel& TStatusBar::Panel(int index) const {
    return const_cast<TStatusBar*>(this)->Panel(index);
}

QRect TStatusBar::PanelRect(int index) const {
    int left = 0;
    for (int i = 0; i < index; ++i) left += Panel(i).Width();
    const int right = index == PanelCount() - 1 ? width() : left + Panel(index).Width();
    return QRect(left, 0, std::max(0, right - left), height());
}

int TStatusBar::TextWidth(const QString& text) const {
    return QFontMetrics(font()).horizontalAdvance(text);
}

QRect TStatusBar::PanelTextRect(int index) const {
    return PanelRect(index).adjusted(0, 2, -2, 0).adjusted(kTextMargin, 1, -kTextMargin, -1);
}

QFont TStatusBar::PanelFont(int index) const {
    QFont f = font();
    const QString& text = Panel(index).Text();
    const int room = PanelTextRect(index).width();
    if (text.isEmpty() || QFontMetrics(f).horizontalAdvance(text) <= room) return f;
    // Steps of a quarter point (or one pixel for a pixel-sized font), down
    // to three quarters of the bar's size.
    const bool points = f.pointSizeF() > 0;
    const qreal size = points ? f.pointSizeF() : qreal(f.pixelSize());
    const qreal step = points ? 0.25 : 1.0;
    for (qreal s = size - step; s >= size * 0.75; s -= step) {
        if (points)
            f.setPointSizeF(s);
        else
            f.setPixelSize(int(s));
        if (QFontMetrics(f).horizontalAdvance(text) <= room) break;
    }
    return f;
}

QString TStatusBar::PanelWidthsText() const {
    QStringList widths;
    for (const auto& panel : panels_) widths << QString::number(panel->Width());
    return widths.join(',');
}

void TStatusBar::SetPanelWidthsText(const QString& text) {
    const QStringList parts = text.split(',', Qt::SkipEmptyParts);
    SetPanelCount(static_cast<int>(parts.size()));
    for (int i = 0; i < PanelCount(); ++i) Panel(i).SetWidth(parts[i].trimmed().toInt());
}

void TStatusBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPalette& p = palette();
    for (int i = 0; i < PanelCount(); ++i) {
        const QRect cell = PanelRect(i).adjusted(0, 2, -2, 0);
        if (cell.width() < 2) continue;
        // A thin sunken frame around each panel.
        painter.setPen(p.color(QPalette::Dark));
        painter.drawLine(cell.topLeft(), cell.topRight());
        painter.drawLine(cell.topLeft(), cell.bottomLeft());
        painter.setPen(p.color(QPalette::Light));
        painter.drawLine(cell.bottomLeft(), cell.bottomRight());
        painter.drawLine(cell.topRight(), cell.bottomRight());
        const QRect text = PanelTextRect(i);
        painter.setPen(p.color(QPalette::WindowText));
        painter.setFont(PanelFont(i));
        painter.setClipRect(text);
        painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter, Panel(i).Text());
        painter.setClipping(false);
    }
}

}  // namespace velmora::ui

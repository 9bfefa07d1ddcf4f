#include "toolkit/TPanel.h"

#include <QPainter>
#include <QtDebug>

namespace velmora::ui {

namespace {

QString BevelName(tBevel bevel) {
    switch (bevel) {
        case tBevel::Lowered:
            return QStringLiteral("lowered");
        case tBevel::Raised:
            return QStringLiteral("raised");
        default:
            return QStringLiteral("none");
    }
}

bool ParseBevel(QString text, tBevel& bevel) {
    text = text.trimmed().toLower();
    if (text.startsWith("bv")) text.remove(0, 2);
    if (text == "none")
        bevel = tBevel::None;
    else if (text == "lowered")
        bevel = tBevel::Lowered;
    else if (text == "raised")
        bevel = tBevel::Raised;
    else
        return false;
    return true;
}

// A bevel `width` pixels wide just inside `rect`; returns the rectangle
// inside it.
QRect DrawBevel(QPainter& painter, QRect rect, tBevel bevel, int width, const QPalette& palette) {
    if (bevel == tBevel::None) return rect;
    const QColor light = palette.color(QPalette::Light);
    const QColor dark = palette.color(QPalette::Dark);
    const QColor& topLeft = bevel == tBevel::Raised ? light : dark;
    const QColor& bottomRight = bevel == tBevel::Raised ? dark : light;
    for (int i = 0; i < width && rect.width() > 1 && rect.height() > 1; ++i) {
        painter.setPen(topLeft);
        painter.drawLine(rect.topLeft(), rect.topRight() - QPoint(1, 0));
        painter.drawLine(rect.topLeft(), rect.bottomLeft() - QPoint(0, 1));
        painter.setPen(bottomRight);
        painter.drawLine(rect.bottomLeft(), rect.bottomRight());
        painter.drawLine(rect.topRight(), rect.bottomRight());
        rect.adjust(1, 1, -1, -1);
    }
    return rect;
}

}  // namespace

TPanel::TPanel(QWidget* parent) : TControl<QFrame>(parent) {
    setFrameShape(QFrame::NoFrame);
    setAutoFillBackground(true);
    UpdateInset();
}

void TPanel::SetCaption(const QString& caption) {
    caption_ = caption;
    update();
}

void TPanel::SetBevelOuter(tBevel bevel) {
    outer_ = bevel;
    UpdateInset();
}

void TPanel::SetBevelInner(tBevel bevel) {
    inner_ = bevel;
    UpdateInset();
}

void TPanel::SetBevelWidth(int width) {
    bevelWidth_ = width < 1 ? 1 : width;
    UpdateInset();
}

void TPanel::SetBorderWidth(int width) {
    borderWidth_ = width < 0 ? 0 : width;
    UpdateInset();
}

int TPanel::Inset() const {
    return (outer_ != tBevel::None ? bevelWidth_ : 0) + (inner_ != tBevel::None ? bevelWidth_ : 0) +
           borderWidth_;
}

void TPanel::UpdateInset() {
    const int i = Inset();
    setContentsMargins(i, i, i, i);
    RealignChildren(this);
    update();
}

QString TPanel::BevelOuterText() const {
    return BevelName(outer_);
}

QString TPanel::BevelInnerText() const {
    return BevelName(inner_);
}

void TPanel::SetBevelOuterText(const QString& text) {
    tBevel bevel;
    if (ParseBevel(text, bevel))
        SetBevelOuter(bevel);
    else
        qWarning("%s: unknown BevelOuter \"%s\"", qPrintable(objectName()), qPrintable(text));
}

void TPanel::SetBevelInnerText(const QString& text) {
    tBevel bevel;
    if (ParseBevel(text, bevel))
        SetBevelInner(bevel);
    else
        qWarning("%s: unknown BevelInner \"%s\"", qPrintable(objectName()), qPrintable(text));
}

void TPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QRect r = DrawBevel(painter, rect(), outer_, bevelWidth_, palette());
    r.adjust(borderWidth_, borderWidth_, -borderWidth_, -borderWidth_);
    r = DrawBevel(painter, r, inner_, bevelWidth_, palette());
    if (!caption_.isEmpty()) {
        painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled,
                                       QPalette::WindowText));
        painter.drawText(r, Qt::AlignCenter, caption_);
    }
}

}  // namespace velmora::ui

#include "toolkit/TCanvas.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <cstdlib>

#include "toolkit/TBitmap.h"

namespace velmora::ui {

TCanvas::TCanvas(TBitmap& bitmap) : Font(QGuiApplication::font()), bitmap_(bitmap) {}

template <class F>
void TCanvas::Paint(F&& draw) {
    QImage& image = bitmap_.image_;
    if (image.isNull()) return;
    {
        QPainter painter(&image);
        draw(painter);
    }
    bitmap_.Changed();
}

void TCanvas::LineTo(int x, int y) {
    const QPoint from = PenPos;
    PenPos = QPoint(x, y);
    if (Pen.Width > 1) {
        Paint([&](QPainter& p) {
            p.setPen(QPen(Pen.Color, Pen.Width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.drawLine(from, PenPos);
        });
        return;
    }
    // Bresenham from `from` towards (x, y), stopping before the end point.
    QImage& image = bitmap_.image_;
    if (image.isNull()) return;
    const QRgb rgb = Pen.Color.rgb();
    int cx = from.x(), cy = from.y();
    const int dx = std::abs(x - cx), dy = -std::abs(y - cy);
    const int sx = cx < x ? 1 : -1, sy = cy < y ? 1 : -1;
    int error = dx + dy;
    while (cx != x || cy != y) {
        if (image.rect().contains(cx, cy)) image.setPixel(cx, cy, rgb);
        const int e2 = 2 * error;
        if (e2 >= dy) {
            error += dy;
            cx += sx;
        }
        if (e2 <= dx) {
            error += dx;
            cy += sy;
        }
    }
    bitmap_.Changed();
}

void TCanvas::Rectangle(int x1, int y1, int x2, int y2) {
    if (x2 <= x1 || y2 <= y1) return;
    Paint([&](QPainter& p) {
        if (Brush.Style == tBrushStyle::Solid)
            p.fillRect(QRect(x1, y1, x2 - x1, y2 - y1), Brush.Color);
        p.setPen(QPen(Pen.Color, Pen.Width));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRect(x1, y1, x2 - x1 - 1, y2 - y1 - 1));
    });
}

void TCanvas::Ellipse(int x1, int y1, int x2, int y2) {
    if (x2 <= x1 || y2 <= y1) return;
    Paint([&](QPainter& p) {
        p.setPen(QPen(Pen.Color, Pen.Width));
        p.setBrush(Brush.Style == tBrushStyle::Solid ? QBrush(Brush.Color) : QBrush());
        p.drawEllipse(QRect(x1, y1, x2 - x1 - 1, y2 - y1 - 1));
    });
}

void TCanvas::FillRect(const QRect& rect) {
    Paint([&](QPainter& p) { p.fillRect(rect, Brush.Color); });
}

void TCanvas::FrameRect(const QRect& rect) {
    if (rect.isEmpty()) return;
    Paint([&](QPainter& p) {
        p.setPen(Brush.Color);
        p.setBrush(Qt::NoBrush);
        p.drawRect(rect.adjusted(0, 0, -1, -1));
    });
}

void TCanvas::TextOut(int x, int y, const QString& text) {
    Paint([&](QPainter& p) {
        p.setFont(Font);
        const QFontMetrics metrics(Font);
        const QRect cell(x, y, metrics.horizontalAdvance(text), metrics.height());
        if (Brush.Style == tBrushStyle::Solid) p.fillRect(cell, Brush.Color);
        p.setPen(FontColor);
        p.drawText(QPoint(x, y + metrics.ascent()), text);
    });
    PenPos = QPoint(x + QFontMetrics(Font).horizontalAdvance(text), y);
}

int TCanvas::TextWidth(const QString& text) const {
    return QFontMetrics(Font).horizontalAdvance(text);
}

int TCanvas::TextHeight(const QString&) const {
    return QFontMetrics(Font).height();
}

void TCanvas::Draw(int x, int y, const QImage& image) {
    if (image.isNull()) return;
    Paint([&](QPainter& p) { p.drawImage(x, y, image); });
}

void TCanvas::Draw(int x, int y, const TBitmap& bitmap) {
    Draw(x, y, bitmap.Image());
}

QColor TCanvas::Pixel(int x, int y) const {
    const QImage& image = bitmap_.Image();
    return image.rect().contains(x, y) ? image.pixelColor(x, y) : QColor();
}

void TCanvas::SetPixel(int x, int y, const QColor& color) {
    QImage& image = bitmap_.image_;
    if (!image.rect().contains(x, y)) return;
    image.setPixelColor(x, y, color);
    bitmap_.Changed();
}

}  // namespace velmora::ui

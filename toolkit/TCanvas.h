// Drawing on a TBitmap with a pen, a brush and a font, in the manner of the
// platform the dialog was designed for: right and bottom edges of rectangles
// and the end point of a one-pixel line are not drawn; a clear brush leaves
// the inside of shapes and the background of text untouched.
#pragma once

#include <QColor>
#include <QFont>
#include <QPoint>
#include <QRect>
#include <QString>

class QImage;
class QPainter;

namespace velmora::ui {

class TBitmap;

struct tPen {
    QColor Color = Qt::black;
    int Width = 1;
};

enum class tBrushStyle { Solid, Clear };

struct tBrush {
    QColor Color = Qt::white;
    tBrushStyle Style = tBrushStyle::Solid;
};

class TCanvas {
  public:
    explicit TCanvas(TBitmap& bitmap);

    tPen Pen;
    tBrush Brush;
    QFont Font;
    QColor FontColor = Qt::black;
    QPoint PenPos;

    void MoveTo(int x, int y) { PenPos = QPoint(x, y); }
    /// A line from PenPos to (x, y), which becomes PenPos; with a one-pixel
    /// pen (x, y) itself is not drawn.
    void LineTo(int x, int y);
    /// Outline with the pen, inside with the brush; covers x1..x2-1, y1..y2-1.
    void Rectangle(int x1, int y1, int x2, int y2);
    /// The ellipse inscribed in the same box.
    void Ellipse(int x1, int y1, int x2, int y2);
    /// Fills with the brush colour (whatever the brush style).
    void FillRect(const QRect& rect);
    /// A one-pixel frame in the brush colour just inside the rectangle.
    void FrameRect(const QRect& rect);
    /// Text with its top-left corner at (x, y) in FontColor; with a solid
    /// brush its cell is first filled with the brush colour.
    void TextOut(int x, int y, const QString& text);
    int TextWidth(const QString& text) const;
    int TextHeight(const QString& text) const;
    /// Copies an image or bitmap with its top-left corner at (x, y).
    void Draw(int x, int y, const QImage& image);
    void Draw(int x, int y, const TBitmap& bitmap);
    /// One pixel; reading outside the bitmap gives an invalid colour and
    /// writing there does nothing.
    QColor Pixel(int x, int y) const;
    void SetPixel(int x, int y, const QColor& color);

  private:
    template <class F>
    void Paint(F&& draw);

    TBitmap& bitmap_;
};

}  // namespace velmora::ui

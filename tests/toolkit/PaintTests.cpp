// What the controls and the canvas draw, checked on grabbed pixels.
#include <gtest/gtest.h>

#include <QTest>

#include "toolkit/TBitmap.h"
#include "toolkit/TCanvas.h"
#include "toolkit/TEdit.h"
#include "toolkit/TForm.h"
#include "toolkit/TImage.h"
#include "toolkit/TTrackBar.h"

namespace velmora::ui {
namespace {

QImage Grab(QWidget& widget) {
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

class TrackBarPaintTest : public ::testing::Test {
  protected:
    void SetUp() override {
        bar.SetBounds(0, 0, 220, 30);
        bar.SetRange(-50, 50);
        highlight = bar.palette().color(QPalette::Highlight).rgb();
    }
    // Highlight pixels along the groove's middle row, as positions.
    std::vector<int> BandPositions() {
        const QImage image = Grab(bar);
        const int y = bar.GrooveRect().center().y();
        std::vector<int> positions;
        for (int p = bar.Min(); p <= bar.Max(); ++p)
            if (image.pixel(bar.PixelOf(p), y) == highlight) positions.push_back(p);
        return positions;
    }
    TForm form;
    TTrackBar bar{&form};
    QRgb highlight = 0;
};

TEST_F(TrackBarPaintTest, TheSelectionBandCoversSelStartToSelEnd) {
    bar.SetSliderVisible(false);
    bar.SetSelection(-10, 20);
    const std::vector<int> band = BandPositions();
    ASSERT_FALSE(band.empty());
    EXPECT_EQ(band.front(), -10);
    EXPECT_EQ(band.back(), 20);
    EXPECT_EQ(band.size(), 31u);
    // Clipped to the range; nothing when SelEnd is not above SelStart.
    bar.SetSelection(30, 127);
    EXPECT_EQ(BandPositions().front(), 30);
    EXPECT_EQ(BandPositions().back(), 50);
    bar.SetSelection(0, 0);
    EXPECT_TRUE(BandPositions().empty());
    bar.SetSelection(5, -5);
    EXPECT_TRUE(BandPositions().empty());
}

TEST_F(TrackBarPaintTest, AHiddenSliderLeavesOnlyTheGroove) {
    bar.SetPosition(-30);
    auto thumbPixels = [&] {
        // Pixels of the thumb's box outside the groove that are not background.
        const QImage image = Grab(bar);
        const QRgb background = image.pixel(0, 0);
        const QRect groove = bar.GrooveRect();
        int count = 0;
        const QRect thumb = bar.ThumbRect();
        for (int y = thumb.top(); y <= thumb.bottom(); ++y)
            for (int x = thumb.left(); x <= thumb.right(); ++x)
                if (!groove.contains(x, y) && image.pixel(x, y) != background) ++count;
        return count;
    };
    EXPECT_GT(thumbPixels(), 20);
    bar.SetSliderVisible(false);
    EXPECT_EQ(thumbPixels(), 0);
    bar.SetSliderVisible(true);
    EXPECT_GT(thumbPixels(), 20);
}

TEST(CanvasTest, ShapesLeaveOutTheirRightAndBottomEdgesAndClearBrushesTheInside) {
    TBitmap bitmap(20, 20);
    TCanvas& c = bitmap.Canvas();
    c.Pen.Color = Qt::black;
    c.MoveTo(2, 2);
    c.LineTo(10, 2);
    EXPECT_EQ(c.PenPos, QPoint(10, 2));
    EXPECT_EQ(c.Pixel(9, 2), QColor(Qt::black));
    EXPECT_EQ(c.Pixel(10, 2), QColor(Qt::white));  // the end point is not drawn
    c.Brush.Style = tBrushStyle::Clear;
    c.Pen.Color = Qt::red;
    c.Rectangle(4, 4, 12, 12);
    EXPECT_EQ(c.Pixel(4, 4), QColor(Qt::red));
    EXPECT_EQ(c.Pixel(11, 11), QColor(Qt::red));
    EXPECT_EQ(c.Pixel(12, 12), QColor(Qt::white));
    EXPECT_EQ(c.Pixel(8, 8), QColor(Qt::white));
    c.Brush.Style = tBrushStyle::Solid;
    c.Brush.Color = Qt::blue;
    c.Rectangle(4, 4, 12, 12);
    EXPECT_EQ(c.Pixel(8, 8), QColor(Qt::blue));
    EXPECT_FALSE(c.Pixel(20, 0).isValid());
}

TEST(CanvasTest, ClearBrushTextKeepsTheBackgroundAndRowsAreBlueGreenRed) {
    TBitmap bitmap(60, 20);
    TCanvas& c = bitmap.Canvas();
    c.Brush.Color = QColor(153, 153, 153);
    c.FillRect(QRect(0, 0, 60, 20));
    c.Brush.Style = tBrushStyle::Clear;
    c.FontColor = Qt::white;
    c.TextOut(2, 2, "000");
    int text = 0;
    for (int x = 0; x < 60; ++x)
        for (int y = 0; y < 20; ++y) text += c.Pixel(x, y) != QColor(153, 153, 153);
    EXPECT_GT(text, 20);
    EXPECT_EQ(c.Pixel(2 + c.TextWidth("000") + 1, 2), QColor(153, 153, 153));
    bitmap.ScanLine(5)[0] = 10;  // blue
    bitmap.ScanLine(5)[1] = 20;  // green
    bitmap.ScanLine(5)[2] = 30;  // red
    EXPECT_EQ(c.Pixel(0, 5), QColor(30, 20, 10));
    EXPECT_THROW(bitmap.ScanLine(20), std::out_of_range);
}

TEST(ImagePaintTest, TheControlShowsItsCanvasAndFollowsChanges) {
    TForm form;
    TImage image(&form);
    image.SetBounds(0, 0, 40, 30);
    TCanvas& canvas = image.Canvas();
    EXPECT_EQ(image.Picture().Width(), 40);
    canvas.Brush.Color = Qt::red;
    canvas.FillRect(QRect(0, 0, 40, 30));
    EXPECT_EQ(Grab(image).pixel(20, 15), QColor(Qt::red).rgb());
    canvas.SetPixel(20, 15, Qt::green);
    EXPECT_EQ(Grab(image).pixel(20, 15), QColor(Qt::green).rgb());
    // Rows written directly (blue, green, red bytes), then announced.
    uint8_t* row = image.Picture().ScanLine(3);
    row[3 * 7] = 10, row[3 * 7 + 1] = 20, row[3 * 7 + 2] = 30;
    image.Picture().Changed();
    EXPECT_EQ(Grab(image).pixel(7, 3), QColor(30, 20, 10).rgb());
    EXPECT_EQ(Grab(image).pixel(20, 15), QColor(Qt::green).rgb());
    // A new size shows the new picture whole.
    image.Picture().SetSize(40, 30);
    EXPECT_EQ(Grab(image).pixel(39, 29), QColor(Qt::white).rgb());
    // An image that takes its picture's size.
    TImage shot(&form);
    shot.SetAutoSize(true);
    shot.Picture().SetSize(32, 32);
    EXPECT_EQ(shot.size(), QSize(32, 32));
}

TEST(EditPaintTest, ColorIsTheFieldsBackground) {
    TForm form;
    TEdit edit(&form);
    edit.SetBounds(0, 0, 60, 22);
    edit.SetColor(QColor(200, 60, 60));
    EXPECT_EQ(Grab(edit).pixel(30, 11), QColor(200, 60, 60).rgb());
}

}  // namespace
}  // namespace velmora::ui

// A 24-bit bitmap with row access: each row holds Width() pixels of three
// bytes, blue, green, red (the order of the working image's bitmaps), rows
// padded to four bytes. Drawn on through its Canvas().
#pragma once

#include <QImage>
#include <cstdint>
#include <functional>
#include <memory>

namespace velmora::ui {

class TCanvas;

class TBitmap {
  public:
    TBitmap();
    TBitmap(int width, int height);
    ~TBitmap();
    TBitmap(const TBitmap&) = delete;
    TBitmap& operator=(const TBitmap&) = delete;

    int Width() const { return image_.width(); }
    int Height() const { return image_.height(); }
    bool Empty() const { return image_.isNull(); }
    /// Re-creates the bitmap at a new size, filled with white; a size of
    /// zero (or less) either way empties it.
    void SetSize(int width, int height);
    /// Copies an image, converted to 24 bits.
    void Assign(const QImage& image);
    const QImage& Image() const { return image_; }

    /// Row y (0 at the top); a row outside the bitmap throws std::out_of_range.
    uint8_t* ScanLine(int y);
    const uint8_t* ScanLine(int y) const;
    int BytesPerLine() const { return static_cast<int>(image_.bytesPerLine()); }

    TCanvas& Canvas() { return *canvas_; }

    /// Raised after drawing through the canvas, SetSize, Assign and Changed.
    std::function<void()> OnChange;
    /// Reports pixels written through ScanLine.
    void Changed();

  private:
    friend class TCanvas;
    QImage image_;
    std::unique_ptr<TCanvas> canvas_;
};

}  // namespace velmora::ui

// An image control: shows a 24-bit picture at its top-left corner and lets
// code draw into it through Canvas(). The control repaints whenever the
// picture changes (after ScanLine writes, call Picture().Changed()).
#pragma once

#include <QWidget>

#include "toolkit/TBitmap.h"
#include "toolkit/TCanvas.h"
#include "toolkit/TControl.h"

namespace velmora::ui {

class TImage : public TControl<QWidget> {
    Q_OBJECT
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)

  public:
    explicit TImage(QWidget* parent = nullptr);

    TBitmap& Picture() { return picture_; }
    /// The picture's canvas; an empty picture is first created at the
    /// control's size.
    TCanvas& Canvas();

    /// The control takes the size of its picture.
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool autoSize);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void PictureChanged();
    // Remakes the copy; false when there is no memory for it.
    bool RefreshDisplay();

    TBitmap picture_;
    // The picture in the painter's own pixel format, made again after each
    // change: a 24-bit image would be converted on every paint instead.
    QImage display_;
    bool displayStale_ = true;
    bool autoSize_ = false;
};

}  // namespace velmora::ui

// A trackbar (slider). Position always lies in [Min, Max]: setting it, or
// the range, clamps it, and OnChange fires whenever the position changes,
// by the user or by code. A vertical trackbar has its minimum at the top
// (Up moves the thumb up, towards Min). A selection band [SelStart, SelEnd]
// is drawn on the groove; there are no tick marks; the thumb can be hidden.
#pragma once

#include <QSlider>

#include "toolkit/TControl.h"

namespace velmora::ui {

class TTrackBar : public TControl<QSlider> {
    Q_OBJECT
    Q_PROPERTY(int SelStart READ SelStart WRITE SetSelStart)
    Q_PROPERTY(int SelEnd READ SelEnd WRITE SetSelEnd)
    Q_PROPERTY(bool SliderVisible READ SliderVisible WRITE SetSliderVisible)

  public:
    explicit TTrackBar(QWidget* parent = nullptr);

    tNotify OnChange;

    int Min() const { return minimum(); }
    int Max() const { return maximum(); }
    int Position() const { return value(); }
    void SetMin(int min);
    void SetMax(int max);
    void SetRange(int min, int max);
    void SetPosition(int position);

    /// Step of a click beside the thumb and of Page Up / Page Down (2).
    int PageSize() const { return pageStep(); }
    void SetPageSize(int size) { setPageStep(size); }
    /// Step of the arrow keys (1).
    int LineSize() const { return singleStep(); }
    void SetLineSize(int size) { setSingleStep(size); }

    Qt::Orientation Orientation() const { return orientation(); }
    void SetOrientation(Qt::Orientation orientation);

    /// The selection band, in positions; nothing is drawn while SelEnd is
    /// not above SelStart. The band is clipped to the range when drawn.
    int SelStart() const { return selStart_; }
    int SelEnd() const { return selEnd_; }
    void SetSelStart(int position);
    void SetSelEnd(int position);
    void SetSelection(int start, int end);

    bool SliderVisible() const { return sliderVisible_; }
    void SetSliderVisible(bool visible);

    /// Groove and thumb rectangles as painted (for tests and hit tests).
    QRect GrooveRect() const;
    QRect ThumbRect() const;
    /// Pixel offset along the groove of a position's centre.
    int PixelOf(int position) const;

    // The form's uic code sets Qt's properties; route them through ours.
    void setOrientation(Qt::Orientation orientation) { SetOrientation(orientation); }
    void setMinimum(int min) { SetMin(min); }
    void setMaximum(int max) { SetMax(max); }
    void setValue(int position) { SetPosition(position); }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    int selStart_ = 0;
    int selEnd_ = 0;
    bool sliderVisible_ = true;
};

}  // namespace velmora::ui

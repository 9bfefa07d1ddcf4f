// A progress bar without text. Position is clamped into [Min, Max] (Qt's bar
// would ignore a value outside); a bar is repainted at once when the filled
// part grows or shrinks by a pixel, so progress shows during long work.
#pragma once

#include <QProgressBar>

#include "toolkit/TControl.h"

namespace velmora::ui {

class TProgressBar : public TControl<QProgressBar> {
    Q_OBJECT

  public:
    explicit TProgressBar(QWidget* parent = nullptr);

    int Min() const { return min_; }
    int Max() const { return max_; }
    int Position() const { return position_; }
    void SetMin(int min) { SetRange(min, max_ < min ? min : max_); }
    void SetMax(int max) { SetRange(min_ > max ? max : min_, max); }
    void SetRange(int min, int max);
    void SetPosition(int position);

    // The form's uic code sets Qt's properties; route them through ours.
    void setMinimum(int min) { SetMin(min); }
    void setMaximum(int max) { SetMax(max); }
    void setRange(int min, int max) { SetRange(min, max); }
    void setValue(int position) { SetPosition(position); }

  private:
    void Apply();
    int FilledPixels() const;

    int min_ = 0;
    int max_ = 100;
    int position_ = 0;
};

}  // namespace velmora::ui

#include "toolkit/TProgressBar.h"

#include <algorithm>

namespace velmora::ui {

TProgressBar::TProgressBar(QWidget* parent) : TControl<QProgressBar>(parent) {
    setTextVisible(false);
    Apply();
}

void TProgressBar::SetRange(int min, int max) {
    min_ = min;
    max_ = std::max(min, max);
    position_ = std::clamp(position_, min_, max_);
    Apply();
}

void TProgressBar::SetPosition(int position) {
    position = std::clamp(position, min_, max_);
    if (position == position_) return;
    const int before = FilledPixels();
    position_ = position;
    Apply();
    if (FilledPixels() != before && isVisible()) repaint();
}

int TProgressBar::FilledPixels() const {
    if (max_ <= min_) return 0;
    return static_cast<int>(static_cast<long long>(width()) * (position_ - min_) / (max_ - min_));
}

void TProgressBar::Apply() {
    // An empty range would make Qt's bar show a busy animation.
    if (max_ > min_) {
        QProgressBar::setRange(min_, max_);
        QProgressBar::setValue(position_);
    } else {
        QProgressBar::setRange(0, 1);
        QProgressBar::setValue(0);
    }
}

}  // namespace velmora::ui

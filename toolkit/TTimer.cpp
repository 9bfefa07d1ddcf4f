#include "toolkit/TTimer.h"

namespace velmora::ui {

TTimer::TTimer(QObject* parent) : QObject(parent) {
    connect(&timer_, &QTimer::timeout, this, [this] { Raise(OnTimer); });
    Restart();
}

void TTimer::SetInterval(int ms) {
    interval_ = ms < 0 ? 0 : ms;
    Restart();
}

void TTimer::SetEnabled(bool enabled) {
    enabled_ = enabled;
    Restart();
}

void TTimer::Restart() {
    timer_.stop();
    if (enabled_ && interval_ > 0) timer_.start(interval_);
}

}  // namespace velmora::ui

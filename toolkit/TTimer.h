// A timer: raises OnTimer every Interval milliseconds while Enabled (both
// may change at any time; a change restarts the interval). Enabled from
// creation, 1000 ms.
#pragma once

#include <QObject>
#include <QTimer>

#include "toolkit/TControl.h"

namespace velmora::ui {

class TTimer : public QObject {
    Q_OBJECT

  public:
    explicit TTimer(QObject* parent = nullptr);

    tNotify OnTimer;

    int Interval() const { return interval_; }
    void SetInterval(int ms);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);

  private:
    void Restart();

    QTimer timer_;
    int interval_ = 1000;
    bool enabled_ = true;
};

}  // namespace velmora::ui

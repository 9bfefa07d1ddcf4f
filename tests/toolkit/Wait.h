// Lets events run until a condition holds or a generous deadline passes, so
// that tests of timed behaviour do not depend on the machine's load.
#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTest>

namespace velmora::ui {

template <class Condition>
bool WaitUntil(Condition condition, int timeoutMs = 3000) {
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired()) return false;
        QTest::qWait(5);
    }
    return true;
}

}  // namespace velmora::ui

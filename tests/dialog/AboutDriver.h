// Acting on the module's about box from the test side. The box runs inside
// the module's own message loop (within the ENTRYPOINT call), so the test
// hands over an action first; a timer of the application runs it once the
// box is up. When the module is the one that creates the QApplication, the
// watch starts from Qt's start-up routine (qAddPreRoutine).
//
// A box that never comes up, or that the action leaves open, is closed
// after 10 s and counted in ForcedCloses(), so a fault fails the test
// instead of hanging it.
#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <utility>

namespace velmora::test {

using tAboutAction = std::function<void(QWidget& form)>;

inline tAboutAction& PendingAboutAction() {
    static tAboutAction action;
    return action;
}

inline int& ForcedCloses() {
    static int count = 0;
    return count;
}

inline QWidget* VisibleAboutBox() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String("TAboutForm") && w->isVisible()) return w;
    return nullptr;
}

inline void StartWatchingForAboutBox() {
    auto* timer = new QTimer(QCoreApplication::instance());
    auto clock = std::make_shared<QElapsedTimer>();
    auto acted = std::make_shared<bool>(false);
    clock->start();
    QObject::connect(timer, &QTimer::timeout, timer, [timer, clock, acted] {
        QWidget* form = VisibleAboutBox();
        if (form && !*acted) {
            *acted = true;
            tAboutAction action = std::exchange(PendingAboutAction(), {});
            if (action) action(*form);
            form = VisibleAboutBox();
        }
        if (*acted && !form) {
            timer->stop();
            timer->deleteLater();
        } else if (clock->elapsed() > 10000) {
            ++ForcedCloses();
            qWarning("about driver: the about box was closed by force");
            QApplication::closeAllWindows();
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start(10);
}

/// Runs `action` on the about box of the next about call.
inline void OnAboutBox(tAboutAction action) {
    PendingAboutAction() = std::move(action);
    if (QCoreApplication::instance()) StartWatchingForAboutBox();
}

/// Call once, before the module may create the QApplication.
inline void WatchFromApplicationStart() {
    static bool added = false;
    if (added) return;
    added = true;
    qAddPreRoutine([] {
        if (PendingAboutAction())
            QMetaObject::invokeMethod(QCoreApplication::instance(), &StartWatchingForAboutBox,
                                      Qt::QueuedConnection);
    });
}

}  // namespace velmora::test

#include "toolkit/TApplication.h"

#include <xcb/xcb.h>

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QEventLoop>
#include <QFileInfo>
#include <QKeyEvent>
#include <QRegularExpression>
#include <QTimer>
#include <QToolTip>
#include <QUrl>
#include <QWindow>

#include "toolkit/HandlerFailure.h"
#include "toolkit/TControl.h"
#include "toolkit/TForm.h"

namespace velmora::ui {

namespace {

std::exception_ptr pendingFailure;

// Created by Initialize when the process has no application object; kept
// for the life of the process (the module stays loaded, see CMakeLists).
QApplication* ownApplication = nullptr;

// The connection of a successful display check, kept open until Qt has
// made its own: an X server without clients (a bare Xvfb beside a console
// host) resets itself when its last client goes, and a connection made
// during that reset fails, which ends the process inside Qt.
xcb_connection_t* heldConnection = nullptr;

void HoldConnection(xcb_connection_t* connection) {
    if (heldConnection) xcb_disconnect(heldConnection);
    heldConnection = connection;
}

// Whether the X server DISPLAY names accepts a connection. Qt ends the
// process when its platform cannot connect, so this is asked first.
bool XDisplayReachable() {
    const QByteArray display = qgetenv("DISPLAY");
    if (display.isEmpty()) return false;
    xcb_connection_t* connection = xcb_connect(display.constData(), nullptr);
    const bool reachable = connection && xcb_connection_has_error(connection) == 0;
    if (reachable)
        HoldConnection(connection);
    else if (connection)
        xcb_disconnect(connection);
    return reachable;
}

bool WaylandReachable() {
    QString name = qEnvironmentVariable("WAYLAND_DISPLAY");
    if (name.isEmpty()) return false;
    if (!name.startsWith(u'/')) name = qEnvironmentVariable("XDG_RUNTIME_DIR") + u'/' + name;
    return QFileInfo(name).exists();
}

bool DisplayAvailable() {
    QString platform = qEnvironmentVariable("QT_QPA_PLATFORM");
    platform = platform.left(platform.indexOf(QRegularExpression(QStringLiteral("[:;]"))));
    if (platform == u"xcb") return XDisplayReachable();
    if (platform.startsWith(u"wayland")) return WaylandReachable();
    // offscreen, vnc, eglfs and the like need no display.
    if (!platform.isEmpty()) return true;
    return XDisplayReachable() || WaylandReachable();
}

bool InToolkitWindow(QWidget* widget) {
    return tControlCore::Of(widget) || dynamic_cast<TForm*>(widget->window());
}

// The nearest control, from `widget` up to its window, whose hints are on.
QWidget* FindHintControl(QWidget* widget) {
    for (QWidget* w = widget; w; w = w->parentWidget()) {
        if (tControlCore* control = tControlCore::Of(w); control && control->ShowHint()) return w;
        if (w->isWindow()) break;
    }
    return nullptr;
}

QString KeyText(int key, tShiftState shift) {
    if (shift & (tShift::Ctrl | tShift::Alt)) return {};
    switch (key) {
        case Qt::Key_Tab:
            return QStringLiteral("\t");
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return QStringLiteral("\r");
        case Qt::Key_Escape:
            return QStringLiteral("\x1b");
        case Qt::Key_Backspace:
            return QStringLiteral("\b");
        default:
            break;
    }
    if (key < 0x20 || key > 0x7e) return {};
    QChar c(key);
    return (shift & tShift::Shift) ? QString(c) : QString(c.toLower());
}

}  // namespace

void StoreHandlerFailure(std::exception_ptr failure) {
    if (!pendingFailure) pendingFailure = failure;
    TApplication::Instance().Terminate();
}

bool HandlerFailurePending() {
    return static_cast<bool>(pendingFailure);
}

std::exception_ptr TakeHandlerFailure() {
    return std::exchange(pendingFailure, nullptr);
}

// Watches every event of the application for the hint and pointer-rest
// tracking; a child of the application object.
class TApplication::tAgent : public QObject {
  public:
    explicit tAgent(QObject* parent) : QObject(parent) {
        hintTimer_.setSingleShot(true);
        restTimer_.setSingleShot(true);
        connect(&hintTimer_, &QTimer::timeout, this, [this] { ShowHintNow(); });
        connect(&restTimer_, &QTimer::timeout, this, [this] { Rest(); });
        parent->installEventFilter(this);
    }

    QWidget* HintControl() const { return hintControl_; }

    void NoteMouseMove(QWidget* widget, QPoint position, int delay) {
        restWidget_ = widget;
        restPos_ = position;
        restTimer_.start(delay);
    }

  protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        if (!object->isWidgetType()) return false;
        auto* widget = static_cast<QWidget*>(object);
        switch (event->type()) {
            case QEvent::ToolTip:
                // Hints of the toolkit's windows are shown by ShowHintNow.
                return InToolkitWindow(widget);
            case QEvent::Enter:
                under_ = widget;
                UpdateHintControl();
                break;
            case QEvent::Leave:
                if (widget == restWidget_) restTimer_.stop();
                if (widget == under_) {
                    under_ = widget->isWindow() ? nullptr : widget->parentWidget();
                    UpdateHintControl();
                }
                break;
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonDblClick:
            case QEvent::KeyPress:
                CancelHint();
                break;
            case QEvent::MouseMove:
                if (!hintControl_ && under_) UpdateHintControl();
                break;
            default:
                break;
        }
        return false;
    }

  private:
    void UpdateHintControl() {
        QWidget* control = under_ ? FindHintControl(under_) : nullptr;
        if (control == hintControl_) return;
        hintTimer_.stop();
        if (hintControl_) QToolTip::hideText();
        hintControl_ = control;
        if (!control) return;
        TApplication& app = Instance();
        Raise(app.OnHint);
        if (app.ShowHint()) hintTimer_.start(app.HintPause());
    }

    // A button or key hides the hint; the next mouse move arms it again.
    void CancelHint() {
        if (!hintControl_) return;
        hintTimer_.stop();
        QToolTip::hideText();
        hintControl_ = nullptr;
    }

    void ShowHintNow() {
        QPointer<QWidget> control = hintControl_;
        if (!control) return;
        TApplication& app = Instance();
        tHintInfo info{control, QCursor::pos(), app.HintHidePause()};
        QString text = control->toolTip();
        bool canShow = true;
        Raise(app.OnShowHint, text, canShow, info);
        if (canShow && !text.isEmpty() && control && control->isVisible())
            QToolTip::showText(info.CursorPos, text, control, QRect(), info.HideTimeout);
    }

    void Rest() {
        if (!restWidget_ || !restWidget_->isVisible()) return;
        if (tControlCore* control = tControlCore::Of(restWidget_))
            control->RepeatMouseMove(restPos_);
    }

    QPointer<QWidget> under_;
    QPointer<QWidget> hintControl_;
    QTimer hintTimer_;
    QPointer<QWidget> restWidget_;
    QPoint restPos_;
    QTimer restTimer_;
};

TApplication& TApplication::Instance() {
    static TApplication application;
    return application;
}

bool TApplication::Initialize() {
    if (QCoreApplication* existing = QCoreApplication::instance()) {
        if (!qobject_cast<QApplication*>(existing)) return false;
    } else {
        if (!DisplayAvailable()) return false;
        // QApplication keeps references to argc and argv for its lifetime.
        static int argc = 1;
        static char name[] = "velmora";
        static char* argv[] = {name, nullptr};
        ownApplication = new QApplication(argc, argv);
        // Qt has its own connection now: the check's can go.
        HoldConnection(nullptr);
        createdApplication_ = true;
    }
    Agent();
    return true;
}

TApplication::tAgent* TApplication::Agent() {
    if (!agent_ && QCoreApplication::instance()) agent_ = new tAgent(QCoreApplication::instance());
    return static_cast<tAgent*>(agent_.data());
}

QWidget* TApplication::HintControl() const {
    return agent_ ? static_cast<tAgent*>(agent_.data())->HintControl() : nullptr;
}

void TApplication::Run(TForm& mainForm, bool showMainForm) {
    if (!Initialize()) return;
    if (HandlerFailurePending()) std::rethrow_exception(TakeHandlerFailure());
    QEventLoop loop;
    QEventLoop* outer = std::exchange(loop_, &loop);
    bool closed = false;
    auto onClosed = QObject::connect(&mainForm, &TForm::Closed, &loop, [&] {
        closed = true;
        loop.quit();
    });
    auto onDestroyed = QObject::connect(&mainForm, &QObject::destroyed, &loop, [&] {
        closed = true;
        loop.quit();
    });
    QMetaObject::Connection onIdle;
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance())
        onIdle = QObject::connect(
            dispatcher, &QAbstractEventDispatcher::aboutToBlock, Agent(), [this] { IdlePass(); },
            Qt::DirectConnection);
    if (showMainForm) mainForm.show();
    if (!closed && !HandlerFailurePending()) loop.exec();
    QObject::disconnect(onIdle);
    QObject::disconnect(onClosed);
    QObject::disconnect(onDestroyed);
    loop_ = outer;
    if (HandlerFailurePending()) std::rethrow_exception(TakeHandlerFailure());
}

void TApplication::IdlePass() {
    if (inIdle_ || !OnIdle || HandlerFailurePending()) return;
    inIdle_ = true;
    bool done = true;
    try {
        auto hook = OnIdle;
        done = hook();
    } catch (...) {
        StoreHandlerFailure(std::current_exception());
    }
    inIdle_ = false;
    // Not done: keep the loop from blocking, so that it comes back here as
    // soon as whatever arrived meanwhile has been handled.
    if (!done && loop_)
        if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance())
            dispatcher->wakeUp();
}

void TApplication::Terminate() {
    if (loop_) loop_->exit(0);
}

void TApplication::ProcessMessages() {
    Guarded([] { QCoreApplication::processEvents(QEventLoop::AllEvents); });
}

void TApplication::PostKeyMessage(QWidget* window, int key, tShiftState shift, bool keyUp) {
    if (!window) return;
    QWidget* top = window->window();
    const int qtKey = key & ~kKeypad;
    Qt::KeyboardModifiers modifiers = ModifiersOf(shift);
    if (key & kKeypad) modifiers |= Qt::KeypadModifier;
    auto* event = new QKeyEvent(keyUp ? QEvent::KeyRelease : QEvent::KeyPress, qtKey, modifiers,
                                KeyText(qtKey, shift));
    // Through the native window the key goes to its focused control, as
    // typed keys do.
    QObject* target = top->windowHandle() ? static_cast<QObject*>(top->windowHandle()) : top;
    QCoreApplication::postEvent(target, event);
}

bool TApplication::OpenURL(const QString& url) {
    const QUrl address = QUrl::fromUserInput(url);
    return address.isValid() && !address.isEmpty() && QDesktopServices::openUrl(address);
}

void TApplication::NoteMouseMove(tControlCore& control, QPoint position) {
    if (tAgent* agent = Agent()) agent->NoteMouseMove(control.Widget(), position, mouseRestDelay_);
}

}  // namespace velmora::ui

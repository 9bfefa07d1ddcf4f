#include "toolkit/TForm.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QRegion>
#include <QWheelEvent>
#include <QWindow>

#include "toolkit/TApplication.h"
#include "toolkit/TButton.h"
#include "toolkit/TScreen.h"

namespace velmora::ui {

TForm::TForm(QWidget* parent) : TControl<QWidget>(parent) {
    setWindowFlag(Qt::Window, true);
    setAutoFillBackground(true);
    TApplication::Instance().Initialize();
    qApp->installEventFilter(this);
}

TForm::~TForm() {
    if (qApp) qApp->removeEventFilter(this);
}

void TForm::SetClientSize(int width, int height) {
    if (borderStyle_ == tBorderStyle::Sizeable)
        resize(width, height);
    else
        setFixedSize(width, height);
    RealignChildren(this);
}

QSize TForm::NonClientSize() const {
    if (!isWindow()) return {};
    const QRect frame = frameGeometry();
    return {frame.width() - width(), frame.height() - height()};
}

void TForm::SetOuterSize(int width, int height) {
    const QSize frame = NonClientSize();
    SetClientSize(width - frame.width(), height - frame.height());
}

void TForm::SetPlacement(tPlacement placement) {
    placement_ = placement;
    if (isVisible()) ApplyPlacement();
}

void TForm::ApplyPlacement() {
    const QRect area = TScreen::Instance().WorkArea(this);
    if (area.isEmpty()) return;
    if (placement_ == tPlacement::ScreenCenter) {
        const QSize outer = OuterSize();
        move(area.x() + (area.width() - outer.width()) / 2,
             area.y() + (area.height() - outer.height()) / 2);
    } else if (placement_ == tPlacement::Default && isVisible() &&
               !area.contains(frameGeometry())) {
        // A window system places a window that cannot fit where it is at
        // the corner of the work area.
        move(area.topLeft());
    }
}

void TForm::SetBorderStyle(tBorderStyle style) {
    borderStyle_ = style;
    const bool visible = isVisible();
    Qt::WindowFlags flags = Qt::Window;
    switch (style) {
        case tBorderStyle::Sizeable:
            break;
        case tBorderStyle::Single:
            flags |= Qt::MSWindowsFixedSizeDialogHint;
            break;
        case tBorderStyle::Dialog:
            flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
            break;
        case tBorderStyle::None:
            flags |= Qt::FramelessWindowHint;
            break;
    }
    // X window managers keep a window over another only when it is a
    // transient of it, and Qt names the transient parent (WM_TRANSIENT_FOR)
    // only for dialog windows: a form over a host window is one, with the
    // buttons its border style gives it.
    if (parentWindow_ && (flags & Qt::WindowType_Mask) == Qt::Window) {
        flags &= ~Qt::WindowType_Mask;
        flags |= Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
        if (style != tBorderStyle::Single) flags |= Qt::WindowMinMaxButtonsHint;
    }
    if (flags != windowFlags()) setWindowFlags(flags);
    ApplyFixedSize();
    if (visible) Show();
}

void TForm::ApplyFixedSize() {
    if (borderStyle_ == tBorderStyle::Sizeable) {
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    } else {
        setFixedSize(size());
    }
}

void TForm::SetParentWindow(WId window) {
    foreignParent_.reset();
    parentWindow_ = nullptr;
    if (window) {
        for (QWindow* w : QGuiApplication::allWindows()) {
            if (w->handle() && w->winId() == window && w != windowHandle()) {
                parentWindow_ = w;
                break;
            }
        }
        if (!parentWindow_) {
            foreignParent_.reset(QWindow::fromWinId(window));
            parentWindow_ = foreignParent_.get();
        }
    }
    SetBorderStyle(borderStyle_);
    winId();  // the native window must exist to get a transient parent
    if (QWindow* own = windowHandle()) own->setTransientParent(parentWindow_);
}

QWindow* TForm::ParentWindow() const {
    return parentWindow_;
}

bool TForm::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::Wheel)
        return false;
    if (event == delivering_ || !watched->isWidgetType()) return false;
    auto* widget = static_cast<QWidget*>(watched);
    if (widget->window() != this) return false;
    if (type == QEvent::Wheel) return HandleWheel(widget, static_cast<QWheelEvent*>(event));
    if (!keyPreview_) return false;
    // First sight of a key: at the control it is sent to (the focused one
    // for typed and posted keys). The form previews it, then delivers it
    // itself, so that on its way up through the parents it is not taken
    // for a new key.
    if (PreviewKey(static_cast<QKeyEvent*>(event))) return true;
    Deliver(widget, event);
    return true;
}

void TForm::Deliver(QWidget* receiver, QEvent* event) {
    QEvent* outer = std::exchange(delivering_, event);
    QPointer<TForm> alive(this);
    QCoreApplication::sendEvent(receiver, event);
    if (alive) delivering_ = outer;
    event->accept();  // delivered, propagation included
}

bool TForm::PreviewKey(QKeyEvent* event) {
    int key = KeyCodeOf(*event);
    const tShiftState shift = KeyShiftState(*event);
    if (event->type() == QEvent::KeyRelease) {
        if (event->isAutoRepeat()) return false;
        Raise(OnKeyUp, key, shift);
        return key == 0;
    }
    Raise(OnKeyDown, key, shift);
    if (key == 0) return true;
    if (!event->text().isEmpty()) {
        QChar c = event->text().front();
        Raise(OnKeyPress, c);
        if (c.isNull()) return true;
    }
    return false;
}

void TForm::keyPressEvent(QKeyEvent* event) {
    const tShiftState shift = KeyShiftState(*event);
    if (!keyPreview_) {
        int key = KeyCodeOf(*event);
        Raise(OnKeyDown, key, shift);
        if (key == 0) return event->accept();
        if (!event->text().isEmpty()) {
            QChar c = event->text().front();
            Raise(OnKeyPress, c);
            if (c.isNull()) return event->accept();
        }
    }
    const bool plain = !(shift & (tShift::Ctrl | tShift::Alt));
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (plain && ClickDialogButton(false)) return event->accept();
            break;
        case Qt::Key_Escape:
            if (ClickDialogButton(true)) return event->accept();
            break;
        case Qt::Key_F1:
            if (OnHelp) {
                bool handled = false;
                auto help = OnHelp;
                Raise(std::function<void()>([&] { handled = help(); }));
                if (handled) return event->accept();
            }
            break;
        default:
            break;
    }
    event->ignore();
}

void TForm::keyReleaseEvent(QKeyEvent* event) {
    if (!keyPreview_ && !event->isAutoRepeat()) {
        int key = KeyCodeOf(*event);
        Raise(OnKeyUp, key, KeyShiftState(*event));
        if (key == 0) return event->accept();
    }
    event->ignore();
}

bool TForm::ClickDialogButton(bool cancel) {
    for (TButton* button : findChildren<TButton*>()) {
        if ((cancel ? button->Cancel() : button->Default()) && button->isEnabled() &&
            button->isVisibleTo(this)) {
            button->click();
            return true;
        }
    }
    return false;
}

bool TForm::HandleWheel(QWidget* receiver, QWheelEvent* event) {
    const int delta = event->angleDelta().y();
    if (delta == 0) return false;
    // The wheel acts on the focused control, as on the platform the dialog
    // was designed for: its handlers first, then its parents', then the
    // form's wheel steps, then the control's own scrolling.
    QWidget* target = QApplication::focusWidget();
    if (!target || target->window() != this) target = receiver;
    const tShiftState shift = ShiftStateOf(*event);
    const QPoint global = event->globalPosition().toPoint();
    bool handled = false;
    for (QWidget* w = target; w && !handled; w = w->isWindow() ? nullptr : w->parentWidget()) {
        if (tControlCore* control = tControlCore::Of(w))
            Raise(control->OnMouseWheel, shift, delta, w->mapFromGlobal(global), handled);
    }
    if (!handled) {
        Raise(delta < 0 ? OnMouseWheelDown : OnMouseWheelUp, shift, mapFromGlobal(global), handled);
    }
    if (handled) return true;
    if (target == receiver) {
        Deliver(receiver, event);
        return true;
    }
    QWheelEvent copy(target->mapFromGlobal(event->globalPosition()), event->globalPosition(),
                     event->pixelDelta(), event->angleDelta(), event->buttons(), event->modifiers(),
                     event->phase(), event->inverted(), event->source(), event->pointingDevice());
    Deliver(target, &copy);
    event->accept();
    return true;
}

void TForm::paintEvent(QPaintEvent* event) {
    // Paints that only concern controls on the form (Qt repaints a parent
    // behind its children) do not count as the form's own.
    QRegion own = event->region();
    for (QObject* object : children()) {
        auto* child = qobject_cast<QWidget*>(object);
        if (child && !child->isWindow() && child->isVisible()) own -= child->geometry();
    }
    if (!own.isEmpty()) Raise(OnPaint);
}

void TForm::showEvent(QShowEvent* event) {
    TControl<QWidget>::showEvent(event);
    if (event->spontaneous()) return;
    if (parentWindow_ && windowHandle() && windowHandle()->transientParent() != parentWindow_)
        windowHandle()->setTransientParent(parentWindow_);
    ApplyFixedSize();
    ApplyPlacement();
    Raise(OnShow);
}

void TForm::hideEvent(QHideEvent* event) {
    TControl<QWidget>::hideEvent(event);
    if (!event->spontaneous()) Raise(OnHide);
}

void TForm::changeEvent(QEvent* event) {
    TControl<QWidget>::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && !isActiveWindow()) Raise(OnDeactivate);
}

void TForm::closeEvent(QCloseEvent* event) {
    Raise(OnClose);
    event->accept();
    emit Closed();
}

}  // namespace velmora::ui

// What every control of the toolkit shares: mouse, focus and hover events as
// std::function members, geometry, visibility, hint, cursor id, colour,
// alignment and anchors. A control is a Qt widget class wrapped by the
// TControl<Base> template, so Qt's own API stays available beside these.
//
// Mouse semantics: a click is a left press and release inside the control;
// a double click raises OnDblClick and then OnMouseDown with tShift::Double;
// every control tracks the mouse, so OnMouseMove comes without a button
// held, and once more with the same position when the pointer comes to rest
// (see TApplication). Mouse events a control receives do not reach its
// parent; a disabled control raises none and lets them through to it.
#pragma once

#include <QColor>
#include <QEvent>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>
#include <functional>

#include "toolkit/HandlerFailure.h"
#include "toolkit/TTypes.h"

namespace velmora::ui {

using tNotify = std::function<void()>;
using tMouseHandler = std::function<void(tMouseButton, tShiftState, int x, int y)>;
using tMouseMoveHandler = std::function<void(tShiftState, int x, int y)>;
/// Wheel turned by `delta` (120 per notch, positive away from the user) at
/// `position` in the control; set `handled` to stop further handling.
using tWheelHandler = std::function<void(tShiftState, int delta, QPoint position, bool& handled)>;

class tControlCore {
  public:
    virtual ~tControlCore() = default;
    tControlCore(const tControlCore&) = delete;
    tControlCore& operator=(const tControlCore&) = delete;

    tNotify OnClick;
    tNotify OnDblClick;
    tMouseHandler OnMouseDown;
    tMouseHandler OnMouseUp;
    tMouseMoveHandler OnMouseMove;
    tNotify OnMouseEnter;
    tNotify OnMouseLeave;
    tNotify OnEnter;  ///< the control received the input focus
    tNotify OnExit;   ///< the control lost the input focus
    /// Raised by the form for the focused control and then its parents (see
    /// TForm: the wheel acts on the focused control).
    tWheelHandler OnMouseWheel;

    /// Free for the application's use.
    int Tag = 0;

    QWidget* Widget() const { return self_; }
    /// The toolkit control behind a widget, or null.
    static tControlCore* Of(QObject* object);

    int Left() const { return self_->x(); }
    int Top() const { return self_->y(); }
    int Width() const { return self_->width(); }
    int Height() const { return self_->height(); }
    void SetLeft(int left) { SetBounds(left, Top(), Width(), Height()); }
    void SetTop(int top) { SetBounds(Left(), top, Width(), Height()); }
    void SetWidth(int width) { SetBounds(Left(), Top(), width, Height()); }
    void SetHeight(int height) { SetBounds(Left(), Top(), Width(), height); }
    /// Moves and sizes the control; anchored controls take the new place as
    /// their reference, and aligned children of the control follow at once.
    void SetBounds(int left, int top, int width, int height);

    /// The control's own visibility flag (true also while a parent is hidden).
    bool Visible() const { return !self_->isHidden(); }
    void SetVisible(bool visible);
    bool Enabled() const { return self_->isEnabled(); }
    void SetEnabled(bool enabled) { self_->setEnabled(enabled); }

    void SetFocus() {
        Guarded([&] { self_->setFocus(Qt::OtherFocusReason); });
    }
    bool Focused() const { return self_->hasFocus(); }

    /// Hint text (the widget's tool tip) and whether it may be shown.
    QString Hint() const { return self_->toolTip(); }
    void SetHint(const QString& hint) { self_->setToolTip(hint); }
    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool show) { showHint_ = show; }

    /// Cursor id from the screen cursor table shown over the control.
    tCursor Cursor() const { return cursor_; }
    void SetCursor(tCursor cursor);

    /// Background colour; invalid until set. Panels, group boxes, images,
    /// status bars and forms paint their parent's colour until then, the
    /// other controls nothing (the parent shows through).
    QColor Color() const { return color_; }
    void SetColor(const QColor& color);

    tAlign Align() const { return align_; }
    void SetAlign(tAlign align);
    tAnchors Anchors() const { return anchors_; }
    void SetAnchors(tAnchors anchors);

    /// Schedules a repaint / repaints at once.
    void Invalidate() { self_->update(); }
    void Repaint() { self_->repaint(); }

    /// Raises OnMouseMove once more at a position where the pointer rests.
    void RepeatMouseMove(QPoint position);

    /// Places aligned and anchored children of a parent (done automatically
    /// when the parent is resized).
    static void RealignChildren(QWidget* parent);

  protected:
    /// clickFromMouse: OnClick comes from the mouse (containers, images);
    /// false where the Qt class raises its own click (buttons).
    tControlCore(QWidget* self, bool clickFromMouse);

    /// Called by TControl<Base>::event around the Qt class's handling.
    void BeforeEvent(QEvent* event);
    void AfterEvent(QEvent* event);
    static bool Tracks(QEvent::Type type);

    /// Applies Color(); controls whose colour is not the window background
    /// (edit fields) override it.
    virtual void ApplyColor();
    /// Handles a dynamic property set by a form (uic writes stdset="0"
    /// properties through QObject::setProperty).
    virtual void ApplyDynamicProperty(const QByteArray& name);

  private:
    friend class tAlignKeeper;
    void CaptureAnchorReference();
    void RealignParent();

    QWidget* self_;
    bool clickFromMouse_;
    bool showHint_ = true;
    tCursor cursor_ = kCursorDefault;
    QColor color_;
    tAlign align_ = tAlign::None;
    tAnchors anchors_ = tAnchors(tAnchor::Left) | tAnchor::Top;
    QRect anchorGeometry_;
    QSize anchorParentSize_;
    bool leftPressed_ = false;
    bool afterDouble_ = false;
};

/// A Qt widget class with the toolkit's common control behaviour.
template <class Base>
class TControl : public Base, public tControlCore {
  public:
    explicit TControl(QWidget* parent, bool clickFromMouse = true)
        : Base(parent), tControlCore(this, clickFromMouse) {}

  protected:
    bool event(QEvent* event) override {
        if (!Tracks(event->type())) return Base::event(event);
        QPointer<QObject> alive(this);
        BeforeEvent(event);
        const bool result = Base::event(event);
        if (alive) AfterEvent(event);
        return result;
    }
};

}  // namespace velmora::ui

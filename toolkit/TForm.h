// A form: a top-level window holding controls. Beyond TControl it gives
// key preview (the form sees every key before the focused control), the
// default and cancel buttons (Enter and Esc), the help key, a mouse wheel
// that acts on the focused control, the placement rule, a border style and
// parenting to a host application's window.
#pragma once

#include <QChar>
#include <QPointer>
#include <QWidget>
#include <QWindow>
#include <memory>
#include <utility>

#include "toolkit/TControl.h"

namespace velmora::ui {

/// Where a form appears when it is shown.
enum class tPlacement {
    Designed,      ///< where its geometry says
    Default,       ///< where the window system puts it
    ScreenCenter,  ///< centred on the work area
};

enum class tBorderStyle {
    Sizeable,  ///< the user may resize it
    Single,    ///< fixed size, full title bar
    Dialog,    ///< fixed size, title bar without minimise and maximise
    None,      ///< no frame and no title bar
};

using tKeyHandler = std::function<void(int& key, tShiftState shift)>;
using tKeyPressHandler = std::function<void(QChar& key)>;
using tWheelStepHandler = std::function<void(tShiftState, QPoint position, bool& handled)>;

class TForm : public TControl<QWidget> {
    Q_OBJECT
    Q_PROPERTY(bool KeyPreview READ KeyPreview WRITE SetKeyPreview)
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)

  public:
    explicit TForm(QWidget* parent = nullptr);
    ~TForm() override;

    QString Caption() const { return windowTitle(); }
    void SetCaption(const QString& caption) { setWindowTitle(caption); }

    /// Inner size (without frame and title bar); Width()/Height() are the same.
    int ClientWidth() const { return width(); }
    int ClientHeight() const { return height(); }
    void SetClientSize(int width, int height);
    /// Frame and title bar: outer size minus client size (zero until the
    /// window system has framed the shown window).
    QSize NonClientSize() const;
    /// Outer size, frame included.
    QSize OuterSize() const { return size() + NonClientSize(); }
    void SetOuterSize(int width, int height);

    tPlacement Placement() const { return placement_; }
    /// Takes effect when the form is shown, or at once if it is visible.
    void SetPlacement(tPlacement placement);
    tBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(tBorderStyle style);

    /// Keys go to the form's key handlers before the focused control.
    bool KeyPreview() const { return keyPreview_; }
    void SetKeyPreview(bool preview) { keyPreview_ = preview; }

    /// Makes the form a transient child of a host window given by its native
    /// id: a window of this process if one has that id, else a foreign
    /// window. Zero, or an id the platform cannot use, leaves it top-level.
    void SetParentWindow(WId window);
    /// The window the form is a transient child of, or null.
    QWindow* ParentWindow() const;

    void Show() {
        Guarded([&] { show(); });
    }
    /// Brings the form to the front and makes it the active window.
    void Activate() {
        Guarded([&] {
            raise();
            activateWindow();
        });
    }
    void Hide() {
        Guarded([&] { hide(); });
    }
    /// Closes the form (OnClose runs, then Closed is emitted), also when it
    /// is hidden.
    void Close() {
        Guarded([&] { close(); });
    }

    tNotify OnShow;
    tNotify OnHide;
    tNotify OnClose;
    /// The form stopped being the active window (another window took the
    /// keyboard); keys held at that moment send no release to the form.
    tNotify OnDeactivate;
    /// The form's own area needs painting (not raised for paints that only
    /// concern the controls on it).
    tNotify OnPaint;
    /// Key down / up: with KeyPreview before the focused control, else when
    /// no control used the key. Setting the key to 0 consumes it. Releases
    /// of auto-repeat are not reported.
    tKeyHandler OnKeyDown;
    tKeyHandler OnKeyUp;
    /// The character of a key (with KeyPreview); a null char consumes it.
    tKeyPressHandler OnKeyPress;
    /// Wheel steps the focused control and its parents did not handle.
    tWheelStepHandler OnMouseWheelDown;
    tWheelStepHandler OnMouseWheelUp;
    /// F1 that no control used; answers whether it was handled.
    std::function<bool()> OnHelp;

  signals:
    void Closed();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    bool PreviewKey(QKeyEvent* event);
    bool HandleWheel(QWidget* receiver, QWheelEvent* event);
    // Sends an event on to its receiver while the filter lets it pass.
    void Deliver(QWidget* receiver, QEvent* event);
    bool ClickDialogButton(bool cancel);
    void ApplyPlacement();
    void ApplyFixedSize();

    bool keyPreview_ = false;
    tPlacement placement_ = tPlacement::Designed;
    tBorderStyle borderStyle_ = tBorderStyle::Sizeable;
    QEvent* delivering_ = nullptr;
    std::unique_ptr<QWindow> foreignParent_;
    QPointer<QWindow> parentWindow_;
};

}  // namespace velmora::ui

// A push button. OnClick fires for a mouse click, Space, and Enter while it
// has the focus; the form's Enter clicks the Default button and Esc the
// Cancel button (see TForm).
#pragma once

#include <QPushButton>

#include "toolkit/TControl.h"

namespace velmora::ui {

class TButton : public TControl<QPushButton> {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(bool Default READ Default WRITE SetDefault)
    Q_PROPERTY(bool Cancel READ Cancel WRITE SetCancel)

  public:
    explicit TButton(QWidget* parent = nullptr);

    QString Caption() const { return text(); }
    void SetCaption(const QString& caption) { setText(caption); }
    bool Default() const { return default_; }
    void SetDefault(bool isDefault);
    bool Cancel() const { return cancel_; }
    void SetCancel(bool isCancel) { cancel_ = isCancel; }
    /// Does what a click of the user does (nothing while disabled).
    void Click() {
        Guarded([&] { click(); });
    }

    // The form's uic code sets Qt's "default" property; keep it ours.
    void setDefault(bool isDefault) { SetDefault(isDefault); }

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    bool default_ = false;
    bool cancel_ = false;
};

}  // namespace velmora::ui

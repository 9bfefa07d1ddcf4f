// A radio button; the radio buttons of one parent exclude each other.
// OnClick fires whenever it becomes checked, by the user or by code. Code
// may also uncheck it (leaving none of its group checked).
#pragma once

#include <QRadioButton>

#include "toolkit/TControl.h"

namespace velmora::ui {

class TRadioButton : public TControl<QRadioButton> {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)

  public:
    explicit TRadioButton(QWidget* parent = nullptr);

    QString Caption() const { return text(); }
    void SetCaption(const QString& caption) { setText(caption); }
    bool Checked() const { return isChecked(); }
    void SetChecked(bool checked);

    // The form's uic code sets Qt's "checked"; route it through ours.
    void setChecked(bool checked) { SetChecked(checked); }
};

}  // namespace velmora::ui

// A check box. OnClick fires whenever its state changes: clicked by the
// user or set by code.
#pragma once

#include <QCheckBox>

#include "toolkit/TControl.h"

namespace velmora::ui {

class TCheckBox : public TControl<QCheckBox> {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)

  public:
    explicit TCheckBox(QWidget* parent = nullptr);

    QString Caption() const { return text(); }
    void SetCaption(const QString& caption) { setText(caption); }
    bool Checked() const { return isChecked(); }
    void SetChecked(bool checked);

    // The form's uic code sets Qt's "checked"; route it through ours.
    void setChecked(bool checked) { SetChecked(checked); }
};

}  // namespace velmora::ui

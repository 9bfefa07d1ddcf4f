#include "toolkit/TCheckBox.h"

namespace velmora::ui {

TCheckBox::TCheckBox(QWidget* parent) : TControl<QCheckBox>(parent, false) {
    connect(this, &QAbstractButton::toggled, this, [this] { Raise(OnClick); });
}

void TCheckBox::SetChecked(bool checked) {
    Guarded([&] { QCheckBox::setChecked(checked); });
}

}  // namespace velmora::ui

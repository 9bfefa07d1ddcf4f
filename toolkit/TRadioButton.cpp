#include "toolkit/TRadioButton.h"

namespace velmora::ui {

TRadioButton::TRadioButton(QWidget* parent) : TControl<QRadioButton>(parent, false) {
    connect(this, &QAbstractButton::toggled, this, [this](bool checked) {
        if (checked) Raise(OnClick);
    });
}

void TRadioButton::SetChecked(bool checked) {
    Guarded([&] {
        if (checked || !isChecked()) {
            QRadioButton::setChecked(checked);
            return;
        }
        // Qt refuses to uncheck the checked button of an exclusive group.
        setAutoExclusive(false);
        QRadioButton::setChecked(false);
        setAutoExclusive(true);
    });
}

}  // namespace velmora::ui

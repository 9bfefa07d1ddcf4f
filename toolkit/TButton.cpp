#include "toolkit/TButton.h"

#include <QKeyEvent>

namespace velmora::ui {

TButton::TButton(QWidget* parent) : TControl<QPushButton>(parent, false) {
    // Not auto-default: Qt would move its default mark with the focus and
    // forget which button is the form's default.
    setAutoDefault(false);
    connect(this, &QAbstractButton::clicked, this, [this] { Raise(OnClick); });
}

void TButton::SetDefault(bool isDefault) {
    default_ = isDefault;
    QPushButton::setDefault(isDefault);  // drawn as the default button
}

void TButton::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        click();
        return event->accept();
    }
    QPushButton::keyPressEvent(event);
}

}  // namespace velmora::ui

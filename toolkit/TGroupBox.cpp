#include "toolkit/TGroupBox.h"

namespace velmora::ui {

TGroupBox::TGroupBox(QWidget* parent) : TControl<QGroupBox>(parent) {
    setAutoFillBackground(true);
}

}  // namespace velmora::ui

#include "toolkit/TLabel.h"

namespace velmora::ui {

TLabel::TLabel(QWidget* parent) : TControl<QLabel>(parent) {
    setTextFormat(Qt::PlainText);
}

}  // namespace velmora::ui

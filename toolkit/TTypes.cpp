#include "toolkit/TTypes.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>

namespace velmora::ui {

namespace {

tShiftState FromQt(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons) {
    tShiftState s;
    if (modifiers & Qt::ShiftModifier) s |= tShift::Shift;
    if (modifiers & Qt::AltModifier) s |= tShift::Alt;
    if (modifiers & Qt::ControlModifier) s |= tShift::Ctrl;
    if (buttons & Qt::LeftButton) s |= tShift::Left;
    if (buttons & Qt::RightButton) s |= tShift::Right;
    if (buttons & Qt::MiddleButton) s |= tShift::Middle;
    return s;
}

}  // namespace

tShiftState ShiftStateOf(const QInputEvent& event) {
    Qt::MouseButtons buttons = QGuiApplication::mouseButtons();
    if (event.isSinglePointEvent())
        buttons = static_cast<const QSinglePointEvent&>(event).buttons();
    return FromQt(event.modifiers(), buttons);
}

tShiftState KeyShiftState(const QKeyEvent& event) {
    tShiftState s = FromQt(event.modifiers(), QGuiApplication::mouseButtons());
    tShift own;
    switch (event.key()) {
        case Qt::Key_Shift:
            own = tShift::Shift;
            break;
        case Qt::Key_Alt:
            own = tShift::Alt;
            break;
        case Qt::Key_Control:
            own = tShift::Ctrl;
            break;
        default:
            return s;
    }
    s.setFlag(own, event.type() == QEvent::KeyPress);
    return s;
}

tShiftState CurrentShiftState() {
    return FromQt(QGuiApplication::keyboardModifiers(), QGuiApplication::mouseButtons());
}

int KeyCodeOf(const QKeyEvent& event) {
    const int key = event.key();
    if (!(event.modifiers() & Qt::KeypadModifier)) return key;
    const bool digit = key >= Qt::Key_0 && key <= Qt::Key_9;
    const bool op = key == Qt::Key_Plus || key == Qt::Key_Minus || key == Qt::Key_Asterisk ||
                    key == Qt::Key_Slash || key == Qt::Key_Period || key == Qt::Key_Comma;
    if (key == Qt::Key_Comma) return kKeyDecimal;  // some layouts' decimal key
    return digit || op ? (kKeypad | key) : key;
}

Qt::KeyboardModifiers ModifiersOf(tShiftState shift) {
    Qt::KeyboardModifiers m;
    if (shift & tShift::Shift) m |= Qt::ShiftModifier;
    if (shift & tShift::Alt) m |= Qt::AltModifier;
    if (shift & tShift::Ctrl) m |= Qt::ControlModifier;
    return m;
}

}  // namespace velmora::ui

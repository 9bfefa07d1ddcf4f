// Small value types shared by the controls: shift state, mouse buttons,
// cursor identifiers, alignment and anchors, and the key codes the key
// handlers receive.
#pragma once

#include <QFlags>
#include <Qt>

class QInputEvent;
class QKeyEvent;

namespace velmora::ui {

/// Modifier keys and mouse buttons held during an input event.
enum class tShift : unsigned {
    Shift = 0x01,
    Alt = 0x02,
    Ctrl = 0x04,
    Left = 0x08,
    Right = 0x10,
    Middle = 0x20,
    Double = 0x40,  ///< the mouse-down of a double click
};
using tShiftState = QFlags<tShift>;

enum class tMouseButton { Left, Right, Middle };

/// Index into the screen cursor table (TScreen). Zero and the negative
/// values are built-in shapes; positive ones are loaded by the application.
using tCursor = int;
inline constexpr tCursor kCursorDefault = 0;
inline constexpr tCursor kCursorNone = -1;
inline constexpr tCursor kCursorArrow = -2;
inline constexpr tCursor kCursorCross = -3;
inline constexpr tCursor kCursorIBeam = -4;
inline constexpr tCursor kCursorSizeNESW = -6;
inline constexpr tCursor kCursorSizeNS = -7;
inline constexpr tCursor kCursorSizeNWSE = -8;
inline constexpr tCursor kCursorSizeWE = -9;
inline constexpr tCursor kCursorUpArrow = -10;
inline constexpr tCursor kCursorHourGlass = -11;
inline constexpr tCursor kCursorNo = -18;
inline constexpr tCursor kCursorAppStart = -19;
inline constexpr tCursor kCursorHelp = -20;
inline constexpr tCursor kCursorHandPoint = -21;
inline constexpr tCursor kCursorSizeAll = -22;

/// Docking of a control inside its parent's client area.
enum class tAlign { None, Top, Bottom, Left, Right, Client };

/// Parent edges a control keeps its distance to when the parent is resized.
enum class tAnchor : unsigned { Left = 1, Top = 2, Right = 4, Bottom = 8 };
using tAnchors = QFlags<tAnchor>;

/// Key codes seen by the key handlers are Qt::Key values, except that the
/// digits and operators of the numeric pad are told apart from the main
/// keyboard by this bit (the pad's other keys arrive as their plain keys).
inline constexpr int kKeypad = Qt::KeypadModifier;
inline constexpr int kKeyAdd = kKeypad | Qt::Key_Plus;
inline constexpr int kKeySubtract = kKeypad | Qt::Key_Minus;
inline constexpr int kKeyMultiply = kKeypad | Qt::Key_Asterisk;
inline constexpr int kKeyDivide = kKeypad | Qt::Key_Slash;
inline constexpr int kKeyDecimal = kKeypad | Qt::Key_Period;
/// Numeric-pad digit n (0..9).
constexpr int KeyNumpad(int n) {
    return kKeypad | (Qt::Key_0 + n);
}

/// Modifiers and mouse buttons of an input event.
tShiftState ShiftStateOf(const QInputEvent& event);
/// Shift state of a key event; a modifier key counts as held on its own
/// press and as released on its own release.
tShiftState KeyShiftState(const QKeyEvent& event);
/// The key code of a key event as described above.
int KeyCodeOf(const QKeyEvent& event);
/// Modifiers and mouse buttons held now, as far as the application knows.
tShiftState CurrentShiftState();
/// Qt modifiers for a shift state (mouse buttons are dropped).
Qt::KeyboardModifiers ModifiersOf(tShiftState shift);

}  // namespace velmora::ui

Q_DECLARE_OPERATORS_FOR_FLAGS(velmora::ui::tShiftState)
Q_DECLARE_OPERATORS_FOR_FLAGS(velmora::ui::tAnchors)

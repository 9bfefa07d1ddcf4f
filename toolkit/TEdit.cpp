#include "toolkit/TEdit.h"

#include <QKeyEvent>
#include <QValidator>

namespace velmora::ui {

// Enforces MaxLength on what the user types or pastes (Qt also validates
// texts set by code; those pass unchanged): an edit that makes
// the text longer than the limit (and longer than it was) loses the excess
// characters just before the caret, that is the ones being inserted.
class TEdit::tLengthLimit : public QValidator {
  public:
    explicit tLengthLimit(TEdit* edit) : QValidator(edit), edit_(edit) {}

    State validate(QString& input, int& pos) const override {
        const int limit = edit_->maxLength_;
        if (limit == 0 || edit_->settingText_) return Acceptable;  // code may set any text
        const int allowed = std::max<int>(limit, edit_->acceptedLength_);
        const int excess = static_cast<int>(input.length()) - allowed;
        if (excess <= 0) return Acceptable;
        if (pos < excess) return Invalid;
        input.remove(pos - excess, excess);
        pos -= excess;
        return Acceptable;
    }

  private:
    TEdit* edit_;
};

TEdit::TEdit(QWidget* parent) : TControl<QLineEdit>(parent) {
    setValidator(new tLengthLimit(this));
    connect(this, &QLineEdit::textChanged, this, [this](const QString& text) {
        acceptedLength_ = static_cast<int>(text.length());
        Raise(OnChange);
    });
}

void TEdit::SetText(const QString& text) {
    Guarded([&] {
        settingText_ = true;
        QLineEdit::setText(text);
        settingText_ = false;
    });
}

int TEdit::SelStart() const {
    return hasSelectedText() ? selectionStart() : cursorPosition();
}

int TEdit::SelLength() const {
    return selectionLength();
}

void TEdit::SetSelStart(int start) {
    setCursorPosition(start);
}

void TEdit::SetSelLength(int length) {
    setSelection(SelStart(), length);
}

void TEdit::ClearSelection() {
    if (hasSelectedText()) Guarded([&] { del(); });
}

void TEdit::ApplyColor() {
    QPalette p = palette();
    p.setColor(QPalette::Base, Color());
    setPalette(p);
}

void TEdit::keyPressEvent(QKeyEvent* event) {
    int key = KeyCodeOf(*event);
    Raise(OnKeyDown, key, KeyShiftState(*event));
    if (key == 0) return event->accept();
    QLineEdit::keyPressEvent(event);
}

void TEdit::keyReleaseEvent(QKeyEvent* event) {
    if (!event->isAutoRepeat()) {
        int key = KeyCodeOf(*event);
        Raise(OnKeyUp, key, KeyShiftState(*event));
        if (key == 0) return event->accept();
    }
    QLineEdit::keyReleaseEvent(event);
}

}  // namespace velmora::ui

// What every changer shares: the skeleton with its nesting guard, the undo
// step noting, the two edit readers and releasing the pipettes.
#include <string>

#include "base/Failure.h"
#include "base/SettingsFields.h"
#include "dialog/NumberText.h"
#include "dialog/TParamForm.h"
#include "engine/UndoHistory.h"

namespace velmora::dialog {

namespace {

// Decrements the nesting counter however the body leaves.
struct tNestingScope {
    tChangerGuard& guard;
    ~tNestingScope() { --guard.Nesting; }
};

}  // namespace

void TParamForm::RunChanger(tChangerGuard& guard, QObject* source, const QObject* undoControl,
                            const std::function<void()>& body, const std::function<void()>& after) {
    const bool outermost = guard.Nesting == 0;
    ++guard.Nesting;
    tNestingScope scope{guard};
    // Re-entries from the changes the body makes itself come from other
    // controls and are turned away; a newer position of the control being
    // dragged comes from the same source and is let through.
    if (!outermost && source != guard.LastSource) return;
    guard.LastSource = source;
    if (undoControl) NoteUndoStep(undoControl);
    body();
    ProcessMessages();
    if (after) after();
    if (source && guard.Nesting == 1) {
        RequestRedraw();
        guard.LastSource = nullptr;
        if (undoControl) NoteUndoStep(undoControl);
    }
}

void TParamForm::NoteUndoStep(const QObject* control) {
    if (state_.RefreshingControls) return;
    if (control != state_.LastUndoControl) PushUndo();
    state_.LastUndoControl = control;
    UndoButton->SetEnabled(CanUndo());
    RedoButton->SetEnabled(CanRedo());
}

namespace {

// Removes the character at 1-based position k from the edit, as a user
// selecting it and deleting the selection would.
void DeleteCharacter(ui::TEdit* edit, int k) {
    if (k < 1 || k > edit->Text().size()) return;
    edit->SetSelStart(k - 1);
    edit->SetSelLength(1);
    edit->ClearSelection();
}

// One byte per character of the text, so that positions agree with the
// edit's; a character beyond ASCII cannot be part of a number.
std::string CharactersOf(const QString& text) {
    std::string s;
    s.reserve(size_t(text.size()));
    for (QChar c : text) s.push_back(c.unicode() < 128 ? char(c.unicode()) : '?');
    return s;
}

}  // namespace

int32_t TParamForm::ReadInteger(ui::TEdit* edit, int32_t min, int32_t max, int32_t fallback) {
    int32_t value = 0;
    int failedAt = ParseInteger(CharactersOf(edit->Text()), value);
    if (failedAt != 0) {
        DeleteCharacter(edit, failedAt);
        failedAt = ParseInteger(CharactersOf(edit->Text()), value);
    }
    if (failedAt != 0 || value < min || value > max) return fallback;
    return value;
}

namespace {

// The edit's text with a decimal comma read as a point.
std::string RealTextOf(const ui::TEdit* edit) {
    std::string text = CharactersOf(edit->Text());
    for (char& c : text)
        if (c == ',') c = '.';
    return text;
}

}  // namespace

double TParamForm::ReadReal(ui::TEdit* edit, double min, double max, double fallback) {
    double value = 0;
    int failedAt = ParseReal(RealTextOf(edit), value);
    if (failedAt != 0) {
        // The second reading accepts the comma too: "1,5x" less its x is
        // the 1,5 the edit then shows.
        DeleteCharacter(edit, failedAt);
        failedAt = ParseReal(RealTextOf(edit), value);
    }
    if (failedAt != 0 || !(value >= min && value <= max)) return fallback;
    return value;
}

namespace {

// The edit's line in the table of settings fields; every edit a changer
// reads or writes has one.
const tEditRule& RuleOf(const ui::TEdit* edit) {
    const tEditRule* rule = FindEditRule(edit->objectName().toStdString());
    if (!rule) Fail("Неправильный Edit");
    return *rule;
}

}  // namespace

int32_t TParamForm::ReadInteger(ui::TEdit* edit, int32_t fallback) {
    const tEditRule& rule = RuleOf(edit);
    return ReadInteger(edit, int32_t(rule.ReadMin), int32_t(rule.ReadMax), fallback);
}

double TParamForm::ReadReal(ui::TEdit* edit, double fallback) {
    const tEditRule& rule = RuleOf(edit);
    return ReadReal(edit, rule.ReadMin, rule.ReadMax, fallback);
}

QString TParamForm::EditText(const ui::TEdit* edit, double value) const {
    switch (RuleOf(edit).Format) {
        case tTextFormat::Integer:
            return QString::fromStdString(IntegerText(int64_t(value)));
        case tTextFormat::OneDecimal:
            return QString::fromStdString(FixedText(value, 1));
        case tTextFormat::TwoDecimals:
            return QString::fromStdString(FixedText(value, 2));
        case tTextFormat::Factor:
            return QString::fromStdString(FactorText(value));
    }
    return QString();
}

void TParamForm::ReleasePipettes() {
    for (ui::TSpeedButton* b : {ColorBalanceButton, SkinButton, BlueButton, GreenButton})
        b->SetDown(false);
    ColorBalanceButtonClick();
    SkinButtonClick();
}

void TParamForm::ColorBalanceButtonClick() {
    Image->SetCursor(ColorBalanceButton->Down() ? 4 : 3);
}

void TParamForm::SkinButtonClick() {
    Image->SetCursor(SkinButton->Down() || BlueButton->Down() || GreenButton->Down() ? 4 : 3);
}

}  // namespace velmora::dialog

// A one-line edit field. OnChange fires whenever the text changes, typed or
// set by code. MaxLength limits what the user can type; code may set any
// text (the user can still delete from a longer one). OnKeyDown sees each
// key before the field does and may consume it by setting it to 0.
#pragma once

#include <QLineEdit>

#include "toolkit/TControl.h"

namespace velmora::ui {

class TEdit : public TControl<QLineEdit> {
    Q_OBJECT
    Q_PROPERTY(QString Text READ Text WRITE SetText)
    Q_PROPERTY(int MaxLength READ MaxLength WRITE SetMaxLength)

  public:
    explicit TEdit(QWidget* parent = nullptr);

    tNotify OnChange;
    /// Key code as in TTypes.h; set it to 0 to keep the key from the field.
    std::function<void(int& key, tShiftState shift)> OnKeyDown;
    std::function<void(int& key, tShiftState shift)> OnKeyUp;

    QString Text() const { return text(); }
    void SetText(const QString& text);

    /// Most characters the user may type; 0 means no limit.
    int MaxLength() const { return maxLength_; }
    void SetMaxLength(int length) { maxLength_ = length < 0 ? 0 : length; }

    /// Selection: SelStart is the caret (or the selection's start), setting
    /// it collapses the selection; SelLength extends it from SelStart.
    int SelStart() const;
    int SelLength() const;
    void SetSelStart(int start);
    void SetSelLength(int length);
    void SelectAll() { selectAll(); }
    /// Deletes the selected text (nothing when none is selected).
    void ClearSelection();

    bool ReadOnly() const { return isReadOnly(); }
    void SetReadOnly(bool readOnly) { setReadOnly(readOnly); }

    // The form's uic code sets Qt's properties; route them through ours.
    void setMaxLength(int length) { SetMaxLength(length); }
    void setText(const QString& text) { SetText(text); }

  protected:
    void ApplyColor() override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

  private:
    class tLengthLimit;
    int maxLength_ = 0;
    int acceptedLength_ = 0;  // length of the text as it last changed
    bool settingText_ = false;
};

}  // namespace velmora::ui

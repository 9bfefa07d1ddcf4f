// A speed button: a tool button that, with a GroupIndex above 0, stays down
// when clicked and raises the other buttons of its group (the speed buttons
// of the same parent with the same GroupIndex). With AllowAllUp a click on
// the down button raises it, so all of the group may be up. OnClick fires
// for every click of the user (and Click()), not when code sets Down.
#pragma once

#include <QImage>
#include <QToolButton>
#include <vector>

#include "toolkit/TControl.h"

namespace velmora::ui {

class TSpeedButton : public TControl<QToolButton> {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(int GroupIndex READ GroupIndex WRITE SetGroupIndex)
    Q_PROPERTY(bool AllowAllUp READ AllowAllUp WRITE SetAllowAllUp)
    Q_PROPERTY(bool Down READ Down WRITE SetDown)
    Q_PROPERTY(bool Flat READ Flat WRITE SetFlat)

  public:
    explicit TSpeedButton(QWidget* parent = nullptr);

    QString Caption() const { return text(); }
    void SetCaption(const QString& caption);

    int GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int index);
    /// Applies to the whole group.
    bool AllowAllUp() const { return allowAllUp_; }
    void SetAllowAllUp(bool allow);
    /// Down raises the rest of the group. Without a group a button is never
    /// down; without AllowAllUp the down button of a group cannot be raised.
    bool Down() const { return isChecked(); }
    void SetDown(bool down);

    bool Flat() const { return autoRaise(); }
    void SetFlat(bool flat) { setAutoRaise(flat); }

    /// The glyph: `count` images side by side (up, disabled, clicked, down).
    /// An image without alpha is transparent where it has the colour of its
    /// bottom-left pixel.
    void SetGlyph(const QImage& glyph, int count = 1);
    QImage Glyph() const { return glyph_; }

    /// Does what a click of the user does (nothing while disabled).
    void Click() {
        Guarded([&] { click(); });
    }

    std::vector<TSpeedButton*> Group() const;

    // The form's uic code sets Qt's text and icon; keep the button style right.
    void setText(const QString& text) { SetCaption(text); }
    void setIcon(const QIcon& icon) {
        QToolButton::setIcon(icon);
        UpdateButtonStyle();
    }

  protected:
    void nextCheckState() override;

  private:
    void SetDownState(bool down);
    void UpdateButtonStyle();

    int groupIndex_ = 0;
    bool allowAllUp_ = false;
    QImage glyph_;
};

}  // namespace velmora::ui

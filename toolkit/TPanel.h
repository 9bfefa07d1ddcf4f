// A panel: a container with an outer and an inner bevel (each raised,
// lowered or none), a border between them and an optional centred caption.
// Its client area, where aligned children go, lies inside bevels and border.
#pragma once

#include <QFrame>

#include "toolkit/TControl.h"

namespace velmora::ui {

enum class tBevel { None, Lowered, Raised };

class TPanel : public TControl<QFrame> {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(QString BevelOuter READ BevelOuterText WRITE SetBevelOuterText)
    Q_PROPERTY(QString BevelInner READ BevelInnerText WRITE SetBevelInnerText)
    Q_PROPERTY(int BevelWidth READ BevelWidth WRITE SetBevelWidth)
    Q_PROPERTY(int BorderWidth READ BorderWidth WRITE SetBorderWidth)

  public:
    explicit TPanel(QWidget* parent = nullptr);

    QString Caption() const { return caption_; }
    void SetCaption(const QString& caption);

    tBevel BevelOuter() const { return outer_; }
    tBevel BevelInner() const { return inner_; }
    void SetBevelOuter(tBevel bevel);
    void SetBevelInner(tBevel bevel);
    int BevelWidth() const { return bevelWidth_; }
    void SetBevelWidth(int width);
    int BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int width);
    /// Width of bevels and border together on each side.
    int Inset() const;

    /// "none", "lowered" or "raised" (an optional "bv" prefix is accepted).
    QString BevelOuterText() const;
    QString BevelInnerText() const;
    void SetBevelOuterText(const QString& text);
    void SetBevelInnerText(const QString& text);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void UpdateInset();

    QString caption_;
    tBevel outer_ = tBevel::Raised;
    tBevel inner_ = tBevel::None;
    int bevelWidth_ = 1;
    int borderWidth_ = 0;
};

}  // namespace velmora::ui

// A status bar docked at the bottom of its parent, divided into panels side
// by side: each has a text and a width, and the last one takes the rest. A
// text too wide for its panel is drawn in a smaller size of the bar's font.
#pragma once

#include <QFont>
#include <QString>
#include <QWidget>
#include <memory>
#include <vector>

#include "toolkit/TControl.h"

namespace velmora::ui {

class TStatusBar;

class TStatusPanel {
  public:
    QString Text() const { return text_; }
    void SetText(const QString& text);
    int Width() const { return width_; }
    void SetWidth(int width);

  private:
    friend class TStatusBar;
    explicit TStatusPanel(TStatusBar& owner, int width) : owner_(owner), width_(width) {}
    TStatusBar& owner_;
    QString text_;
    int width_;
};

class TStatusBar : public TControl<QWidget> {
    Q_OBJECT
    /// Panel widths, comma separated ("140,140,90,50"); sets the panel count.
    Q_PROPERTY(QString Panels READ PanelWidthsText WRITE SetPanelWidthsText)

  public:
    explicit TStatusBar(QWidget* parent = nullptr);
    ~TStatusBar() override;

    int PanelCount() const { return static_cast<int>(panels_.size()); }
    /// Adds or removes panels at the end (new ones 50 pixels wide).
    void SetPanelCount(int count);
    /// A panel; an index outside 0..PanelCount()-1 throws std::out_of_range.
    TStatusPanel& Panel(int index);
    const TStatusPanel& Panel(int index) const;
    /// Where a panel is drawn.
    QRect PanelRect(int index) const;
    /// Width of a text in the bar's font.
    int TextWidth(const QString& text) const;
    /// Where a panel's text is drawn (inside its frame and margins).
    QRect PanelTextRect(int index) const;
    /// The font a panel's text is drawn in: the bar's font, or a smaller
    /// size of it when the text is wider than the panel (down to 3/4 of the
    /// bar's size).
    QFont PanelFont(int index) const;

    QString PanelWidthsText() const;
    void SetPanelWidthsText(const QString& text);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    std::vector<std::unique_ptr<TStatusPanel>> panels_;
};

}  // namespace velmora::ui

#include "toolkit/TSpeedButton.h"

#include <QIcon>
#include <QPixmap>

namespace velmora::ui {

TSpeedButton::TSpeedButton(QWidget* parent) : TControl<QToolButton>(parent, false) {
    setFocusPolicy(Qt::NoFocus);
    setToolButtonStyle(Qt::ToolButtonTextOnly);
    connect(this, &QAbstractButton::clicked, this, [this] { Raise(OnClick); });
}

void TSpeedButton::SetCaption(const QString& caption) {
    QToolButton::setText(caption);
    UpdateButtonStyle();
}

void TSpeedButton::SetGroupIndex(int index) {
    groupIndex_ = index < 0 ? 0 : index;
    setCheckable(groupIndex_ > 0);  // unchecks when leaving its group
}

void TSpeedButton::SetAllowAllUp(bool allow) {
    allowAllUp_ = allow;
    for (TSpeedButton* other : Group()) other->allowAllUp_ = allow;
}

void TSpeedButton::SetDown(bool down) {
    Guarded([&] { SetDownState(down); });
}

void TSpeedButton::SetDownState(bool down) {
    if (groupIndex_ == 0 || down == isChecked()) return;
    if (!down && !allowAllUp_) return;
    if (down)
        for (TSpeedButton* other : Group()) other->QToolButton::setChecked(false);
    QToolButton::setChecked(down);
}

void TSpeedButton::nextCheckState() {
    // A click: down if up; up again only where the group allows all up.
    if (groupIndex_ > 0) SetDownState(!isChecked());
}

std::vector<TSpeedButton*> TSpeedButton::Group() const {
    std::vector<TSpeedButton*> group;
    if (groupIndex_ == 0 || !parentWidget()) return group;
    for (TSpeedButton* other :
         parentWidget()->findChildren<TSpeedButton*>(Qt::FindDirectChildrenOnly))
        if (other != this && other->groupIndex_ == groupIndex_) group.push_back(other);
    return group;
}

void TSpeedButton::SetGlyph(const QImage& glyph, int count) {
    glyph_ = glyph;
    QIcon icon;
    if (!glyph.isNull()) {
        QImage image = glyph.convertToFormat(QImage::Format_ARGB32);
        if (!glyph.hasAlphaChannel()) {
            const QRgb key = image.pixel(0, image.height() - 1);
            for (int y = 0; y < image.height(); ++y) {
                auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
                for (int x = 0; x < image.width(); ++x)
                    if (row[x] == key) row[x] = 0;
            }
        }
        const int n = count < 1 ? 1 : count;
        const int w = image.width() / n;
        auto frame = [&](int i) {
            return QPixmap::fromImage(image.copy(i * w, 0, w, image.height()));
        };
        icon.addPixmap(frame(0), QIcon::Normal, QIcon::Off);
        if (n > 1) icon.addPixmap(frame(1), QIcon::Disabled, QIcon::Off);
        icon.addPixmap(frame(n > 3 ? 3 : 0), QIcon::Normal, QIcon::On);
        setIconSize(QSize(w, image.height()));
    }
    setIcon(icon);
}

void TSpeedButton::UpdateButtonStyle() {
    const bool hasText = !text().isEmpty();
    const bool hasIcon = !icon().isNull();
    setToolButtonStyle(hasIcon ? (hasText ? Qt::ToolButtonTextBesideIcon : Qt::ToolButtonIconOnly)
                               : Qt::ToolButtonTextOnly);
}

}  // namespace velmora::ui

// A plain-text label. Transparent (the parent shows through) until it is
// given a Color or made opaque.
#pragma once

#include <QLabel>

#include "toolkit/TControl.h"

namespace velmora::ui {

class TLabel : public TControl<QLabel> {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)

  public:
    explicit TLabel(QWidget* parent = nullptr);

    QString Caption() const { return text(); }
    void SetCaption(const QString& caption) { setText(caption); }
    bool Transparent() const { return !autoFillBackground(); }
    void SetTransparent(bool transparent) { setAutoFillBackground(!transparent); }
};

}  // namespace velmora::ui

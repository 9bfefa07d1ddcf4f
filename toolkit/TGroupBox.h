// A group box: a framed container with a caption in its top edge.
#pragma once

#include <QGroupBox>

#include "toolkit/TControl.h"

namespace velmora::ui {

class TGroupBox : public TControl<QGroupBox> {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)

  public:
    explicit TGroupBox(QWidget* parent = nullptr);

    QString Caption() const { return title(); }
    void SetCaption(const QString& caption) { setTitle(caption); }
};

}  // namespace velmora::ui

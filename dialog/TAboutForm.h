// The about box: product name and version, and two links that open the
// user guide installed beside the module. Any click or character key closes it.
#pragma once

#include <QString>

#include "toolkit/TForm.h"
#include "ui_TAboutForm.h"

namespace velmora::dialog {

/// Section of the guide behind `CreditLabel` (the project's page); `URL`
/// opens the guide's front page.
inline const QString kProjectSection = QStringLiteral("project");

class TAboutForm : public ui::TForm, private Ui::TAboutForm {
  public:
    explicit TAboutForm(QWidget* parent = nullptr);

    void FormCreate();
    void FormClick();
    void FormKeyPress(QChar& key);
    void NameLabelClick();
    void URLClick();
    void CreditLabelClick();
};

}  // namespace velmora::dialog

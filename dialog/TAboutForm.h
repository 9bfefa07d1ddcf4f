// The about box: product name and version, and two links that open the
// project's pages. Any click or character key closes it.
#pragma once

#include <QString>

#include "toolkit/TForm.h"
#include "ui_TAboutForm.h"

namespace velmora::dialog {

/// Address behind `URL` (the plug-in's page) and behind `CreditLabel`
/// (the project's home page).
inline const QString kPluginPageAddress = QStringLiteral("https://velmora.example.org/plugin");
inline const QString kHomePageAddress = QStringLiteral("https://velmora.example.org/");

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

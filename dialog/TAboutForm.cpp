#include "dialog/TAboutForm.h"

#include <QCoreApplication>
#include <QFont>
#include <QPalette>

#include "dialog/UserGuide.h"
#include "toolkit/TApplication.h"

namespace velmora::dialog {

namespace {

const QString kEdition = QStringLiteral(" Pro");

// The labels' text is 13 pixels high whatever the screen's resolution, as
// the layout was measured in pixels.
void SetLook(QLabel* label, const QColor& color) {
    QFont font = label->font();
    font.setPixelSize(13);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
}

}  // namespace

TAboutForm::TAboutForm(QWidget* parent) : ui::TForm(parent) {
    setupUi(this);
    SetBorderStyle(ui::tBorderStyle::Dialog);
    SetClientSize(300, 120);
    SetPlacement(ui::tPlacement::ScreenCenter);
    SetLook(NameLabel, Qt::black);
    SetLook(URL, QColor(0, 0, 128));
    SetLook(CreditLabel, QColor(0, 0, 128));

    OnClick = [this] { FormClick(); };
    OnKeyPress = [this](QChar& key) { FormKeyPress(key); };
    NameLabel->OnClick = [this] { NameLabelClick(); };
    URL->OnClick = [this] { URLClick(); };
    CreditLabel->OnClick = [this] { CreditLabelClick(); };
    FormCreate();
}

void TAboutForm::FormCreate() {
    CreditLabel->SetCaption(
        QCoreApplication::translate("TAboutForm", "Разработка: проект Velmora"));
    SetCaption(Caption() + kEdition);
    NameLabel->SetCaption(NameLabel->Caption() + kEdition);
}

void TAboutForm::FormClick() {
    Close();
}

void TAboutForm::FormKeyPress(QChar& key) {
    key = QChar();
    Close();
}

void TAboutForm::NameLabelClick() {
    Close();
}

// A page that cannot be opened is not an error: the box closes all the same.
void TAboutForm::URLClick() {
    ui::TApplication::Instance().OpenURL(UserGuideAddress());
    Close();
}

void TAboutForm::CreditLabelClick() {
    ui::TApplication::Instance().OpenURL(UserGuideAddress(kProjectSection));
    Close();
}

}  // namespace velmora::dialog

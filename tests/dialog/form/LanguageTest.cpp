// Every text of the parameter dialog and the about box, in Russian (the
// default) and with the English translator: in English no Russian text is
// left over, and in both languages every text fits the control it is shown in.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStringList>
#include <QStyle>
#include <QStyleOption>
#include <QToolButton>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "dialog/Language.h"
#include "dialog/TAboutForm.h"
#include "dialog/TParamForm.h"
#include "engine/Analysis.h"
#include "engine/Settings.h"
#include "engine/UndoHistory.h"
#include "host/ModuleState.h"
#include "tests/dialog/form/FormFixture.h"
#include "toolkit/TControl.h"
#include "toolkit/TImage.h"
#include "toolkit/TSpeedButton.h"
#include "toolkit/TStatusBar.h"

namespace velmora::test {
namespace {

enum class tKind { Caption, Hint, Status };

struct tShown {
    QString text;
    tKind kind;
    QWidget* control;  // where it is drawn; the status bar for status texts
    QString overflow;  // what does not fit, measured while the form is up
};

/// Texts by where they come from ("OkButton caption", "help line over X").
using tTexts = std::map<QString, tShown>;

bool HasCyrillic(const QString& text) {
    for (QChar c : text)
        if (c.unicode() >= 0x0400 && c.unicode() <= 0x04FF) return true;
    return false;
}

/// The rectangle a control's text is drawn in, as its style lays it out.
QRect TextRoom(QWidget* w, const QString& text) {
    QStyle* style = w->style();
    if (auto* radio = qobject_cast<QRadioButton*>(w)) {
        QStyleOptionButton opt;
        opt.initFrom(radio);
        opt.text = text;
        return style->subElementRect(QStyle::SE_RadioButtonContents, &opt, radio);
    }
    if (auto* check = qobject_cast<QCheckBox*>(w)) {
        QStyleOptionButton opt;
        opt.initFrom(check);
        opt.text = text;
        return style->subElementRect(QStyle::SE_CheckBoxContents, &opt, check);
    }
    if (auto* push = qobject_cast<QPushButton*>(w)) {
        QStyleOptionButton opt;
        opt.initFrom(push);
        opt.text = text;
        return style->subElementRect(QStyle::SE_PushButtonContents, &opt, push);
    }
    if (auto* label = qobject_cast<QLabel*>(w)) return label->contentsRect();
    // A speed button centres its text (a symbol or a digit) in the whole button.
    return w->rect();
}

/// Empty when the text fits where it is shown, else what does not fit.
QString Overflow(const tShown& shown) {
    if (shown.kind == tKind::Hint || shown.text.isEmpty()) return {};
    QWidget* w = shown.control;
    if (auto* bar = qobject_cast<ui::TStatusBar*>(w)) {
        // The bar draws a wide text smaller, down to 3/4 of its font.
        const QFontMetrics fm(bar->PanelFont(3));
        const int need = fm.horizontalAdvance(shown.text);
        const int room = bar->PanelTextRect(3).width();
        return need <= room ? QString() : QStringLiteral("%1 px in %2").arg(need).arg(room);
    }
    const QFontMetrics fm(w->font());
    if (auto* group = qobject_cast<QGroupBox*>(w)) {
        // The title is drawn from 8 pixels in and needs as much room at its end.
        const int need = fm.horizontalAdvance(shown.text);
        const int room = group->width() - 16;
        return need <= room ? QString() : QStringLiteral("%1 px in %2").arg(need).arg(room);
    }
    const QRect room = TextRoom(w, shown.text);
    const int need = fm.horizontalAdvance(shown.text);
    if (need > room.width()) return QStringLiteral("%1 px wide in %2").arg(need).arg(room.width());
    if (fm.height() > room.height())
        return QStringLiteral("%1 px high in %2").arg(fm.height()).arg(room.height());
    return {};
}

/// Measures every text not measured yet (a status text is measured while
/// it is in its panel).
void Measure(tTexts& texts) {
    for (auto& [key, shown] : texts)
        if (shown.kind != tKind::Status) shown.overflow = Overflow(shown);
}

/// Captions and hints of a form and its controls.
void AddControlTexts(QWidget* form, tTexts& texts) {
    texts[QStringLiteral("window caption")] = {form->windowTitle(), tKind::Hint, form, {}};
    for (QWidget* w : form->findChildren<QWidget*>()) {
        const QString name = w->objectName();
        if (name.isEmpty() || name.startsWith(QLatin1String("qt_"))) continue;
        QString caption;
        if (auto* label = qobject_cast<QLabel*>(w))
            caption = label->text();
        else if (auto* button = qobject_cast<QAbstractButton*>(w))
            caption = button->text();
        else if (auto* group = qobject_cast<QGroupBox*>(w))
            caption = group->title();
        if (!caption.isEmpty())
            texts[name + QStringLiteral(" caption")] = {caption, tKind::Caption, w, {}};
        if (!w->toolTip().isEmpty())
            texts[name + QStringLiteral(" hint")] = {w->toolTip(), tKind::Hint, w, {}};
    }
}

/// The stage texts the analysis writes into the help line, from the sources:
/// a stage added later is checked without listing it here.
std::vector<std::string> StageTexts() {
    std::vector<std::string> stages;
    const QRegularExpression call(QStringLiteral(R"re(\bStatus\("([^"]*)"\))re"));
    QDirIterator it(QStringLiteral(VELMORA_SOURCE), {QStringLiteral("*.cpp")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (path.contains(QLatin1String("/build/")) || path.contains(QLatin1String("/tests/")))
            continue;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) continue;
        const QString source = QString::fromUtf8(file.readAll());
        for (auto m = call.globalMatch(source); m.hasNext();)
            stages.push_back(m.next().captured(1).toStdString());
    }
    return stages;
}

/// Every complete failure message of the module that is written in Russian.
QStringList FailureMessages() {
    QStringList messages;
    const QRegularExpression call(
        QStringLiteral(R"re(\b(?:Fail|ReportFailure)\("([^"]*)"\s*[,)])re"));
    QDirIterator it(QStringLiteral(VELMORA_SOURCE),
                    {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (path.contains(QLatin1String("/build/")) || path.contains(QLatin1String("/tests/")))
            continue;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) continue;
        const QString source = QString::fromUtf8(file.readAll());
        for (auto m = call.globalMatch(source); m.hasNext();) {
            const QString message = m.next().captured(1);
            if (HasCyrillic(message) && !messages.contains(message)) messages << message;
        }
    }
    return messages;
}

class LanguageTest : public ::testing::Test {
  protected:
    void SetUp() override { StartAsOnFirstUse(); }
    void TearDown() override {
        FreeHistory();
        Settings.FullScreen = 0;
        Analysis.Black = Analysis.White = 0;
    }

    /// Every text the parameter dialog shows, with the translator of a language.
    tTexts ParamFormTexts(const QString& language) {
        dialog::tLanguageScope scope(language);
        EXPECT_EQ(scope.Installed(), language == QLatin1String("en"));
        auto form = std::make_unique<dialog::TParamForm>();
        // Measured in the compact window: the full-screen one is narrower than
        // it on the offscreen platform's 800-pixel screen.
        Settings.FullScreen = 0;
        form->ApplySizeMode();
        form->RefreshControls();
        QApplication::processEvents();
        tTexts texts;
        AddControlTexts(form.get(), texts);
        auto* bar = form->findChild<ui::TStatusBar*>(QStringLiteral("StatusBar"));
        auto line = [&](const QString& key) {
            tShown shown{bar->Panel(3).Text(), tKind::Status, bar, {}};
            shown.overflow = Overflow(shown);
            texts[QStringLiteral("help line: ") + key] = shown;
            bar->Panel(3).SetText(QString());
        };

        // Help lines of the controls that write one when the pointer is over them.
        for (QWidget* w : form->findChildren<QWidget*>()) {
            auto* control = dynamic_cast<ui::tControlCore*>(w);
            if (!control || !control->OnMouseMove) continue;
            const QString name = w->objectName();
            if (name == QLatin1String("Image") || name == QLatin1String("LabImage") ||
                name.startsWith(QLatin1String("ShotImage")))
                continue;  // need a working image; driven below where they write texts
            control->OnMouseMove({}, 1, 1);
            line(name);
        }
        form->CancelButtonMouseMove(ui::tShiftState(ui::tShift::Alt), 1, 1);
        line(QStringLiteral("CancelButton with Alt"));

        // The pickers' instructions over the preview.
        auto* image = form->findChild<ui::TImage*>(QStringLiteral("Image"));
        auto* neutral = form->findChild<ui::TSpeedButton*>(QStringLiteral("ColorBalanceButton"));
        for (int cursor : {8, 7, 4}) {
            neutral->SetDown(true);
            image->SetCursor(cursor);
            form->ImageMouseMove({}, -1, -1);
            line(QStringLiteral("neutral picker, cursor %1").arg(cursor));
        }
        neutral->SetDown(false);
        for (const char* name : {"SkinButton", "BlueButton", "GreenButton"}) {
            auto* picker = form->findChild<ui::TSpeedButton*>(QLatin1String(name));
            picker->SetDown(true);
            form->ImageMouseMove({}, -1, -1);
            line(QLatin1String(name) + QStringLiteral(" picker"));
            picker->SetDown(false);
        }
        image->SetCursor(3);
        form->ImageMouseMove({}, -1, -1);
        line(QStringLiteral("preview"));
        auto* plane = form->findChild<ui::TImage*>(QStringLiteral("LabImage"));
        for (int cursor : {5, 6}) {
            plane->SetCursor(cursor);
            form->LabImageMouseMove({}, 1, 1);
            line(QStringLiteral("colour plane, cursor %1").arg(cursor));
        }

        form->ShotImageMouseMove(form->findChild<QWidget*>(QStringLiteral("ShotImage1")), 1, 1);
        line(QStringLiteral("snapshot thumbnail"));

        // The analysis' stage texts.
        const std::vector<std::string> stages = StageTexts();
        EXPECT_GE(stages.size(), 8u) << "stage texts not found in the sources";
        for (const std::string& stage : stages) {
            form->SetStatusText(stage);
            line(QStringLiteral("stage ") + QString::fromStdString(stage));
        }

        // Alt turns Cancel into the button back to the source image.
        int alt = Qt::Key_Alt;
        auto* cancel = form->findChild<QPushButton*>(QStringLiteral("CancelButton"));
        form->FormKeyDown(alt, ui::tShiftState(ui::tShift::Alt));
        texts[QStringLiteral("CancelButton caption with Alt")] = {
            cancel->text(), tKind::Caption, cancel, {}};
        form->FormDeactivate();
        EXPECT_EQ(cancel->text(), texts[QStringLiteral("CancelButton caption")].text)
            << "Cancel must come back after Alt in " << language.toStdString();

        // The window-size button's hint in the other size.
        Settings.FullScreen = 1;
        form->ApplySizeMode();
        auto* resize = form->findChild<QWidget*>(QStringLiteral("ResizeButton"));
        texts[QStringLiteral("ResizeButton hint, full screen")] = {
            resize->toolTip(), tKind::Hint, resize, {}};
        Settings.FullScreen = 0;
        form->ApplySizeMode();
        Measure(texts);
        if (const char* shot = std::getenv("VELMORA_DIALOG_SCREENSHOT"))
            form->grab().save(QString::fromLocal8Bit(shot) + QLatin1Char('_') + language +
                              QStringLiteral(".png"));
        return texts;
    }

    tTexts AboutTexts(const QString& language) {
        dialog::tLanguageScope scope(language);
        dialog::TAboutForm form;
        tTexts texts;
        AddControlTexts(&form, texts);
        Measure(texts);
        return texts;
    }

    /// Russian and English side by side: the same texts, each English one
    /// translated, and every one fitting its control.
    void CheckBothLanguages(const tTexts& ru, const tTexts& en) {
        for (const auto& [key, shown] : ru) {
            SCOPED_TRACE(key.toStdString());
            ASSERT_TRUE(en.count(key)) << "shown only in Russian";
            const tShown& english = en.at(key);
            EXPECT_FALSE(HasCyrillic(english.text)) << english.text.toStdString();
            if (HasCyrillic(shown.text))
                EXPECT_NE(english.text, shown.text);
            else
                EXPECT_EQ(english.text, shown.text) << "a language-neutral text changed";
            EXPECT_EQ(shown.overflow.toStdString(), "") << "ru: " << shown.text.toStdString();
            EXPECT_EQ(english.overflow.toStdString(), "") << "en: " << english.text.toStdString();
        }
        EXPECT_EQ(en.size(), ru.size());
    }
};

TEST_F(LanguageTest, TheParameterDialogIsEnglishWithTheTranslatorAndEveryTextFits) {
    const tTexts ru = ParamFormTexts(QStringLiteral("ru"));
    const tTexts en = ParamFormTexts(QStringLiteral("en"));
    // The defaults stay the Russian texts.
    EXPECT_EQ(ru.at(QStringLiteral("OkButton caption")).text, QStringLiteral("Готово"));
    EXPECT_EQ(ru.at(QStringLiteral("RangeGroup caption")).text,
              QStringLiteral(" Динамический диапазон "));
    EXPECT_EQ(en.at(QStringLiteral("OkButton caption")).text, QStringLiteral("OK"));
    EXPECT_EQ(en.at(QStringLiteral("ShowButton3 hint")).text,
              QStringLiteral("Show snapshot (key 3)"));
    // Enough of the dialog was walked to mean something.
    int hints = 0, lines = 0;
    for (const auto& [key, shown] : ru) {
        hints += shown.kind == tKind::Hint;
        lines += shown.kind == tKind::Status && !shown.text.isEmpty();
    }
    EXPECT_FALSE(ru.at(QStringLiteral("help line: snapshot thumbnail")).text.isEmpty());
    EXPECT_FALSE(ru.at(QStringLiteral("help line: SkinButton picker")).text.isEmpty());
    EXPECT_GE(hints, 70);
    EXPECT_GE(lines, 30);
    CheckBothLanguages(ru, en);
}

TEST_F(LanguageTest, TheAboutBoxIsEnglishWithTheTranslator) {
    const tTexts ru = AboutTexts(QStringLiteral("ru"));
    const tTexts en = AboutTexts(QStringLiteral("en"));
    EXPECT_EQ(ru.at(QStringLiteral("CreditLabel caption")).text,
              QStringLiteral("Разработка: проект Velmora"));
    EXPECT_EQ(en.at(QStringLiteral("CreditLabel caption")).text,
              QStringLiteral("Made by the Velmora project"));
    CheckBothLanguages(ru, en);
}

TEST_F(LanguageTest, FailureMessagesAreEnglishWithTheTranslatorAndKeepTheirUnit) {
    const QStringList messages = FailureMessages();
    EXPECT_GE(messages.size(), 20);
    {
        dialog::tLanguageScope scope(QStringLiteral("en"));
        ASSERT_TRUE(scope.Installed());
        for (const QString& message : messages) {
            const QString shown = dialog::FailureText(message.toUtf8().constData());
            EXPECT_FALSE(HasCyrillic(shown)) << message.toStdString();
        }
        EXPECT_EQ(dialog::FailureText("Неверный масштаб (PhotoUnit)"),
                  QStringLiteral("Invalid scale (PhotoUnit)"));
        EXPECT_EQ(dialog::FailureText("Недостаточно памяти"), QStringLiteral("Not enough memory"));
    }
    // Without the translator (and after it is gone) the texts are the module's own.
    EXPECT_EQ(dialog::FailureText("Неверный масштаб (PhotoUnit)"),
              QStringLiteral("Неверный масштаб (PhotoUnit)"));
}

TEST(Language, TheScopeInstallsOnceAndRemovesItsTranslator) {
    EXPECT_EQ(QCoreApplication::translate("TParamForm", "Отмена"), QStringLiteral("Отмена"));
    {
        dialog::tLanguageScope outer(QStringLiteral("en"));
        EXPECT_TRUE(outer.Installed());
        {
            dialog::tLanguageScope inner(QStringLiteral("en"));
            EXPECT_FALSE(inner.Installed()) << "nested scopes install one translator";
        }
        // The inner scope's end leaves the outer one's translator in place.
        EXPECT_EQ(QCoreApplication::translate("TParamForm", "Отмена"), QStringLiteral("Cancel"));
        // Only the module's own contexts are translated.
        EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Отмена"),
                  QStringLiteral("Отмена"));
    }
    EXPECT_EQ(QCoreApplication::translate("TParamForm", "Отмена"), QStringLiteral("Отмена"));
    EXPECT_FALSE(dialog::tLanguageScope(QStringLiteral("ru")).Installed());
}

TEST(Language, VelmoraLanguageChoosesEnglishForEveryEnglishValue) {
    const struct {
        const char* value;
        const char* language;
    } cases[] = {
        {"en", "en"}, {"EN", "en"}, {"en_GB.UTF-8", "en"}, {"en-US", "en"},   {" en ", "en"},
        {"ru", "ru"}, {"", "ru"},   {"de", "ru"},          {"english", "ru"}, {"ens", "ru"}};
    for (const auto& c : cases) {
        setenv("VELMORA_LANGUAGE", c.value, 1);
        EXPECT_EQ(dialog::RequestedLanguage(), QLatin1String(c.language)) << '"' << c.value << '"';
    }
    unsetenv("VELMORA_LANGUAGE");
    EXPECT_EQ(dialog::RequestedLanguage(), QLatin1String("ru"));
}

}  // namespace
}  // namespace velmora::test

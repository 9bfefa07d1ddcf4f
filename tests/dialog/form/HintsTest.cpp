// Captions and hints assigned when the dialog is created, and the help line
// of status panel 3 under real mouse moves.
#include <optional>

#include "FormFixture.h"
#include "tests/support/Captions.h"
#include "toolkit/TButton.h"
#include "toolkit/TGroupBox.h"
#include "toolkit/TLabel.h"
#include "toolkit/TStatusBar.h"

namespace velmora::test {
namespace {

class HintsTest : public FormTest {
  protected:
    QWidget* W(const char* name) {
        if (form->objectName() == QLatin1String(name)) return form.get();
        return C<QWidget>(name);
    }
    QString Hint(const char* name) { return W(name)->toolTip(); }
    QString Caption(const char* name) { return W(name)->property("Caption").toString(); }
    QString Status() { return C<ui::TStatusBar>("StatusBar")->Panel(3).Text(); }

    /// A point of the widget that none of its children covers.
    static QPoint FreePoint(QWidget* w) {
        for (int y = 2; y < w->height() - 1; y += 2)
            for (int x = 2; x < w->width() - 1; x += 2)
                if (!w->childAt(x, y)) return QPoint(x, y);
        ADD_FAILURE() << w->objectName().toStdString() << " has no free point";
        return QPoint(1, 1);
    }
    void MoveOver(const char* name) { QTest::mouseMove(W(name), FreePoint(W(name))); }
};

TEST_F(HintsTest, CaptionsAndTheTitleSuffix) {
    const auto& captions = kDialogCaptions;
    for (const auto& [name, caption] : captions)
        EXPECT_EQ(Caption(name), QString::fromUtf8(caption)) << name;
    EXPECT_EQ(form->Caption(), QStringLiteral("Zeq Velmora 3.15b Pro"));
    EXPECT_EQ(form->windowTitle(), form->Caption());
}

TEST_F(HintsTest, HintsOfEveryControlAndOfTheSnapshotControls) {
    const std::pair<const char*, const char*> hints[] = {
        {"UndoButton", "Отменить (Alt-Backspace, Ctrl-Z)"},
        {"RedoButton", "Вернуть (Shift-Alt-Backspace, Shift-Ctrl-Z)"},
        {"SrcButton", "Исходный (Alt-Отмена, Home)"},
        {"DefaultButton", "Автокоррекция (End)"},
        {"PlusButton", "Увеличить (Серый \"+\")"},
        {"MinusButton", "Уменьшить (Серый \"-\")"},
        {"FitButton", "Показать целиком (Серая \"*\")"},
        {"ActualButton", "Истинный масштаб (Серый \"/\")"},
        {"ShadeEdit", "Уровень в тенях"},
        {"LightEdit", "Уровень в светах"},
        {"ShadeTrackBar", "Уровень черного"},
        {"LightTrackBar", "Уровень белого"},
        {"ShadowShape", "Полная тень"},
        {"NormalImage", "Основной диапазон"},
        {"LightShape", "Пересвет"},
        {"ColorContrastEdit", "Цветовой контраст"},
        {"ColorContrastTrackBar", "Усиление насыщенности"},
        {"SatBendEdit", "Верхняя граница зоны усиления"},
        {"LowSatEdit", "Нижняя граница зоны усиления"},
        {"LowSatTrackBar", "Ограничивает усиление близких к нейтральному цветов"},
        {"SatBendTrackBar", "Ограничивает усиление насыщенных цветов"},
        {"ColorBalanceButton", "Указатель нейтральной точки"},
        {"SkinButton", "Указатель телесного тона"},
        {"BlueButton", "Указатель тона голубого неба"},
        {"GreenButton", "Указатель тона зеленой травы"},
        {"aEdit", "Цветовой баланс (пурпурный-зеленый)"},
        {"bEdit", "Цветовой баланс (желтый-синий)"},
        {"aTrackBar", "Пурпурный (+) - зеленый (-)"},
        {"bTrackBar", "Жёлтый (+) - синий (-)"},
        {"HueTrackBar", "Цветовой тон (добавляемый)"},
        {"HueEdit", "Оттенок (H)"},
        {"ChromaTrackBar", "Цветность (насыщенность)"},
        {"ChromaEdit", "Цветность (C)"},
        {"RotateTrackBar", "Сдвиг цвета"},
        {"RotEdit", "Цветовой сдвиг"},
        {"SpectrumImage", "Исходный цвет"},
        {"RotateImage", "Сдвинутый цвет"},
        {"MagentaEdit", "Усиление (дБ) пурпурного (H=0°)"},
        {"RedEdit", "Усиление (дБ) красного (H=45°)"},
        {"YellowEdit", "Усиление (дБ) желтого (H=90°)"},
        {"GrassEdit", "Усиление (дБ) зеленого (H=135°)"},
        {"GreenEdit", "Усиление (дБ) изумрудно-зеленого (H=180°)"},
        {"CyanEdit", "Усиление (дБ) голубого (H=225°)"},
        {"BlueEdit", "Усиление (дБ) синего (H=270°)"},
        {"VioletEdit", "Усиление (дБ) фиолетового (H=315°)"},
        {"DarkEdit", "Усиление насыщенности (дБ) в тенях (0L)"},
        {"DarkGrayEdit", "Усиление насыщенности (дБ) в 3/4-тонах (25L)"},
        {"GrayEdit", "Усиление насыщенности (дБ) в полутонах (50L)"},
        {"LightGrayEdit", "Усиление насыщенности (дБ) в четвертьтонах (75L)"},
        {"WhiteEdit", "Усиление насыщенности (дБ) в светах (100L)"},
        {"CommonRadio", "При включении баланс усредняется"},
        {"LightRadio", "Включает отображение баланса светлой точки"},
        {"ShadowRadio", "Включает отображение баланса темной точки"},
        {"ShadowTrackBar", "Подъём теней"},
        {"ShadowEdit", "Степень подъёма теней"},
        {"HighLightTrackBar", "Снижение светов"},
        {"HighLightEdit", "Степень снижения светов"},
        {"WarningCheckBox", "Включение предупреждений о пересветах и глухих тенях"},
        {"ClearAllButton", "Удалить все снимки"},
        {"ShotButton", "Сделать снимок (запомнить настройки)"},
        {"RangeGroup", ""},
        {"ColorContrastGroup", ""},
    };
    for (const auto& [name, hint] : hints) EXPECT_EQ(Hint(name), QString::fromUtf8(hint)) << name;
    for (int n = 1; n <= 6; ++n) {
        const std::string k = std::to_string(n);
        EXPECT_EQ(Hint(("ShowButton" + k).c_str()),
                  QStringLiteral("Показать снимок (клавиша ") + QString::number(n) + ")");
        EXPECT_EQ(Hint(("ShotImage" + k).c_str()), QStringLiteral("Показать этот снимок"));
        EXPECT_EQ(Hint(("ClearButton" + k).c_str()), QStringLiteral("Удалить снимок"));
    }
}

TEST_F(HintsTest, ResizeButtonHintFollowsTheWindowSizeMode) {
    const QString keys = QStringLiteral("\n\rPgUp - увеличить, PgDn - уменьшить");
    const std::pair<int32_t, QString> modes[] = {
        {0, QStringLiteral(" Размер окна (развернуть во весь экран) ") + keys},
        {1, QStringLiteral(" Размер окна (уменьшить) ") + keys},
        {0, QStringLiteral(" Размер окна (развернуть во весь экран) ") + keys},
    };
    for (const auto& [mode, hint] : modes) {
        Settings.FullScreen = mode;
        form->ApplySizeMode();
        EXPECT_EQ(Hint("ResizeButton"), hint) << mode;
    }
}

TEST_F(HintsTest, TheHelpLineFollowsTheMouseOverTheControlPanel) {
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    const char* const unchanged = nullptr;
    const std::pair<const char*, const char*> moves[] = {
        {"ControlPanel", " Щелчок - сброс настроек. Двойной щелчок - отмена"},
        {"aTrackBar", unchanged},
        {"ShadeEdit", ""},
        {"RangeGroup", " Щелчок по свободному полю - исходный динамический диапазон"},
        {"NormalImage", ""},
        {"LightnessPanel", " Щелчок по свободному полю - исходная яркость"},
        {"ContrastPanel", " Щелчок по свободному полю - исходная контрастность"},
        {"SharpnessPanel", " Щелчок по свободному полю - исходная резкость"},
        {"TParamForm", ""},
        {"ShadowHighlightPanel", " Щелчок по свободному полю - исходные тени и света"},
        {"HueTrackBar", unchanged},
        {"ColorContrastGroup", " Щелчок по свободному полю - исходная насыщенность"},
        {"LowBendPanel", ""},
        {"SatImage", " Щелчок - исходная насыщенность. Двойной щелчок - отмена"},
        {"RotEdit", ""},
        {"BalanceGroupBox", " Щелчок по свободному полю - исходный цвет"},
        {"CHPanel", " Щелчок - исходный баланс. Двойной щелчок - отмена"},
        {"ToolPanel", ""},
        {"SpectrumImage", " Щелчок - нулевой сдвиг. Двойной щелчок - отмена"},
        {"aEdit", ""},
        {"RotateImage", " Щелчок - нулевой сдвиг. Двойной щелчок - отмена"},
        {"ColorBalanceButton", " Служит для выбора нейтральной точки на фотографии"},
        {"GreenButton", " Служит для выбора точки на зеленой траве"},
        {"OkButton", " Обработать фотографию в соответствии с текущими настройками"},
        // A handler of its own, left in place.
        {"CancelButton", " Закрыть окно, не обрабатывая фотографию"},
    };
    QString expected = Status();
    for (const auto& [name, text] : moves) {
        MoveOver(name);
        if (text) expected = QString::fromUtf8(text);
        EXPECT_EQ(Status(), expected) << name;
    }
}

TEST_F(HintsTest, EnteringTheSwitchesAndFocusingTheSaturationSliderClearTheHelpLine) {
    form->show();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    for (const char* name : {"AutocontrastCheckBox", "WarningCheckBox"}) {
        MoveOver("SatImage");
        ASSERT_FALSE(Status().isEmpty());
        MoveOver(name);
        EXPECT_EQ(Status(), QString()) << name;
    }
    MoveOver("SatImage");
    ASSERT_FALSE(Status().isEmpty());
    QTest::qWait(50);  // the hover focus (hints off) settles on ImagePanel first
    Bar("ColorContrastTrackBar")->SetFocus();
    QApplication::processEvents();
    EXPECT_TRUE(Bar("ColorContrastTrackBar")->hasFocus());
    EXPECT_EQ(Status(), QString());
}

}  // namespace
}  // namespace velmora::test

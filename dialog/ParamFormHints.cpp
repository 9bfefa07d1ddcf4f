// Captions and hints, and the help line of status panel 3.
#include <array>
#include <utility>

#include "dialog/TParamForm.h"

namespace velmora::dialog {

namespace {

/// Adds a mouse-move action to a control, after whatever handler it has.
void AddMouseMove(ui::tControlCore* control, std::function<void()> action) {
    ui::tMouseMoveHandler previous = std::move(control->OnMouseMove);
    control->OnMouseMove = [previous = std::move(previous), action = std::move(action)](
                               ui::tShiftState shift, int x, int y) {
        if (previous) previous(shift, x, y);
        action();
    };
}

/// Adds an action to a notification (mouse entering, focus received).
void AddNotify(ui::tNotify& notify, std::function<void()> action) {
    ui::tNotify previous = std::move(notify);
    notify = [previous = std::move(previous), action = std::move(action)] {
        if (previous) previous();
        action();
    };
}

}  // namespace

void TParamForm::AssignHintTexts() {
    // Captions.
    RangeGroup->SetCaption(QStringLiteral(" Динамический диапазон "));
    ColorContrastGroup->SetCaption(QStringLiteral(" Насыщенность "));
    BalanceGroupBox->SetCaption(QStringLiteral(" Цветовой баланс и сдвиг "));
    OkButton->SetCaption(QStringLiteral("Готово"));
    CancelButton->SetCaption(QStringLiteral("Отмена"));
    AutocontrastCheckBox->SetCaption(QStringLiteral("Авто"));
    MonoCheckBox->SetCaption(QStringLiteral("Моно"));
    LightnessLabel->SetCaption(QStringLiteral("Яркость"));
    ContrastLabel->SetCaption(QStringLiteral("Контрастность"));
    WarningCheckBox->SetCaption(QStringLiteral("Предупреждения"));
    HintCheckBox->SetCaption(QStringLiteral("Подсказки"));
    ShadowLabel->SetCaption(QStringLiteral(" Тени "));
    HighLightLabel->SetCaption(QStringLiteral(" Света "));
    SharpLabel->SetCaption(QStringLiteral("Резкость"));
    CommonRadio->SetCaption(QStringLiteral("Общ. баланс"));
    LightRadio->SetCaption(QStringLiteral("Свет"));
    ShadowRadio->SetCaption(QStringLiteral("Тень"));
    SetCaption(Caption() + QStringLiteral(" Pro"));

    // The two group boxes explain themselves through the help line only.
    RangeGroup->SetHint(QString());
    ColorContrastGroup->SetHint(QString());

    const std::pair<ui::tControlCore*, const char16_t*> hints[] = {
        {UndoButton, u"Отменить (Alt-Backspace, Ctrl-Z)"},
        {RedoButton, u"Вернуть (Shift-Alt-Backspace, Shift-Ctrl-Z)"},
        {SrcButton, u"Исходный (Alt-Отмена, Home)"},
        {DefaultButton, u"Автокоррекция (End)"},
        {PlusButton, u"Увеличить (Серый \"+\")"},
        {MinusButton, u"Уменьшить (Серый \"-\")"},
        {FitButton, u"Показать целиком (Серая \"*\")"},
        {ActualButton, u"Истинный масштаб (Серый \"/\")"},
        {ShadeEdit, u"Уровень в тенях"},
        {LightEdit, u"Уровень в светах"},
        {ShadeTrackBar, u"Уровень черного"},
        {LightTrackBar, u"Уровень белого"},
        {ShadowShape, u"Полная тень"},
        {NormalImage, u"Основной диапазон"},
        {LightShape, u"Пересвет"},
        {ColorContrastEdit, u"Цветовой контраст"},
        {ColorContrastTrackBar, u"Усиление насыщенности"},
        {SatBendEdit, u"Верхняя граница зоны усиления"},
        {LowSatEdit, u"Нижняя граница зоны усиления"},
        {LowSatTrackBar, u"Ограничивает усиление близких к нейтральному цветов"},
        {SatBendTrackBar, u"Ограничивает усиление насыщенных цветов"},
        {ColorBalanceButton, u"Указатель нейтральной точки"},
        {SkinButton, u"Указатель телесного тона"},
        {BlueButton, u"Указатель тона голубого неба"},
        {GreenButton, u"Указатель тона зеленой травы"},
        {aEdit, u"Цветовой баланс (пурпурный-зеленый)"},
        {bEdit, u"Цветовой баланс (желтый-синий)"},
        {aTrackBar, u"Пурпурный (+) - зеленый (-)"},
        {bTrackBar, u"Жёлтый (+) - синий (-)"},
        {HueTrackBar, u"Цветовой тон (добавляемый)"},
        {HueEdit, u"Оттенок (H)"},
        {ChromaTrackBar, u"Цветность (насыщенность)"},
        {ChromaEdit, u"Цветность (C)"},
        {RotateTrackBar, u"Сдвиг цвета"},
        {RotEdit, u"Цветовой сдвиг"},
        {SpectrumImage, u"Исходный цвет"},
        {RotateImage, u"Сдвинутый цвет"},
        {MagentaEdit, u"Усиление (дБ) пурпурного (H=0°)"},
        {RedEdit, u"Усиление (дБ) красного (H=45°)"},
        {YellowEdit, u"Усиление (дБ) желтого (H=90°)"},
        {GrassEdit, u"Усиление (дБ) зеленого (H=135°)"},
        {GreenEdit, u"Усиление (дБ) изумрудно-зеленого (H=180°)"},
        // The cyan band is centred at 225 degrees.
        {CyanEdit, u"Усиление (дБ) голубого (H=225°)"},
        {BlueEdit, u"Усиление (дБ) синего (H=270°)"},
        {VioletEdit, u"Усиление (дБ) фиолетового (H=315°)"},
        {DarkEdit, u"Усиление насыщенности (дБ) в тенях (0L)"},
        {DarkGrayEdit, u"Усиление насыщенности (дБ) в 3/4-тонах (25L)"},
        {GrayEdit, u"Усиление насыщенности (дБ) в полутонах (50L)"},
        {LightGrayEdit, u"Усиление насыщенности (дБ) в четвертьтонах (75L)"},
        {WhiteEdit, u"Усиление насыщенности (дБ) в светах (100L)"},
        {CommonRadio, u"При включении баланс усредняется"},
        {LightRadio, u"Включает отображение баланса светлой точки"},
        {ShadowRadio, u"Включает отображение баланса темной точки"},
        {ShadowTrackBar, u"Подъём теней"},
        {ShadowEdit, u"Степень подъёма теней"},
        {HighLightTrackBar, u"Снижение светов"},
        {HighLightEdit, u"Степень снижения светов"},
        {WarningCheckBox, u"Включение предупреждений о пересветах и глухих тенях"},
        {ClearAllButton, u"Удалить все снимки"},
        {ShotButton, u"Сделать снимок (запомнить настройки)"},
    };
    for (const auto& [control, hint] : hints) control->SetHint(QString::fromUtf16(hint));

    const std::array<ui::TSpeedButton*, 6> show = {ShowButton1, ShowButton2, ShowButton3,
                                                   ShowButton4, ShowButton5, ShowButton6};
    const std::array<ui::TImage*, 6> shots = {ShotImage1, ShotImage2, ShotImage3,
                                              ShotImage4, ShotImage5, ShotImage6};
    const std::array<ui::TSpeedButton*, 6> clear = {ClearButton1, ClearButton2, ClearButton3,
                                                    ClearButton4, ClearButton5, ClearButton6};
    for (size_t i = 0; i < 6; ++i) {
        show[i]->SetHint(QStringLiteral("Показать снимок (клавиша %1)").arg(i + 1));
        shots[i]->SetHint(QStringLiteral("Показать этот снимок"));
        clear[i]->SetHint(QStringLiteral("Удалить снимок"));
    }
}

void TParamForm::ConnectHelpLines() {
    // Texts written straight into the panel; they show at the next paint.
    auto writes = [this](ui::tControlCore* control, QString text) {
        AddMouseMove(control,
                     [this, text = std::move(text)] { StatusBar->Panel(3).SetText(text); });
    };
    auto clears = [this](ui::tControlCore* control) {
        AddMouseMove(control, [this] { StatusBar->Panel(3).SetText(QString()); });
    };

    writes(ControlPanel, QStringLiteral(" Щелчок - сброс настроек. Двойной щелчок - отмена"));
    writes(RangeGroup,
           QStringLiteral(" Щелчок по свободному полю - исходный динамический диапазон"));
    writes(LightnessPanel, QStringLiteral(" Щелчок по свободному полю - исходная яркость"));
    writes(ContrastPanel, QStringLiteral(" Щелчок по свободному полю - исходная контрастность"));
    writes(SharpnessPanel, QStringLiteral(" Щелчок по свободному полю - исходная резкость"));
    // This one shows at once.
    AddMouseMove(ShadowHighlightPanel, [this] {
        SetStatusText(QStringLiteral(" Щелчок по свободному полю - исходные тени и света"));
    });
    writes(ColorContrastGroup,
           QStringLiteral(" Щелчок по свободному полю - исходная насыщенность"));
    writes(SatImage, QStringLiteral(" Щелчок - исходная насыщенность. Двойной щелчок - отмена"));
    writes(BalanceGroupBox, QStringLiteral(" Щелчок по свободному полю - исходный цвет"));
    writes(CHPanel, QStringLiteral(" Щелчок - исходный баланс. Двойной щелчок - отмена"));
    for (ui::tControlCore* c : std::initializer_list<ui::tControlCore*>{RotatePanel, SpectrumPanel,
                                                                        SpectrumImage, RotateImage})
        writes(c, QStringLiteral(" Щелчок - нулевой сдвиг. Двойной щелчок - отмена"));
    writes(ColorBalanceButton,
           QStringLiteral(" Служит для выбора нейтральной точки на фотографии"));
    writes(SkinButton, QStringLiteral(" Служит для выбора точки телесного тона на фотографии"));
    writes(BlueButton, QStringLiteral(" Служит для выбора точки голубого неба на фотографии"));
    writes(GreenButton, QStringLiteral(" Служит для выбора точки на зеленой траве"));
    writes(OkButton,
           QStringLiteral(" Обработать фотографию в соответствии с текущими настройками"));

    for (ui::tControlCore* c : std::initializer_list<ui::tControlCore*>{
             this,        ToolPanel,     LowBendPanel,  ShadowShape,       NormalImage,
             LightShape,  ShadeEdit,     LightEdit,     GammaEdit,         ContrastEdit,
             ShadowEdit,  HighLightEdit, SharpnessEdit, ColorContrastEdit, LowSatEdit,
             SatBendEdit, aEdit,         bEdit,         HueEdit,           ChromaEdit,
             RotEdit})
        clears(c);

    auto clear = [this] { StatusBar->Panel(3).SetText(QString()); };
    AddNotify(AutocontrastCheckBox->OnMouseEnter, clear);
    AddNotify(WarningCheckBox->OnMouseEnter, clear);
    AddNotify(ColorContrastTrackBar->OnEnter, clear);
}

}  // namespace velmora::dialog

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
    RangeGroup->SetCaption(tr(" Динамический диапазон "));
    ColorContrastGroup->SetCaption(tr(" Насыщенность "));
    BalanceGroupBox->SetCaption(tr(" Цветовой баланс и сдвиг "));
    OkButton->SetCaption(tr("Готово"));
    CancelButton->SetCaption(tr("Отмена"));
    AutocontrastCheckBox->SetCaption(tr("Авто"));
    MonoCheckBox->SetCaption(tr("Моно"));
    LightnessLabel->SetCaption(tr("Яркость"));
    ContrastLabel->SetCaption(tr("Контрастность"));
    WarningCheckBox->SetCaption(tr("Предупреждения"));
    HintCheckBox->SetCaption(tr("Подсказки"));
    ShadowLabel->SetCaption(tr(" Тени "));
    HighLightLabel->SetCaption(tr(" Света "));
    SharpLabel->SetCaption(tr("Резкость"));
    CommonRadio->SetCaption(tr("Общ. баланс"));
    LightRadio->SetCaption(tr("Свет"));
    ShadowRadio->SetCaption(tr("Тень"));
    SetCaption(Caption() + QStringLiteral(" Pro"));

    // The two group boxes explain themselves through the help line only.
    RangeGroup->SetHint(QString());
    ColorContrastGroup->SetHint(QString());

    const std::pair<ui::tControlCore*, const char*> hints[] = {
        {UndoButton, QT_TR_NOOP("Отменить (Alt-Backspace, Ctrl-Z)")},
        {RedoButton, QT_TR_NOOP("Вернуть (Shift-Alt-Backspace, Shift-Ctrl-Z)")},
        {SrcButton, QT_TR_NOOP("Исходный (Alt-Отмена, Home)")},
        {DefaultButton, QT_TR_NOOP("Автокоррекция (End)")},
        {PlusButton, QT_TR_NOOP("Увеличить (Серый \"+\")")},
        {MinusButton, QT_TR_NOOP("Уменьшить (Серый \"-\")")},
        {FitButton, QT_TR_NOOP("Показать целиком (Серая \"*\")")},
        {ActualButton, QT_TR_NOOP("Истинный масштаб (Серый \"/\")")},
        {ShadeEdit, QT_TR_NOOP("Уровень в тенях")},
        {LightEdit, QT_TR_NOOP("Уровень в светах")},
        {ShadeTrackBar, QT_TR_NOOP("Уровень черного")},
        {LightTrackBar, QT_TR_NOOP("Уровень белого")},
        {ShadowShape, QT_TR_NOOP("Полная тень")},
        {NormalImage, QT_TR_NOOP("Основной диапазон")},
        {LightShape, QT_TR_NOOP("Пересвет")},
        {ColorContrastEdit, QT_TR_NOOP("Цветовой контраст")},
        {ColorContrastTrackBar, QT_TR_NOOP("Усиление насыщенности")},
        {SatBendEdit, QT_TR_NOOP("Верхняя граница зоны усиления")},
        {LowSatEdit, QT_TR_NOOP("Нижняя граница зоны усиления")},
        {LowSatTrackBar, QT_TR_NOOP("Ограничивает усиление близких к нейтральному цветов")},
        {SatBendTrackBar, QT_TR_NOOP("Ограничивает усиление насыщенных цветов")},
        {ColorBalanceButton, QT_TR_NOOP("Указатель нейтральной точки")},
        {SkinButton, QT_TR_NOOP("Указатель телесного тона")},
        {BlueButton, QT_TR_NOOP("Указатель тона голубого неба")},
        {GreenButton, QT_TR_NOOP("Указатель тона зеленой травы")},
        {aEdit, QT_TR_NOOP("Цветовой баланс (пурпурный-зеленый)")},
        {bEdit, QT_TR_NOOP("Цветовой баланс (желтый-синий)")},
        {aTrackBar, QT_TR_NOOP("Пурпурный (+) - зеленый (-)")},
        {bTrackBar, QT_TR_NOOP("Жёлтый (+) - синий (-)")},
        {HueTrackBar, QT_TR_NOOP("Цветовой тон (добавляемый)")},
        {HueEdit, QT_TR_NOOP("Оттенок (H)")},
        {ChromaTrackBar, QT_TR_NOOP("Цветность (насыщенность)")},
        {ChromaEdit, QT_TR_NOOP("Цветность (C)")},
        {RotateTrackBar, QT_TR_NOOP("Сдвиг цвета")},
        {RotEdit, QT_TR_NOOP("Цветовой сдвиг")},
        {SpectrumImage, QT_TR_NOOP("Исходный цвет")},
        {RotateImage, QT_TR_NOOP("Сдвинутый цвет")},
        {MagentaEdit, QT_TR_NOOP("Усиление (дБ) пурпурного (H=0°)")},
        {RedEdit, QT_TR_NOOP("Усиление (дБ) красного (H=45°)")},
        {YellowEdit, QT_TR_NOOP("Усиление (дБ) желтого (H=90°)")},
        {GrassEdit, QT_TR_NOOP("Усиление (дБ) зеленого (H=135°)")},
        {GreenEdit, QT_TR_NOOP("Усиление (дБ) изумрудно-зеленого (H=180°)")},
        // The cyan band is centred at 225 degrees.
        {CyanEdit, QT_TR_NOOP("Усиление (дБ) голубого (H=225°)")},
        {BlueEdit, QT_TR_NOOP("Усиление (дБ) синего (H=270°)")},
        {VioletEdit, QT_TR_NOOP("Усиление (дБ) фиолетового (H=315°)")},
        {DarkEdit, QT_TR_NOOP("Усиление насыщенности (дБ) в тенях (0L)")},
        {DarkGrayEdit, QT_TR_NOOP("Усиление насыщенности (дБ) в 3/4-тонах (25L)")},
        {GrayEdit, QT_TR_NOOP("Усиление насыщенности (дБ) в полутонах (50L)")},
        {LightGrayEdit, QT_TR_NOOP("Усиление насыщенности (дБ) в четвертьтонах (75L)")},
        {WhiteEdit, QT_TR_NOOP("Усиление насыщенности (дБ) в светах (100L)")},
        {CommonRadio, QT_TR_NOOP("При включении баланс усредняется")},
        {LightRadio, QT_TR_NOOP("Включает отображение баланса светлой точки")},
        {ShadowRadio, QT_TR_NOOP("Включает отображение баланса темной точки")},
        {ShadowTrackBar, QT_TR_NOOP("Подъём теней")},
        {ShadowEdit, QT_TR_NOOP("Степень подъёма теней")},
        {HighLightTrackBar, QT_TR_NOOP("Снижение светов")},
        {HighLightEdit, QT_TR_NOOP("Степень снижения светов")},
        {WarningCheckBox, QT_TR_NOOP("Включение предупреждений о пересветах и глухих тенях")},
        {ClearAllButton, QT_TR_NOOP("Удалить все снимки")},
        {ShotButton, QT_TR_NOOP("Сделать снимок (запомнить настройки)")},
    };
    for (const auto& [control, hint] : hints) control->SetHint(tr(hint));

    const std::array<ui::TSpeedButton*, 6> show = {ShowButton1, ShowButton2, ShowButton3,
                                                   ShowButton4, ShowButton5, ShowButton6};
    const std::array<ui::TImage*, 6> shots = {ShotImage1, ShotImage2, ShotImage3,
                                              ShotImage4, ShotImage5, ShotImage6};
    const std::array<ui::TSpeedButton*, 6> clear = {ClearButton1, ClearButton2, ClearButton3,
                                                    ClearButton4, ClearButton5, ClearButton6};
    for (size_t i = 0; i < 6; ++i) {
        show[i]->SetHint(tr("Показать снимок (клавиша %1)").arg(i + 1));
        shots[i]->SetHint(tr("Показать этот снимок"));
        clear[i]->SetHint(tr("Удалить снимок"));
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

    writes(ControlPanel, tr(" Щелчок - сброс настроек. Двойной щелчок - отмена"));
    writes(RangeGroup, tr(" Щелчок по свободному полю - исходный динамический диапазон"));
    writes(LightnessPanel, tr(" Щелчок по свободному полю - исходная яркость"));
    writes(ContrastPanel, tr(" Щелчок по свободному полю - исходная контрастность"));
    writes(SharpnessPanel, tr(" Щелчок по свободному полю - исходная резкость"));
    // This one shows at once.
    AddMouseMove(ShadowHighlightPanel, [this] {
        SetStatusText(tr(" Щелчок по свободному полю - исходные тени и света"));
    });
    writes(ColorContrastGroup, tr(" Щелчок по свободному полю - исходная насыщенность"));
    writes(SatImage, tr(" Щелчок - исходная насыщенность. Двойной щелчок - отмена"));
    writes(BalanceGroupBox, tr(" Щелчок по свободному полю - исходный цвет"));
    writes(CHPanel, tr(" Щелчок - исходный баланс. Двойной щелчок - отмена"));
    for (ui::tControlCore* c : std::initializer_list<ui::tControlCore*>{RotatePanel, SpectrumPanel,
                                                                        SpectrumImage, RotateImage})
        writes(c, tr(" Щелчок - нулевой сдвиг. Двойной щелчок - отмена"));
    writes(ColorBalanceButton, tr(" Служит для выбора нейтральной точки на фотографии"));
    writes(SkinButton, tr(" Служит для выбора точки телесного тона на фотографии"));
    writes(BlueButton, tr(" Служит для выбора точки голубого неба на фотографии"));
    writes(GreenButton, tr(" Служит для выбора точки на зеленой траве"));
    writes(OkButton, tr(" Обработать фотографию в соответствии с текущими настройками"));

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

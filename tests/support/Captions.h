// The run-time captions of the parameter dialog, control name and text: the
// form's designed texts and what the dialog assigns when it is created.
#pragma once

#include <utility>

namespace velmora::test {

inline constexpr std::pair<const char*, const char*> kDialogCaptions[] = {
    {"RangeGroup", " Динамический диапазон "},
    {"ColorContrastGroup", " Насыщенность "},
    {"BalanceGroupBox", " Цветовой баланс и сдвиг "},
    {"OkButton", "Готово"},
    {"CancelButton", "Отмена"},
    {"AutocontrastCheckBox", "Авто"},
    {"MonoCheckBox", "Моно"},
    {"LightnessLabel", "Яркость"},
    {"ContrastLabel", "Контрастность"},
    {"WarningCheckBox", "Предупреждения"},
    {"HintCheckBox", "Подсказки"},
    {"ShadowLabel", " Тени "},
    {"HighLightLabel", " Света "},
    {"SharpLabel", "Резкость"},
    {"CommonRadio", "Общ. баланс"},
    {"LightRadio", "Свет"},
    {"ShadowRadio", "Тень"},
};

}  // namespace velmora::test

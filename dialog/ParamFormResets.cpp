// One click on the free area of a group box, panel or label resets the
// settings it stands for; a double click undoes once. The recording resets
// push the current settings first, so the double click on them restores the
// state from before its own first click; the plain ones do not record, so
// the next undo reverts them together with the change made before.
#include "dialog/TParamForm.h"
#include "engine/Settings.h"
#include "engine/UndoHistory.h"

namespace velmora::dialog {

void TParamForm::ConnectResets() {
    auto click = [this](ui::tControlCore* control, std::function<void()> reset) {
        control->OnClick = [this, reset = std::move(reset)] {
            reset();
            RefreshControls();
        };
    };
    click(ControlPanel, [] { ResetAll(true); });
    click(RangeGroup, [] { ResetLevels(true); });
    for (ui::tControlCore* c :
         std::initializer_list<ui::tControlCore*>{ColorContrastGroup, SatImage})
        click(c, [] { ResetSaturationGroup(true); });
    click(BalanceGroupBox, [] {
        ResetBalance(true);
        ResetRotation(true);
    });
    click(CHPanel, [] { ResetBalance(true); });
    for (ui::tControlCore* c : std::initializer_list<ui::tControlCore*>{RotatePanel, SpectrumPanel,
                                                                        SpectrumImage, RotateImage})
        click(c, [] { ResetRotation(true); });
    click(ColorEqPanel, [] { ResetColorEq(true); });
    click(LightEqPanel, [] { ResetLightEq(true); });
    for (ui::tControlCore* c :
         std::initializer_list<ui::tControlCore*>{LightnessPanel, LightnessLabel})
        click(c, [] { Settings.Lightness = 1.0; });
    for (ui::tControlCore* c :
         std::initializer_list<ui::tControlCore*>{ContrastPanel, ContrastLabel})
        click(c, [] { Settings.Contrast = 1.0; });
    for (ui::tControlCore* c : std::initializer_list<ui::tControlCore*>{SharpnessPanel, SharpLabel})
        click(c, [] { Settings.Sharpness = 1.0; });
    click(ShadowHighlightPanel, [] {
        Settings.Shadow = 1.0;
        Settings.HighLight = 1.0;
    });
    click(ShadowLabel, [] { Settings.Shadow = 1.0; });
    ShadowLabel->OnDblClick = [this] {
        Settings.Shadow = 1.0;
        RefreshControls();
    };
    click(HighLightLabel, [] { Settings.HighLight = 1.0; });

    for (ui::tControlCore* c : std::initializer_list<ui::tControlCore*>{
             ControlPanel, ColorContrastGroup, SatImage, BalanceGroupBox, RotatePanel,
             SpectrumPanel, SpectrumImage, RotateImage, CHPanel, RangeGroup, ContrastPanel,
             LightnessPanel, SharpnessPanel, ColorEqPanel, LightEqPanel, ShadowHighlightPanel})
        c->OnDblClick = [this] { UndoButtonClick(); };
    // Its click records two steps, the balance and then the rotation: the
    // double click takes back both, so that it too restores the settings
    // from before its first click.
    BalanceGroupBox->OnDblClick = [this] {
        Undo();
        UndoButtonClick();
    };
}

}  // namespace velmora::dialog

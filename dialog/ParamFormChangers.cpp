// The parameter changers: each keeps the settings record and its group of
// controls consistent in both directions. Called with the control the user
// changed, a changer reads it, stores the value and sets the partner
// controls; called with none, it loads the whole group from the settings.
#include <algorithm>
#include <cmath>
#include <string>

#include "base/Failure.h"
#include "base/Rounding.h"
#include "base/SettingsFields.h"
#include "dialog/NumberText.h"
#include "dialog/TParamForm.h"
#include "engine/Analysis.h"
#include "engine/Settings.h"

namespace velmora::dialog {

namespace {

[[noreturn]] void WrongSource(const char* changer) {
    Fail(std::string(changer) + ": неправильный параметр");
}

// A slider position from a computed value. The record accepts any stored
// value, so the argument may be huge, infinite or not a number; the slider
// clamps whatever it gets, so only the rounding has to stay defined.
// A value on an exact half in decimal (0.995 typed as a contrast gives
// position -0.5) may come out of binary arithmetic a little beside it; it is
// put back on the half, so that the tie goes to the even neighbour.
int ToPosition(double x) {
    if (std::isnan(x)) return 0;
    x = std::clamp(x, -1e6, 1e6);
    const double half = std::floor(x) + 0.5;
    if (std::fabs(x - half) < 1e-9) x = half;
    return int(Round(x));
}

// Saturation gain of a ColorContrastTrackBar position: the top end gives 128,
// the middle 1 and the bottom end 0.
double SaturationOf(int position) {
    const double x = -position;
    return x < 0 ? (x + 128) / 128 : 128 / (128 - x);
}

int SaturationPosition(double v) {
    return -(v >= 1 ? ToPosition(128 - 128 / v) : ToPosition(128 * v - 128));
}

// Lightness exponent of a LightnessTrackBar position: sqrt(2)^(-p/100).
double ExponentOf(int position) {
    return std::pow(2.0, -position / 200.0);
}

int ExponentPosition(double v) {
    return ToPosition(-200.0 * std::log2(v));
}

// Local contrast and sharpness factor of a slider position: 0.1..10 over
// -90..90 with 1 in the middle.
double FactorOf(int position) {
    return position < 0 ? 1 + position / 100.0 : 1 / (1 - position / 100.0);
}

int FactorPosition(double v) {
    return v >= 1 ? ToPosition((1 - 1 / v) * 100) : ToPosition((v - 1) * 100);
}

// The band an equaliser slider shows: from 0 to its position.
void ShowDeviation(ui::TTrackBar* bar) {
    const int p = bar->Position();
    if (p < 0)
        bar->SetSelection(p, 0);
    else
        bar->SetSelection(0, p);
}

}  // namespace

void TParamForm::ConnectChangers() {
    AutocontrastCheckBox->OnClick = [this] { DDChanger(AutocontrastCheckBox); };
    ShadeTrackBar->OnChange = [this] {
        ShadeTrackBar->SetSelStart(ShadeTrackBar->Position());
        DDChanger(ShadeTrackBar);
    };
    LightTrackBar->OnChange = [this] {
        LightTrackBar->SetSelEnd(LightTrackBar->Position());
        DDChanger(LightTrackBar);
    };

    const auto connect = [](auto* control, auto changer) {
        control->OnChange = [control, changer] { changer(control); };
    };
    const auto dd = [this](QObject* s) { DDChanger(s); };
    const auto sat = [this](QObject* s) { ColorContrast(s); };
    const auto lowSat = [this](QObject* s) { LowSatChanger(s); };
    const auto bend = [this](QObject* s) { SatBendChanger(s); };
    const auto balance = [this](QObject* s) { BalanceChanger(s); };
    const auto lightness = [this](QObject* s) { LightnessChanger(s); };
    const auto contrast = [this](QObject* s) { NewContrastChanger(s); };
    const auto sharpness = [this](QObject* s) { NewSharpnessChanger(s); };
    const auto rotate = [this](QObject* s) { RotateChanger(s); };
    const auto colorEq = [this](QObject* s) { ColorEqualizerChanger(s); };
    const auto lightEq = [this](QObject* s) { LightEqualizerChanger(s); };
    const auto shadow = [this](QObject* s) { ShadowChanger(s); };
    const auto highLight = [this](QObject* s) { HighLightChanger(s); };

    connect(ShadeEdit, dd);
    connect(LightEdit, dd);
    connect(ColorContrastTrackBar, sat);
    connect(ColorContrastEdit, sat);
    connect(LowSatTrackBar, lowSat);
    connect(LowSatEdit, lowSat);
    connect(SatBendTrackBar, bend);
    connect(SatBendEdit, bend);
    for (ui::TTrackBar* bar : {aTrackBar, bTrackBar, HueTrackBar, ChromaTrackBar})
        connect(bar, balance);
    for (ui::TEdit* edit : {aEdit, bEdit, HueEdit, ChromaEdit}) connect(edit, balance);
    connect(LightnessTrackBar, lightness);
    connect(GammaEdit, lightness);
    connect(ContrastTrackBar, contrast);
    connect(ContrastEdit, contrast);
    connect(SharpnessTrackBar, sharpness);
    connect(SharpnessEdit, sharpness);
    connect(RotateTrackBar, rotate);
    connect(RotEdit, rotate);
    for (ui::TTrackBar* bar : hueBars_) connect(bar, colorEq);
    for (ui::TEdit* edit : hueEdits_) connect(edit, colorEq);
    for (ui::TTrackBar* bar : lightBars_) connect(bar, lightEq);
    for (ui::TEdit* edit : lightEdits_) connect(edit, lightEq);
    connect(ShadowTrackBar, shadow);
    connect(ShadowEdit, shadow);
    connect(HighLightTrackBar, highLight);
    connect(HighLightEdit, highLight);

    CommonRadio->OnClick = [this] { CommonRadioClick(); };
    LightRadio->OnClick = [this] { BalanceChanger(LightRadio); };
    ShadowRadio->OnClick = [this] { BalanceChanger(ShadowRadio); };

    for (ui::TEdit* edit : findChildren<ui::TEdit*>())
        edit->OnKeyDown = [this, edit](int& key, ui::tShiftState shift) {
            EditKeyDown(edit, key, shift);
        };
}

// ---- dynamic range ---------------------------------------------------------

void TParamForm::DDChanger(QObject* source) {
    const auto loadLevels = [this] {
        const int white = ToPosition(Settings.WhiteLevel * 100.0 / 255);
        LightTrackBar->SetPosition(white);
        LightEdit->SetText(EditText(LightEdit, white));
        const int black = ToPosition(Settings.BlackLevel * 100.0 / 255);
        ShadeTrackBar->SetPosition(black);
        ShadeEdit->SetText(EditText(ShadeEdit, black));
    };
    // Levels set by hand: the analysis no longer moves them.
    const auto byHand = [this] {
        Settings.AutoLevels = 0;
        Settings.FollowAnalysis = 0;
        AutocontrastCheckBox->SetChecked(false);
    };
    // A newer position of the control being dragged re-enters with the same
    // source and is let through, as for the other groups, so the levels
    // always follow the thumb.
    RunChanger(
        state_.Guards.DD, source, source,
        [&] {
            if (!source) {
                AutocontrastCheckBox->SetChecked(Settings.AutoLevels != 0);
                if (!Settings.AutoLevels && Settings.FollowAnalysis) {
                    Settings.BlackLevel = Analysis.Black;
                    Settings.WhiteLevel = Analysis.White;
                }
                loadLevels();
            } else if (source == AutocontrastCheckBox) {
                const bool automatic = AutocontrastCheckBox->Checked();
                Settings.AutoLevels = automatic;
                Settings.FollowAnalysis = !automatic;
                Settings.BlackLevel = automatic ? 0 : Analysis.Black;
                Settings.WhiteLevel = automatic ? 255 : Analysis.White;
                loadLevels();
            } else if (source == ShadeTrackBar) {
                Settings.BlackLevel = int32_t(Round(ShadeTrackBar->Position() * 255.0 / 100));
                ShadeEdit->SetText(
                    EditText(ShadeEdit, ToPosition(Settings.BlackLevel * 100.0 / 255)));
                byHand();
            } else if (source == LightTrackBar) {
                Settings.WhiteLevel = int32_t(Round(LightTrackBar->Position() * 255.0 / 100));
                LightEdit->SetText(
                    EditText(LightEdit, ToPosition(Settings.WhiteLevel * 100.0 / 255)));
                byHand();
            } else if (source == ShadeEdit) {
                // Percent times 255 / 100, as from the slider: the binary
                // 2.55 is a little less and rounds 50 % to 127, not 128.
                const double x = ReadReal(ShadeEdit, ShadeTrackBar->Position());
                Settings.BlackLevel = int32_t(Round(x * 255 / 100));
                ShadeTrackBar->SetPosition(ToPosition(Settings.BlackLevel * 100.0 / 255));
                byHand();
            } else if (source == LightEdit) {
                const int32_t n = ReadInteger(LightEdit, LightTrackBar->Position());
                Settings.WhiteLevel = int32_t(Round(n * 255.0 / 100));
                LightTrackBar->SetPosition(ToPosition(Settings.WhiteLevel * 100.0 / 255));
                byHand();
            } else {
                WrongSource("DDChanger");
            }
        },
        [this] { ReleasePipettes(); });
}

// ---- saturation ------------------------------------------------------------

void TParamForm::ColorContrast(QObject* source) {
    RunChanger(
        state_.Guards.ColorContrast, source, ColorContrastTrackBar,
        [&] {
            if (!source) {
                ColorContrastTrackBar->SetPosition(SaturationPosition(Settings.ColorContrast));
                ColorContrastEdit->SetText(EditText(ColorContrastEdit, Settings.ColorContrast));
            } else if (source == ColorContrastTrackBar) {
                Settings.ColorContrast = SaturationOf(ColorContrastTrackBar->Position());
                ColorContrastEdit->SetText(EditText(ColorContrastEdit, Settings.ColorContrast));
            } else if (source == ColorContrastEdit) {
                Settings.ColorContrast =
                    ReadReal(ColorContrastEdit, SaturationOf(ColorContrastTrackBar->Position()));
                ColorContrastTrackBar->SetPosition(SaturationPosition(Settings.ColorContrast));
            } else {
                WrongSource("ColorContrast");
            }
        },
        [this] { SaturationAfter(); });
}

void TParamForm::SaturationAfter() {
    ReleasePipettes();
    DrawSaturationCurve();
}

namespace {

// A value the slider shows as it is (LowSat, SatBend, Rotate). A text out
// of the edit's bounds falls back on the slider position or, where the edit
// reaches beyond the slider (Rotate), on the setting.
enum class tFallback { Slider, Setting };

void IntegerBody(QObject* source, ui::TTrackBar* bar, ui::TEdit* edit, int32_t& value,
                 tFallback fallback, const char* name, TParamForm& form) {
    if (!source) {
        bar->SetPosition(ToPosition(value));
        edit->SetText(form.EditText(edit, value));
    } else if (source == bar) {
        value = bar->Position();
        edit->SetText(form.EditText(edit, value));
    } else if (source == edit) {
        value = form.ReadInteger(edit, fallback == tFallback::Slider ? bar->Position() : value);
        bar->SetPosition(ToPosition(value));
    } else {
        WrongSource(name);
    }
}

}  // namespace

void TParamForm::LowSatChanger(QObject* source) {
    RunChanger(
        state_.Guards.LowSat, source, LowSatTrackBar,
        [&] {
            IntegerBody(source, LowSatTrackBar, LowSatEdit, Settings.LowSat, tFallback::Slider,
                        "LowSatChanger", *this);
        },
        [this] { SaturationAfter(); });
}

void TParamForm::SatBendChanger(QObject* source) {
    RunChanger(
        state_.Guards.SatBend, source, SatBendTrackBar,
        [&] {
            IntegerBody(source, SatBendTrackBar, SatBendEdit, Settings.SatBend, tFallback::Slider,
                        "SatBendChanger", *this);
        },
        [this] { SaturationAfter(); });
}

// ---- lightness, local contrast and sharpness -------------------------------

void TParamForm::LightnessChanger(QObject* source) {
    RunChanger(
        state_.Guards.Lightness, source, LightnessTrackBar,
        [&] {
            // GammaEdit shows the reciprocal of the exponent.
            if (!source) {
                LightnessTrackBar->SetPosition(ExponentPosition(Settings.Lightness));
                GammaEdit->SetText(EditText(GammaEdit, 1 / Settings.Lightness));
            } else if (source == LightnessTrackBar) {
                Settings.Lightness = ExponentOf(LightnessTrackBar->Position());
                GammaEdit->SetText(EditText(GammaEdit, 1 / Settings.Lightness));
            } else if (source == GammaEdit) {
                const double gamma =
                    ReadReal(GammaEdit, 1 / ExponentOf(LightnessTrackBar->Position()));
                Settings.Lightness = 1 / gamma;
                LightnessTrackBar->SetPosition(ExponentPosition(Settings.Lightness));
            } else {
                WrongSource("LightnessChanger");
            }
        },
        [this] { ReleasePipettes(); });
}

namespace {

// Local contrast and local sharpness share their mapping.
void FactorBody(QObject* source, ui::TTrackBar* bar, ui::TEdit* edit, double& value,
                const char* name, TParamForm& form) {
    if (!source) {
        bar->SetPosition(FactorPosition(value));
        edit->SetText(form.EditText(edit, value));
    } else if (source == bar) {
        value = FactorOf(bar->Position());
        edit->SetText(form.EditText(edit, value));
    } else if (source == edit) {
        value = form.ReadReal(edit, FactorOf(bar->Position()));
        bar->SetPosition(FactorPosition(value));
    } else {
        WrongSource(name);
    }
}

}  // namespace

void TParamForm::NewContrastChanger(QObject* source) {
    RunChanger(
        state_.Guards.Contrast, source, ContrastTrackBar,
        [&] {
            FactorBody(source, ContrastTrackBar, ContrastEdit, Settings.Contrast,
                       "NewContrastChanger", *this);
        },
        [this] { ReleasePipettes(); });
}

void TParamForm::NewSharpnessChanger(QObject* source) {
    RunChanger(
        state_.Guards.Sharpness, source, SharpnessTrackBar,
        [&] {
            FactorBody(source, SharpnessTrackBar, SharpnessEdit, Settings.Sharpness,
                       "NewSharpnessChanger", *this);
        },
        [this] { ReleasePipettes(); });
}

// ---- hue rotation ----------------------------------------------------------

void TParamForm::RotateChanger(QObject* source) {
    RunChanger(
        state_.Guards.Rotate, source, RotateTrackBar,
        [&] {
            // The edit accepts the whole circle; beyond the slider's ±50 the
            // slider shows its end and the setting keeps the typed angle.
            IntegerBody(source, RotateTrackBar, RotEdit, Settings.Rotate, tFallback::Setting,
                        "RotateChanger", *this);
        },
        [this] { DrawShiftStrip(Settings.Rotate); });
}

// ---- the two equalisers ----------------------------------------------------

namespace {

// A gain is the negated slider position, so pushing a vertical slider up
// raises it.
template <size_t N>
void EqualizerBody(QObject* source, const std::array<ui::TTrackBar*, N>& bars,
                   const std::array<ui::TEdit*, N>& edits, int32_t (&gains)[N], const char* name,
                   TParamForm& form) {
    if (!source) {
        for (size_t i = 0; i < N; ++i) {
            edits[i]->SetText(form.EditText(edits[i], gains[i]));
            bars[i]->SetPosition(ToPosition(-double(gains[i])));
            ShowDeviation(bars[i]);
        }
        return;
    }
    if (auto* bar = qobject_cast<ui::TTrackBar*>(source)) {
        const auto it = std::find(bars.begin(), bars.end(), bar);
        if (it == bars.end()) Fail("Неправильный TrackBar");
        const size_t i = size_t(it - bars.begin());
        gains[i] = -bar->Position();
        edits[i]->SetText(form.EditText(edits[i], gains[i]));
        ShowDeviation(bar);
    } else if (auto* edit = qobject_cast<ui::TEdit*>(source)) {
        const auto it = std::find(edits.begin(), edits.end(), edit);
        if (it == edits.end()) Fail("Неправильный Edit");
        const size_t i = size_t(it - edits.begin());
        gains[i] = form.ReadInteger(edit, gains[i]);
        bars[i]->SetPosition(-gains[i]);
        ShowDeviation(bars[i]);
    } else {
        WrongSource(name);
    }
}

}  // namespace

void TParamForm::ColorEqualizerChanger(QObject* source) {
    RunChanger(
        state_.Guards.ColorEq, source, ColorEqPanel,
        [&] {
            EqualizerBody(source, hueBars_, hueEdits_, Settings.ColorEq, "ColorEqualizerChanger",
                          *this);
        },
        nullptr);
}

void TParamForm::LightEqualizerChanger(QObject* source) {
    RunChanger(
        state_.Guards.LightEq, source, LightEqPanel,
        [&] {
            EqualizerBody(source, lightBars_, lightEdits_, Settings.LightEq,
                          "LightEqualizerChanger", *this);
        },
        nullptr);
}

// ---- shadows and highlights ------------------------------------------------

namespace {

// A tenth of the slider position, 1.0..5.0; reversed for the highlights,
// whose right end (the form's initial position) is 1.0. A text out of the
// edit's bounds keeps the setting.
void TenthsBody(QObject* source, ui::TTrackBar* bar, ui::TEdit* edit, double& value, bool reversed,
                const char* name, TParamForm& form) {
    const auto position = [bar, reversed](int p) {
        return reversed ? bar->Max() + bar->Min() - p : p;
    };
    if (!source) {
        bar->SetPosition(position(ToPosition(10 * value)));
        edit->SetText(form.EditText(edit, value));
    } else if (source == bar) {
        value = position(bar->Position()) / 10.0;
        edit->SetText(form.EditText(edit, value));
    } else if (source == edit) {
        value = form.ReadReal(edit, value);
        bar->SetPosition(position(ToPosition(10 * value)));
    } else {
        WrongSource(name);
    }
}

}  // namespace

void TParamForm::ShadowChanger(QObject* source) {
    RunChanger(
        state_.Guards.Shadow, source, ShadowTrackBar,
        [&] {
            TenthsBody(source, ShadowTrackBar, ShadowEdit, Settings.Shadow, false, "ShadowChanger",
                       *this);
        },
        [this] { ReleasePipettes(); });
}

void TParamForm::HighLightChanger(QObject* source) {
    RunChanger(
        state_.Guards.HighLight, source, HighLightTrackBar,
        [&] {
            TenthsBody(source, HighLightTrackBar, HighLightEdit, Settings.HighLight, true,
                       "HighLightChanger", *this);
        },
        [this] { ReleasePipettes(); });
}

// ---- Up and Down in the edits ----------------------------------------------

void TParamForm::EditKeyDown(ui::TEdit* edit, int& key, ui::tShiftState) {
    if (key != Qt::Key_Up && key != Qt::Key_Down) return;
    const bool up = key == Qt::Key_Up;
    const tEditRule* rule = FindEditRule(edit->objectName().toStdString());
    if (!rule) return;
    key = 0;

    // The text as it stands, without the reader's comma conversion; empty
    // counts as 0, anything else that is no number stays as it is.
    double value = 0;
    const std::string text = edit->Text().toStdString();
    if (!text.empty() && ParseReal(text, value) != 0) return;
    const double step = rule->Step;
    value += up ? step : -step;
    // Tenths do not add up exactly in binary (2.7 + 0.1 is a little above
    // 2.8), so a bound is reached within a tolerance far below a tenth.
    constexpr double kTolerance = 1e-9;
    if (up ? value > rule->StepMax + kTolerance : value < rule->StepMin - kTolerance) return;
    // The text as written must keep the bounds too: 0.45 less a tenth is
    // GammaEdit's minimum 0.35, whose one-decimal text 0.3 is below it.
    const QString written = QString::fromStdString(FixedText(value, step >= 1 ? 0 : 1));
    double shown = value;
    ParseReal(written.toStdString(), shown);
    if (shown > rule->StepMax + kTolerance || shown < rule->StepMin - kTolerance) return;
    edit->SetText(written);
}

}  // namespace velmora::dialog

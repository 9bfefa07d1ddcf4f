#include "base/SettingsFields.h"

#include <array>
#include <cmath>
#include <cstring>

namespace velmora {

namespace {

using F = tFieldType;
using G = tResetGroup;
using C = tCompare;
using A = tAnalysedDefault;
using T = tTextFormat;

constexpr tEditRule kNoEdit{};

// The ends of the local contrast and sharpness sliders (-90..90) as factors,
// computed as the changers compute them (1 - 0.9 is a little below 0.1).
constexpr double kFactorMin = 1 + -90 / 100.0;
constexpr double kFactorMax = 1 / (1 - 90 / 100.0);

constexpr tEditRule Integers(std::string_view edit, double min, double max) {
    return {edit, min, max, min, max, 1, T::Integer};
}

constexpr tSettingsField Band(std::string_view name, size_t offset, tResetGroup group,
                              std::string_view edit, std::string_view description) {
    return {name,       offset,   F::Int, group, 0,
            A::None,    C::Exact, -40,    40,    Integers(edit, -40, 40),
            description};
}

// Local contrast and sharpness: the slider's ends as factors, a factor's text.
constexpr tSettingsField Factor(std::string_view name, size_t offset, std::string_view edit,
                                double stepMin, double stepMax, std::string_view description) {
    const tEditRule rule{edit, kFactorMin, kFactorMax, stepMin, stepMax, 0.1, T::Factor};
    return {name,    offset,     F::Real,    G::Tone, 1,          A::None,
            C::Near, kFactorMin, kFactorMax, rule,    description};
}

constexpr size_t kColorEq = offsetof(tParams, ColorEq);
constexpr size_t kLightEq = offsetof(tParams, LightEq);

std::span<const tSettingsField> Table() {
    // The lightness exponent's ends, sqrt(2)^(+-3), as GammaEdit bounds them.
    static const double gamma = std::pow(std::sqrt(2.0), 3);
    static const tSettingsField table[] = {
        {"AutoLevels", offsetof(tParams, AutoLevels), F::Bool, G::Levels, 0, A::None, C::Exact, 0,
         1, kNoEdit,
         "The dialog's auto box: levels stretched to 0 and 255 (--auto-levels sets it)"},
        {"FollowAnalysis", offsetof(tParams, FollowAnalysis), F::Bool, G::Levels, 1, A::None,
         C::Exact, 0, 1, kNoEdit,
         "1: BlackLevel and WhiteLevel come from each image's analysis; 0: they stay as set"},
        {"ClipFraction", offsetof(tParams, ClipFraction), F::Real, G::Levels, 0.0001, A::None,
         C::Near, 0.0001, 0.0001, kNoEdit,
         "Fraction of the pixels ignored at each end of the lightness histogram by the analysis"},
        {"BlackLevel",
         offsetof(tParams, BlackLevel),
         F::Int,
         G::Levels,
         0,
         A::Black,
         C::Exact,
         -128,
         255,
         {"ShadeEdit", -50, 50, -50, 50, 1, T::Integer},
         "Output level (0..255 scale) of the analysed black point; the dialog shows it in %"},
        {"WhiteLevel", offsetof(tParams, WhiteLevel), F::Int, G::Levels, 0, A::White, C::Exact, 0,
         382, Integers("LightEdit", 50, 150),
         "Output level (0..255 scale) of the analysed white point; the dialog shows it in %"},
        {"ColorContrast",
         offsetof(tParams, ColorContrast),
         F::Real,
         G::Saturation,
         1,
         A::None,
         C::Near,
         0,
         128,
         {"ColorContrastEdit", 0, 128, 0, 128, 0.1, T::Factor},
         "Saturation gain: 0 grey, 1 unchanged, above 1 more colourful"},
        {"SatBend", offsetof(tParams, SatBend), F::Int, G::Saturation, 127, A::None, C::Exact, 1,
         127, Integers("SatBendEdit", 1, 127),
         "Chroma level above which the saturation gain bends off"},
        {"LowSat", offsetof(tParams, LowSat), F::Int, G::Saturation, 0, A::None, C::Exact, 0, 90,
         Integers("LowSatEdit", 0, 90),
         "Width of the guard that spares nearly grey colours the saturation gain"},
        {"LightPointA", offsetof(tParams, LightPointA), F::Byte, G::Balance, 128, A::None, C::Exact,
         0, 255, kNoEdit,
         "Colour balance: a of the colour made neutral at the light point (128 = neutral)"},
        {"LightPointB", offsetof(tParams, LightPointB), F::Byte, G::Balance, 128, A::None, C::Exact,
         0, 255, kNoEdit, "Colour balance: b of that colour (128 = neutral)"},
        {"LightPointL", offsetof(tParams, LightPointL), F::Byte, G::Balance, 255, A::None, C::Exact,
         0, 255, kNoEdit, "Colour balance: lightness (0..255) of the light point"},
        {"ShadowPointA", offsetof(tParams, ShadowPointA), F::Byte, G::Balance, 128, A::None,
         C::Exact, 0, 255, kNoEdit,
         "Colour balance: a of the colour made neutral at the shadow point (128 = neutral)"},
        {"ShadowPointB", offsetof(tParams, ShadowPointB), F::Byte, G::Balance, 128, A::None,
         C::Exact, 0, 255, kNoEdit, "Colour balance: b of that colour (128 = neutral)"},
        {"ShadowPointL", offsetof(tParams, ShadowPointL), F::Byte, G::Balance, 0, A::None, C::Exact,
         0, 255, kNoEdit, "Colour balance: lightness (0..255) of the shadow point"},
        {"Lightness",
         offsetof(tParams, Lightness),
         F::Real,
         G::Tone,
         1,
         A::None,
         C::Near,
         1 / gamma,
         gamma,
         {"GammaEdit", 1 / gamma, gamma, 0.35, 2.8, 0.1, T::TwoDecimals},
         "Exponent of the lightness curve; the dialog shows 1/Lightness as the gamma"},
        Factor("Contrast", offsetof(tParams, Contrast), "ContrastEdit", 0.1, 10,
               "Local contrast factor (1 = none)"),
        {"Rotate", offsetof(tParams, Rotate), F::Int, G::Rotation, 0, A::None, C::Exact, -180, 180,
         Integers("RotEdit", -180, 180),
         "Hue rotation in degrees (the slider reaches -50..50, the edit the whole circle)"},
        Band("ColorEq[0]", kColorEq + 0, G::ColorEq, "MagentaEdit",
             "Saturation of magenta hues, in steps of 2^(1/20): +20 doubles, -20 halves"),
        Band("ColorEq[1]", kColorEq + 4, G::ColorEq, "RedEdit",
             "Saturation of red hues (as above)"),
        Band("ColorEq[2]", kColorEq + 8, G::ColorEq, "YellowEdit",
             "Saturation of yellow hues (as above)"),
        Band("ColorEq[3]", kColorEq + 12, G::ColorEq, "GrassEdit",
             "Saturation of grass-green hues (as above)"),
        Band("ColorEq[4]", kColorEq + 16, G::ColorEq, "GreenEdit",
             "Saturation of green hues (as above)"),
        Band("ColorEq[5]", kColorEq + 20, G::ColorEq, "CyanEdit",
             "Saturation of cyan hues (as above)"),
        Band("ColorEq[6]", kColorEq + 24, G::ColorEq, "BlueEdit",
             "Saturation of blue hues (as above)"),
        Band("ColorEq[7]", kColorEq + 28, G::ColorEq, "VioletEdit",
             "Saturation of violet hues (as above)"),
        Band("LightEq[0]", kLightEq + 0, G::LightEq, "DarkEdit",
             "Saturation of dark tones, in steps of 2^(1/20): +20 doubles, -20 halves"),
        Band("LightEq[1]", kLightEq + 4, G::LightEq, "DarkGrayEdit",
             "Saturation of dark grey tones (as above)"),
        Band("LightEq[2]", kLightEq + 8, G::LightEq, "GrayEdit",
             "Saturation of middle grey tones (as above)"),
        Band("LightEq[3]", kLightEq + 12, G::LightEq, "LightGrayEdit",
             "Saturation of light grey tones (as above)"),
        Band("LightEq[4]", kLightEq + 16, G::LightEq, "WhiteEdit",
             "Saturation of the lightest tones (as above)"),
        {"Shadow",
         offsetof(tParams, Shadow),
         F::Real,
         G::Tone,
         1,
         A::None,
         C::Near,
         1,
         5,
         {"ShadowEdit", 1, 5, 1, 5, 0.1, T::OneDecimal},
         "Shadow lift factor (1 = none)"},
        {"HighLight",
         offsetof(tParams, HighLight),
         F::Real,
         G::Tone,
         1,
         A::None,
         C::Near,
         1,
         5,
         {"HighLightEdit", 1, 5, 1, 5, 0.1, T::OneDecimal},
         "Highlight reduction factor (1 = none)"},
        // Up and Down step the sharpness within 0.2..5, narrower than its reader.
        Factor("Sharpness", offsetof(tParams, Sharpness), "SharpnessEdit", 0.2, 5,
               "Local sharpness factor (1 = none)"),
        {"Reserved144", offsetof(tParams, Reserved144), F::Real, G::Tone, 0.5, A::None, C::Near,
         0.5, 0.5, kNoEdit, "Reserved: 0.5 after every full reset, read by nothing else"},
        {"FullScreen", offsetof(tParams, FullScreen), F::Bool, G::FirstUse, 1, A::None, C::Ignored,
         0, 1, kNoEdit, "1: the dialog window takes the full-screen size"},
    };
    return table;
}

constexpr std::array<tEditRule, 4> kBalanceEdits = {{
    Integers("aEdit", -60, 60),
    Integers("bEdit", -60, 60),
    Integers("HueEdit", 0, 359),
    Integers("ChromaEdit", 0, 60),
}};

template <class V>
V Load(const tParams& p, size_t at) {
    V v;
    std::memcpy(&v, reinterpret_cast<const uint8_t*>(&p) + at, sizeof v);
    return v;
}

template <class V>
void Store(tParams& p, size_t at, V v) {
    std::memcpy(reinterpret_cast<uint8_t*>(&p) + at, &v, sizeof v);
}

}  // namespace

std::span<const tSettingsField> SettingsFields() {
    return Table();
}

const tSettingsField* FindSettingsField(std::string_view name) {
    for (const tSettingsField& f : Table())
        if (f.Name == name) return &f;
    return nullptr;
}

std::span<const tEditRule> BalanceEditRules() {
    return kBalanceEdits;
}

const tEditRule* FindEditRule(std::string_view name) {
    if (name.empty()) return nullptr;
    for (const tSettingsField& f : Table())
        if (f.Edit.Edit == name) return &f.Edit;
    for (const tEditRule& r : kBalanceEdits)
        if (r.Edit == name) return &r;
    return nullptr;
}

double FieldValue(const tParams& params, const tSettingsField& field) {
    switch (field.Type) {
        case F::Bool:
        case F::Byte:
            return Load<uint8_t>(params, field.Offset);
        case F::Int:
            return Load<int32_t>(params, field.Offset);
        case F::Real:
            return Load<double>(params, field.Offset);
    }
    return 0;
}

void SetFieldValue(tParams& params, const tSettingsField& field, double value) {
    switch (field.Type) {
        case F::Bool:
        case F::Byte:
            Store(params, field.Offset, uint8_t(value));
            break;
        case F::Int:
            Store(params, field.Offset, int32_t(value));
            break;
        case F::Real:
            Store(params, field.Offset, value);
            break;
    }
}

void AssignDefaults(tParams& params, tResetGroup group, int32_t analysedBlack,
                    int32_t analysedWhite) {
    for (const tSettingsField& f : Table()) {
        if (f.Reset != group) continue;
        switch (f.Analysed) {
            case A::Black:
                Store(params, f.Offset, analysedBlack);
                break;
            case A::White:
                Store(params, f.Offset, analysedWhite);
                break;
            case A::None:
                SetFieldValue(params, f, f.Default);
                break;
        }
    }
}

bool FieldsEqual(const tParams& a, const tParams& b) {
    for (const tSettingsField& f : Table()) {
        if (f.Compare == C::Exact && FieldValue(a, f) != FieldValue(b, f)) return false;
        if (f.Compare == C::Near &&
            !(std::fabs(Load<double>(a, f.Offset) - Load<double>(b, f.Offset)) < 0.000001))
            return false;
    }
    return true;
}

}  // namespace velmora

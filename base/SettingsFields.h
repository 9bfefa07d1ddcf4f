// The fields of the settings record, described once: where each is stored,
// its type, the reset that assigns its default, how the undo history
// compares it, what the dialog can set it to and, for a field with an edit,
// that edit's reader bounds, Up/Down stepping and text. The resets and the
// equality of the settings, velmora-params and the dialog's changers all read
// this table. Standard library only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "base/Params.h"

namespace velmora {

enum class tFieldType : uint8_t {
    Bool,  // 8-bit boolean
    Byte,  // 8-bit unsigned
    Int,   // signed 32-bit
    Real,  // 64-bit float
};

/// The reset that assigns a field its default. Tone fields are assigned by
/// the full reset only, FirstUse ones by the first-use reset only.
enum class tResetGroup : uint8_t {
    Levels,
    Saturation,
    Balance,
    Rotation,
    ColorEq,
    LightEq,
    Tone,
    FirstUse
};

/// How the undo history's equality treats a field: identical, within
/// 0.000001, or not at all.
enum class tCompare : uint8_t { Exact, Near, Ignored };

/// A default taken from the latest image analysis instead of the table.
enum class tAnalysedDefault : uint8_t { None, Black, White };

/// The text a changer writes into an edit.
enum class tTextFormat : uint8_t {
    Integer,      // plain decimal
    OneDecimal,   // 2.5
    TwoDecimals,  // 2.50
    Factor,       // two decimals up to 1.98, one above
};

/// An edit of the dialog: what its reader accepts (in the edit's own unit,
/// which need not be the field's: percent for the levels, the reciprocal for
/// the lightness exponent), the bounds and step of its Up and Down keys, and
/// the text its changer writes.
struct tEditRule {
    std::string_view Edit;  // the control's name; empty for a field without edit
    double ReadMin, ReadMax;
    double StepMin, StepMax;
    double Step;
    tTextFormat Format;
};

struct tSettingsField {
    std::string_view Name;  // as in tParams; array elements as "ColorEq[3]"
    size_t Offset;          // in tParams
    tFieldType Type;
    tResetGroup Reset;
    double Default;
    tAnalysedDefault Analysed;
    tCompare Compare;
    /// What the dialog can store (Min == Max: no control changes it).
    double Min, Max;
    tEditRule Edit;
    /// One line in English for velmora-params.
    std::string_view Description;
};

/// Every field of tParams except the reserved bytes, in storage order.
std::span<const tSettingsField> SettingsFields();

/// The field called `name`, or null.
const tSettingsField* FindSettingsField(std::string_view name);

/// The dialog's edits that show no single field: the colour balance's a, b,
/// hue and chroma (they act on the two balance points).
std::span<const tEditRule> BalanceEditRules();

/// The rule of the edit called `name` among the fields' and the balance
/// edits, or null.
const tEditRule* FindEditRule(std::string_view name);

/// The field's value in the record, as a double (booleans and bytes 0..255).
double FieldValue(const tParams& params, const tSettingsField& field);
/// Stores the value, converted to the field's type (it must fit the type).
void SetFieldValue(tParams& params, const tSettingsField& field, double value);

/// Assigns the defaults of one reset group; the levels take the analysed
/// black and white points given.
void AssignDefaults(tParams& params, tResetGroup group, int32_t analysedBlack = 0,
                    int32_t analysedWhite = 0);

/// The undo history's equality: integers and bytes identical, reals within
/// 0.000001; FullScreen and the reserved bytes not compared.
bool FieldsEqual(const tParams& a, const tParams& b);

}  // namespace velmora

// Named fields of a parameter block file for velmora-params: the settings
// record's fields under their tParams names ("Contrast", "ColorEq[1]"), and
// the same fields of snapshot slot n as "SlotN.<field>" with "SlotN.Used"
// (n = 1..6).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/SettingsFields.h"

namespace velmora::tools {

/// Bool: 0/1, true/false; Byte: 0..255; Int: signed 32-bit; Real: finite.
using tFieldKind = tFieldType;

struct tField {
    std::string Name;
    size_t Offset;  // in the 1168-byte block
    tFieldKind Kind;
    /// The settings field it stores (its range and description); null for
    /// a slot's used flag.
    const tSettingsField* Info = nullptr;
    /// The snapshot slot it belongs to (1..6), 0 for the current settings.
    int Slot = 0;
};

/// The fields of one tParams record, in storage order, named as in tParams:
/// the current settings (slot 0) or those of snapshot slot 1..6, named
/// "SlotN.<field>".
std::vector<tField> RecordFields(int slot = 0);

/// Where the record of slot 1..6 starts in the block (0 for the settings).
size_t RecordBase(int slot);

/// The field of the block called `name`, if there is one.
std::optional<tField> FindField(std::string_view name);

/// Stores the text as the field's value; false with a reason when the text
/// is not a valid value of the field's kind.
bool SetField(std::vector<uint8_t>& block, const tField& field, std::string_view text,
              std::string& error);

/// The field's value as text that SetField reads back to the same bytes.
std::string FormatField(const std::vector<uint8_t>& block, const tField& field);

/// Whether the value is one the dialog can store for the field. A real may
/// differ from a bound by rounding (the bounds are computed as the dialog
/// computes them).
bool InDialogRange(const tSettingsField& f, double v);

/// The field's range as people read it: "0.1..10", "0 or 1", "0 (fixed)".
/// Each bound shown is itself inside the range.
std::string RangeText(const tSettingsField& f);

/// A number with `digits` significant digits, as RangeText shows bounds.
std::string NumberText(double v, int digits = 3);

/// Empty when the value `field` holds in the block is one the dialog can set
/// (or the field has no range: a slot's used flag); otherwise why not,
/// naming the field as `name=text`.
std::string RangeProblem(const std::vector<uint8_t>& block, const tField& field,
                         std::string_view text);

/// Empty when the levels of record `slot` (0: the settings, 1..6: a used
/// snapshot slot) can work; otherwise why not: FollowAnalysis 0 with
/// WhiteLevel not above BlackLevel loses the picture.
std::string LevelsProblem(const std::vector<uint8_t>& block, int slot);

/// What the dialog's "Авто" box stores, as field and value pairs: AutoLevels
/// on, FollowAnalysis off, BlackLevel 0, WhiteLevel 255.
inline constexpr std::pair<std::string_view, std::string_view> kAutoLevelsFields[] = {
    {"AutoLevels", "1"}, {"FollowAnalysis", "0"}, {"BlackLevel", "0"}, {"WhiteLevel", "255"}};

/// The snapshot slots one edit of a block has written into. A free slot
/// touched for the first time starts as a snapshot of the settings as they
/// stand, never as a record of zeros; writing "SlotN.Used" = 0 leaves it free.
class tSlotStarts {
  public:
    /// Call before writing `value` into `field` of `block`.
    void BeforeWrite(std::vector<uint8_t>& block, const tField& field, std::string_view value);

  private:
    bool touched_[kSlotCount + 1] = {};
};

/// The first-use parameter block: first-use settings, all slots free and zero.
std::vector<uint8_t> FirstUseBlock();

}  // namespace velmora::tools

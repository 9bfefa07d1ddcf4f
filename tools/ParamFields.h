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
#include <vector>

namespace velmora::tools {

enum class tFieldKind {
    Bool,  // 8-bit boolean: 0/1, true/false
    Byte,  // 8-bit unsigned 0..255
    Int,   // signed 32-bit
    Real,  // 64-bit float, finite
};

struct tField {
    std::string Name;
    size_t Offset;  // in the 1168-byte block
    tFieldKind Kind;
};

/// The fields of one tParams record, in storage order, named as in tParams;
/// prefix goes before each name and base is added to each offset.
std::vector<tField> RecordFields(const std::string& prefix = {}, size_t base = 0);

/// The field of the block called `name`, if there is one.
std::optional<tField> FindField(std::string_view name);

/// Stores the text as the field's value; false with a reason when the text
/// is not a valid value of the field's kind.
bool SetField(std::vector<uint8_t>& block, const tField& field, std::string_view text,
              std::string& error);

/// The field's value as text that SetField reads back to the same bytes.
std::string FormatField(const std::vector<uint8_t>& block, const tField& field);

/// The first-use parameter block: first-use settings, all slots free and zero.
std::vector<uint8_t> FirstUseBlock();

}  // namespace velmora::tools

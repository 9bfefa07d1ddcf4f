#include "tools/ParamFields.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "base/Params.h"

namespace velmora::tools {

namespace {

template <class T>
T Load(const std::vector<uint8_t>& block, size_t at) {
    T v;
    std::memcpy(&v, block.data() + at, sizeof v);
    return v;
}

template <class T>
void Store(std::vector<uint8_t>& block, size_t at, T v) {
    std::memcpy(block.data() + at, &v, sizeof v);
}

// The whole text must be one integer in [lo, hi].
bool ParseInteger(std::string_view text, int64_t lo, int64_t hi, int64_t& v) {
    const char* end = text.data() + text.size();
    auto [p, ec] = std::from_chars(text.data(), end, v);
    return ec == std::errc() && p == end && !text.empty() && v >= lo && v <= hi;
}

}  // namespace

size_t RecordBase(int slot) {
    return slot == 0 ? 0 : offsetof(tParamBlock, Slots) + size_t(slot - 1) * sizeof(tParamSlot);
}

std::vector<tField> RecordFields(int slot) {
    const std::string prefix = slot == 0 ? std::string() : "Slot" + std::to_string(slot) + ".";
    std::vector<tField> fields;
    for (const tSettingsField& f : SettingsFields())
        fields.push_back(
            {prefix + std::string(f.Name), RecordBase(slot) + f.Offset, f.Type, &f, slot});
    return fields;
}

std::optional<tField> FindField(std::string_view name) {
    int slot = 0;
    if (name.size() > 6 && name.substr(0, 4) == "Slot" && name[4] >= '1' && name[4] <= '6' &&
        name[5] == '.') {
        slot = name[4] - '0';
        if (name.substr(6) == "Used")
            return tField{std::string(name), RecordBase(slot) + offsetof(tParamSlot, Used),
                          tFieldKind::Bool, nullptr, slot};
        name.remove_prefix(6);
    }
    const tSettingsField* f = FindSettingsField(name);
    if (!f) return std::nullopt;
    return tField{
        (slot == 0 ? std::string() : "Slot" + std::to_string(slot) + ".") + std::string(name),
        RecordBase(slot) + f->Offset, f->Type, f, slot};
}

bool SetField(std::vector<uint8_t>& block, const tField& field, std::string_view text,
              std::string& error) {
    int64_t v = 0;
    switch (field.Kind) {
        case tFieldKind::Bool:
            if (text == "true")
                v = 1;
            else if (text == "false")
                v = 0;
            else if (!ParseInteger(text, 0, 1, v)) {
                error = "expected 0, 1, true or false";
                return false;
            }
            block[field.Offset] = uint8_t(v);
            return true;
        case tFieldKind::Byte:
            if (!ParseInteger(text, 0, 255, v)) {
                error = "expected an integer 0..255";
                return false;
            }
            block[field.Offset] = uint8_t(v);
            return true;
        case tFieldKind::Int:
            if (!ParseInteger(text, std::numeric_limits<int32_t>::min(),
                              std::numeric_limits<int32_t>::max(), v)) {
                error = "expected a 32-bit integer";
                return false;
            }
            Store(block, field.Offset, int32_t(v));
            return true;
        case tFieldKind::Real: {
            double d = 0;
            const char* end = text.data() + text.size();
            auto [p, ec] = std::from_chars(text.data(), end, d);
            if (text.empty() || ec != std::errc() || p != end || !std::isfinite(d)) {
                error = "expected a finite number";
                return false;
            }
            Store(block, field.Offset, d);
            return true;
        }
    }
    error = "unknown field kind";
    return false;
}

std::string FormatField(const std::vector<uint8_t>& block, const tField& field) {
    switch (field.Kind) {
        case tFieldKind::Bool:
        case tFieldKind::Byte:
            return std::to_string(block[field.Offset]);
        case tFieldKind::Int:
            return std::to_string(Load<int32_t>(block, field.Offset));
        case tFieldKind::Real: {
            // Shortest text that reads back to the same double.
            char text[64];
            auto [p, ec] =
                std::to_chars(text, text + sizeof text, Load<double>(block, field.Offset));
            return ec == std::errc() ? std::string(text, p) : std::string("?");
        }
    }
    return "?";
}

void tSlotStarts::BeforeWrite(std::vector<uint8_t>& block, const tField& field,
                              std::string_view value) {
    const bool keepsFree = !field.Info && (value == "0" || value == "false");
    const int n = field.Slot;
    if (n == 0 || keepsFree) return;
    const size_t base = RecordBase(n);
    if (!touched_[n] && block[base + offsetof(tParamSlot, Used)] == 0)
        std::copy(block.begin(), block.begin() + sizeof(tParams), block.begin() + ptrdiff_t(base));
    touched_[n] = true;
}

std::vector<uint8_t> FirstUseBlock() {
    // BlackLevel and WhiteLevel take the analysed points, 0 before any
    // analysis; with FollowAnalysis set the module re-derives them per image.
    tParams settings{};
    for (tResetGroup group :
         {tResetGroup::Levels, tResetGroup::Saturation, tResetGroup::Balance, tResetGroup::Rotation,
          tResetGroup::ColorEq, tResetGroup::LightEq, tResetGroup::Tone, tResetGroup::FirstUse})
        AssignDefaults(settings, group);
    std::vector<uint8_t> block(sizeof(tParamBlock), 0);
    std::memcpy(block.data(), &settings, sizeof settings);
    return block;
}

std::string NumberText(double v, int digits) {
    char text[32];
    auto [p, ec] = std::to_chars(text, text + sizeof text, v, std::chars_format::general, digits);
    return ec == std::errc() ? std::string(text, p) : std::string("?");
}

bool InDialogRange(const tSettingsField& f, double v) {
    if (f.Type != tFieldType::Real) return v >= f.Min && v <= f.Max;
    const auto near = [](double bound) { return 1e-9 * std::max(1.0, std::fabs(bound)); };
    return v >= f.Min - near(f.Min) && v <= f.Max + near(f.Max);
}

namespace {

// A bound with as few digits as keep it inside the range, so that the bound
// as shown is accepted: the lightness exponent's ends show as 0.354 and
// 2.828 (2.83 would be above it).
std::string Bound(const tSettingsField& f, double v) {
    for (int digits = 3; digits < 17; ++digits) {
        const std::string text = NumberText(v, digits);
        double shown = 0;
        std::from_chars(text.data(), text.data() + text.size(), shown);
        if (InDialogRange(f, shown)) return text;
    }
    return NumberText(v, 17);
}

}  // namespace

std::string RangeText(const tSettingsField& f) {
    if (f.Type == tFieldType::Bool) return "0 or 1";
    if (f.Min == f.Max) return NumberText(f.Min) + " (fixed)";
    return Bound(f, f.Min) + ".." + Bound(f, f.Max);
}

std::string RangeProblem(const std::vector<uint8_t>& block, const tField& field,
                         std::string_view text) {
    if (!field.Info) return {};
    const tSettingsField& f = *field.Info;
    const double v = f.Type == tFieldType::Real  ? Load<double>(block, field.Offset)
                     : f.Type == tFieldType::Int ? double(Load<int32_t>(block, field.Offset))
                                                 : double(block[field.Offset]);
    if (InDialogRange(f, v)) return {};
    const std::string pair = field.Name + "=" + std::string(text);
    if (f.Min == f.Max)
        return pair + ": the dialog always keeps " + NumberText(f.Min) +
               " here (no control changes it)";
    return pair + ": out of range " + RangeText(f) + " (what the dialog can set)";
}

std::string LevelsProblem(const std::vector<uint8_t>& block, int slot) {
    const size_t base = RecordBase(slot);
    if (slot != 0 && block[base + offsetof(tParamSlot, Used)] == 0) return {};
    if (block[base + offsetof(tParams, FollowAnalysis)] != 0) return {};
    const auto black = Load<int32_t>(block, base + offsetof(tParams, BlackLevel));
    const auto white = Load<int32_t>(block, base + offsetof(tParams, WhiteLevel));
    if (white > black) return {};
    const std::string prefix = slot == 0 ? std::string() : "Slot" + std::to_string(slot) + ".";
    return prefix + "FollowAnalysis=0 with " + prefix + "WhiteLevel " + std::to_string(white) +
           " not above " + prefix + "BlackLevel " + std::to_string(black) +
           ": the picture would be lost; set both levels (e.g. " + prefix + "BlackLevel=0 " +
           prefix + "WhiteLevel=255) or use --auto-levels";
}

}  // namespace velmora::tools

#include "tools/ParamFields.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "base/Params.h"
#include "engine/Settings.h"

namespace velmora::tools {

namespace {

constexpr size_t SlotBase(int n) {
    return offsetof(tParamBlock, Slots) + size_t(n - 1) * sizeof(tParamSlot);
}

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

std::vector<tField> RecordFields(const std::string& prefix, size_t base) {
    using K = tFieldKind;
    std::vector<tField> f;
    auto add = [&](std::string name, size_t offset, K kind) {
        f.push_back({prefix + std::move(name), base + offset, kind});
    };
    add("AutoLevels", offsetof(tParams, AutoLevels), K::Bool);
    add("FollowAnalysis", offsetof(tParams, FollowAnalysis), K::Bool);
    add("ClipFraction", offsetof(tParams, ClipFraction), K::Real);
    add("BlackLevel", offsetof(tParams, BlackLevel), K::Int);
    add("WhiteLevel", offsetof(tParams, WhiteLevel), K::Int);
    add("ColorContrast", offsetof(tParams, ColorContrast), K::Real);
    add("SatBend", offsetof(tParams, SatBend), K::Int);
    add("LowSat", offsetof(tParams, LowSat), K::Int);
    add("LightPointA", offsetof(tParams, LightPointA), K::Byte);
    add("LightPointB", offsetof(tParams, LightPointB), K::Byte);
    add("LightPointL", offsetof(tParams, LightPointL), K::Byte);
    add("ShadowPointA", offsetof(tParams, ShadowPointA), K::Byte);
    add("ShadowPointB", offsetof(tParams, ShadowPointB), K::Byte);
    add("ShadowPointL", offsetof(tParams, ShadowPointL), K::Byte);
    add("Lightness", offsetof(tParams, Lightness), K::Real);
    add("Contrast", offsetof(tParams, Contrast), K::Real);
    add("Rotate", offsetof(tParams, Rotate), K::Int);
    for (int i = 0; i < 8; ++i)
        add("ColorEq[" + std::to_string(i) + "]", offsetof(tParams, ColorEq) + 4 * size_t(i),
            K::Int);
    for (int i = 0; i < 5; ++i)
        add("LightEq[" + std::to_string(i) + "]", offsetof(tParams, LightEq) + 4 * size_t(i),
            K::Int);
    add("Shadow", offsetof(tParams, Shadow), K::Real);
    add("HighLight", offsetof(tParams, HighLight), K::Real);
    add("Sharpness", offsetof(tParams, Sharpness), K::Real);
    add("Reserved144", offsetof(tParams, Reserved144), K::Real);
    add("FullScreen", offsetof(tParams, FullScreen), K::Bool);
    return f;
}

std::optional<tField> FindField(std::string_view name) {
    size_t base = 0;
    std::string prefix;
    if (name.size() > 6 && name.substr(0, 4) == "Slot" && name[4] >= '1' && name[4] <= '6' &&
        name[5] == '.') {
        const int n = name[4] - '0';
        prefix = std::string(name.substr(0, 6));
        base = SlotBase(n);
        if (name.substr(6) == "Used")
            return tField{std::string(name), base + offsetof(tParamSlot, Used), tFieldKind::Bool};
    }
    for (auto& f : RecordFields(prefix, base))
        if (f.Name == name) return f;
    return std::nullopt;
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

std::vector<uint8_t> FirstUseBlock() {
    // BlackLevel and WhiteLevel take the analysed points, 0 before any
    // analysis; with FollowAnalysis set the module re-derives them per image.
    Settings = tParams{};
    ResetFirstUse();
    std::vector<uint8_t> block(sizeof(tParamBlock), 0);
    std::memcpy(block.data(), &Settings, sizeof Settings);
    return block;
}

}  // namespace velmora::tools

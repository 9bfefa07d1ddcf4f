// The plug-in property list format (resource type 'PIPL'): a header and a
// sequence of properties. Four-character codes are stored as little-endian
// 32-bit values, so "8BIM" appears in the file as the bytes "MIB8".
//
// Header (10 bytes, no padding): int16 version (1), int32 kind (0), int32 count.
// Property: vendor (4), key (4), int32 id (0), int32 length, then `length`
// data bytes zero-filled to a multiple of 4.
//
// A module carries its property list in an ELF section named ".pipl", so a
// host can read it without loading the module.
#pragma once

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace sdk {

constexpr uint32_t FourCC(const char (&s)[5]) {
    return (uint32_t(uint8_t(s[0])) << 24) | (uint32_t(uint8_t(s[1])) << 16) |
           (uint32_t(uint8_t(s[2])) << 8) | uint32_t(uint8_t(s[3]));
}

inline constexpr const char* kPiplSectionName = ".pipl";
inline constexpr int16_t kPiplResourceId = 16000;
inline constexpr uint32_t kVendorAdobe = FourCC("8BIM");
inline constexpr uint32_t kKindFilter = FourCC("8BFM");

inline constexpr uint32_t kPropKind = FourCC("kind");
inline constexpr uint32_t kPropVersion = FourCC("vers");
inline constexpr uint32_t kPropHost = FourCC("host");
inline constexpr uint32_t kPropCategory = FourCC("catg");
inline constexpr uint32_t kPropName = FourCC("name");
inline constexpr uint32_t kPropEntryX86 = FourCC("wx86");
inline constexpr uint32_t kPropModes = FourCC("mode");
inline constexpr uint32_t kPropEnable = FourCC("enbl");

/// Mode flag bits of the big-endian 'mode' word.
enum : uint16_t {
    kFlagRGB = 0x1000,
    kFlagLab = 0x0040,
    kFlagRGB48 = 0x0010,
    kFlagLab48 = 0x0008,
    kFlagGrayscale = 0x4000,
    kFlagIndexed = 0x2000,
    kFlagCMYK = 0x0800,
};

struct Property {
    uint32_t vendor = 0;
    uint32_t key = 0;
    int32_t id = 0;
    std::vector<uint8_t> data;
};

struct PropertyList {
    int16_t version = 0;
    int32_t kind = 0;
    std::vector<Property> properties;

    const Property* Find(uint32_t key) const {
        for (const auto& p : properties)
            if (p.key == key) return &p;
        return nullptr;
    }
};

namespace pipl_detail {
inline uint32_t ReadU32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
}  // namespace pipl_detail

/// Parses a property list; returns nothing when the bytes are not a complete,
/// well-formed list (every length is checked against the buffer).
inline std::optional<PropertyList> ParsePropertyList(const uint8_t* bytes, size_t size) {
    using pipl_detail::ReadU32;
    if (size < 10) return std::nullopt;
    PropertyList list;
    list.version = int16_t(uint16_t(bytes[0]) | (uint16_t(bytes[1]) << 8));
    list.kind = int32_t(ReadU32(bytes + 2));
    uint32_t count = ReadU32(bytes + 6);
    size_t pos = 10;
    if (count > (size - pos) / 16) return std::nullopt;
    for (uint32_t i = 0; i < count; ++i) {
        if (size - pos < 16) return std::nullopt;
        Property p;
        p.vendor = ReadU32(bytes + pos);
        p.key = ReadU32(bytes + pos + 4);
        p.id = int32_t(ReadU32(bytes + pos + 8));
        uint32_t length = ReadU32(bytes + pos + 12);
        pos += 16;
        uint64_t padded = (uint64_t(length) + 3) / 4 * 4;
        if (padded > size - pos) return std::nullopt;
        p.data.assign(bytes + pos, bytes + pos + length);
        pos += size_t(padded);
        list.properties.push_back(std::move(p));
    }
    return list;
}

/// A Pascal-style string property (length byte, then characters); trailing
/// zero bytes are dropped.
inline std::string PascalString(const Property& p) {
    if (p.data.empty()) return {};
    size_t n = std::min<size_t>(p.data[0], p.data.size() - 1);
    std::string s(reinterpret_cast<const char*>(p.data.data() + 1), n);
    while (!s.empty() && s.back() == '\0') s.pop_back();
    return s;
}

/// A zero-terminated string property.
inline std::string CString(const Property& p) {
    std::string s(p.data.begin(), p.data.end());
    auto z = s.find('\0');
    return z == std::string::npos ? s : s.substr(0, z);
}

}  // namespace sdk

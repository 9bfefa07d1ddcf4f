// A property list for the test modules, built at compile time in the byte
// layout of sdk/PIProperties.h and placed in the ELF section ".pipl".
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace testpipl {

struct Bytes {
    std::array<uint8_t, 512> b{};
    size_t n = 0;
    constexpr void U8(uint8_t v) { b[n++] = v; }
    constexpr void U16(uint16_t v) {
        U8(uint8_t(v));
        U8(uint8_t(v >> 8));
    }
    constexpr void U32(uint32_t v) {
        U16(uint16_t(v));
        U16(uint16_t(v >> 16));
    }
    constexpr void Code(const char (&s)[5]) {
        U32((uint32_t(uint8_t(s[0])) << 24) | (uint32_t(uint8_t(s[1])) << 16) |
            (uint32_t(uint8_t(s[2])) << 8) | uint32_t(uint8_t(s[3])));
    }
    size_t dataStart = 0;
    // Zero-fills the current property's data to a multiple of 4 bytes.
    constexpr void Pad() {
        while ((n - dataStart) % 4) U8(0);
    }
    constexpr void Header(const char (&key)[5], uint32_t length) {
        Code("8BIM");
        Code(key);
        U32(0);
        U32(length);
        dataStart = n;
    }
    constexpr void Pascal(const char (&key)[5], const char* s, size_t len) {
        Header(key, uint32_t(len + 1));
        U8(uint8_t(len));
        for (size_t i = 0; i < len; ++i) U8(uint8_t(s[i]));
        Pad();
    }
};

constexpr size_t Length(const char* s) {
    size_t n = 0;
    while (s[n]) ++n;
    return n;
}

struct Built {
    std::array<uint8_t, 512> bytes{};
    size_t size = 0;
};

/// kind 8BFM, version 1.2, the given category, name and big-endian mode word.
constexpr Built Build(const char* category, const char* name, uint16_t modes) {
    Bytes p;
    p.U16(1);
    p.U32(0);
    p.U32(6);
    p.Header("kind", 4);
    p.Code("8BFM");
    p.Header("vers", 4);
    p.U32((1u << 16) | 2u);
    p.Pascal("catg", category, Length(category));
    p.Pascal("name", name, Length(name));
    p.Header("wx86", 11);
    for (const char* c = "ENTRYPOINT"; *c; ++c) p.U8(uint8_t(*c));
    p.U8(0);
    p.Pad();
    p.Header("mode", 4);
    p.U8(uint8_t(modes >> 8));
    p.U8(uint8_t(modes));
    p.U8(0);
    p.U8(0);
    return Built{p.b, p.n};
}

template <size_t N>
constexpr std::array<uint8_t, N> Trim(const std::array<uint8_t, 512>& full) {
    std::array<uint8_t, N> out{};
    for (size_t i = 0; i < N; ++i) out[i] = full[i];
    return out;
}

}  // namespace testpipl

/// Defines the module's property list in section ".pipl".
#define TEST_PIPL(category, name, modes)                                                    \
    namespace {                                                                             \
    constexpr testpipl::Built kBuiltPipl = testpipl::Build(category, name, modes);          \
    [[gnu::used, gnu::section(".pipl")]] const std::array<uint8_t, kBuiltPipl.size> kPipl = \
        testpipl::Trim<kBuiltPipl.size>(kBuiltPipl.bytes);                                  \
    }

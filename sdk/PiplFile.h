// Reading a module's property list from its file without loading it.
//
// A module carries its property list in the ELF section ".pipl" (see
// PIProperties.h). The reader parses the ELF section header table (ELF64 and
// ELF32, either byte order), finds the section by name and copies its bytes.
// It also lists the dynamic symbols a module defines, so a host can check for
// ENTRYPOINT before it loads anything.
//
// Every offset, count and length taken from the file is checked against the
// file's size before it is used; a malformed or truncated file yields an
// error text, never a crash or a read outside the buffer.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "sdk/PIProperties.h"

namespace sdk {

namespace elf_detail {

inline constexpr uint32_t kShtStrtab = 3;
inline constexpr uint32_t kShtNobits = 8;
inline constexpr uint32_t kShtDynsym = 11;
inline constexpr uint16_t kShnUndef = 0;
inline constexpr uint16_t kShnXindex = 0xFFFF;

/// Bounds-checked view of an ELF image in memory.
class Image {
  public:
    Image(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    /// Validates the identification bytes and reads the file header.
    bool Open(std::string& error) {
        if (!data_ || size_ < 16 ||
            std::memcmp(data_,
                        "\x7F"
                        "ELF",
                        4) != 0) {
            error = "not an ELF file";
            return false;
        }
        if (data_[4] != 1 && data_[4] != 2) {
            error = "unknown ELF class";
            return false;
        }
        if (data_[5] != 1 && data_[5] != 2) {
            error = "unknown ELF byte order";
            return false;
        }
        is64_ = data_[4] == 2;
        big_ = data_[5] == 2;
        const uint64_t headerSize = is64_ ? 64 : 52;
        if (size_ < headerSize) {
            error = "truncated ELF header";
            return false;
        }
        uint16_t shentsize = 0, shnum = 0, shstrndx = 0;
        if (!Word(is64_ ? 40 : 32, shoff_) || !U16(is64_ ? 58 : 46, shentsize) ||
            !U16(is64_ ? 60 : 48, shnum) || !U16(is64_ ? 62 : 50, shstrndx)) {
            error = "truncated ELF header";
            return false;
        }
        if (shoff_ == 0) {
            error = "no section header table";
            return false;
        }
        shentsize_ = shentsize;
        if (shentsize_ < (is64_ ? 64u : 40u)) {
            error = "bad section header size";
            return false;
        }
        // Extended numbering: the real count and string table index live in
        // section header 0.
        shnum_ = shnum;
        shstrndx_ = shstrndx;
        if (shnum == 0 || shstrndx == kShnXindex) {
            Section first;
            if (!RawSection(0, first)) {
                error = "section header table outside the file";
                return false;
            }
            if (shnum == 0) shnum_ = first.size;
            if (shstrndx == kShnXindex) shstrndx_ = first.link;
        }
        if (shnum_ == 0) {
            error = "no sections";
            return false;
        }
        uint64_t tableBytes = 0;
        if (__builtin_mul_overflow(shnum_, shentsize_, &tableBytes) || !Fits(shoff_, tableBytes)) {
            error = "section header table outside the file";
            return false;
        }
        if (shstrndx_ >= shnum_) {
            error = "bad section name table index";
            return false;
        }
        return true;
    }

    struct Section {
        uint32_t name = 0;
        uint32_t type = 0;
        uint64_t offset = 0;
        uint64_t size = 0;
        uint64_t link = 0;
        uint64_t entsize = 0;
    };

    uint64_t SectionCount() const { return shnum_; }
    uint64_t NameTableIndex() const { return shstrndx_; }
    bool Is64() const { return is64_; }

    /// Reads section header `index` (index < SectionCount(), checked).
    bool GetSection(uint64_t index, Section& s) const {
        return index < shnum_ && RawSection(index, s);
    }

    /// The bytes of a section, checked to lie inside the file.
    bool SectionData(const Section& s, const uint8_t*& bytes, std::string& error) const {
        if (s.type == kShtNobits) {
            error = "section has no data in the file";
            return false;
        }
        if (!Fits(s.offset, s.size)) {
            error = "section data outside the file";
            return false;
        }
        bytes = data_ + s.offset;
        return true;
    }

    /// A zero-terminated string at `offset` inside a string table section.
    bool String(const Section& table, uint64_t offset, std::string_view& out,
                std::string& error) const {
        const uint8_t* bytes = nullptr;
        if (!SectionData(table, bytes, error)) return false;
        if (offset >= table.size) {
            error = "string offset outside its table";
            return false;
        }
        const void* end = std::memchr(bytes + offset, 0, size_t(table.size - offset));
        if (!end) {
            error = "unterminated string";
            return false;
        }
        out = std::string_view(reinterpret_cast<const char*>(bytes + offset),
                               size_t(static_cast<const uint8_t*>(end) - (bytes + offset)));
        return true;
    }

    bool U8(uint64_t off, uint8_t& v) const {
        if (!Fits(off, 1)) return false;
        v = data_[off];
        return true;
    }
    bool U16(uint64_t off, uint16_t& v) const {
        if (!Fits(off, 2)) return false;
        const uint8_t* p = data_ + off;
        v = big_ ? uint16_t(p[0] << 8 | p[1]) : uint16_t(p[1] << 8 | p[0]);
        return true;
    }
    bool U32(uint64_t off, uint32_t& v) const {
        if (!Fits(off, 4)) return false;
        const uint8_t* p = data_ + off;
        v = 0;
        for (int i = 0; i < 4; ++i) v |= uint32_t(p[big_ ? 3 - i : i]) << (8 * i);
        return true;
    }
    bool U64(uint64_t off, uint64_t& v) const {
        if (!Fits(off, 8)) return false;
        const uint8_t* p = data_ + off;
        v = 0;
        for (int i = 0; i < 8; ++i) v |= uint64_t(p[big_ ? 7 - i : i]) << (8 * i);
        return true;
    }
    /// A class-sized word: 32 bits in ELF32, 64 bits in ELF64.
    bool Word(uint64_t off, uint64_t& v) const {
        if (is64_) return U64(off, v);
        uint32_t w = 0;
        if (!U32(off, w)) return false;
        v = w;
        return true;
    }

    bool Fits(uint64_t off, uint64_t n) const { return off <= size_ && n <= size_ - off; }

  private:
    bool RawSection(uint64_t index, Section& s) const {
        uint64_t rel = 0, at = 0;
        if (__builtin_mul_overflow(index, shentsize_, &rel) ||
            __builtin_add_overflow(shoff_, rel, &at))
            return false;
        if (!Fits(at, is64_ ? 64 : 40)) return false;
        uint32_t link = 0;
        if (is64_) {
            if (!(U32(at, s.name) && U32(at + 4, s.type) && U64(at + 24, s.offset) &&
                  U64(at + 32, s.size) && U32(at + 40, link) && U64(at + 56, s.entsize)))
                return false;
            s.link = link;
            return true;
        }
        uint32_t offset = 0, size = 0, entsize = 0;
        if (!(U32(at, s.name) && U32(at + 4, s.type) && U32(at + 16, offset) &&
              U32(at + 20, size) && U32(at + 24, link) && U32(at + 36, entsize)))
            return false;
        s.offset = offset;
        s.size = size;
        s.link = link;
        s.entsize = entsize;
        return true;
    }

    const uint8_t* data_;
    size_t size_;
    bool is64_ = false;
    bool big_ = false;
    uint64_t shoff_ = 0;
    uint64_t shentsize_ = 0;
    uint64_t shnum_ = 0;
    uint64_t shstrndx_ = 0;
};

}  // namespace elf_detail

/// Copies the bytes of the section called `name` out of an ELF image held in
/// memory. Returns false with a one-line reason when the image is malformed
/// or has no such section.
inline bool ElfSectionBytes(const uint8_t* file, size_t size, std::string_view name,
                            std::vector<uint8_t>& out, std::string& error) {
    using elf_detail::Image;
    Image image(file, size);
    if (!image.Open(error)) return false;
    Image::Section names;
    if (!image.GetSection(image.NameTableIndex(), names)) {
        error = "bad section name table";
        return false;
    }
    for (uint64_t i = 0; i < image.SectionCount(); ++i) {
        Image::Section s;
        if (!image.GetSection(i, s)) {
            error = "section header table outside the file";
            return false;
        }
        std::string_view sectionName;
        if (!image.String(names, s.name, sectionName, error)) {
            error = "bad section name: " + error;
            return false;
        }
        if (sectionName != name) continue;
        const uint8_t* bytes = nullptr;
        if (!image.SectionData(s, bytes, error)) {
            error = std::string(name) + ": " + error;
            return false;
        }
        out.assign(bytes, bytes + s.size);
        return true;
    }
    error = "no " + std::string(name) + " section";
    return false;
}

/// Names of the symbols the image's dynamic symbol table defines (what
/// `nm -D --defined-only` lists), in table order.
inline bool ElfDefinedDynamicSymbols(const uint8_t* file, size_t size,
                                     std::vector<std::string>& out, std::string& error) {
    using elf_detail::Image;
    Image image(file, size);
    if (!image.Open(error)) return false;
    out.clear();
    for (uint64_t i = 0; i < image.SectionCount(); ++i) {
        Image::Section s;
        if (!image.GetSection(i, s)) {
            error = "section header table outside the file";
            return false;
        }
        if (s.type != elf_detail::kShtDynsym) continue;
        Image::Section strings;
        if (!image.GetSection(s.link, strings) || strings.type != elf_detail::kShtStrtab) {
            error = "bad dynamic string table";
            return false;
        }
        const uint64_t symbolSize = image.Is64() ? 24 : 16;
        const uint64_t entsize = s.entsize ? s.entsize : symbolSize;
        const uint8_t* bytes = nullptr;
        if (entsize < symbolSize) {
            error = "bad dynamic symbol size";
            return false;
        }
        if (!image.SectionData(s, bytes, error)) {
            error = "dynamic symbols: " + error;
            return false;
        }
        for (uint64_t k = 1; k < s.size / entsize; ++k) {
            const uint64_t at = s.offset + k * entsize;  // inside the section, checked above
            uint32_t nameOffset = 0;
            uint16_t shndx = 0;
            if (!image.U32(at, nameOffset) || !image.U16(at + (image.Is64() ? 6 : 14), shndx)) {
                error = "dynamic symbols outside the file";
                return false;
            }
            if (shndx == elf_detail::kShnUndef || nameOffset == 0) continue;
            std::string_view symbolName;
            if (!image.String(strings, nameOffset, symbolName, error)) {
                error = "bad dynamic symbol name: " + error;
                return false;
            }
            out.emplace_back(symbolName);
        }
        return true;
    }
    error = "no dynamic symbol table";
    return false;
}

/// Reads a whole regular file (at most maxSize bytes).
inline bool ReadModuleFile(const std::string& path, std::vector<uint8_t>& out, std::string& error,
                           uint64_t maxSize = uint64_t(256) << 20) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        error = path + ": not a regular file";
        return false;
    }
    const uint64_t size = std::filesystem::file_size(path, ec);
    if (ec) {
        error = path + ": " + ec.message();
        return false;
    }
    if (size > maxSize) {
        error = path + ": file too large for a module";
        return false;
    }
    try {
        std::ifstream in(path, std::ios::binary);
        out.resize(size_t(size));
        if (!in || !in.read(reinterpret_cast<char*>(out.data()), std::streamsize(size))) {
            error = path + ": cannot read the file";
            return false;
        }
    } catch (const std::exception& e) {
        error = path + ": " + e.what();
        return false;
    }
    return true;
}

/// The raw ".pipl" section of a module file.
inline bool ReadPiplSection(const std::string& path, std::vector<uint8_t>& bytes,
                            std::string& error) {
    std::vector<uint8_t> file;
    if (!ReadModuleFile(path, file, error)) return false;
    if (!ElfSectionBytes(file.data(), file.size(), kPiplSectionName, bytes, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

/// The parsed property list of a module file.
inline bool ReadPropertyListFile(const std::string& path, PropertyList& list, std::string& error) {
    std::vector<uint8_t> bytes;
    if (!ReadPiplSection(path, bytes, error)) return false;
    auto parsed = ParsePropertyList(bytes.data(), bytes.size());
    if (!parsed) {
        error = path + ": malformed property list";
        return false;
    }
    list = std::move(*parsed);
    return true;
}

}  // namespace sdk

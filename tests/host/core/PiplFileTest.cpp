// The host-side reader of a module's ".pipl" section and dynamic symbols:
// well-formed ELF images of both classes and byte orders, this test's own
// executable (which links the module's property list), and every kind of
// truncated or corrupted image.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "host/Selectors.h"
#include "sdk/PiplFile.h"

namespace {

// A small ELF image: null section, .shstrtab, .pipl, .dynstr, .dynsym, then
// the section header table.
class ElfImage {
  public:
    enum Section { kNull, kNames, kPipl, kDynstr, kDynsym, kCount };

    ElfImage(bool is64, bool big, std::vector<uint8_t> pipl) : is64_(is64), big_(big) {
        const size_t header = is64 ? 64 : 52;
        bytes.assign(header, 0);
        const std::string names("\0.shstrtab\0.pipl\0.dynstr\0.dynsym\0", 33);
        const std::string dynstr("\0ENTRYPOINT\0imported\0", 21);
        const size_t symSize = is64 ? 24 : 16;
        std::vector<uint8_t> dynsym(3 * symSize, 0);

        struct Placed {
            uint32_t name, type;
            size_t offset, size, link, entsize;
        } placed[kCount] = {};
        auto append = [&](const void* data, size_t n) {
            const size_t at = bytes.size();
            bytes.insert(bytes.end(), static_cast<const uint8_t*>(data),
                         static_cast<const uint8_t*>(data) + n);
            return at;
        };
        placed[kNames] = {1, 3, append(names.data(), names.size()), names.size(), 0, 0};
        placed[kPipl] = {11, 1, append(pipl.data(), pipl.size()), pipl.size(), 0, 0};
        placed[kDynstr] = {17, 3, append(dynstr.data(), dynstr.size()), dynstr.size(), 0, 0};
        placed[kDynsym] = {25,      11,     append(dynsym.data(), dynsym.size()), dynsym.size(),
                           kDynstr, symSize};
        // Symbol 1: ENTRYPOINT defined in section 2; symbol 2: undefined.
        const size_t s1 = placed[kDynsym].offset + symSize, s2 = s1 + symSize;
        Put(s1, 1, 4);
        Put(s1 + (is64 ? 6 : 14), kPipl, 2);
        Put(s2, 12, 4);

        shoff = bytes.size();
        shentsize = is64 ? 64 : 40;
        bytes.resize(shoff + kCount * shentsize, 0);
        for (int i = 0; i < kCount; ++i) {
            SetSection(i, "name", placed[i].name);
            SetSection(i, "type", placed[i].type);
            SetSection(i, "offset", placed[i].offset);
            SetSection(i, "size", placed[i].size);
            SetSection(i, "link", placed[i].link);
            SetSection(i, "entsize", placed[i].entsize);
        }
        std::memcpy(bytes.data(),
                    "\x7F"
                    "ELF",
                    4);
        bytes[4] = is64 ? 2 : 1;
        bytes[5] = big ? 2 : 1;
        bytes[6] = 1;
        SetHeader("shoff", shoff);
        SetHeader("shentsize", shentsize);
        SetHeader("shnum", kCount);
        SetHeader("shstrndx", kNames);
    }

    void Put(size_t at, uint64_t v, int n) {
        for (int i = 0; i < n; ++i)
            bytes.at(at + size_t(big_ ? n - 1 - i : i)) = uint8_t(v >> (8 * i));
    }
    void SetHeader(const std::string& field, uint64_t v) {
        if (field == "shoff") Put(is64_ ? 40 : 32, v, is64_ ? 8 : 4);
        if (field == "shentsize") Put(is64_ ? 58 : 46, v, 2);
        if (field == "shnum") Put(is64_ ? 60 : 48, v, 2);
        if (field == "shstrndx") Put(is64_ ? 62 : 50, v, 2);
    }
    void SetSection(int index, const std::string& field, uint64_t v) {
        const size_t at = shoff + size_t(index) * shentsize;
        const int word = is64_ ? 8 : 4;
        if (field == "name") Put(at, v, 4);
        if (field == "type") Put(at + 4, v, 4);
        if (field == "offset") Put(at + (is64_ ? 24 : 16), v, word);
        if (field == "size") Put(at + (is64_ ? 32 : 20), v, word);
        if (field == "link") Put(at + (is64_ ? 40 : 24), v, 4);
        if (field == "entsize") Put(at + (is64_ ? 56 : 36), v, word);
    }

    std::vector<uint8_t> bytes;
    size_t shoff = 0;
    size_t shentsize = 0;

  private:
    bool is64_, big_;
};

const std::vector<uint8_t> kPayload = {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xAA, 0xBB};

struct Parsed {
    bool sectionOk;
    std::vector<uint8_t> section;
    std::string sectionError;
    bool symbolsOk;
    std::vector<std::string> symbols;
    std::string symbolsError;
};

// Parses a copy sized exactly to `size`, so any read past it is caught.
Parsed Parse(const std::vector<uint8_t>& image, size_t size) {
    std::vector<uint8_t> exact(image.begin(), image.begin() + ptrdiff_t(size));
    exact.shrink_to_fit();
    Parsed p;
    p.sectionOk =
        sdk::ElfSectionBytes(exact.data(), exact.size(), ".pipl", p.section, p.sectionError);
    p.symbolsOk =
        sdk::ElfDefinedDynamicSymbols(exact.data(), exact.size(), p.symbols, p.symbolsError);
    return p;
}

struct Variant {
    bool is64, big;
};
const Variant kVariants[] = {{true, false}, {true, true}, {false, false}, {false, true}};

TEST(PiplFile, ReadsTheSectionAndDefinedSymbolsOfBothClassesAndByteOrders) {
    for (const auto& v : kVariants) {
        SCOPED_TRACE(std::string(v.is64 ? "ELF64" : "ELF32") + (v.big ? " big" : " little"));
        ElfImage image(v.is64, v.big, kPayload);
        Parsed p = Parse(image.bytes, image.bytes.size());
        ASSERT_TRUE(p.sectionOk) << p.sectionError;
        EXPECT_EQ(p.section, kPayload);
        ASSERT_TRUE(p.symbolsOk) << p.symbolsError;
        EXPECT_EQ(p.symbols, std::vector<std::string>{"ENTRYPOINT"});

        // Extended numbering: the count and the name table index in section 0.
        image.SetHeader("shnum", 0);
        image.SetSection(0, "size", ElfImage::kCount);
        image.SetHeader("shstrndx", 0xFFFF);
        image.SetSection(0, "link", ElfImage::kNames);
        p = Parse(image.bytes, image.bytes.size());
        ASSERT_TRUE(p.sectionOk) << p.sectionError;
        EXPECT_EQ(p.section, kPayload);
    }
}

TEST(PiplFile, MalformedImagesGiveTheirReason) {
    struct Case {
        const char* what;
        void (*spoil)(ElfImage&);
        const char* error;
    };
    const Case cases[] = {
        {"magic", [](ElfImage& e) { e.bytes[1] = 'X'; }, "not an ELF file"},
        {"class", [](ElfImage& e) { e.bytes[4] = 3; }, "unknown ELF class"},
        {"byte order", [](ElfImage& e) { e.bytes[5] = 0; }, "unknown ELF byte order"},
        {"no table", [](ElfImage& e) { e.SetHeader("shoff", 0); }, "no section header table"},
        {"table offset", [](ElfImage& e) { e.SetHeader("shoff", e.bytes.size() - 8); },
         "section header table outside the file"},
        {"table offset wraps", [](ElfImage& e) { e.SetHeader("shoff", ~uint64_t(0) - 15); },
         "section header table outside the file"},
        {"entry size", [](ElfImage& e) { e.SetHeader("shentsize", 12); },
         "bad section header size"},
        {"count", [](ElfImage& e) { e.SetHeader("shnum", 0xFFFE); },
         "section header table outside the file"},
        {"extended count",
         [](ElfImage& e) {
             e.SetHeader("shnum", 0);
             e.SetSection(0, "size", ~uint64_t(0));
         },
         "section header table outside the file"},
        {"name table index", [](ElfImage& e) { e.SetHeader("shstrndx", 9); },
         "bad section name table index"},
        {"name offset", [](ElfImage& e) { e.SetSection(ElfImage::kPipl, "name", 5000); },
         "bad section name: string offset outside its table"},
        {"unterminated names",
         [](ElfImage& e) {
             e.SetSection(ElfImage::kNames, "size", 16);  // cuts ".pipl" short
         },
         "bad section name: unterminated string"},
        {"name table outside",
         [](ElfImage& e) { e.SetSection(ElfImage::kNames, "offset", e.bytes.size()); },
         "bad section name: section data outside the file"},
        {"data offset",
         [](ElfImage& e) { e.SetSection(ElfImage::kPipl, "offset", e.bytes.size()); },
         ".pipl: section data outside the file"},
        {"data size", [](ElfImage& e) { e.SetSection(ElfImage::kPipl, "size", ~uint64_t(0)); },
         ".pipl: section data outside the file"},
        {"no bits", [](ElfImage& e) { e.SetSection(ElfImage::kPipl, "type", 8); },
         ".pipl: section has no data in the file"},
        {"missing", [](ElfImage& e) { e.SetSection(ElfImage::kPipl, "name", 17); },
         "no .pipl section"},
    };
    for (const auto& v : kVariants) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.what) + (v.is64 ? " ELF64" : " ELF32") +
                         (v.big ? " big" : ""));
            ElfImage image(v.is64, v.big, kPayload);
            c.spoil(image);
            const Parsed p = Parse(image.bytes, image.bytes.size());
            EXPECT_FALSE(p.sectionOk);
            EXPECT_EQ(p.sectionError, c.error);
        }
    }
}

TEST(PiplFile, BrokenDynamicSymbolTablesGiveTheirReason) {
    struct Case {
        void (*spoil)(ElfImage&);
        const char* error;
    };
    const Case cases[] = {
        {[](ElfImage& e) { e.SetSection(ElfImage::kDynsym, "type", 1); },
         "no dynamic symbol table"},
        {[](ElfImage& e) { e.SetSection(ElfImage::kDynsym, "link", 77); },
         "bad dynamic string table"},
        {[](ElfImage& e) { e.SetSection(ElfImage::kDynsym, "entsize", 4); },
         "bad dynamic symbol size"},
        {[](ElfImage& e) { e.SetSection(ElfImage::kDynsym, "size", 1u << 30); },
         "dynamic symbols: section data outside the file"},
        {[](ElfImage& e) { e.SetSection(ElfImage::kDynstr, "size", 5); },
         "bad dynamic symbol name: unterminated string"},
    };
    for (const auto& v : kVariants) {
        for (const auto& c : cases) {
            SCOPED_TRACE(c.error);
            ElfImage image(v.is64, v.big, kPayload);
            c.spoil(image);
            const Parsed p = Parse(image.bytes, image.bytes.size());
            EXPECT_FALSE(p.symbolsOk);
            EXPECT_EQ(p.symbolsError, c.error);
        }
    }
}

TEST(PiplFile, EveryTruncationAndEveryCorruptedByteIsHandled) {
    for (const auto& v : kVariants) {
        const ElfImage image(v.is64, v.big, kPayload);
        for (size_t n = 0; n < image.bytes.size(); ++n) {
            const Parsed p = Parse(image.bytes, n);
            EXPECT_FALSE(p.sectionOk) << "truncated to " << n;
            EXPECT_FALSE(p.sectionError.empty());
            EXPECT_FALSE(p.symbolsOk) << "truncated to " << n;
        }
        // Each byte set to values that make offsets, counts and sizes
        // extreme; the parse must stay inside the image whatever it answers.
        for (size_t at = 0; at < image.bytes.size(); ++at) {
            for (uint8_t value : {0x00, 0x01, 0x7F, 0x80, 0xFF}) {
                std::vector<uint8_t> spoilt = image.bytes;
                spoilt[at] = value;
                const Parsed p = Parse(spoilt, spoilt.size());
                EXPECT_EQ(p.sectionOk, p.sectionError.empty());
                if (p.sectionOk) {
                    EXPECT_LE(p.section.size(), spoilt.size());
                }
            }
        }
    }
}

TEST(PiplFile, ReadsThePropertyListLinkedIntoThisExecutable) {
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(sdk::ReadPiplSection(self, bytes, error)) << error;
    EXPECT_EQ(bytes, std::vector<uint8_t>(velmora::kPropertyList,
                                          velmora::kPropertyList + velmora::kPropertyListSize));
    sdk::PropertyList list;
    ASSERT_TRUE(sdk::ReadPropertyListFile(self, list, error)) << error;
    ASSERT_NE(list.Find(sdk::kPropName), nullptr);
    EXPECT_EQ(sdk::PascalString(*list.Find(sdk::kPropName)), "Zeq Velmora");

    std::vector<uint8_t> file;
    ASSERT_TRUE(sdk::ReadModuleFile(self, file, error)) << error;
    for (size_t n : {size_t(0), size_t(15), size_t(64), file.size() / 2, file.size() - 1}) {
        std::vector<uint8_t> out;
        EXPECT_FALSE(sdk::ElfSectionBytes(file.data(), n, ".pipl", out, error)) << n;
    }
}

TEST(PiplFile, FilesThatCannotBeModulesAreRefused) {
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_FALSE(sdk::ReadPiplSection("/nonexistent/velmora.8bf", bytes, error));
    EXPECT_EQ(error, "/nonexistent/velmora.8bf: not a regular file");
    EXPECT_FALSE(sdk::ReadPiplSection("/proc/self", bytes, error));
    EXPECT_EQ(error, "/proc/self: not a regular file");
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    EXPECT_FALSE(sdk::ReadModuleFile(self, bytes, error, 1024));
    EXPECT_EQ(error, self + ": file too large for a module");
}

}  // namespace

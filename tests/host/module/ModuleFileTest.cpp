// The module file as a host sees it before loading it: the property list in
// its ".pipl" section and the symbols it exports.
#include <cstdio>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "sdk/PiplFile.h"
#include "tests/host/module/ModuleHarness.h"

namespace velmora::test {
namespace {

std::vector<uint8_t> Hex(const std::string& hex) {
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(uint8_t(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

// vendor "8BIM" (stored "MIB8"), key (stored reversed), id 0, length.
// clang-format off
const char* const kExpectedPipl[] = {
    "0100" "00000000" "08000000",                                   // version 1, kind 0, 8 properties
    "4d494238" "646e696b" "00000000" "04000000" "4d464238",         // kind: 8BFM
    "4d494238" "73726576" "00000000" "04000000" "00000400",         // vers: 4.0
    "4d494238" "74736f68" "00000000" "04000000" "4d494238",         // host: 8BIM
    "4d494238" "67746163" "00000000" "0c000000"                     // catg
    "0b" "5a65712066696c74657273",                                  //   11, "Zeq filters"
    "4d494238" "656d616e" "00000000" "20000000"                     // name
    "1f" "5a65712056656c6d6f7261"                                   //   31, "Zeq Velmora"
    "0000000000000000000000000000000000000000",                     //   zeros to 32 bytes
    "4d494238" "36387877" "00000000" "0b000000"                     // wx86
    "454e545259504f494e5400" "00",                                  //   "ENTRYPOINT\0", pad
    "4d494238" "65646f6d" "00000000" "04000000" "10580000",         // mode: 0x1058
    "4d494238" "6c626e65" "00000000" "40000000"                     // enbl
    "696e20285053484f505f496d6167654d6f64652c205247424d6f64652c20"  //   "in (PSHOP_ImageMode, RGBMode, "
    "52474234384d6f64652c204c61624d6f64652c204c616234384d6f646529"  //   "RGB48Mode, LabMode, Lab48Mode)"
    "00000000",                                                     //   zeros to 64 bytes
};
// clang-format on

TEST(ModuleFile, CarriesThePropertyListByteForByte) {
    std::vector<uint8_t> expected;
    for (const char* part : kExpectedPipl) {
        const std::vector<uint8_t> b = Hex(part);
        expected.insert(expected.end(), b.begin(), b.end());
    }
    ASSERT_EQ(expected.size(), 274u);

    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(sdk::ReadPiplSection(ModulePath(), bytes, error)) << error;
    EXPECT_EQ(bytes, expected);

    sdk::PropertyList list;
    ASSERT_TRUE(sdk::ReadPropertyListFile(ModulePath(), list, error)) << error;
    ASSERT_EQ(list.properties.size(), 8u);
    EXPECT_EQ(sdk::PascalString(*list.Find(sdk::kPropCategory)), "Zeq filters");
    EXPECT_EQ(sdk::CString(*list.Find(sdk::kPropEntryX86)), "ENTRYPOINT");
}

TEST(ModuleFile, ExportsOnlyTheEntryPoint) {
    std::vector<uint8_t> file;
    std::string error;
    ASSERT_TRUE(sdk::ReadModuleFile(ModulePath(), file, error)) << error;
    std::vector<std::string> symbols;
    ASSERT_TRUE(sdk::ElfDefinedDynamicSymbols(file.data(), file.size(), symbols, error)) << error;
    EXPECT_EQ(symbols, std::vector<std::string>{"ENTRYPOINT"});

    // The same answer from binutils, where it is installed.
    const std::string command =
        std::string("nm -D --defined-only '") + ModulePath() + "' 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string text;
    char buffer[256];
    while (fgets(buffer, sizeof buffer, pipe)) text += buffer;
    if (pclose(pipe) != 0) GTEST_SKIP() << "nm is not available";
    std::istringstream lines(text);
    std::vector<std::string> names;
    for (std::string line; std::getline(lines, line);)
        names.push_back(line.substr(line.rfind(' ') + 1));
    EXPECT_EQ(names, std::vector<std::string>{"ENTRYPOINT"});
}

}  // namespace
}  // namespace velmora::test

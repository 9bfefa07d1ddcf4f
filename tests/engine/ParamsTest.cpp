// The settings record as storage format, the group resets and the equality
// rule of the undo history.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "base/Params.h"
#include "base/SettingsFields.h"
#include "engine/Analysis.h"
#include "engine/Settings.h"
#include "engine/UndoHistory.h"

namespace velmora {
namespace {

// Bytes of a value as stored little-endian.
template <class T>
std::vector<uint8_t> Le(T v) {
    std::vector<uint8_t> b(sizeof v);
    std::memcpy(b.data(), &v, sizeof v);
    return b;
}

TEST(ParamBlockLayout, FieldsLandAtTheirStorageOffsets) {
    struct Case {
        size_t offset;
        std::function<void(tParamBlock&)> set;
        std::vector<uint8_t> bytes;
    };
    const std::vector<Case> cases = {
        {0, [](tParamBlock& b) { b.Params.AutoLevels = 1; }, {1}},
        {1, [](tParamBlock& b) { b.Params.FollowAnalysis = 1; }, {1}},
        {8, [](tParamBlock& b) { b.Params.ClipFraction = 0.0001; }, Le(0.0001)},
        {16, [](tParamBlock& b) { b.Params.BlackLevel = -7; }, Le(int32_t(-7))},
        {20, [](tParamBlock& b) { b.Params.WhiteLevel = 0x01020304; }, {4, 3, 2, 1}},
        {24, [](tParamBlock& b) { b.Params.ColorContrast = 1.25; }, Le(1.25)},
        {32, [](tParamBlock& b) { b.Params.SatBend = 127; }, {127, 0, 0, 0}},
        {36, [](tParamBlock& b) { b.Params.LowSat = 90; }, {90, 0, 0, 0}},
        {40,
         [](tParamBlock& b) {
             b.Params.LightPointA = 1, b.Params.LightPointB = 2, b.Params.LightPointL = 3;
             b.Params.ShadowPointA = 4, b.Params.ShadowPointB = 5, b.Params.ShadowPointL = 6;
         },
         {1, 2, 3, 4, 5, 6}},
        {48, [](tParamBlock& b) { b.Params.Lightness = 0.5; }, Le(0.5)},
        {56, [](tParamBlock& b) { b.Params.Contrast = 2.0; }, Le(2.0)},
        {64, [](tParamBlock& b) { b.Params.Rotate = -180; }, Le(int32_t(-180))},
        {68, [](tParamBlock& b) { b.Params.ColorEq[0] = -40; }, Le(int32_t(-40))},
        {96, [](tParamBlock& b) { b.Params.ColorEq[7] = 40; }, Le(int32_t(40))},
        {100, [](tParamBlock& b) { b.Params.LightEq[0] = 5; }, Le(int32_t(5))},
        {116, [](tParamBlock& b) { b.Params.LightEq[4] = -5; }, Le(int32_t(-5))},
        {120, [](tParamBlock& b) { b.Params.Shadow = 5.0; }, Le(5.0)},
        {128, [](tParamBlock& b) { b.Params.HighLight = 4.0; }, Le(4.0)},
        {136, [](tParamBlock& b) { b.Params.Sharpness = 0.1; }, Le(0.1)},
        {144, [](tParamBlock& b) { b.Params.Reserved144 = 0.5; }, Le(0.5)},
        {152, [](tParamBlock& b) { b.Params.FullScreen = 1; }, {1}},
        // Slot n starts at 160 + (n - 1) * 168, its used flag at 320 + (n - 1) * 168.
        {160, [](tParamBlock& b) { b.Slots[0].Params.AutoLevels = 1; }, {1}},
        {320, [](tParamBlock& b) { b.Slots[0].Used = 1; }, {1}},
        {496 + 56, [](tParamBlock& b) { b.Slots[2].Params.Contrast = 3.0; }, Le(3.0)},
        {656, [](tParamBlock& b) { b.Slots[2].Used = 1; }, {1}},
        {1000 + 152, [](tParamBlock& b) { b.Slots[5].Params.FullScreen = 1; }, {1}},
        {1160, [](tParamBlock& b) { b.Slots[5].Used = 1; }, {1}},
    };
    ASSERT_EQ(sizeof(tParamBlock), 1168u);
    for (const auto& c : cases) {
        tParamBlock block{};
        c.set(block);
        std::vector<uint8_t> bytes(sizeof block);
        std::memcpy(bytes.data(), &block, sizeof block);
        std::vector<uint8_t> expected(sizeof block, 0);
        std::copy(c.bytes.begin(), c.bytes.end(), expected.begin() + ptrdiff_t(c.offset));
        EXPECT_EQ(bytes, expected) << "at offset " << c.offset;
    }
}

// Named byte ranges of tParams, to tell which fields a reset touched.
struct Field {
    const char* name;
    size_t offset;
    size_t size;
};
const Field kFields[] = {
    {"AutoLevels", 0, 1},     {"FollowAnalysis", 1, 1}, {"reserved2", 2, 6},
    {"ClipFraction", 8, 8},   {"BlackLevel", 16, 4},    {"WhiteLevel", 20, 4},
    {"ColorContrast", 24, 8}, {"SatBend", 32, 4},       {"LowSat", 36, 4},
    {"LightPoint", 40, 3},    {"ShadowPoint", 43, 3},   {"reserved46", 46, 2},
    {"Lightness", 48, 8},     {"Contrast", 56, 8},      {"Rotate", 64, 4},
    {"ColorEq", 68, 32},      {"LightEq", 100, 20},     {"Shadow", 120, 8},
    {"HighLight", 128, 8},    {"Sharpness", 136, 8},    {"Reserved144", 144, 8},
    {"FullScreen", 152, 1},   {"reserved153", 153, 7},
};

std::set<std::string> ChangedFields(const tParams& a, const tParams& b) {
    std::set<std::string> changed;
    const auto* pa = reinterpret_cast<const uint8_t*>(&a);
    const auto* pb = reinterpret_cast<const uint8_t*>(&b);
    for (const auto& f : kFields)
        if (std::memcmp(pa + f.offset, pb + f.offset, f.size) != 0) changed.insert(f.name);
    return changed;
}

// Every field away from every default and from the analysed points.
tParams Scrambled() {
    tParams p;
    std::memset(&p, 0xAB, sizeof p);
    p.AutoLevels = 1;
    p.FollowAnalysis = 0;
    p.ClipFraction = 0.25;
    p.BlackLevel = 77;
    p.WhiteLevel = 66;
    p.ColorContrast = 3.0;
    p.SatBend = 50;
    p.LowSat = 20;
    p.LightPointA = 1, p.LightPointB = 2, p.LightPointL = 3;
    p.ShadowPointA = 4, p.ShadowPointB = 5, p.ShadowPointL = 6;
    p.Lightness = 2.0;
    p.Contrast = 3.0;
    p.Rotate = 45;
    for (int i = 0; i < 8; ++i) p.ColorEq[i] = i + 1;
    for (int i = 0; i < 5; ++i) p.LightEq[i] = -(i + 1);
    p.Shadow = 2.0;
    p.HighLight = 3.0;
    p.Sharpness = 4.0;
    p.Reserved144 = 0.25;
    p.FullScreen = 0;
    return p;
}

class Resets : public ::testing::Test {
  protected:
    void SetUp() override {
        FreeHistory();
        Analysis.Black = 10;
        Analysis.White = 240;
    }
    void TearDown() override {
        FreeHistory();
        ResetAnalysis();
    }
};

TEST_F(Resets, EachGroupTouchesItsFieldsAndRecordsWhenAsked) {
    using S = std::set<std::string>;
    const S levels = {"AutoLevels", "FollowAnalysis", "ClipFraction", "BlackLevel", "WhiteLevel"};
    const S saturation = {"ColorContrast", "SatBend", "LowSat"};
    const S balance = {"LightPoint", "ShadowPoint"};
    auto join = [](std::initializer_list<S> parts) {
        S all;
        for (const auto& p : parts) all.insert(p.begin(), p.end());
        return all;
    };
    const S all =
        join({levels,
              saturation,
              balance,
              {"Rotate", "ColorEq", "LightEq"},
              {"Lightness", "Contrast", "Shadow", "HighLight", "Sharpness", "Reserved144"}});
    struct Case {
        const char* name;
        std::function<void(bool)> reset;
        S fields;
        bool canRecord;
    };
    const std::vector<Case> cases = {
        {"levels", ResetLevels, levels, true},
        {"saturation", [](bool) { ResetSaturation(); }, saturation, false},
        {"balance", ResetBalance, balance, true},
        {"rotation", ResetRotation, {"Rotate"}, true},
        {"hue equaliser", ResetColorEq, {"ColorEq"}, true},
        {"lightness equaliser", ResetLightEq, {"LightEq"}, true},
        {"saturation group", ResetSaturationGroup, join({saturation, {"ColorEq", "LightEq"}}),
         true},
        {"all", ResetAll, all, true},
        {"first use", [](bool) { ResetFirstUse(); }, join({all, {"FullScreen"}}), false},
    };
    const tParams before = Scrambled();
    for (const auto& c : cases) {
        for (bool record : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (record ? " (recording)" : ""));
            FreeHistory();
            Settings = before;
            c.reset(record);
            EXPECT_EQ(ChangedFields(before, Settings), c.fields);
            const bool recorded = record && c.canRecord;
            ASSERT_EQ(UndoEntryCount(), recorded ? 1 : 0);
            if (recorded) {
                // The recorded step is the state from before the reset.
                Undo();
                EXPECT_TRUE(SettingsEqual(Settings, before));
            }
        }
    }
}

TEST_F(Resets, FirstUseGivesTheDefaults) {
    Settings = Scrambled();
    ResetFirstUse();
    const tParams& p = Settings;
    EXPECT_EQ(p.AutoLevels, 0);
    EXPECT_EQ(p.FollowAnalysis, 1);
    EXPECT_EQ(p.ClipFraction, 0.0001);
    EXPECT_EQ(p.BlackLevel, 10);  // the analysed points
    EXPECT_EQ(p.WhiteLevel, 240);
    EXPECT_EQ(p.ColorContrast, 1.0);
    EXPECT_EQ(p.SatBend, 127);
    EXPECT_EQ(p.LowSat, 0);
    EXPECT_EQ((std::vector<int>{p.LightPointA, p.LightPointB, p.LightPointL, p.ShadowPointA,
                                p.ShadowPointB, p.ShadowPointL}),
              (std::vector<int>{128, 128, 255, 128, 128, 0}));
    EXPECT_EQ(p.Lightness, 1.0);
    EXPECT_EQ(p.Contrast, 1.0);
    EXPECT_EQ(p.Rotate, 0);
    for (int g : p.ColorEq) EXPECT_EQ(g, 0);
    for (int g : p.LightEq) EXPECT_EQ(g, 0);
    EXPECT_EQ(p.Shadow, 1.0);
    EXPECT_EQ(p.HighLight, 1.0);
    EXPECT_EQ(p.Sharpness, 1.0);
    EXPECT_EQ(p.Reserved144, 0.5);
    EXPECT_EQ(p.FullScreen, 1);
}

TEST(SettingsEquality, ComparesIntegersExactlyAndRealsWithinAMillionth) {
    struct Case {
        const char* what;
        std::function<void(tParams&)> change;
        bool equal;
    };
    const std::vector<Case> cases = {
        {"Contrast +0.0000005", [](tParams& p) { p.Contrast += 0.0000005; }, true},
        {"Contrast +0.000002", [](tParams& p) { p.Contrast += 0.000002; }, false},
        {"Contrast -0.000002", [](tParams& p) { p.Contrast -= 0.000002; }, false},
        {"FullScreen", [](tParams& p) { p.FullScreen = 0; }, true},
        {"reserved bytes",
         [](tParams& p) { p.reserved2[0] = 9, p.reserved46[1] = 9, p.reserved153[6] = 9; }, true},
        {"AutoLevels", [](tParams& p) { p.AutoLevels = 1; }, false},
        {"FollowAnalysis", [](tParams& p) { p.FollowAnalysis = 0; }, false},
        {"BlackLevel", [](tParams& p) { ++p.BlackLevel; }, false},
        {"WhiteLevel", [](tParams& p) { --p.WhiteLevel; }, false},
        {"SatBend", [](tParams& p) { --p.SatBend; }, false},
        {"LowSat", [](tParams& p) { ++p.LowSat; }, false},
        {"LightPointA", [](tParams& p) { ++p.LightPointA; }, false},
        {"LightPointL", [](tParams& p) { --p.LightPointL; }, false},
        {"ShadowPointB", [](tParams& p) { ++p.ShadowPointB; }, false},
        {"ShadowPointL", [](tParams& p) { ++p.ShadowPointL; }, false},
        {"Rotate", [](tParams& p) { ++p.Rotate; }, false},
        {"ColorEq[7]", [](tParams& p) { ++p.ColorEq[7]; }, false},
        {"LightEq[4]", [](tParams& p) { ++p.LightEq[4]; }, false},
        {"ClipFraction", [](tParams& p) { p.ClipFraction += 0.000002; }, false},
        {"ClipFraction small", [](tParams& p) { p.ClipFraction += 0.0000005; }, true},
        {"ColorContrast", [](tParams& p) { p.ColorContrast += 0.000002; }, false},
        {"Lightness", [](tParams& p) { p.Lightness += 0.000002; }, false},
        {"Shadow", [](tParams& p) { p.Shadow += 0.000002; }, false},
        {"HighLight", [](tParams& p) { p.HighLight += 0.000002; }, false},
        {"Sharpness", [](tParams& p) { p.Sharpness += 0.000002; }, false},
        {"Reserved144", [](tParams& p) { p.Reserved144 += 0.000002; }, false},
        {"Reserved144 small", [](tParams& p) { p.Reserved144 -= 0.0000005; }, true},
    };
    tParams base{};
    Settings = base;
    ResetFirstUse();
    base = Settings;
    for (const auto& c : cases) {
        tParams other = base;
        c.change(other);
        EXPECT_EQ(SettingsEqual(base, other), c.equal) << c.what;
        EXPECT_EQ(SettingsEqual(other, base), c.equal) << c.what;
    }
}

// The table of settings fields covers every byte of the record once, the
// reserved bytes aside, under unique names; each default lies in its range.
TEST(SettingsFieldTable, CoversTheRecordOnceWithDefaultsInRange) {
    std::vector<int> owners(sizeof(tParams), 0);
    std::set<std::string> names;
    for (const tSettingsField& f : SettingsFields()) {
        const size_t size = f.Type == tFieldType::Int ? 4 : f.Type == tFieldType::Real ? 8 : 1;
        ASSERT_LE(f.Offset + size, sizeof(tParams)) << f.Name;
        EXPECT_EQ(f.Offset % size, 0u) << f.Name;
        for (size_t i = 0; i < size; ++i) ++owners[f.Offset + i];
        EXPECT_TRUE(names.insert(std::string(f.Name)).second) << f.Name;
        EXPECT_LE(f.Min, f.Default) << f.Name;
        EXPECT_LE(f.Default, f.Max) << f.Name;
        EXPECT_FALSE(f.Description.empty()) << f.Name;
    }
    for (size_t i = 0; i < sizeof(tParams); ++i) {
        const bool reserved = (i >= 2 && i < 8) || i == 46 || i == 47 || i >= 153;
        EXPECT_EQ(owners[i], reserved ? 0 : 1) << "byte " << i;
    }
}

}  // namespace
}  // namespace velmora

// Reading and writing the host-held parameter block.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "base/Failure.h"
#include "engine/HostCall.h"
#include "engine/Settings.h"
#include "host/ModuleState.h"
#include "host/ParamBlock.h"
#include "tests/support/FakeHost.h"

namespace velmora {
namespace {

std::vector<uint8_t> Bytes(const void* p, size_t n) {
    const auto* b = static_cast<const uint8_t*>(p);
    return {b, b + n};
}

class ParamBlock : public ::testing::Test {
  protected:
    test::FakeHost host{sdk::kModeRGB, 4, 3};
    void SetUp() override {
        HostCall.Record = &host.record;
        Module.ParamBlock = nullptr;
    }
    void TearDown() override {
        HostCall.Record = nullptr;
        Module.ParamBlock = nullptr;
    }
};

TEST_F(ParamBlock, AFirstBlockGetsTheFirstUseDefaultsAndNothingFromEarlierBlocks) {
    Settings = tParams{};
    ResetFirstUse();
    const tParams defaults = Settings;
    // Leftovers of an earlier block read in this module load.
    std::memset(&Settings, 0x5C, sizeof Settings);
    std::memset(Slots, 0x5C, sizeof Slots);
    std::memset(Module.SavedSlots, 0x5C, sizeof Module.SavedSlots);

    ReadParamBlock();
    EXPECT_EQ(host.allocateCalls, 1);
    ASSERT_EQ(host.block.size(), 1168u);
    EXPECT_TRUE(host.blockLocked);
    EXPECT_EQ(static_cast<void*>(Module.ParamBlock), static_cast<void*>(host.block.data()));
    EXPECT_EQ(Bytes(&Settings, 160), Bytes(&defaults, 160));
    const std::vector<uint8_t> noSlots(sizeof Slots, 0);
    EXPECT_EQ(Bytes(Slots, sizeof Slots), noSlots);
    EXPECT_EQ(Bytes(Module.SavedSlots, sizeof Module.SavedSlots), noSlots);

    WriteParamBlock();
    EXPECT_FALSE(host.blockLocked);
    EXPECT_EQ(Module.ParamBlock, nullptr);
    std::vector<uint8_t> expected(1168, 0);
    std::memcpy(expected.data(), &defaults, 160);
    EXPECT_EQ(host.block, expected);
}

TEST_F(ParamBlock, AnExistingBlockIsReadAsItStandsAndWrittenBackInPlace) {
    host.block.resize(1168);
    for (size_t i = 0; i < host.block.size(); ++i) host.block[i] = uint8_t(i * 7 + 3);
    host.record.parameters = reinterpret_cast<sdk::BufferID>(&host.block);
    const std::vector<uint8_t> original = host.block;

    ReadParamBlock();
    EXPECT_EQ(host.allocateCalls, 0);
    EXPECT_TRUE(host.blockLocked);
    EXPECT_EQ(Bytes(&Settings, 160),
              std::vector<uint8_t>(original.begin(), original.begin() + 160));
    EXPECT_EQ(Bytes(Slots, sizeof Slots),
              std::vector<uint8_t>(original.begin() + 160, original.end()));
    EXPECT_EQ(Bytes(Module.SavedSlots, sizeof Module.SavedSlots), Bytes(Slots, sizeof Slots));

    Settings.Contrast = 2.5;
    Slots[3].Used = 1;
    WriteParamBlock();
    EXPECT_FALSE(host.blockLocked);
    std::vector<uint8_t> expected = original;
    const double contrast = 2.5;
    std::memcpy(expected.data() + 56, &contrast, 8);
    expected[664 + 160] = 1;
    EXPECT_EQ(host.block, expected);
}

TEST_F(ParamBlock, HostFailuresAreInternalFailuresAndLeaveNoUninitialisedBlock) {
    // Lock refuses the new block: the host must not keep its identifier.
    host.bufferProcs.lockProc = [](sdk::BufferID, uint8_t) -> void* { return nullptr; };
    EXPECT_THROW(ReadParamBlock(), tInternalFailure);
    EXPECT_EQ(host.allocateCalls, 1);
    EXPECT_EQ(host.record.parameters, nullptr);
    EXPECT_EQ(Module.ParamBlock, nullptr);

    // Allocation refused.
    host.bufferProcs.allocateProc = [](int32_t, sdk::BufferID*) -> int16_t { return -108; };
    EXPECT_THROW(ReadParamBlock(), tInternalFailure);
    EXPECT_EQ(host.record.parameters, nullptr);

    host.record.bufferProcs = nullptr;
    EXPECT_THROW(ReadParamBlock(), tInternalFailure);

    // Nothing locked: finish has nothing to write.
    WriteParamBlock();
    EXPECT_EQ(Module.ParamBlock, nullptr);
}

}  // namespace
}  // namespace velmora

// The selector protocol end to end through the module's exported entry
// point. Module-wide state lives as long as the process: the first test
// relies on the load-time repeat flag, and every test leaves the flag set
// (each ends with a continue, or never clears it).
#include <climits>
#include <string>
#include <vector>

#include "tests/host/module/ModuleHarness.h"

namespace velmora::test {
namespace {

// prepare, start, continue, finish: a repeat without dialog.
std::vector<int16_t> Repeat(FakeHost& host) {
    std::vector<int16_t> results;
    for (int16_t s :
         {sdk::kSelectorPrepare, sdk::kSelectorStart, sdk::kSelectorContinue, sdk::kSelectorFinish})
        results.push_back(Call(s, &host.record));
    return results;
}

const std::vector<int16_t> kAllZero = {0, 0, 0, 0};

void ExpectFirstUseBlock(const FakeHost& host) {
    ASSERT_EQ(host.block.size(), 1168u);
    std::vector<uint8_t> expected = FirstUseBlock();
    int32_t black, white;
    std::memcpy(&black, &host.block[16], 4);
    std::memcpy(&white, &host.block[20], 4);
    EXPECT_TRUE(0 <= black && black <= white && white <= 255) << black << " " << white;
    std::copy(host.block.begin() + 16, host.block.begin() + 24, expected.begin() + 16);
    EXPECT_EQ(host.block, expected);
}

TEST(Protocol, RepeatRightAfterLoadRunsHeadlessAndStoresTheFirstUseDefaults) {
    FakeHost host(sdk::kModeRGB, 8, 5);
    FillPattern(host);
    EXPECT_EQ(Repeat(host), kAllZero);  // the dialog path would fail: no dialog exists
    EXPECT_EQ(host.allocateCalls, 1);
    EXPECT_FALSE(host.blockLocked);
    ExpectFirstUseBlock(host);
}

TEST(Protocol, OnlyTheFourModesArmTheDialog) {
    struct Case {
        int16_t mode;
        bool accepted;
    };
    const Case cases[] = {{sdk::kModeRGB, true},
                          {sdk::kModeLab, true},
                          {sdk::kModeRGB48, true},
                          {sdk::kModeLab48, true},
                          {sdk::kModeGrayscale, false},
                          {sdk::kModeIndexed, false},
                          {sdk::kModeCMYK, false},
                          {7, false},
                          {10, false},
                          {-1, false}};
    FakeHost host(sdk::kModeRGB, 4, 3);
    FillPattern(host);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        host.record.imageMode = c.mode;
        EXPECT_EQ(Call(sdk::kSelectorParameters, &host.record),
                  c.accepted ? 0 : int(sdk::kBadMode));
        host.record.imageMode = sdk::kModeRGB;
        // An armed dialog shows in continue: no dialog exists, so it fails.
        ::testing::internal::CaptureStderr();
        const std::vector<int16_t> results = Repeat(host);
        ::testing::internal::GetCapturedStderr();
        const int16_t continued = c.accepted ? int16_t(sdk::kErrorReported) : int16_t(0);
        EXPECT_EQ(results, (std::vector<int16_t>{0, 0, continued, 0}));
    }
}

TEST(Protocol, SelectorsOutsideTheProtocolChangeNothing) {
    FakeHost host(sdk::kModeRGB, 4, 3);
    const sdk::FilterRecord before = host.record;
    for (int16_t selector :
         {int16_t(6), int16_t(-1), int16_t(100), int16_t(SHRT_MIN), int16_t(SHRT_MAX)}) {
        for (int32_t word : {0, -1, INT_MIN, 0x13579BDF})
            EXPECT_EQ(Call(selector, &host.record, word), sdk::kBadParameters) << selector;
        EXPECT_EQ(Call(selector, nullptr), sdk::kBadParameters);
    }
    EXPECT_EQ(std::memcmp(&before, &host.record, sizeof before), 0);
    EXPECT_TRUE(host.progress.empty());
    EXPECT_EQ(host.allocateCalls, 0);
}

TEST(Protocol, TheDataWordComesBackUnchangedFromEverySelector) {
    FakeHost host(sdk::kModeLab, 4, 3);
    FillPattern(host);
    sdk::AboutRecord about{};
    about.platformData = &host.platform;
    ::testing::internal::CaptureStderr();
    for (int32_t word : {0, -1, INT_MIN, INT_MAX, 0x13579BDF}) {
        // Call() checks the word after each of them, failures included.
        for (int16_t s : {sdk::kSelectorParameters, sdk::kSelectorPrepare, sdk::kSelectorStart,
                          sdk::kSelectorContinue, sdk::kSelectorFinish, sdk::kSelectorPrepare,
                          sdk::kSelectorStart, sdk::kSelectorContinue, sdk::kSelectorFinish})
            Call(s, &host.record, word);
        Call(sdk::kSelectorAbout, &about, word);
    }
    ::testing::internal::GetCapturedStderr();
    // No data word or result pointer: nothing is written through them.
    ModuleEntry()(sdk::kSelectorStart, &host.record, nullptr, nullptr);
    EXPECT_EQ(host.record.inRect.bottom, 3);
}

TEST(Protocol, PrepareAsksForTheColourSpaceSuiteAndNoBufferMemory) {
    static std::string name;
    static int32_t version;
    static int calls;
    static int32_t answer;
    FakeHost host(sdk::kModeRGB, 4, 3);
    sdk::SPBasicSuite basic{};
    basic.AcquireSuite = [](const char* n, int32_t v, const void** suite) -> int32_t {
        ++calls;
        name = n;
        version = v;
        *suite = nullptr;
        return answer;
    };
    host.record.sSPBasic = &basic;
    for (int32_t result : {0, -1}) {
        calls = 0;
        answer = result;
        host.record.bufferSpace = 99;
        host.record.maxSpace = 99;
        EXPECT_EQ(Call(sdk::kSelectorPrepare, &host.record), 0);  // the suite's answer is ignored
        EXPECT_EQ(calls, 1);
        EXPECT_EQ(name, "Photoshop ColorSpace Suite for Plug-ins");
        EXPECT_EQ(version, 1);
        EXPECT_EQ(host.record.bufferSpace, 0);
        EXPECT_EQ(host.record.maxSpace, 0);
    }
}

TEST(Protocol, StartRequestsTheWholeImageAndContinueEmptiesTheRequest) {
    struct Case {
        int32_t columns, rows;
        int16_t planes;
    };
    for (const Case c : {Case{7, 5, 3}, Case{1, 1, 4}, Case{300, 2, 3}}) {
        SCOPED_TRACE(c.columns);
        FakeHost host(sdk::kModeRGB, c.columns, c.rows, c.planes);
        host.record.inRect = {9, 9, 1, 1};
        host.record.maskRect = {1, 2, 3, 4};
        EXPECT_EQ(Call(sdk::kSelectorStart, &host.record), 0);
        const sdk::Rect16& in = host.record.inRect;
        EXPECT_EQ((std::vector<int>{in.top, in.left, in.bottom, in.right}),
                  (std::vector<int>{0, 0, c.rows, c.columns}));
        EXPECT_EQ(std::memcmp(&host.record.outRect, &in, sizeof in), 0);
        EXPECT_EQ(host.record.inLoPlane, 0);
        EXPECT_EQ(host.record.outLoPlane, 0);
        EXPECT_EQ(host.record.inHiPlane, c.planes - 1);
        EXPECT_EQ(host.record.outHiPlane, c.planes - 1);
    }
    FakeHost host(sdk::kModeRGB, 7, 5);
    FillPattern(host);
    host.record.maskRect = {1, 2, 3, 4};
    EXPECT_EQ(Repeat(host), kAllZero);
    for (const sdk::Rect16& r : {host.record.inRect, host.record.outRect, host.record.maskRect})
        EXPECT_EQ((std::vector<int>{r.top, r.left, r.bottom, r.right}),
                  (std::vector<int>{0, 0, 0, 0}));
}

TEST(Protocol, ContinueEndsByReportingTheTotalAsDone) {
    FakeHost host(sdk::kModeRGB, 10, 6);
    FillPattern(host);
    EXPECT_EQ(Repeat(host), kAllZero);
    ASSERT_FALSE(host.progress.empty());
    const auto [done, total] = host.progress.back();
    EXPECT_EQ(done, total);
    for (const auto& [d, t] : host.progress) EXPECT_EQ(t, total);
}

TEST(Protocol, TheDialogPathFailsClearlyWithoutADisplay) {
    FakeHost host(sdk::kModeRGB, 6, 4);
    FillPattern(host);
    const std::vector<uint8_t> in = host.in, out = host.out;
    EXPECT_EQ(Call(sdk::kSelectorParameters, &host.record), 0);
    EXPECT_EQ(Call(sdk::kSelectorPrepare, &host.record), 0);
    EXPECT_EQ(Call(sdk::kSelectorStart, &host.record), 0);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(Call(sdk::kSelectorContinue, &host.record), sdk::kErrorReported);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "velmora: Диалог параметров не может быть показан: нет графического дисплея\n");
    EXPECT_EQ(host.in, in);
    EXPECT_EQ(host.out, out);
    EXPECT_TRUE(host.blockLocked);
    EXPECT_EQ(host.record.inRect.bottom, 0);

    EXPECT_EQ(Call(sdk::kSelectorFinish, &host.record), 0);
    EXPECT_FALSE(host.blockLocked);
    const std::vector<uint8_t> block = host.block;
    std::vector<uint8_t> expected = FirstUseBlock();
    std::copy(block.begin() + 16, block.begin() + 24, expected.begin() + 16);
    EXPECT_EQ(block, expected);

    // The failed run still ends with the repeat flag set: a repeat runs headless.
    EXPECT_EQ(Repeat(host), kAllZero);
}

TEST(Protocol, ABlockWithSlotThreeUsedRoundTripsByteForByte) {
    FakeHost host(sdk::kModeRGB, 6, 4);
    FillPattern(host);
    std::vector<uint8_t> block = FirstUseBlock();
    block[1] = 0;  // FollowAnalysis off: the run keeps the stored levels
    const int32_t black = 12, white = 230;
    std::memcpy(&block[16], &black, 4);
    std::memcpy(&block[20], &white, 4);
    const double contrast = 1.5;
    std::memcpy(&block[56], &contrast, 8);
    block[72] = 20;  // ColorEq[1]
    block[152] = 0;  // FullScreen off
    for (size_t i = 0; i < 6 * 168; ++i) block[160 + i] = uint8_t(i * 11 + 5);
    for (int n = 1; n <= 6; ++n) block[320 + size_t(n - 1) * 168] = n == 3 ? 1 : 0;
    host.block = block;
    host.record.parameters = reinterpret_cast<sdk::BufferID>(&host.block);

    EXPECT_EQ(Repeat(host), kAllZero);
    EXPECT_EQ(host.allocateCalls, 0);
    EXPECT_FALSE(host.blockLocked);
    EXPECT_EQ(host.block, block);
}

TEST(Protocol, AboutFailsClearlyWithoutADisplay) {
    FakeHost host(sdk::kModeRGB, 2, 2);
    sdk::AboutRecord about{};
    about.platformData = &host.platform;
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(Call(sdk::kSelectorAbout, &about), sdk::kErrorReported);
    EXPECT_EQ(Call(sdk::kSelectorAbout, nullptr), sdk::kErrorReported);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "velmora: Окно «О программе» не может быть показано: нет графического дисплея\n"
              "velmora: Окно «О программе» не может быть показано: нет графического дисплея\n");
}

}  // namespace
}  // namespace velmora::test

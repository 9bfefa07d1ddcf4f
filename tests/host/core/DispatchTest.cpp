// The selector protocol driven through Dispatch with the user-interface
// hooks a dialog layer would install.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/Failure.h"
#include "engine/HostCall.h"
#include "engine/Pipeline.h"
#include "engine/Settings.h"
#include "engine/UndoHistory.h"
#include "host/Dispatch.h"
#include "host/ModuleState.h"
#include "host/UiHooks.h"
#include "tests/support/FakeHost.h"

namespace velmora {
namespace {

std::function<void()> dialogRun;
std::function<void()> aboutRun;
std::vector<std::string> shownFailures;
bool showFailureAnswer = true;

class DispatchTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Module.RepeatFlag = true;
        Module.ConfirmedFlag = false;
        Module.ParamBlock = nullptr;
        HostCall.Record = nullptr;
        FreeHistory();
        UiHooks = tUiHooks{};
        UiHooks.RunParamDialog = [] { dialogRun(); };
        dialogRun = [] {};
        aboutRun = [] {};
        shownFailures.clear();
        showFailureAnswer = true;
        for (size_t i = 0; i < host.in.size(); ++i) host.in[i] = uint8_t(i * 13 + 1);
        host.CopyInToOut();
    }
    void TearDown() override {
        UiHooks = tUiHooks{};
        FreeHistory();
        Module.ParamBlock = nullptr;
        HostCall.Record = nullptr;
        Module.RepeatFlag = true;
    }

    static void InstallShowFailure() {
        UiHooks.ShowFailure = [](const char* text) {
            shownFailures.emplace_back(text);
            return showFailureAnswer;
        };
    }

    // One call; the data word must come back unchanged whatever happens.
    static int16_t Call(int16_t selector, void* record) {
        const int32_t word = 0x600DF00D;
        int32_t data = word;
        int16_t result = 0x5555;
        Dispatch(selector, record, &data, &result);
        EXPECT_EQ(data, word) << "selector " << selector;
        return result;
    }

    int16_t Call(int16_t selector) { return Call(selector, &host.record); }

    // parameters, prepare, start; returns continue's result code.
    int16_t DialogInvocationUpToContinue() {
        EXPECT_EQ(Call(sdk::kSelectorParameters), 0);
        EXPECT_EQ(Call(sdk::kSelectorPrepare), 0);
        EXPECT_EQ(Call(sdk::kSelectorStart), 0);
        return Call(sdk::kSelectorContinue);
    }

    void UseExistingBlock() {
        host.block.assign(1168, 0);
        Settings = tParams{};
        ResetFirstUse();
        Settings.FollowAnalysis = 0;
        Settings.Contrast = 1.5;
        std::memcpy(host.block.data(), &Settings, sizeof Settings);
        host.block[496 + 160] = 1;  // slot 3 used
        host.record.parameters = reinterpret_cast<sdk::BufferID>(&host.block);
    }

    test::FakeHost host{sdk::kModeRGB, 6, 4};
};

TEST_F(DispatchTest, ConfirmedDialogAppliesAndALaterCancelReturnsUserCancelled) {
    dialogRun = [] {
        EXPECT_FALSE(Module.ConfirmedFlag);
        EXPECT_FALSE(Module.RepeatFlag);
        HeadlessRun();  // stands in for the dialog's start-up preparation
        Module.ConfirmedFlag = true;
    };
    EXPECT_EQ(DialogInvocationUpToContinue(), 0);
    EXPECT_TRUE(Module.RepeatFlag);
    EXPECT_EQ(Call(sdk::kSelectorFinish), 0);

    for (size_t i = 0; i < host.in.size(); ++i) host.in[i] = uint8_t(i * 13 + 1);
    host.CopyInToOut();
    const std::vector<uint8_t> before = host.out;
    dialogRun = [] {
        EXPECT_FALSE(Module.ConfirmedFlag);  // cleared when the run began
        Module.ResultCode = sdk::kUserCanceled;
    };
    EXPECT_EQ(DialogInvocationUpToContinue(), sdk::kUserCanceled);
    EXPECT_EQ(host.out, before);
    EXPECT_TRUE(Module.RepeatFlag);
    EXPECT_EQ(Call(sdk::kSelectorFinish), 0);
}

TEST_F(DispatchTest, AFailedDialogRunLeavesTheBlockAsItWasRead) {
    UseExistingBlock();
    const std::vector<uint8_t> original = host.block;
    InstallShowFailure();
    dialogRun = [] {
        PushUndo();
        Settings.Contrast = 9.0;
        Slots[4].Used = 1;
        PushUndo();
        Fail("Неправильный TrackBar", "ParamFormUnit");
    };
    host.record.maskRect = {1, 2, 3, 4};
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(DialogInvocationUpToContinue(), sdk::kErrorReported);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(shownFailures, std::vector<std::string>{"Неправильный TrackBar (ParamFormUnit)"});

    EXPECT_TRUE(host.blockLocked);  // still locked for finish
    EXPECT_EQ(UndoEntryCount(), 0);
    EXPECT_TRUE(Module.RepeatFlag);
    for (const sdk::Rect16& r : {host.record.inRect, host.record.outRect, host.record.maskRect})
        EXPECT_EQ(r.top | r.left | r.bottom | r.right, 0);

    EXPECT_EQ(Call(sdk::kSelectorFinish), 0);
    EXPECT_FALSE(host.blockLocked);
    EXPECT_EQ(host.block, original);
}

TEST_F(DispatchTest, FailuresArePrintedOnOneLineWhenNoWindowShowsThem) {
    struct Case {
        std::function<void()> dialog;
        bool showHook;
        std::string printed;
    };
    const std::vector<Case> cases = {
        {nullptr, false, "velmora: Диалог параметров пока недоступен\n"},
        {[] { Fail(kBadAlignment, "PhotoUnit"); }, false,
         "velmora: Неподходящее выравнивание (PhotoUnit)\n"},
        {[] { Fail(kBadAlignment, "PhotoUnit"); }, true,  // the hook declines
         "velmora: Неподходящее выравнивание (PhotoUnit)\n"},
        {[] { throw std::bad_alloc(); }, false, "velmora: Недостаточно памяти\n"},
        {[] { throw std::runtime_error("vector::reserve"); }, false, "velmora: vector::reserve\n"},
        {[] { throw 42; }, false, "velmora: Непредвиденная внутренняя ошибка\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.printed);
        UiHooks = tUiHooks{};
        if (c.dialog) {
            dialogRun = c.dialog;
            UiHooks.RunParamDialog = [] { dialogRun(); };
        }
        if (c.showHook) {
            InstallShowFailure();
            showFailureAnswer = false;
        }
        const std::vector<uint8_t> before = host.out;
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(DialogInvocationUpToContinue(), sdk::kErrorReported);
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), c.printed);
        EXPECT_EQ(host.out, before);
        EXPECT_EQ(Call(sdk::kSelectorFinish), 0);
        EXPECT_FALSE(host.blockLocked);
    }
}

TEST_F(DispatchTest, AboutGetsTheAboutRecordsPlatformDataAndNoFilterRecord) {
    sdk::PlatformData window{0x4242};
    sdk::AboutRecord about{};
    about.platformData = &window;
    static sdk::PlatformData* seenPlatform;
    static sdk::FilterRecord* seenRecord;
    seenPlatform = nullptr;
    seenRecord = &host.record;
    UiHooks.RunAboutBox = [] {
        seenPlatform = Module.PlatformData;
        seenRecord = HostCall.Record;
    };
    EXPECT_EQ(Call(sdk::kSelectorAbout, &about), 0);
    EXPECT_EQ(seenPlatform, &window);
    EXPECT_EQ(seenRecord, nullptr);

    UiHooks.RunAboutBox = nullptr;
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(Call(sdk::kSelectorAbout, &about), sdk::kErrorReported);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "velmora: Окно «О программе» пока недоступно\n");
}

TEST_F(DispatchTest, PrepareTakesTheSuiteFromThisHostOnly) {
    host.record.bufferSpace = 77;
    host.record.maxSpace = 77;
    HostCall.ColorSpaceSuite = reinterpret_cast<const sdk::ColorSpaceSuite1*>(&host);  // stale
    EXPECT_EQ(Call(sdk::kSelectorPrepare), 0);
    EXPECT_EQ(HostCall.ColorSpaceSuite, &host.colorSpace);
    EXPECT_EQ(host.record.bufferSpace, 0);
    EXPECT_EQ(host.record.maxSpace, 0);

    // A refusal that leaves the pointer alone: the earlier suite is not kept.
    host.basic.AcquireSuite = [](const char*, int32_t, const void**) -> int32_t { return -1; };
    EXPECT_EQ(Call(sdk::kSelectorPrepare), 0);  // the refusal is not an error
    EXPECT_EQ(HostCall.ColorSpaceSuite, nullptr);

    host.record.sSPBasic = nullptr;
    EXPECT_EQ(Call(sdk::kSelectorPrepare), 0);
    EXPECT_EQ(HostCall.ColorSpaceSuite, nullptr);
}

TEST_F(DispatchTest, AHeadlessRunLeavesNoUndoHistoryForALaterDialog) {
    PushUndo();
    Settings.Contrast += 1.0;
    PushUndo();
    ASSERT_EQ(UndoEntryCount(), 2);
    EXPECT_EQ(Call(sdk::kSelectorPrepare), 0);
    EXPECT_EQ(Call(sdk::kSelectorStart), 0);
    EXPECT_EQ(Call(sdk::kSelectorContinue), 0);
    EXPECT_EQ(UndoEntryCount(), 0);
    EXPECT_EQ(Call(sdk::kSelectorFinish), 0);
}

TEST_F(DispatchTest, MissingRecordAndPointersAreHandled) {
    ::testing::internal::CaptureStderr();
    for (int16_t selector : {sdk::kSelectorParameters, sdk::kSelectorPrepare, sdk::kSelectorStart,
                             sdk::kSelectorContinue})
        EXPECT_EQ(Call(selector, nullptr), sdk::kErrorReported) << selector;
    EXPECT_EQ(Call(sdk::kSelectorFinish, nullptr), 0);  // nothing locked, nothing to write
    const std::string printed = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(printed.find("velmora: Нет записи фильтра\n"), std::string::npos);
    EXPECT_TRUE(Module.RepeatFlag);

    Dispatch(sdk::kSelectorStart, &host.record, nullptr, nullptr);
    EXPECT_EQ(host.record.inRect.bottom, 4);
    EXPECT_EQ(host.record.inRect.right, 6);
}

}  // namespace
}  // namespace velmora

#include <gtest/gtest.h>

#include "engine/Settings.h"
#include "engine/UndoHistory.h"

namespace velmora {
namespace {

class UndoHistory : public ::testing::Test {
  protected:
    void SetUp() override {
        FreeHistory();
        Settings = tParams{};
        ResetFirstUse();
    }
    void TearDown() override { FreeHistory(); }

    // Distinct states told apart by Contrast.
    static void Set(double contrast) { Settings.Contrast = contrast; }
    static double Current() { return Settings.Contrast; }
};

TEST_F(UndoHistory, PushSkipsAStateEqualToTheHead) {
    EXPECT_FALSE(CanUndo());
    PushUndo();
    PushUndo();
    EXPECT_EQ(UndoEntryCount(), 1);
    Set(1.0000005);  // equal within a millionth
    PushUndo();
    EXPECT_EQ(UndoEntryCount(), 1);
    Settings.FullScreen = 0;  // not compared
    PushUndo();
    EXPECT_EQ(UndoEntryCount(), 1);
    Set(2.0);
    PushUndo();
    EXPECT_EQ(UndoEntryCount(), 2);
}

TEST_F(UndoHistory, UndoRecordsTheUnrecordedStateSoRedoCanReturnToIt) {
    Set(1.0);
    PushUndo();
    Set(2.0);  // changed, not recorded
    EXPECT_TRUE(CanUndo());
    EXPECT_FALSE(CanRedo());
    Undo();
    EXPECT_EQ(Current(), 1.0);
    EXPECT_EQ(UndoEntryCount(), 2);
    EXPECT_FALSE(CanUndo());  // oldest entry, equal to the settings
    ASSERT_TRUE(CanRedo());
    Redo();
    EXPECT_EQ(Current(), 2.0);
    EXPECT_FALSE(CanRedo());
    EXPECT_TRUE(CanUndo());
}

TEST_F(UndoHistory, AChangeAfterUndoDisablesRedoAndTheNextPushDiscardsTheBranch) {
    for (double c : {1.0, 2.0, 3.0}) {
        Set(c);
        PushUndo();
    }
    Undo();
    Undo();
    EXPECT_EQ(Current(), 1.0);
    EXPECT_TRUE(CanRedo());
    Set(4.0);
    EXPECT_FALSE(CanRedo());
    Redo();  // refused
    EXPECT_EQ(Current(), 4.0);
    PushUndo();
    EXPECT_EQ(UndoEntryCount(), 2);  // 1 and 4; 2 and 3 are gone
    Undo();
    EXPECT_EQ(Current(), 1.0);
    Redo();
    EXPECT_EQ(Current(), 4.0);
    EXPECT_FALSE(CanRedo());
}

TEST_F(UndoHistory, UndoingWhileAllowedReachesTheOldestStateAndFreeEmpties) {
    for (double c : {1.0, 2.0, 3.0, 5.0}) {
        Set(c);
        PushUndo();
    }
    Set(6.0);
    while (CanUndo()) Undo();
    EXPECT_EQ(Current(), 1.0);
    EXPECT_EQ(UndoEntryCount(), 5);
    FreeHistory();
    EXPECT_EQ(UndoEntryCount(), 0);
    EXPECT_FALSE(CanUndo());
    EXPECT_FALSE(CanRedo());
    Set(7.0);
    Undo();
    EXPECT_EQ(Current(), 7.0);
}

}  // namespace
}  // namespace velmora

// The dialog's key map with an edit field focused: what each key does and
// whether the edit still receives it.
#include <functional>
#include <vector>

#include "FormFixture.h"
#include "toolkit/TButton.h"

namespace velmora::test {
namespace {

class KeyMapTest : public FormTest {
  protected:
    void SetUp() override {
        FormTest::SetUp();
        form->show();
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        edit = Edit("ShadeEdit");
        ui::tKeyHandler own = edit->OnKeyDown;
        edit->OnKeyDown = [this, own](int& key, ui::tShiftState shift) {
            seen.push_back(key);
            if (own) own(key, shift);
        };
    }

    ui::TEdit* edit = nullptr;
    std::vector<int> seen;
};

TEST_F(KeyMapTest, EachKeyActsAndReachesTheEditOnlyWhenTheMapLeavesIt) {
    Slots[1].Used = 1;
    Slots[1].Params = Settings;
    Slots[1].Params.Rotate = 20;
    const tParams first = Settings;
    auto lighter = [] {
        PushUndo();
        Settings.Lightness = 0.5;
    };
    struct Case {
        const char* what;
        int key;
        Qt::KeyboardModifiers modifiers;
        std::function<void()> before;
        double lightness;  // Settings.Lightness after the key
        bool reachesEdit;
    };
    const Case cases[] = {
        {"Alt+Backspace undoes", Qt::Key_Backspace, Qt::AltModifier, lighter, 1.0, true},
        {"Shift+Alt+Backspace redoes", Qt::Key_Backspace, Qt::ShiftModifier | Qt::AltModifier,
         [&] { lighter(), Undo(); }, 0.5, true},
        {"Ctrl+Z undoes", Qt::Key_Z, Qt::ControlModifier, lighter, 1.0, true},
        {"Shift+Ctrl+Z redoes", Qt::Key_Z, Qt::ShiftModifier | Qt::ControlModifier,
         [&] { lighter(), Undo(); }, 0.5, true},
        {"Ctrl+Alt+Z is no row", Qt::Key_Z, Qt::ControlModifier | Qt::AltModifier, lighter, 0.5,
         true},
        {"Home is the source action", Qt::Key_Home, {}, lighter, 1.0, false},
        {"End is the automatic correction", Qt::Key_End, {}, lighter, 1.0, false},
        {"Shift+Home is no row", Qt::Key_Home, Qt::ShiftModifier, lighter, 0.5, true},
        {"2 stays in the edit", Qt::Key_2, {}, lighter, 0.5, true},
        {"numeric-pad 2 stays in the edit", Qt::Key_2, Qt::KeypadModifier, lighter, 0.5, true},
        {"Page Up in full mode is left to the edit", Qt::Key_PageUp, {}, lighter, 0.5, true},
    };
    ASSERT_EQ(Settings.FullScreen, 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FreeHistory();
        Settings = first;
        form->RefreshControls();
        edit->SetFocus();
        ASSERT_TRUE(edit->hasFocus());
        c.before();
        seen.clear();
        QTest::keyClick(edit, Qt::Key(c.key), c.modifiers);
        EXPECT_EQ(Settings.Lightness, c.lightness);
        EXPECT_EQ(Settings.Rotate, first.Rotate) << "no snapshot applied";
        EXPECT_EQ(Settings.FullScreen, 1);
        EXPECT_EQ(!seen.empty(), c.reachesEdit);
    }
    Settings = first;
}

TEST_F(KeyMapTest, SpaceIsTakenFromTheEditAndHeldUntilReleased) {
    edit->SetText(QStringLiteral("1"));
    edit->SetFocus();
    QTest::keyPress(edit, Qt::Key_Space);
    EXPECT_TRUE(form->State().SpaceHeld);
    QTest::keyRelease(edit, Qt::Key_Space);
    EXPECT_FALSE(form->State().SpaceHeld);
    EXPECT_TRUE(seen.empty());
    EXPECT_EQ(edit->Text(), QStringLiteral("1"));
}

TEST_F(KeyMapTest, ReleasesEndTheirModeWhileAMouseButtonIsStillDown) {
    using ui::tShift;
    auto* image = C<ui::TImage>("Image");
    auto* lab = C<ui::TImage>("LabImage");
    C<ui::TSpeedButton>("ColorBalanceButton")->Click();
    ASSERT_EQ(image->Cursor(), 4);
    int key = Qt::Key_Space;
    form->FormKeyDown(key, {});
    ASSERT_TRUE(form->State().SpaceHeld);
    key = Qt::Key_Space;
    form->FormKeyUp(key, ui::tShiftState(tShift::Left));
    EXPECT_FALSE(form->State().SpaceHeld) << "Space let go before the button";
    EXPECT_EQ(image->Cursor(), 4);

    key = Qt::Key_Shift;
    form->FormKeyDown(key, ui::tShiftState(tShift::Shift));
    ASSERT_EQ(image->Cursor(), 8);
    ASSERT_EQ(lab->Cursor(), 6);
    key = Qt::Key_Shift;
    form->FormKeyUp(key, ui::tShiftState(tShift::Right));
    EXPECT_EQ(image->Cursor(), 4) << "Shift let go before the button";
    EXPECT_EQ(lab->Cursor(), dialog::LastLabCursor);

    // Another modifier still held keeps the mode, as before.
    key = Qt::Key_Control;
    form->FormKeyDown(key, ui::tShiftState(tShift::Ctrl));
    key = Qt::Key_Control;
    form->FormKeyUp(key, ui::tShiftState(tShift::Shift) | tShift::Left);
    EXPECT_EQ(image->Cursor(), 7);
}

TEST_F(KeyMapTest, KeysHeldWhenAnotherWindowTakesOverCountAsLetGo) {
    auto* cancel = C<ui::TButton>("CancelButton");
    auto* image = C<ui::TImage>("Image");
    auto* lab = C<ui::TImage>("LabImage");
    int key = Qt::Key_Alt;
    form->FormKeyDown(key, ui::tShiftState(ui::tShift::Alt));
    ASSERT_EQ(cancel->Caption(), QStringLiteral("Исходный"));
    key = Qt::Key_Space;
    form->FormKeyDown(key, {});
    ASSERT_TRUE(form->State().SpaceHeld);
    C<ui::TSpeedButton>("SkinButton")->Click();
    key = Qt::Key_Shift;
    form->FormKeyDown(key, ui::tShiftState(ui::tShift::Shift));
    ASSERT_EQ(lab->Cursor(), 6);
    ASSERT_EQ(image->Cursor(), 8);

    // Another window takes the keyboard.
    form->show();
    QApplication::setActiveWindow(form.get());
    QWidget other;
    other.show();
    QApplication::setActiveWindow(&other);
    QApplication::processEvents();
    EXPECT_EQ(cancel->Caption(), QStringLiteral("Отмена"));
    EXPECT_FALSE(form->State().SpaceHeld);
    EXPECT_EQ(image->Cursor(), 4) << "the pipette's cursor, not Shift's";
    EXPECT_EQ(lab->Cursor(), dialog::LastLabCursor);

    // Shift alone held as the form loses the keyboard once more.
    QApplication::setActiveWindow(form.get());
    key = Qt::Key_Shift;
    form->FormKeyDown(key, ui::tShiftState(ui::tShift::Shift));
    ASSERT_EQ(image->Cursor(), 8);
    QApplication::setActiveWindow(&other);
    QApplication::processEvents();
    EXPECT_EQ(image->Cursor(), 4);
    EXPECT_EQ(lab->Cursor(), dialog::LastLabCursor);
}

}  // namespace
}  // namespace velmora::test

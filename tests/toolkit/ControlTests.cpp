// Values set by code and by the user: clamping, change and click events,
// speed-button groups, re-entrant change handlers and handler failures.
#include <gtest/gtest.h>

#include <QTest>
#include <stdexcept>
#include <string>
#include <vector>

#include "toolkit/TCheckBox.h"
#include "toolkit/TEdit.h"
#include "toolkit/TForm.h"
#include "toolkit/TRadioButton.h"
#include "toolkit/TSpeedButton.h"
#include "toolkit/TTrackBar.h"

namespace velmora::ui {
namespace {

TEST(TrackBarTest, PositionIsClampedAndEveryChangeIsReported) {
    TTrackBar bar;
    bar.SetRange(-50, 50);
    int changes = 0;
    bar.OnChange = [&] { ++changes; };
    struct Case {
        int set, position, changes;
    } cases[] = {{10, 10, 1}, {10, 10, 0}, {99, 50, 1}, {51, 50, 0}, {-99, -50, 1}, {0, 0, 1}};
    for (const Case& c : cases) {
        changes = 0;
        bar.SetPosition(c.set);
        EXPECT_EQ(bar.Position(), c.position) << "set " << c.set;
        EXPECT_EQ(changes, c.changes) << "set " << c.set;
    }
    // A narrower range pulls the position in, and that is a change too.
    bar.SetPosition(40);
    changes = 0;
    bar.SetMax(30);
    EXPECT_EQ(bar.Position(), 30);
    EXPECT_EQ(changes, 1);
    bar.SetMin(35);
    EXPECT_EQ(bar.Position(), 35);
    EXPECT_EQ(changes, 2);
}

TEST(TrackBarTest, VerticalHasItsMinimumAtTheTopAndUpMovesTowardsIt) {
    TForm form;
    TTrackBar bar(&form);
    bar.SetOrientation(Qt::Vertical);
    bar.SetBounds(0, 0, 30, 200);
    bar.SetRange(-40, 40);
    bar.SetPosition(-40);
    EXPECT_LT(bar.ThumbRect().center().y(), 40);
    bar.SetPosition(40);
    EXPECT_GT(bar.ThumbRect().center().y(), 160);
    bar.SetPosition(0);
    QTest::keyClick(&bar, Qt::Key_Up);
    EXPECT_EQ(bar.Position(), -1);
    QTest::keyClick(&bar, Qt::Key_PageDown);
    EXPECT_EQ(bar.Position(), 1);  // default page size 2
}

TEST(TrackBarTest, AClickBesideTheThumbStepsByThePageSizeAndReportsIt) {
    TForm form;
    TTrackBar bar(&form);
    bar.SetBounds(0, 0, 200, 30);
    bar.SetRange(-50, 50);
    bar.SetPageSize(8);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    std::vector<int> seen;
    bar.OnChange = [&] { seen.push_back(bar.Position()); };
    QTest::mouseClick(&bar, Qt::LeftButton, {}, QPoint(bar.PixelOf(40), 15));
    EXPECT_EQ(seen, std::vector<int>{8});
}

TEST(EditTest, ChangeEventFollowsEveryChangeOfTheText) {
    TEdit edit;
    int changes = 0;
    edit.OnChange = [&] { ++changes; };
    edit.SetText("1.00");
    edit.SetText("1.00");
    EXPECT_EQ(changes, 1);
    edit.setFocus();
    QTest::keyClicks(&edit, "5");
    EXPECT_EQ(edit.Text(), "1.005");
    EXPECT_EQ(changes, 2);
}

TEST(EditTest, MaxLengthLimitsTypingButNotCode) {
    TForm form;
    TEdit edit(&form);
    edit.SetMaxLength(4);
    edit.SetText("128.0");  // longer than the limit: kept whole
    EXPECT_EQ(edit.Text(), "128.0");
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    edit.setFocus();
    edit.end(false);
    QTest::keyClicks(&edit, "9");
    EXPECT_EQ(edit.Text(), "128.0");
    QTest::keyClick(&edit, Qt::Key_Backspace);  // deleting is always allowed
    EXPECT_EQ(edit.Text(), "128.");
    edit.SetText("");
    QTest::keyClicks(&edit, "123456");
    EXPECT_EQ(edit.Text(), "1234");
    edit.SetText("12");
    edit.setCursorPosition(1);
    edit.insert("abc");  // a paste that does not fit keeps what fits
    EXPECT_EQ(edit.Text(), "1ab2");
}

TEST(EditTest, KeyDownSeesKeysWithShiftStateAndMayConsumeThem) {
    TEdit edit;
    std::vector<std::pair<int, tShiftState>> keys;
    edit.OnKeyDown = [&](int& key, tShiftState shift) {
        if (key == Qt::Key_Shift) return;  // QTest presses the modifier key first
        keys.emplace_back(key, shift);
        if (key == Qt::Key_X) key = 0;
    };
    edit.setFocus();
    QTest::keyClick(&edit, Qt::Key_X);
    QTest::keyClick(&edit, Qt::Key_Up, Qt::ShiftModifier);
    QTest::keyClick(&edit, Qt::Key_Plus, Qt::KeypadModifier);
    QTest::keyClick(&edit, Qt::Key_Plus);
    EXPECT_EQ(edit.Text(), "++");
    ASSERT_EQ(keys.size(), 4u);
    EXPECT_EQ(keys[0].first, Qt::Key_X);
    EXPECT_EQ(keys[1].first, Qt::Key_Up);
    EXPECT_EQ(keys[1].second, tShiftState(tShift::Shift));
    EXPECT_EQ(keys[2].first, kKeyAdd);
    EXPECT_EQ(keys[3].first, Qt::Key_Plus);
}

TEST(EditTest, RemovingAnInvalidCharacterFromTheChangeHandlerReentersItOnce) {
    TEdit edit;
    std::vector<QString> seen;
    edit.OnChange = [&] {
        seen.push_back(edit.Text());
        bool ok = false;
        edit.Text().toInt(&ok);
        const qsizetype bad = edit.Text().indexOf('x');
        if (!ok && bad >= 0) {
            edit.SetSelStart(static_cast<int>(bad));
            edit.SetSelLength(1);
            edit.ClearSelection();
        }
    };
    edit.SetText("2x");
    EXPECT_EQ(edit.Text(), "2");
    EXPECT_EQ(seen, (std::vector<QString>{"2x", "2"}));
    edit.ClearSelection();  // nothing selected: nothing happens
    EXPECT_EQ(seen.size(), 2u);
}

TEST(CheckBoxTest, ClickFollowsEveryChangeOfState) {
    TForm form;
    TCheckBox box(&form);
    box.SetBounds(0, 0, 100, 20);
    int clicks = 0;
    box.OnClick = [&] { ++clicks; };
    box.SetChecked(true);
    box.SetChecked(true);
    EXPECT_EQ(clicks, 1);
    box.SetChecked(false);
    EXPECT_EQ(clicks, 2);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(8, 10));
    EXPECT_TRUE(box.Checked());
    EXPECT_EQ(clicks, 3);
}

TEST(RadioButtonTest, ClickWhenItBecomesCheckedAndCodeMayUncheckIt) {
    TForm form;
    TRadioButton common(&form), light(&form), shadow(&form);
    std::string log;
    common.OnClick = [&] { log += 'C'; };
    light.OnClick = [&] { log += 'L'; };
    shadow.OnClick = [&] { log += 'S'; };
    common.SetChecked(true);
    light.SetChecked(true);
    light.SetChecked(true);
    EXPECT_EQ(log, "CL");
    EXPECT_FALSE(common.Checked());
    light.SetChecked(false);
    EXPECT_FALSE(common.Checked() || light.Checked() || shadow.Checked());
    shadow.SetChecked(true);
    EXPECT_EQ(log, "CLS");
}

TEST(SpeedButtonTest, AGroupWithAllowAllUpLetsEveryButtonBeUp) {
    TForm form;
    std::vector<std::unique_ptr<TSpeedButton>> buttons;
    std::string clicks;
    for (int i = 0; i < 4; ++i) {
        auto& b = buttons.emplace_back(std::make_unique<TSpeedButton>(&form));
        b->SetBounds(i * 32, 0, 32, 32);
        b->SetGroupIndex(1);
        b->OnClick = [&clicks, i] { clicks += char('0' + i); };
    }
    buttons[0]->SetAllowAllUp(true);  // for the whole group
    auto down = [&] {
        std::string s;
        for (auto& b : buttons) s += b->Down() ? 'D' : 'u';
        return s;
    };
    buttons[0]->Click();
    EXPECT_EQ(down(), "Duuu");
    buttons[2]->Click();
    EXPECT_EQ(down(), "uuDu");
    buttons[2]->Click();
    EXPECT_EQ(down(), "uuuu");
    EXPECT_EQ(clicks, "022");
    // Code sets Down without a click event.
    buttons[3]->SetDown(true);
    buttons[1]->SetDown(true);
    EXPECT_EQ(down(), "uDuu");
    buttons[1]->SetDown(false);
    EXPECT_EQ(down(), "uuuu");
    EXPECT_EQ(clicks, "022");
}

TEST(SpeedButtonTest, WithoutAllowAllUpTheDownButtonStaysDownAndUngroupedNeverIs) {
    TForm form;
    TSpeedButton a(&form), b(&form), plain(&form);
    a.SetGroupIndex(2);
    b.SetGroupIndex(2);
    a.Click();
    a.Click();
    EXPECT_TRUE(a.Down());
    a.SetDown(false);
    EXPECT_TRUE(a.Down());
    b.SetDown(true);
    EXPECT_FALSE(a.Down());
    int clicks = 0;
    plain.OnClick = [&] { ++clicks; };
    plain.Click();
    plain.SetDown(true);
    EXPECT_FALSE(plain.Down());
    EXPECT_EQ(clicks, 1);
}

// The changers of the dialog set partner controls from a change handler and
// expect the partner's handler to run before the call returns.
TEST(ReentrancyTest, ChangeHandlersOfPartnerControlsRunSynchronously) {
    TTrackBar bar;
    TEdit edit;
    bar.SetRange(-60, 60);
    std::string log;
    bar.OnChange = [&] {
        log += "bar(";
        edit.SetText(QString::number(bar.Position()));
        log += ")";
    };
    edit.OnChange = [&] {
        log += "edit(";
        bar.SetPosition(edit.Text().toInt());  // back to the same value: no event
        log += ")";
    };
    bar.SetPosition(20);
    EXPECT_EQ(log, "bar(edit())");
    EXPECT_EQ(edit.Text(), "20");
    log.clear();
    edit.SetText("99");  // the bar clamps to 60 and writes that back
    EXPECT_EQ(log, "edit(bar(edit()))");
    EXPECT_EQ(bar.Position(), 60);
    EXPECT_EQ(edit.Text(), "60");
}

TEST(ReentrancyTest, AHandlerSettingItsOwnControlSettlesOnAValue) {
    TTrackBar bar;
    bar.SetRange(0, 100);
    int calls = 0;
    bar.OnChange = [&] {
        ++calls;
        bar.SetPosition(bar.Position() / 10 * 10);  // snaps to tens
    };
    bar.SetPosition(47);
    EXPECT_EQ(bar.Position(), 40);
    EXPECT_EQ(calls, 2);
}

TEST(HandlerFailureTest, AHandlersExceptionComesOutOfTheCallThatRaisedIt) {
    TTrackBar bar;
    TEdit edit;
    edit.OnChange = [&] {
        if (edit.Text() == "bad") throw std::runtime_error("Неправильный Edit");
    };
    bar.OnChange = [&] { edit.SetText(bar.Position() == 7 ? "bad" : "ok"); };
    EXPECT_THROW(bar.SetPosition(7), std::runtime_error);
    EXPECT_EQ(bar.Position(), 7);
    EXPECT_FALSE(HandlerFailurePending());
    EXPECT_NO_THROW(bar.SetPosition(3));
    EXPECT_EQ(edit.Text(), "ok");
}

}  // namespace
}  // namespace velmora::ui

// Anchors and docking, the status bar's panels, the progress bar's range,
// the timer, when a form's OnPaint runs, and key-up reporting.
#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QTest>
#include <stdexcept>

#include "Wait.h"
#include "toolkit/TEdit.h"
#include "toolkit/TForm.h"
#include "toolkit/TPanel.h"
#include "toolkit/TProgressBar.h"
#include "toolkit/TStatusBar.h"
#include "toolkit/TTimer.h"

namespace velmora::ui {
namespace {

TEST(AnchorsTest, AnchoredControlsKeepTheirDistancesAlsoAcrossHiddenResizes) {
    struct Case {
        tAnchors anchors;
        QRect after;  // the child at (150, 60, 40, 20) once the parent grows by 100 x 50
    } cases[] = {
        {tAnchors(tAnchor::Left) | tAnchor::Top, QRect(150, 60, 40, 20)},
        {tAnchors(tAnchor::Right) | tAnchor::Top, QRect(250, 60, 40, 20)},
        {tAnchors(tAnchor::Left) | tAnchor::Right | tAnchor::Bottom, QRect(150, 110, 140, 20)},
        {tAnchors(tAnchor::Top) | tAnchor::Bottom, QRect(200, 60, 40, 70)},
    };
    for (const Case& c : cases) {
        TPanel parent;
        parent.resize(200, 100);
        TPanel child(&parent);
        child.SetBounds(150, 60, 40, 20);
        child.SetAnchors(c.anchors);
        parent.resize(300, 150);  // while hidden: Qt reports it at show
        parent.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
        EXPECT_EQ(child.geometry(), c.after) << c.anchors.toInt();
        parent.SetWidth(200);
        parent.SetHeight(100);
        EXPECT_EQ(child.geometry(), QRect(150, 60, 40, 20)) << c.anchors.toInt();
    }
}

TEST(AlignTest, DockedControlsShareTheClientAreaInsideTheBevels) {
    TPanel parent;
    parent.SetBevelOuter(tBevel::Raised);
    parent.SetBevelInner(tBevel::Lowered);  // client area inset by 2
    parent.resize(200, 100);
    TPanel top(&parent), left(&parent), rest(&parent);
    top.resize(10, 20);
    left.resize(30, 10);
    top.SetAlign(tAlign::Top);
    left.SetAlign(tAlign::Left);
    rest.SetAlign(tAlign::Client);
    EXPECT_EQ(top.geometry(), QRect(2, 2, 196, 20));
    EXPECT_EQ(left.geometry(), QRect(2, 22, 30, 76));
    EXPECT_EQ(rest.geometry(), QRect(32, 22, 166, 76));
    top.SetVisible(false);
    EXPECT_EQ(left.geometry(), QRect(2, 2, 30, 96));
}

TEST(StatusBarTest, PanelsSitSideBySideAndTheLastTakesTheRest) {
    TForm form;
    form.resize(400, 300);
    TStatusBar bar(&form);
    bar.SetPanelWidthsText("140,140,90,50");
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    EXPECT_EQ(bar.geometry(), QRect(0, 281, 400, 19));  // docked at the bottom
    EXPECT_EQ(bar.PanelRect(2), QRect(280, 0, 90, 19));
    EXPECT_EQ(bar.PanelRect(3), QRect(370, 0, 30, 19));
    EXPECT_THROW(bar.Panel(4), std::out_of_range);
    const QImage before = bar.grab().toImage();
    bar.Panel(1).SetText(" L:  100   a:  000   b: -028");
    EXPECT_NE(bar.grab().toImage(), before);
    EXPECT_GT(bar.TextWidth(" C: 999   H: 999°  "), 0);
}

TEST(ProgressBarTest, PositionIsClampedAndAnEmptyRangeIsNotABusyBar) {
    TProgressBar bar;
    bar.SetRange(0, 200);
    bar.SetPosition(500);
    EXPECT_EQ(bar.Position(), 200);
    bar.SetPosition(-5);
    EXPECT_EQ(bar.Position(), 0);
    bar.SetMax(0);
    EXPECT_EQ(bar.Max(), 0);
    EXPECT_NE(bar.minimum(), bar.maximum());  // Qt animates a 0..0 bar
}

TEST(TimerTest, FiresEveryIntervalWhileEnabled) {
    TTimer timer;
    int ticks = 0;
    timer.OnTimer = [&] { ++ticks; };
    timer.SetInterval(20);
    EXPECT_TRUE(WaitUntil([&] { return ticks >= 3; }));
    timer.SetEnabled(false);
    const int stopped = ticks;
    QTest::qWait(80);
    EXPECT_EQ(ticks, stopped);
}

class PaintCounter : public QObject {
  public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

TEST(FormPaintTest, OnPaintIsForTheFormsOwnAreaNotForRepaintsOfItsControls) {
    TForm form;
    form.resize(200, 100);
    TEdit edit(&form);  // not opaque: Qt paints the form behind it
    edit.SetBounds(10, 10, 60, 22);
    int onPaint = 0;
    form.OnPaint = [&] { ++onPaint; };
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    PaintCounter qtPaints;
    form.installEventFilter(&qtPaints);
    onPaint = 0;
    edit.repaint();
    EXPECT_GT(qtPaints.paints, 0);
    EXPECT_EQ(onPaint, 0);
    form.repaint(QRect(150, 10, 20, 20));
    EXPECT_EQ(onPaint, 1);
}

TEST(FormKeyTest, KeyUpReportsTheModifiersStillHeldAndSkipsAutoRepeat) {
    TForm form;
    form.SetKeyPreview(true);
    TEdit edit(&form);
    std::vector<std::pair<int, tShiftState>> downs, ups;
    form.OnKeyDown = [&](int& key, tShiftState s) { downs.emplace_back(key, s); };
    form.OnKeyUp = [&](int& key, tShiftState s) { ups.emplace_back(key, s); };
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    edit.SetFocus();
    QKeyEvent ctrlDown(QEvent::KeyPress, Qt::Key_Control, Qt::NoModifier);
    QKeyEvent ctrlUp(QEvent::KeyRelease, Qt::Key_Control, Qt::ControlModifier);
    QKeyEvent spaceRepeatUp(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, " ", true);
    QCoreApplication::sendEvent(&edit, &ctrlDown);
    QCoreApplication::sendEvent(&edit, &spaceRepeatUp);
    QCoreApplication::sendEvent(&edit, &ctrlUp);
    ASSERT_EQ(downs.size(), 1u);
    EXPECT_EQ(downs[0].second, tShiftState(tShift::Ctrl));
    ASSERT_EQ(ups.size(), 1u);
    EXPECT_EQ(ups[0].first, Qt::Key_Control);
    EXPECT_EQ(ups[0].second, tShiftState());
}

}  // namespace
}  // namespace velmora::ui

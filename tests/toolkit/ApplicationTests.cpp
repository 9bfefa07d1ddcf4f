// The message loop with its idle hook, posted keys, the form's keyboard and
// wheel handling, hints, mouse events of containers, the cursor table, the
// pointer and parenting to a host window.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QDesktopServices>
#include <QEventLoop>
#include <QImageWriter>
#include <QScreen>
#include <QStyleHints>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <QWheelEvent>
#include <QtEndian>
#include <stdexcept>
#include <string>
#include <vector>

#include "Wait.h"
#include "toolkit/TApplication.h"
#include "toolkit/TButton.h"
#include "toolkit/TEdit.h"
#include "toolkit/TForm.h"
#include "toolkit/TGroupBox.h"
#include "toolkit/TImage.h"
#include "toolkit/TPanel.h"
#include "toolkit/TScreen.h"
#include "toolkit/TTrackBar.h"

namespace velmora::ui {
namespace {

TApplication& App() {
    return TApplication::Instance();
}

// Closes a form that a broken loop would leave open, so a failing test
// cannot hang the suite.
void Watchdog(TForm& form) {
    QTimer::singleShot(5000, &form, [&form] {
        ADD_FAILURE() << "watchdog closed the form";
        form.close();
    });
}

TEST(IdleTest, CalledAgainAtOnceWhileNotDoneWithInputHandledBetweenCalls) {
    TForm form;
    form.resize(200, 80);
    TEdit edit(&form);
    edit.SetBounds(0, 0, 120, 22);
    std::vector<QString> textAtCall;
    int calls = 0, callsInNestedLoop = -1, callsAtRest = -1, callsAfterInput = -1;
    bool visibleAtFirstCall = true;
    App().OnIdle = [&] {
        ++calls;
        textAtCall.push_back(edit.Text());
        if (calls == 1) {  // the dialog's start-up: show, activate, focus
            visibleAtFirstCall = form.isVisible();
            form.Show();
            form.Activate();
            edit.SetFocus();
        }
        if (calls <= 5) {
            // Queued now, handled before the next call.
            App().PostKeyMessage(&form, Qt::Key_A + calls - 1);
            return false;
        }
        if (calls == 6) {
            // A loop run by the hook itself does not call the hook again.
            QEventLoop nested;
            QTimer::singleShot(20, &nested, &QEventLoop::quit);
            nested.exec();
            callsInNestedLoop = calls;
            QTimer::singleShot(150, &form, [&] {
                callsAtRest = calls;
                App().PostKeyMessage(&form, Qt::Key_Z);
                QTimer::singleShot(50, &form, [&] {
                    callsAfterInput = calls;
                    form.Close();
                });
            });
        }
        return true;
    };
    Watchdog(form);
    App().Run(form, false);
    App().OnIdle = nullptr;
    EXPECT_FALSE(visibleAtFirstCall);
    ASSERT_GE(textAtCall.size(), 6u);
    const QStringList expected = {"", "a", "ab", "abc", "abcd", "abcde"};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(textAtCall[i], expected[i]) << "call " << i + 1;
    EXPECT_EQ(callsInNestedLoop, 6);
    // Done: no spinning while nothing happens, called again after input.
    EXPECT_LE(callsAtRest, 9);
    EXPECT_GT(callsAfterInput, callsAtRest);
    EXPECT_EQ(edit.Text(), "abcdez");
}

TEST(IdleTest, AFailureInTheHookOrAHandlerEndsRunAndComesOutOfIt) {
    TForm form;
    App().OnIdle = []() -> bool { throw std::runtime_error("Неподходящее выравнивание"); };
    Watchdog(form);
    EXPECT_THROW(App().Run(form), std::runtime_error);
    App().OnIdle = nullptr;
    EXPECT_FALSE(App().Running());

    TButton button(&form);
    button.SetBounds(0, 0, 80, 25);
    button.OnClick = [] { throw std::logic_error("BalanceChanger: неправильный параметр"); };
    QTimer::singleShot(0, &form, [&] { QTest::mouseClick(&button, Qt::LeftButton); });
    EXPECT_THROW(App().Run(form), std::logic_error);
    EXPECT_FALSE(HandlerFailurePending());
}

class ShownForm : public ::testing::Test {
  protected:
    void SetUp() override {
        form.resize(300, 120);
        edit.SetBounds(10, 10, 100, 22);
        other.SetBounds(10, 40, 100, 22);
        form.show();  // controls added later must be shown themselves
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
        edit.SetFocus();
    }
    TForm form;
    TEdit edit{&form};
    TEdit other{&form};
};

TEST_F(ShownForm, APostedKeyArrivesLaterAtTheFocusedControlAndIsPreviewedOnce) {
    form.SetKeyPreview(true);
    std::vector<int> previewed;
    form.OnKeyDown = [&](int& key, tShiftState) {
        previewed.push_back(key);
        if (key == Qt::Key_C) key = 0;
    };
    App().PostKeyMessage(&form, Qt::Key_B);
    EXPECT_EQ(edit.Text(), "");
    App().ProcessMessages();
    EXPECT_EQ(edit.Text(), "b");
    App().PostKeyMessage(&form, Qt::Key_C);  // consumed by the form
    App().PostKeyMessage(&form, kKeyAdd);
    App().PostKeyMessage(&form, Qt::Key_F5);  // the edit passes it on to its parent
    App().ProcessMessages();
    EXPECT_EQ(edit.Text(), "b+");
    QTest::keyClick(&form, Qt::Key_Home);  // sent to the form itself
    EXPECT_EQ(previewed,
              (std::vector<int>{Qt::Key_B, Qt::Key_C, kKeyAdd, Qt::Key_F5, Qt::Key_Home}));
    App().PostKeyMessage(&form, Qt::Key_Tab);
    App().ProcessMessages();
    EXPECT_TRUE(other.hasFocus());
}

TEST_F(ShownForm, EnterClicksTheDefaultOrFocusedButtonEscTheCancelButtonF1AsksForHelp) {
    TButton ok(&form), cancel(&form);
    ok.SetBounds(150, 10, 80, 25);
    cancel.SetBounds(150, 40, 80, 25);
    ok.SetDefault(true);
    cancel.SetCancel(true);
    ok.show();
    cancel.show();
    std::string log;
    ok.OnClick = [&] { log += 'O'; };
    cancel.OnClick = [&] { log += 'C'; };
    form.OnHelp = [&] {
        log += 'H';
        return true;
    };
    QTest::keyClick(&edit, Qt::Key_Return);
    QTest::keyClick(&edit, Qt::Key_Escape);
    QTest::keyClick(&edit, Qt::Key_F1);
    cancel.SetFocus();
    QTest::keyClick(&cancel, Qt::Key_Return);
    ok.SetEnabled(false);
    edit.SetFocus();
    QTest::keyClick(&edit, Qt::Key_Return);  // a disabled default button does nothing
    EXPECT_EQ(log, "OCHC");
    EXPECT_TRUE(ok.Default());  // focus moving over buttons keeps the default
}

void Wheel(QWidget& under, int delta) {
    const QPointF local(5, 5);
    QWheelEvent event(local, under.mapToGlobal(local), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(&under, &event);
}

TEST_F(ShownForm, TheWheelActsOnTheFocusedControlThenTheFormsWheelSteps) {
    TTrackBar bar(&form);
    bar.SetBounds(150, 10, 120, 30);
    bar.SetRange(0, 100);
    bar.SetPosition(50);
    bar.show();
    bar.SetFocus();
    Wheel(edit, 120);  // over the edit, for the focused trackbar
    EXPECT_GT(bar.Position(), 50);
    const int moved = bar.Position();

    edit.SetFocus();
    int steps = 0, editWheel = 0;
    form.OnMouseWheelDown = [&](tShiftState, QPoint, bool& handled) {
        ++steps;
        handled = true;
    };
    Wheel(bar, -120);
    EXPECT_EQ(steps, 1);
    EXPECT_EQ(bar.Position(), moved);
    Wheel(edit, -120);  // over the focused edit, which lets it go up to its parent
    EXPECT_EQ(steps, 2);
    edit.OnMouseWheel = [&](tShiftState, int delta, QPoint, bool& handled) {
        editWheel += delta;
        handled = true;
    };
    Wheel(bar, -120);
    EXPECT_EQ(editWheel, -120);
    EXPECT_EQ(steps, 2);  // the edit handled it
}

class HintTest : public ShownForm {
  protected:
    void TearDown() override {
        App().SetHintPause(500);
        App().OnShowHint = nullptr;
        QToolTip::hideText();
    }
};

TEST_F(HintTest, TheShowHintHookRunsAfterThePauseForTheControlUnderThePointer) {
    TTrackBar bar(&form);  // no hint text
    bar.SetBounds(150, 10, 120, 30);
    bar.show();
    edit.SetHint("Оттенок (H)");
    std::vector<QWidget*> hooked;
    bool emptyIt = false;
    App().OnShowHint = [&](QString& hint, bool&, tHintInfo& info) {
        hooked.push_back(info.HintControl);
        info.HintControl->setFocus();  // the dialog's hover focus
        if (emptyIt) hint.clear();
    };
    App().SetHintPause(0);
    QTest::mouseMove(&bar, QPoint(20, 15));
    EXPECT_TRUE(WaitUntil([&] { return !hooked.empty(); }));
    EXPECT_EQ(hooked, std::vector<QWidget*>{&bar});
    EXPECT_TRUE(bar.hasFocus());
    EXPECT_FALSE(QToolTip::isVisible());
    QTest::mouseMove(&edit, QPoint(5, 5));
    EXPECT_TRUE(WaitUntil([&] { return QToolTip::isVisible(); }));
    EXPECT_EQ(hooked.back(), &edit);
    EXPECT_EQ(QToolTip::text(), "Оттенок (H)");

    emptyIt = true;
    hooked.clear();
    QTest::mouseMove(&bar, QPoint(20, 15));
    QTest::mouseMove(&edit, QPoint(6, 6));
    EXPECT_TRUE(WaitUntil([&] { return !hooked.empty() && hooked.back() == &edit; }));
    EXPECT_FALSE(QToolTip::isVisible());

    App().SetHintPause(1000);
    hooked.clear();
    QTest::mouseMove(&bar, QPoint(20, 15));
    QTest::qWait(100);
    EXPECT_TRUE(hooked.empty());
    EXPECT_TRUE(WaitUntil([&] { return !hooked.empty(); }));
    EXPECT_EQ(hooked, std::vector<QWidget*>{&bar});
}

TEST(MouseTest, ClicksAndDoubleClicksOfAContainerStayWithItAndComeInOrder) {
    TForm form;
    form.resize(220, 120);
    TPanel panel(&form);
    panel.SetBounds(0, 0, 220, 120);
    TGroupBox group(&panel);
    group.SetBounds(10, 10, 120, 80);
    std::string log, parent;
    group.OnMouseDown = [&](tMouseButton, tShiftState s, int, int) {
        log += (s & tShift::Double) ? "down2 " : "down ";
    };
    group.OnClick = [&] { log += "click "; };
    group.OnMouseUp = [&](tMouseButton, tShiftState, int, int) { log += "up "; };
    group.OnDblClick = [&] { log += "dbl "; };
    panel.OnMouseDown = [&](tMouseButton, tShiftState, int, int) { parent += "down "; };
    panel.OnClick = [&] { parent += "click "; };
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QTest::mouseClick(&group, Qt::LeftButton, {}, QPoint(40, 40));
    EXPECT_EQ(log, "down click up ");
    log.clear();
    // Through the window, as the platform delivers it (the second press
    // comes as a double click).
    QTest::qWait(QGuiApplication::styleHints()->mouseDoubleClickInterval() + 50);
    QTest::mouseDClick(form.windowHandle(), Qt::LeftButton, {}, group.mapTo(&form, QPoint(40, 40)));
    EXPECT_EQ(log, "down click up dbl down2 up ");
    EXPECT_EQ(parent, "");
    // A press that ends outside is no click; a disabled control lets the
    // click through to its parent.
    log.clear();
    QTest::mousePress(&group, Qt::LeftButton, {}, QPoint(40, 40));
    QTest::mouseRelease(&group, Qt::LeftButton, {}, QPoint(200, 40));
    EXPECT_EQ(log, "down up ");
    group.SetEnabled(false);
    QTest::mouseClick(&group, Qt::LeftButton, {}, QPoint(40, 40));
    EXPECT_EQ(parent, "down click ");
}

TEST(MouseTest, APointerAtRestGetsOneMoreMoveAtTheSamePlace) {
    TForm form;
    form.resize(200, 100);
    TImage image(&form);
    image.SetBounds(0, 0, 64, 64);
    std::vector<QPoint> moves;
    image.OnMouseMove = [&](tShiftState, int x, int y) { moves.emplace_back(x, y); };
    App().SetMouseRestDelay(300);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QTest::mouseMove(&image, QPoint(10, 12));
    EXPECT_EQ(moves.size(), 1u);  // tracked without a button held
    EXPECT_TRUE(WaitUntil([&] { return moves.size() == 2; }));
    EXPECT_EQ(moves.back(), QPoint(10, 12));
    QTest::qWait(400);
    EXPECT_EQ(moves.size(), 2u);  // once per rest
    // Leaving before the rest: no repeat.
    QTest::mouseMove(&image, QPoint(20, 20));
    QTest::mouseMove(&form, QPoint(150, 80));
    QTest::qWait(400);
    EXPECT_EQ(moves.size(), 3u);
    App().SetMouseRestDelay(400);
}

QByteArray CursorFile(QPoint hotSpot) {
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::red);
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, "ico").write(image);
    auto* p = reinterpret_cast<uchar*>(data.data());
    qToLittleEndian<quint16>(2, p + 2);             // a cursor directory ...
    qToLittleEndian<quint16>(hotSpot.x(), p + 10);  // ... whose entry holds the hot spot
    qToLittleEndian<quint16>(hotSpot.y(), p + 12);
    return data;
}

TEST(ScreenTest, TheCursorTableHoldsImagesWithTheirHotSpots) {
    TScreen& screen = TScreen::Instance();
    TForm form;
    TPanel panel(&form);
    ASSERT_TRUE(screen.LoadCursorData(7, CursorFile(QPoint(3, 11))));
    panel.SetCursor(7);
    EXPECT_EQ(panel.Cursor(), 7);
    EXPECT_EQ(panel.cursor().hotSpot(), QPoint(3, 11));
    EXPECT_EQ(panel.cursor().pixmap().size(), QSize(16, 16));

    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImage(20, 10, QImage::Format_ARGB32).save(&buffer, "PNG");
    ASSERT_TRUE(screen.LoadCursorData(8, png, QPoint(2, 4)));
    ASSERT_TRUE(screen.LoadCursorData(9, png));
    EXPECT_EQ(screen.Cursor(8).hotSpot(), QPoint(2, 4));
    EXPECT_EQ(screen.Cursor(9).hotSpot(), QPoint(10, 5));  // the centre when not given

    EXPECT_FALSE(screen.LoadCursorData(10, "not an image"));
    EXPECT_FALSE(screen.HasCursor(10));
    panel.SetCursor(kCursorHandPoint);
    EXPECT_EQ(panel.cursor().shape(), Qt::PointingHandCursor);
    panel.SetCursor(kCursorDefault);
    EXPECT_FALSE(panel.testAttribute(Qt::WA_SetCursor));
    screen.ClearCursors();
    EXPECT_FALSE(screen.HasCursor(7));
}

TEST(ScreenTest, PointerPositionAndWorkArea) {
    TScreen& screen = TScreen::Instance();
    screen.SetPointerPos(QPoint(40, 50));
    EXPECT_EQ(screen.PointerPos(), QPoint(40, 50));
    const QRect area = screen.WorkArea();
    EXPECT_FALSE(area.isEmpty());
    EXPECT_TRUE(QGuiApplication::primaryScreen()->geometry().contains(area));
}

TEST(FormTest, AFormBecomesTheTransientChildOfAHostWindow) {
    QWidget host;
    host.resize(300, 200);
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    TForm form;
    form.SetParentWindow(host.winId());
    EXPECT_EQ(form.ParentWindow(), host.windowHandle());
    form.show();
    ASSERT_NE(form.windowHandle(), nullptr);
    EXPECT_EQ(form.windowHandle()->transientParent(), host.windowHandle());
    // On X the window manager hears of the parent (WM_TRANSIENT_FOR) only
    // from a dialog window; a sizeable form keeps its maximize button.
    EXPECT_EQ(form.windowHandle()->type(), Qt::Dialog);
    EXPECT_TRUE(form.windowFlags() & Qt::WindowMaximizeButtonHint);
    form.SetParentWindow(0);
    EXPECT_EQ(form.windowHandle()->transientParent(), nullptr);
    EXPECT_EQ(form.windowHandle()->type(), Qt::Window);
    if (QGuiApplication::platformName() == "offscreen") {
        // A window of another process, on a platform without foreign
        // windows: the form stays top-level.
        form.SetParentWindow(host.winId() + 12345);
        EXPECT_EQ(form.ParentWindow(), nullptr);
    }
}

TEST(FormTest, ScreenCenterPlacementCentresTheFormOnTheWorkArea) {
    TForm form;
    form.resize(200, 100);
    form.SetPlacement(tPlacement::ScreenCenter);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    const QPoint centre = TScreen::Instance().WorkArea(&form).center();
    EXPECT_LE((form.frameGeometry().center() - centre).manhattanLength(), 2);
}

class UrlReceiver : public QObject {
    Q_OBJECT
  public:
    QList<QUrl> opened;
  public slots:
    void Open(const QUrl& url) { opened.push_back(url); }
};

TEST(ApplicationTest, OpenURLHandsTheAddressToTheDesktop) {
    UrlReceiver receiver;
    QDesktopServices::setUrlHandler("velmora-test", &receiver, "Open");
    EXPECT_TRUE(App().OpenURL("velmora-test://plugins/velmora"));
    QDesktopServices::unsetUrlHandler("velmora-test");
    EXPECT_EQ(receiver.opened, QList<QUrl>{QUrl("velmora-test://plugins/velmora")});
    EXPECT_FALSE(App().OpenURL(""));
}

}  // namespace
}  // namespace velmora::ui

#include "ApplicationTests.moc"

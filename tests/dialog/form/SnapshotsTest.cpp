// Snapshot slots on a form built directly: where a new snapshot goes, the
// controls that follow the slots, deleting, applying by button, key and
// click, the hover preview and the sounds, all through real input.
#include <QFile>
#include <QMouseEvent>
#include <map>
#include <string>

#include "FormFixture.h"
#include "base/Failure.h"
#include "toolkit/TButton.h"
#include "toolkit/TStatusBar.h"
#include "toolkit/WaveSound.h"

namespace velmora::test {
namespace {

class SnapshotsTest : public FormTest {
  protected:
    void SetUp() override {
        FormTest::SetUp();
        for (const char* name : {"SHUTTER", "SET", "SHOW", "RECYCLE"}) {
            QFile resource(QStringLiteral(":/sounds/") + QLatin1String(name));
            ASSERT_TRUE(resource.open(QIODevice::ReadOnly)) << name;
            waves[name] = resource.readAll();
        }
        // Every sound the form starts, by the resource it came from.
        ui::SetWaveObserver([this](const QByteArray& image) {
            std::string name = "?";
            for (const auto& [n, wave] : waves)
                if (wave == image) name = n;
            sounds += (sounds.empty() ? "" : " ") + name;
        });
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }
    void TearDown() override {
        ui::SetWaveObserver({});
        ui::TApplication::Instance().SetMouseRestDelay(restDelay);
        FormTest::TearDown();
    }

    /// The used slots, as "1 3 6".
    static std::string Used() {
        std::string s;
        for (int n = 1; n <= 6; ++n)
            if (Slots[n - 1].Used) s += (s.empty() ? "" : " ") + std::to_string(n);
        return s;
    }
    /// Fills the slots with distinct settings (Rotate 10 × n) and shows them.
    void Fill(const std::vector<int>& used) {
        for (int n : used) {
            Slots[n - 1].Used = 1;
            Slots[n - 1].Params = Settings;
            Slots[n - 1].Params.Rotate = 10 * n;
        }
        form->UpdateSnapshotControls();
    }
    QWidget* W(const std::string& name) { return C<QWidget>(name.c_str()); }
    void Click(const std::string& name) { QTest::mouseClick(W(name), Qt::LeftButton); }
    std::string Shown() {
        std::string s;
        for (int n = 1; n <= 6; ++n) {
            const std::string k = std::to_string(n);
            const bool image = W("ShotImage" + k)->isVisible();
            EXPECT_EQ(W("ShowButton" + k)->isVisible(), image) << n;
            EXPECT_EQ(W("ClearButton" + k)->isVisible(), image) << n;
            if (image) s += (s.empty() ? "" : " ") + k;
        }
        return s;
    }
    QString Status() { return C<ui::TStatusBar>("StatusBar")->Panel(3).Text(); }

    std::map<std::string, QByteArray> waves;
    std::string sounds;
    const int restDelay = ui::TApplication::Instance().MouseRestDelay();
};

TEST_F(SnapshotsTest, ANewSnapshotGoesAfterTheHighestUsedSlotAndFillsGapsOnlyOnceSixIsTaken) {
    struct Case {
        const char* name;
        std::vector<int> used;
        std::string after;
    } cases[] = {
        {"none used", {}, "1"},
        {"a gap below the highest stays", {1, 3}, "1 3 4"},
        {"slot 6 used: the lowest free one", {1, 3, 4, 5, 6}, "1 2 3 4 5 6"},
        {"slot 6 used, 1 free", {2, 6}, "1 2 6"},
        {"all six used: nothing", {1, 2, 3, 4, 5, 6}, "1 2 3 4 5 6"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (tParamSlot& slot : Slots) slot = tParamSlot{};
        Fill(c.used);
        sounds.clear();
        tParamSlot before[kSlotCount];
        std::memcpy(before, Slots, sizeof Slots);
        Settings.Rotate = -77;
        Click("ShotButton");
        EXPECT_EQ(Used(), c.after);
        EXPECT_EQ(Shown(), c.after);
        int taken = 0;
        for (int n = 1; n <= 6; ++n)
            if (std::memcmp(&Slots[n - 1], &before[n - 1], sizeof(tParamSlot)) != 0) {
                ++taken;
                EXPECT_EQ(std::memcmp(&Slots[n - 1].Params, &Settings, sizeof Settings), 0);
            }
        const bool full = c.used.size() == 6;
        EXPECT_EQ(taken, full ? 0 : 1);
        EXPECT_EQ(sounds, full ? "" : "SHUTTER");
    }
}

TEST_F(SnapshotsTest, ADeletedSlotIsNotReusedBeforeSlotSixIsTaken) {
    for (int k = 1; k <= 3; ++k) {
        Settings.Rotate = k;
        Click("ShotButton");
    }
    Click("ClearButton2");
    EXPECT_EQ(Used(), "1 3");
    EXPECT_EQ(sounds, "SHUTTER SHUTTER SHUTTER") << "deleting one slot is silent";
    Settings.Rotate = 4;
    Click("ShotButton");
    EXPECT_EQ(Used(), "1 3 4");
    EXPECT_EQ(Slots[3].Params.Rotate, 4);
    EXPECT_EQ(Slots[2].Params.Rotate, 3);
    EXPECT_EQ(Settings.Rotate, 4) << "deleting does not touch the settings";
}

TEST_F(SnapshotsTest, ClearAllShowsForTwoOrMoreSlotsAndDeletesThemAllWithItsSound) {
    EXPECT_FALSE(W("ClearAllButton")->isVisible());
    Fill({4});
    EXPECT_EQ(Shown(), "4");
    EXPECT_FALSE(W("ClearAllButton")->isVisible());
    Fill({2});
    EXPECT_EQ(Shown(), "2 4");
    EXPECT_TRUE(W("ClearAllButton")->isVisible());
    Click("ClearButton4");
    EXPECT_FALSE(W("ClearAllButton")->isVisible());
    Fill({1, 6});
    const tParams settings = Settings;
    Click("ClearAllButton");
    EXPECT_EQ(Used(), "");
    EXPECT_EQ(Shown(), "");
    EXPECT_FALSE(W("ClearAllButton")->isVisible());
    EXPECT_EQ(sounds, "RECYCLE");
    EXPECT_EQ(std::memcmp(&Settings, &settings, sizeof Settings), 0);
}

TEST_F(SnapshotsTest, ButtonsKeysAndClicksApplyASnapshotAsOneUndoStepWithItsWholeRecord) {
    Fill({2, 3, 5});
    Slots[2].Params.FullScreen = 0;
    const tParams start = Settings;
    ASSERT_EQ(start.FullScreen, 1);

    Click("ShowButton2");
    EXPECT_EQ(Settings.Rotate, 20);
    EXPECT_TRUE(C<QWidget>("UndoButton")->isEnabled());
    const QSize size = form->size();
    QTest::keyClick(form.get(), Qt::Key_3);
    EXPECT_EQ(Settings.Rotate, 30);
    EXPECT_EQ(Settings.FullScreen, 0) << "the window-size byte comes with the snapshot";
    EXPECT_EQ(form->size(), size) << "without laying the window out again";
    QTest::keyClick(form.get(), Qt::Key_6);  // a free slot
    EXPECT_EQ(Settings.Rotate, 30);
    Click("ShotImage5");
    EXPECT_EQ(Settings.Rotate, 50);
    EXPECT_EQ(sounds, "SET");

    for (int expected : {30, 20, 0}) {
        Click("UndoButton");
        EXPECT_EQ(Settings.Rotate, expected);
    }
    EXPECT_TRUE(SettingsEqual(Settings, start));
    EXPECT_FALSE(C<QWidget>("UndoButton")->isEnabled());
}

TEST_F(SnapshotsTest, RestingOnAThumbnailPreviewsItAndLeavingRestoresTheSettings) {
    ui::TApplication::Instance().SetMouseRestDelay(150);
    Fill({1, 3});
    Slots[1] = tParamSlot{Settings, 1, {}};  // slot 2 equals the current settings
    form->UpdateSnapshotControls();
    const tParams start = Settings;
    const int entries = UndoEntryCount();
    auto rested = [&](const std::string& expected) {
        return QTest::qWaitFor([&] { return sounds == expected; }, 3000);
    };

    // Equal settings: resting there does nothing.
    QTest::mouseMove(W("ShotImage2"), QPoint(10, 10));
    EXPECT_EQ(Status(), QStringLiteral(" Остановись - посмотришь; нажми - изменишь "));
    QTest::qWait(400);
    EXPECT_EQ(sounds, "");
    EXPECT_EQ(std::memcmp(&Settings, &start, sizeof Settings), 0);

    QTest::mouseMove(W("ShotImage1"), QPoint(10, 10));
    EXPECT_EQ(Settings.Rotate, 0) << "not before the mouse rests";
    ASSERT_TRUE(rested("SHOW"));
    EXPECT_EQ(Settings.Rotate, 10);
    EXPECT_EQ(UndoEntryCount(), entries) << "a preview records nothing";

    // Straight onto the next thumbnail, at the same place inside it: the
    // leave restores at once, the preview waits for the rest.
    QTest::mouseMove(W("ShotImage3"), QPoint(10, 10));
    EXPECT_EQ(Settings.Rotate, 0);
    EXPECT_EQ(sounds, "SHOW");
    ASSERT_TRUE(rested("SHOW SHOW"));
    EXPECT_EQ(Settings.Rotate, 30);

    QTest::mouseMove(form.get(), QPoint(5, 5));
    EXPECT_EQ(std::memcmp(&Settings, &start, sizeof Settings), 0);
    EXPECT_EQ(Status(), QString());
    EXPECT_EQ(UndoEntryCount(), entries);
}

TEST_F(SnapshotsTest, ALeaveThatArrivesWhileThePreviewLoadsEndsItAfterwards) {
    Fill({1});
    Settings.Sharpness = 1.2;  // a change not recorded yet
    form->RefreshControls();
    const tParams before = Settings;
    const int entries = UndoEntryCount();
    QWidget* thumbnail = W("ShotImage1");
    auto move = [&] {
        QMouseEvent event(QEvent::MouseMove, QPointF(6, 6), thumbnail->mapToGlobal(QPointF(6, 6)),
                          Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(thumbnail, &event);
    };
    move();
    // The mouse leaves just as it comes to rest: the leave is queued while
    // the controls load the previewed settings.
    QCoreApplication::postEvent(thumbnail, new QEvent(QEvent::Leave));
    move();
    QApplication::processEvents();
    EXPECT_EQ(sounds, "SHOW");
    EXPECT_EQ(std::memcmp(&Settings, &before, sizeof Settings), 0);
    EXPECT_EQ(Bar("RotateTrackBar")->Position(), before.Rotate) << "the controls show it too";
    EXPECT_EQ(UndoEntryCount(), entries) << "a preview records nothing";
    EXPECT_EQ(Status(), QString());
}

TEST_F(SnapshotsTest, AClickDuringAPreviewRecordsTheStateFromBeforeIt) {
    ui::TApplication::Instance().SetMouseRestDelay(100);
    Fill({4});
    Settings.Lightness = 0.8;
    const tParams before = Settings;
    QTest::mouseMove(W("ShotImage4"), QPoint(8, 8));
    ASSERT_TRUE(QTest::qWaitFor([&] { return sounds == "SHOW"; }, 3000));
    ASSERT_EQ(Settings.Rotate, 40);
    QTest::mouseClick(W("ShotImage4"), Qt::LeftButton, {}, QPoint(8, 8));
    EXPECT_EQ(sounds, "SHOW SET");
    EXPECT_EQ(Settings.Rotate, 40);
    QTest::mouseMove(form.get(), QPoint(5, 5));
    EXPECT_EQ(Settings.Rotate, 40) << "after a click, leaving keeps the applied snapshot";

    Click("UndoButton");
    EXPECT_TRUE(SettingsEqual(Settings, before));
    EXPECT_TRUE(C<QWidget>("RedoButton")->isEnabled());
    Click("RedoButton");
    EXPECT_EQ(Settings.Rotate, 40);
}

TEST_F(SnapshotsTest, AKeyDuringAPreviewEndsItAndTheLeaveKeepsWhatTheKeyDid) {
    ui::TApplication::Instance().SetMouseRestDelay(100);
    Fill({1, 3});
    const tParams before = Settings;
    QTest::mouseMove(W("ShotImage1"), QPoint(8, 8));
    ASSERT_TRUE(QTest::qWaitFor([&] { return sounds == "SHOW"; }, 3000));
    QTest::keyClick(form.get(), Qt::Key_3);
    EXPECT_EQ(Settings.Rotate, 30);
    QTest::mouseMove(form.get(), QPoint(5, 5));
    EXPECT_EQ(Settings.Rotate, 30) << "the leave keeps the applied snapshot";
    Click("UndoButton");
    EXPECT_TRUE(SettingsEqual(Settings, before)) << "the step holds the state before the preview";

    // An undo during a preview stays too.
    Click("ShowButton3");
    QTest::mouseMove(W("ShotImage1"), QPoint(9, 9));
    ASSERT_TRUE(QTest::qWaitFor([&] { return sounds == "SHOW SHOW"; }, 3000));
    QTest::keyClick(form.get(), Qt::Key_Z, Qt::ControlModifier);
    const tParams undone = Settings;
    QTest::mouseMove(form.get(), QPoint(5, 5));
    EXPECT_EQ(std::memcmp(&Settings, &undone, sizeof Settings), 0);
}

TEST_F(SnapshotsTest, AKeyDuringAPreviewActsOnTheSettingsFromBeforeIt) {
    // Undo and the reset record the state they leave; the settings from
    // before the preview, not the previewed ones, stay reachable.
    ui::TApplication::Instance().SetMouseRestDelay(100);
    struct tCase {
        const char* name;
        std::function<void()> act;
        std::function<void()> back;
    };
    const tCase cases[] = {
        {"undo, then redo", [&] { QTest::keyClick(form.get(), Qt::Key_Z, Qt::ControlModifier); },
         [&] { Click("RedoButton"); }},
        {"the reset, then undo", [&] { QTest::keyClick(form.get(), Qt::Key_Home); },
         [&] { Click("UndoButton"); }},
    };
    ui::TTrackBar* lightness = Bar("LightnessTrackBar");
    for (const tCase& c : cases) {
        SCOPED_TRACE(c.name);
        FreeHistory();
        ResetFirstUse();
        form->RefreshControls();
        Fill({1});
        // A slider change, not yet recorded as a step of its own.
        lightness->SetFocus();
        QTest::keyClick(lightness, Qt::Key_Right);
        const tParams before = Settings;
        ASSERT_NE(before.Lightness, 1.0);
        sounds.clear();
        QTest::mouseMove(W("ShotImage1"), QPoint(8, 8));
        ASSERT_TRUE(QTest::qWaitFor([&] { return sounds == "SHOW"; }, 3000));
        ASSERT_EQ(Settings.Rotate, 10);
        c.act();
        EXPECT_EQ(Settings.Lightness, 1.0);
        EXPECT_EQ(Settings.Rotate, 0);
        QTest::mouseMove(form.get(), QPoint(5, 5));
        EXPECT_EQ(Settings.Lightness, 1.0) << "the leave keeps what the key did";
        c.back();
        EXPECT_TRUE(SettingsEqual(Settings, before));
        QTest::mouseMove(form.get(), QPoint(6, 6));
    }
    // A key that changes no settings ends the preview as well, and the
    // controls show the settings again once it has been handled.
    const tParams before = Settings;
    sounds.clear();
    QTest::mouseMove(W("ShotImage1"), QPoint(9, 9));
    ASSERT_TRUE(QTest::qWaitFor([&] { return sounds == "SHOW"; }, 3000));
    QTest::keyClick(form.get(), Qt::Key_Minus, Qt::KeypadModifier);
    QApplication::processEvents();
    EXPECT_TRUE(SettingsEqual(Settings, before));
    EXPECT_EQ(Bar("RotateTrackBar")->Position(), before.Rotate);
}

TEST_F(SnapshotsTest, AnUnreadableSoundOrAForeignSenderIsAnInternalFailure) {
    auto message = [](const std::function<void()>& f) -> std::string {
        try {
            f();
        } catch (const tInternalFailure& e) {
            return e.what();
        }
        return "no failure";
    };
    EXPECT_EQ(message([] { dialog::TParamForm::PlayResourceSound(QStringLiteral("NOSUCH")); }),
              "Ошибка чтения ресурса NOSUCH");
    QObject stranger;
    EXPECT_EQ(message([&] { form->ClearButtonClick(&stranger); }), "Не нашлось кнопки :(");
    EXPECT_EQ(message([&] { form->ShowButtonClick(&stranger); }), "Не нашлось кнопки :(");
    EXPECT_EQ(Used(), "");
}

}  // namespace
}  // namespace velmora::test

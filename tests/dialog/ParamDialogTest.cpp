// The parameter dialog through the continue selector: opening, the
// analysis, the preview, OK, Cancel, the resets and the key map.
#include "DialogDriver.h"
#include "toolkit/TStatusBar.h"

namespace velmora::test {
namespace {

// The image a run without the dialog makes from the same photo and the
// block the dialog left equals the dialog's.
void ExpectHeadlessResult(const FakeHost& host, int width, int height) {
    FakeHost headless(sdk::kModeRGB, width, height);
    LoadPhoto(headless, width, height);
    headless.block = host.block;
    headless.record.parameters = reinterpret_cast<sdk::BufferID>(&headless.block);
    Module.RepeatFlag = true;
    ASSERT_EQ(Call(headless, sdk::kSelectorPrepare), 0);
    ASSERT_EQ(Call(headless, sdk::kSelectorStart), 0);
    ASSERT_EQ(Call(headless, sdk::kSelectorContinue), 0);
    ASSERT_EQ(Call(headless, sdk::kSelectorFinish), 0);
    EXPECT_TRUE(headless.out == host.out) << "the dialog's result differs from the headless one";
}

TEST_F(ParamDialogTest, OpensAnalysesShowsTheKernelsPreviewAndOkAppliesAsTheHeadlessRun) {
    FakeHost host(sdk::kModeRGB, 600, 400);
    LoadPhoto(host, 600, 400);
    auto script = std::make_shared<tScript>();
    bool checked = false;
    script->steps.push_back(
        {Ready, [&](TParamForm& form) {
             EXPECT_EQ(DialogView, &form);
             for (bool flag : Steps.Flags) EXPECT_TRUE(flag);
             auto* image = Child<ui::TImage>(&form, "Image");
             ASSERT_TRUE(image->isVisible());
             EXPECT_EQ(Photo.BoxWidth, image->Width());
             EXPECT_EQ(Photo.BoxHeight, image->Height());
             EXPECT_GT(Photo.BoxWidth, 400) << "compact layout: a square box of 535";
             EXPECT_TRUE(Child<QWidget>(&form, "ShadowTrackBar")->isEnabled());
             EXPECT_TRUE(Child<QWidget>(&form, "OkButton")->isEnabled());
             // Every pixel of the picture is the kernel's output for the working
             // pixel under it, through the display conversion.
             const ui::TBitmap& picture = image->Picture();
             const uint8_t* working = WorkingPixels();
             int compared = 0;
             for (int r = Photo.DestTop; r <= Photo.DestBottom; r += 3)
                 for (int c = Photo.DestLeft; c <= Photo.DestRight; c += 3) {
                     const int x = Photo.ScrollX + c - Photo.DestLeft;
                     const int y = Photo.ScrollY + r - Photo.DestTop;
                     const uint8_t* p = working + (size_t(y) * size_t(Photo.Width) + size_t(x)) * 3;
                     const tLab8 v = CorrectPixel(x, y, p[0], p[1], p[2]);
                     const uint8_t lab[3] = {v.L, v.a, v.b};
                     uint8_t rgb[3];
                     LabToDisplay(lab, rgb);
                     const uint8_t* got = picture.ScanLine(r) + size_t(c) * 3;
                     ASSERT_EQ(got[2], rgb[0]) << c << ' ' << r;
                     ASSERT_EQ(got[1], rgb[1]) << c << ' ' << r;
                     ASSERT_EQ(got[0], rgb[2]) << c << ' ' << r;
                     ++compared;
                 }
             EXPECT_GT(compared, 1000);
             form.grab().save(QStringLiteral("/tmp/velmora_dialog_coffee.png"));
             checked = true;
             QTest::mouseClick(Child<ui::TButton>(&form, "OkButton"), Qt::LeftButton);
         }});
    ASSERT_EQ(RunWithDialog(host, script), 0);
    ASSERT_TRUE(checked);
    EXPECT_TRUE(Module.ConfirmedFlag);
    EXPECT_EQ(Photo.Bitmap, nullptr) << "the working image is released at close";
    EXPECT_EQ(UndoEntryCount(), 0);

    // The same image repeated without the dialog, with the block the dialog left.
    ExpectHeadlessResult(host, 600, 400);
    EXPECT_NE(host.out, host.in);
}

TEST_F(ParamDialogTest, CancelEscapeAndClosingGiveUserCancelledAndKeepTheBlockAsRead) {
    enum class tWay { CancelButton, Escape, Close };
    for (tWay way : {tWay::CancelButton, tWay::Escape, tWay::Close}) {
        SCOPED_TRACE(int(way));
        FakeHost host(sdk::kModeRGB, 160, 120);
        LoadPhoto(host, 160, 120);
        auto script = std::make_shared<tScript>();
        tParams asRead{};
        tParamSlot slotsAsRead[kSlotCount]{};
        script->steps.push_back({Ready, [&](TParamForm& form) {
                                     // The start-up reset is one undo step away: the stored
                                     // settings.
                                     std::memcpy(slotsAsRead, Slots, sizeof Slots);
                                     Undo();
                                     asRead = Settings;
                                     Redo();
                                     // Changes, a refresh and a "snapshot" the cancel must discard.
                                     PushUndo();
                                     Settings.Lightness = 0.6;
                                     PushUndo();
                                     Settings.Contrast = 1.7;
                                     Slots[2].Used = 1;
                                     Slots[2].Params = Settings;
                                     form.RefreshControls();
                                     switch (way) {
                                         case tWay::CancelButton:
                                             QTest::mouseClick(
                                                 Child<ui::TButton>(&form, "CancelButton"),
                                                 Qt::LeftButton);
                                             break;
                                         case tWay::Escape:
                                             QTest::keyClick(&form, Qt::Key_Escape);
                                             break;
                                         case tWay::Close:
                                             form.close();
                                             break;
                                     }
                                 }});
        ASSERT_EQ(RunWithDialog(host, script), sdk::kUserCanceled);
        EXPECT_FALSE(Module.ConfirmedFlag);
        EXPECT_TRUE(SettingsEqual(Block(host).Params, asRead));
        EXPECT_EQ(std::memcmp(Block(host).Slots, slotsAsRead, sizeof slotsAsRead), 0);
        EXPECT_EQ(Block(host).Slots[2].Used, 0);
        EXPECT_EQ(Photo.Bitmap, nullptr);
        EXPECT_EQ(UndoEntryCount(), 0);
    }
}

// Acts once, the first time the visible dialog's status panel 3 shows the
// text. It looks whenever messages run, also while the dialog's own steps
// let them run, so it acts at that exact moment. A dialog still open after
// 20 s is closed.
class tOnStatus {
  public:
    tOnStatus(const char* text, std::function<void(TParamForm&)> act)
        : text_(QString::fromUtf8(text)), act_(std::move(act)) {
        clock_.start();
        QObject::connect(&timer_, &QTimer::timeout, [this] { Look(); });
        timer_.start(0);
    }
    bool Acted() const { return acted_; }
    bool Forced() const { return forced_; }

  private:
    void Look() {
        TParamForm* form = VisibleDialog();
        if (!form) return;
        if (clock_.elapsed() > 20000) {
            forced_ = true;
            form->close();
            return;
        }
        if (acted_ || Child<ui::TStatusBar>(form, "StatusBar")->Panel(3).Text() != text_) return;
        acted_ = true;
        act_(*form);
    }

    QString text_;
    std::function<void(TParamForm&)> act_;
    QTimer timer_;
    QElapsedTimer clock_;
    bool acted_ = false;
    bool forced_ = false;
};

TEST_F(ParamDialogTest, OkClickedAgainWhileItFinishesTheAnalysisAppliesTheWholeAnalysis) {
    // The first click comes in as the analysis starts and finishes the maps,
    // letting messages run as each stage starts; the second click of a
    // double click comes in there.
    for (const char* stage : {" Анализ резкости...", " Анализ контраста...",
                              " Распределение памяти...", " Масштабирование масок "}) {
        SCOPED_TRACE(stage);
        FakeHost host(sdk::kModeRGB, 600, 400);
        LoadPhoto(host, 600, 400);
        auto click = [](TParamForm& form) {
            QTest::mouseClick(Child<ui::TButton>(&form, "OkButton"), Qt::LeftButton);
        };
        tOnStatus first(" Анализ яркости...", click);
        tOnStatus second(stage, [&](TParamForm& form) {
            EXPECT_TRUE(first.Acted());
            click(form);
        });
        ASSERT_EQ(RunWithDialog(host, std::make_shared<tScript>()), 0);
        ASSERT_TRUE(second.Acted());
        EXPECT_FALSE(first.Forced() || second.Forced());
        EXPECT_TRUE(Module.ConfirmedFlag);
        ExpectHeadlessResult(host, 600, 400);
    }
}

// A stored block with settings that differ from the initial ones.
void StoreSettings(FakeHost& host) {
    ResetFirstUse();
    tParamBlock block{};
    block.Params = Settings;
    block.Params.Lightness = 0.6;
    block.Params.Rotate = -40;
    block.Params.FollowAnalysis = 0;
    block.Params.BlackLevel = 14;
    host.block.assign(sizeof block, 0);
    std::memcpy(host.block.data(), &block, sizeof block);
    host.record.parameters = reinterpret_cast<sdk::BufferID>(&host.block);
}

TEST_F(ParamDialogTest, ClosingTheWindowWhileTheStartUpRunsKeepsTheStoredSettings) {
    // The close arrives while the start-up lets messages run between its
    // stages: after the conversion, or after the dynamic-range analysis.
    for (const char* stage : {" Анализ динамического диапазона...", " Масштабирование..."}) {
        SCOPED_TRACE(stage);
        FakeHost host(sdk::kModeRGB, 300, 200);
        LoadPhoto(host, 300, 200);
        StoreSettings(host);
        const tParams stored = Block(host).Params;
        tOnStatus close(stage, [](TParamForm& form) {
            EXPECT_FALSE(Child<QWidget>(&form, "OkButton")->isEnabled());
            form.close();
        });
        ASSERT_EQ(RunWithDialog(host, std::make_shared<tScript>()), sdk::kUserCanceled);
        ASSERT_TRUE(close.Acted());
        EXPECT_FALSE(close.Forced());
        EXPECT_FALSE(Module.ConfirmedFlag);
        EXPECT_TRUE(SettingsEqual(Block(host).Params, stored));
        EXPECT_EQ(Block(host).Params.Lightness, 0.6);
        EXPECT_EQ(UndoEntryCount(), 0);
        EXPECT_EQ(Photo.Bitmap, nullptr);
    }
}

TEST_F(ParamDialogTest, AltTurnsCancelIntoTheSourceActionAndInputIsHandledBetweenSteps) {
    FakeHost host(sdk::kModeRGB, 300, 200);
    LoadPhoto(host, 300, 200);
    auto script = std::make_shared<tScript>();
    auto cancelOf = [](TParamForm& f) { return Child<ui::TButton>(&f, "CancelButton"); };
    // While the map building runs: Alt changes the caption before the
    // analysis has finished, so the key came in between two steps.
    script->steps.push_back({[](TParamForm& f) {
                                 return Steps.Flags[0] && !Maps.Ready &&
                                        Child<QWidget>(&f, "OkButton")->isEnabled();
                             },
                             [&](TParamForm& form) {
                                 QTest::keyPress(&form, Qt::Key_Alt, Qt::AltModifier);
                                 EXPECT_EQ(cancelOf(form)->Caption(), QStringLiteral("Исходный"));
                                 EXPECT_TRUE(cancelOf(form)->hasFocus());
                                 EXPECT_FALSE(Maps.Ready);
                                 QTest::keyRelease(&form, Qt::Key_Alt, Qt::NoModifier);
                                 EXPECT_EQ(cancelOf(form)->Caption(), QStringLiteral("Отмена"));
                             }});
    script->steps.push_back({Ready, [&](TParamForm& form) {
                                 Settings.Lightness = 0.5;
                                 const int entries = UndoEntryCount();
                                 QTest::keyPress(&form, Qt::Key_Alt, Qt::AltModifier);
                                 QTest::mouseClick(cancelOf(form), Qt::LeftButton, Qt::AltModifier);
                                 EXPECT_TRUE(form.isVisible())
                                     << "the Source action keeps the dialog open";
                                 EXPECT_EQ(Settings.Lightness, 1.0);
                                 EXPECT_EQ(UndoEntryCount(), entries + 1);
                                 QTest::keyRelease(&form, Qt::Key_Alt, Qt::NoModifier);
                                 EXPECT_EQ(cancelOf(form)->Caption(), QStringLiteral("Отмена"));
                                 EXPECT_TRUE(Child<QWidget>(&form, "OkButton")->hasFocus());
                                 QTest::mouseClick(cancelOf(form), Qt::LeftButton);
                             }});
    EXPECT_EQ(RunWithDialog(host, script), sdk::kUserCanceled);
}

// A point of a container that no child covers.
QPoint FreePoint(QWidget* w) {
    for (int y = 2; y < w->height(); y += 2)
        for (int x = 2; x < w->width(); x += 2)
            if (!w->childAt(x, y)) return QPoint(x, y);
    ADD_FAILURE() << "no free area";
    return {};
}

TEST_F(ParamDialogTest, ClickResetsAndDoubleClickUndoesAndTheKeyMap) {
    FakeHost host(sdk::kModeRGB, 160, 120);
    LoadPhoto(host, 160, 120);
    auto script = std::make_shared<tScript>();
    script->steps.push_back(
        {Ready, [&](TParamForm& form) {
             auto dclick = [&](const char* name) {
                 QWidget* w = Child<QWidget>(&form, name);
                 QTest::qWait(QGuiApplication::styleHints()->mouseDoubleClickInterval() + 50);
                 QTest::mouseDClick(form.windowHandle(), Qt::LeftButton, {},
                                    w->mapTo(&form, FreePoint(w)));
             };
             // A recording reset: the double click leaves the black level as it
             // was before the click.
             // A black level set by hand no longer follows the analysis.
             PushUndo();
             Settings.BlackLevel = 40;
             Settings.FollowAnalysis = 0;
             dclick("RangeGroup");
             EXPECT_EQ(Settings.BlackLevel, 40);
             // A plain reset: the double click also reverts the change before it.
             PushUndo();
             const double before = Settings.Lightness;
             Settings.Lightness = 0.7;
             dclick("LightnessPanel");
             EXPECT_EQ(Settings.Lightness, before);
             // A single click resets.
             Settings.Lightness = 0.7;
             QWidget* panel = Child<QWidget>(&form, "LightnessPanel");
             QTest::qWait(QGuiApplication::styleHints()->mouseDoubleClickInterval() + 50);
             QTest::mouseClick(panel, Qt::LeftButton, {}, FreePoint(panel));
             EXPECT_EQ(Settings.Lightness, 1.0);

             // Keys: Ctrl+Z undoes, Shift+Ctrl+Z redoes.
             PushUndo();
             Settings.Sharpness = 1.8;
             QTest::keyClick(&form, Qt::Key_Z, Qt::ControlModifier);
             EXPECT_EQ(Settings.Sharpness, 1.0);
             QTest::keyClick(&form, Qt::Key_Z, Qt::ShiftModifier | Qt::ControlModifier);
             EXPECT_EQ(Settings.Sharpness, 1.8);
             // Home is the Source action; with Alt held nothing matches.
             QTest::keyClick(&form, Qt::Key_Home, Qt::AltModifier);
             EXPECT_EQ(Settings.Sharpness, 1.8);
             QTest::keyClick(&form, Qt::Key_Home);
             EXPECT_EQ(Settings.Sharpness, 1.0);
             // Numeric-pad minus in an edit field goes to the edit; the digit of
             // an empty slot reaches the focused control.
             auto* edit = Child<ui::TEdit>(&form, "GammaEdit");
             edit->SetFocus();
             edit->SetText(QString());
             const double scale = Photo.Scale;
             QTest::keyClick(edit, Qt::Key_Minus, Qt::KeypadModifier);
             EXPECT_EQ(Photo.Scale, scale);
             EXPECT_EQ(edit->Text(), QStringLiteral("-"));
             QTest::keyClick(edit, Qt::Key_3);
             EXPECT_EQ(edit->Text(), QStringLiteral("-3"));
             // Space sets the hand cursor and is consumed.
             QTest::keyPress(&form, Qt::Key_Space);
             EXPECT_TRUE(form.State().SpaceHeld);
             QTest::keyRelease(&form, Qt::Key_Space);
             EXPECT_FALSE(form.State().SpaceHeld);
             QTest::keyClick(&form, Qt::Key_Escape);
         }});
    EXPECT_EQ(RunWithDialog(host, script), sdk::kUserCanceled);
}

TEST_F(ParamDialogTest, HintSwitchSetsThePauseAndPaintersUseTheLabColours) {
    FakeHost host(sdk::kModeRGB, 160, 120);
    LoadPhoto(host, 160, 120);
    auto script = std::make_shared<tScript>();
    script->steps.push_back(
        {Ready, [&](TParamForm& form) {
             auto* hints = Child<ui::TCheckBox>(&form, "HintCheckBox");
             EXPECT_FALSE(hints->Checked());
             EXPECT_EQ(ui::TApplication::Instance().HintPause(), 0);
             hints->SetChecked(true);
             EXPECT_EQ(ui::TApplication::Instance().HintPause(), 500);
             hints->SetChecked(false);

             form.PaintNormalImage();
             auto* normal = Child<ui::TImage>(&form, "NormalImage");
             const int w = normal->Width();
             auto lab = [](uint8_t L, uint8_t a, uint8_t b) {
                 const uint8_t in[3] = {L, a, b};
                 uint8_t rgb[3];
                 LabToDisplay(in, rgb);
                 return QColor(rgb[0], rgb[1], rgb[2]);
             };
             const int x = w / 3;
             EXPECT_EQ(normal->Canvas().Pixel(x, normal->Height() / 2),
                       lab(uint8_t(std::nearbyint(255.0 * x / (w - 1))), 128, 128));
             EXPECT_EQ(normal->Canvas().Pixel(0, 0), QColor(Qt::black));
             form.PaintHueBandEdits();
             // Green: (60, -60, 0) -> Lab(153, 68, 128).
             EXPECT_EQ(Child<ui::TEdit>(&form, "GreenEdit")->Color(), lab(153, 68, 128));
             QTest::keyClick(&form, Qt::Key_Escape);
         }});
    EXPECT_EQ(RunWithDialog(host, script), sdk::kUserCanceled);
}

}  // namespace
}  // namespace velmora::test

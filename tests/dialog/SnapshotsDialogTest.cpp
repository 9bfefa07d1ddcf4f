// Snapshots and undo through the whole dialog: thumbnails of the slots read
// from the block and of new snapshots, the slots after a cancel, the
// start-up reset as one undo step, and undo and redo around slider changes.
#include <QScopeGuard>

#include "DialogDriver.h"
#include "engine/Preview.h"
#include "toolkit/TSpeedButton.h"
#include "toolkit/TTrackBar.h"

namespace velmora::test {
namespace {

// The analysis finished and its completion ran to the end: Ready alone can
// hold while the completion lets messages run, before the controls that
// need the maps are enabled.
bool Settled(TParamForm& form) {
    return Ready(form) && Child<QWidget>(&form, "ShadowTrackBar")->isEnabled();
}

// A stored block: the first-use settings with a lighter curve and a hue
// rotation, and slots 2 and 5 holding two other looks.
void StoreBlock(FakeHost& host) {
    ResetFirstUse();
    tParamBlock block{};
    block.Params = Settings;
    block.Params.Lightness = 0.7;
    block.Params.Rotate = 25;
    block.Params.FollowAnalysis = 0;
    block.Params.BlackLevel = 12;
    block.Params.WhiteLevel = 230;
    block.Slots[1].Params = Settings;
    block.Slots[1].Params.Lightness = 1.6;
    block.Slots[1].Used = 1;
    block.Slots[4].Params = Settings;
    block.Slots[4].Params.Rotate = -90;
    block.Slots[4].Params.ColorContrast = 2.5;
    block.Slots[4].Used = 1;
    host.block.assign(sizeof block, 0);
    std::memcpy(host.block.data(), &block, sizeof block);
    host.record.parameters = reinterpret_cast<sdk::BufferID>(&host.block);
}

// The thumbnail RenderThumbnail draws for these settings, compared with
// what ShotImageN shows; the settings are left as they were.
void ExpectThumbnail(TParamForm& form, int n, const tParams& params) {
    SCOPED_TRACE(n);
    auto* image = Child<ui::TImage>(&form, ("ShotImage" + std::to_string(n)).c_str());
    ASSERT_TRUE(image->isVisible());
    const tParams saved = Settings;
    Settings = params;
    tBitmap24 expected(32, 32);
    RenderThumbnail(expected);
    Settings = saved;
    const ui::TBitmap& picture = image->Picture();
    ASSERT_EQ(picture.Width(), 32);
    ASSERT_EQ(picture.Height(), 32);
    int distinct = 0;
    for (int y = 0; y < 32; ++y) {
        const uint8_t* want = expected.Pixels.data() + size_t(y) * 32 * 3;
        ASSERT_EQ(std::memcmp(picture.ScanLine(y), want, 32 * 3), 0) << "row " << y;
        distinct += std::memcmp(want, expected.Pixels.data(), 32 * 3) != 0 ? 1 : 0;
    }
    EXPECT_GT(distinct, 8) << "a picture, not a plain fill";
}

TEST_F(ParamDialogTest, ThumbnailsShowTheStoredSlotsAndNewSnapshotsAndCancelKeepsTheBlocksSlots) {
    FakeHost host(sdk::kModeRGB, 160, 120);
    LoadPhoto(host, 160, 120);
    StoreBlock(host);
    tParamSlot stored[kSlotCount];
    std::memcpy(stored, Block(host).Slots, sizeof stored);
    auto script = std::make_shared<tScript>();
    bool checked = false;
    script->steps.push_back(
        {Settled, [&](TParamForm& form) {
             for (int n = 1; n <= 6; ++n) {
                 const bool used = n == 2 || n == 5;
                 const std::string k = std::to_string(n);
                 EXPECT_EQ(Child<QWidget>(&form, ("ShotImage" + k).c_str())->isVisible(), used)
                     << n;
                 EXPECT_EQ(Child<QWidget>(&form, ("ShowButton" + k).c_str())->isVisible(), used)
                     << n;
             }
             EXPECT_TRUE(Child<QWidget>(&form, "ClearAllButton")->isVisible());
             ExpectThumbnail(form, 2, stored[1].Params);
             ExpectThumbnail(form, 5, stored[4].Params);

             // Two snapshots: after slot 5, then (slot 6 taken) the lowest free one.
             auto* shot = Child<ui::TSpeedButton>(&form, "ShotButton");
             ASSERT_TRUE(shot->isEnabled());
             Settings.Sharpness = 2.0;
             QTest::mouseClick(shot, Qt::LeftButton);
             ExpectThumbnail(form, 6, Settings);
             Settings.Lightness = 0.5;
             QTest::mouseClick(shot, Qt::LeftButton);
             ExpectThumbnail(form, 1, Settings);
             EXPECT_TRUE(Slots[0].Used && Slots[5].Used);
             form.grab().save(QStringLiteral("/tmp/velmora_snapshots.png"));
             checked = true;
             QTest::keyClick(&form, Qt::Key_Escape);
         }});
    ASSERT_EQ(RunWithDialog(host, script), sdk::kUserCanceled);
    ASSERT_TRUE(checked);
    EXPECT_EQ(std::memcmp(Block(host).Slots, stored, sizeof stored), 0);
}

TEST_F(ParamDialogTest, ThumbnailEventsAfterACancelDuringAPreviewKeepTheStoredSettings) {
    // Slot 2 holds the very settings of the block: the cancel's undo brings
    // the settings back to them while the preview of slot 2 is still up.
    FakeHost host(sdk::kModeRGB, 160, 120);
    LoadPhoto(host, 160, 120);
    StoreBlock(host);
    auto& block = *reinterpret_cast<tParamBlock*>(host.block.data());
    block.Slots[1].Params = block.Params;
    const tParams stored = block.Params;
    ui::TApplication& app = ui::TApplication::Instance();
    const int restDelay = app.MouseRestDelay();
    const auto restore = qScopeGuard([&] { app.SetMouseRestDelay(restDelay); });
    app.SetMouseRestDelay(100);
    auto script = std::make_shared<tScript>();
    bool previewed = false;
    script->steps.push_back(
        {Settled, [&](TParamForm& form) {
             ASSERT_FALSE(SettingsEqual(Settings, stored)) << "the dialog opens reset";
             QTest::mouseMove(Child<QWidget>(&form, "ShotImage2"), QPoint(9, 9));
             previewed = QTest::qWaitFor([&] { return SettingsEqual(Settings, stored); }, 3000);
             QTest::keyClick(&form, Qt::Key_Escape);
             // The window system reports the pointer leaving the hidden window
             // only after the cancel has run.
             QEvent leave(QEvent::Leave);
             QApplication::sendEvent(Child<QWidget>(&form, "ShotImage2"), &leave);
             // Nor does a late rest on another thumbnail preview it.
             for (int i = 0; i < 2; ++i)
                 MouseMove(Child<QWidget>(&form, "ShotImage5"), QPoint(4, 4));
         }});
    ASSERT_EQ(RunWithDialog(host, script), sdk::kUserCanceled);
    ASSERT_TRUE(previewed);
    QApplication::processEvents();
    EXPECT_EQ(std::memcmp(&Block(host).Params, &stored, sizeof stored), 0);
    EXPECT_EQ(std::memcmp(&Settings, &stored, sizeof stored), 0);
}

TEST_F(ParamDialogTest, UndoRightAfterOpeningBringsBackTheStoredSettings) {
    FakeHost host(sdk::kModeRGB, 160, 120);
    LoadPhoto(host, 160, 120);
    StoreBlock(host);
    const tParams stored = Block(host).Params;
    auto script = std::make_shared<tScript>();
    script->steps.push_back(
        {Settled, [&](TParamForm& form) {
             EXPECT_EQ(Settings.Lightness, 1.0);
             EXPECT_EQ(Settings.Rotate, 0);
             EXPECT_TRUE(Child<QWidget>(&form, "UndoButton")->isEnabled());
             EXPECT_FALSE(Child<QWidget>(&form, "RedoButton")->isEnabled());
             const tParams opened = Settings;
             QTest::keyClick(&form, Qt::Key_Z, Qt::ControlModifier);
             EXPECT_TRUE(SettingsEqual(Settings, stored));
             EXPECT_FALSE(Child<QWidget>(&form, "UndoButton")->isEnabled());
             EXPECT_TRUE(Child<QWidget>(&form, "RedoButton")->isEnabled());
             QTest::keyClick(&form, Qt::Key_Z, Qt::ShiftModifier | Qt::ControlModifier);
             EXPECT_TRUE(SettingsEqual(Settings, opened));
             QTest::mouseClick(Child<ui::TButton>(&form, "OkButton"), Qt::LeftButton);
         }});
    ASSERT_EQ(RunWithDialog(host, script), 0);
    EXPECT_EQ(Block(host).Params.Rotate, 0);
}

TEST_F(ParamDialogTest, SliderChangesAreUndoneAndRedoneAsStepsOfTheirControl) {
    FakeHost host(sdk::kModeRGB, 160, 120);
    LoadPhoto(host, 160, 120);
    auto script = std::make_shared<tScript>();
    script->steps.push_back(
        {Settled, [&](TParamForm& form) {
             // Closed however the checks end.
             const auto close = qScopeGuard([&] { QTest::keyClick(&form, Qt::Key_Escape); });
             auto* rotate = Child<ui::TTrackBar>(&form, "RotateTrackBar");
             auto* contrast = Child<ui::TTrackBar>(&form, "ColorContrastTrackBar");
             auto* undo = Child<QWidget>(&form, "UndoButton");
             auto* redo = Child<QWidget>(&form, "RedoButton");
             // Moves a slider by n steps with the keyboard, one change each.
             auto drag = [&](ui::TTrackBar* bar, int steps) {
                 bar->SetFocus();
                 for (int i = 0; i < steps; ++i) QTest::keyClick(bar, Qt::Key_Right);
             };
             auto ctrlZ = [&] { QTest::keyClick(&form, Qt::Key_Z, Qt::ControlModifier); };
             auto shiftCtrlZ = [&] {
                 QTest::keyClick(&form, Qt::Key_Z, Qt::ShiftModifier | Qt::ControlModifier);
             };

             // A change through another control, then a drag of the rotation.
             drag(contrast, 2);
             const double saturation = Settings.ColorContrast;
             ASSERT_NE(saturation, 1.0) << "the saturation slider changes the settings";
             // A mouse drag of the rotation's handle, from the middle (angle 0).
             const int32_t beforeDrag = Settings.Rotate;
             ASSERT_EQ(rotate->Position(), 0);
             const QPoint middle = rotate->rect().center();
             QTest::mousePress(rotate, Qt::LeftButton, {}, middle);
             for (int dx = 4; dx <= 40; dx += 4) QTest::mouseMove(rotate, middle + QPoint(dx, 0));
             QTest::mouseRelease(rotate, Qt::LeftButton, {}, middle + QPoint(40, 0));
             const int32_t dragged = Settings.Rotate;
             ASSERT_GT(dragged, beforeDrag + 2) << "the drag moved the handle";
             ctrlZ();
             EXPECT_EQ(Settings.Rotate, beforeDrag) << "the whole drag is one step";
             EXPECT_EQ(Settings.ColorContrast, saturation);
             EXPECT_EQ(rotate->Position(), beforeDrag) << "the slider follows";
             EXPECT_TRUE(redo->isEnabled());
             shiftCtrlZ();
             EXPECT_EQ(Settings.Rotate, dragged);

             // After an undo, any change disables redo; the branch is gone.
             ctrlZ();
             drag(contrast, 1);
             EXPECT_FALSE(redo->isEnabled());
             shiftCtrlZ();
             EXPECT_EQ(Settings.Rotate, beforeDrag);

             // Two edits of one slider with another between them are two steps.
             const int32_t r0 = Settings.Rotate;
             drag(rotate, 1);
             drag(contrast, 1);
             const double c1 = Settings.ColorContrast;
             drag(rotate, 1);
             ctrlZ();
             EXPECT_EQ(Settings.ColorContrast, c1);
             EXPECT_NE(Settings.Rotate, r0);
             ctrlZ();
             ctrlZ();
             EXPECT_EQ(Settings.Rotate, r0);
             EXPECT_TRUE(undo->isEnabled());
         }});
    ASSERT_EQ(RunWithDialog(host, script), sdk::kUserCanceled);
}

}  // namespace
}  // namespace velmora::test

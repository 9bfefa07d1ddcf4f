// The pipettes and the colour plane picker through the running dialog, on a
// small Lab image shown at actual pixels so that every working pixel is a
// known host pixel.
#include "DialogDriver.h"
#include "toolkit/TRadioButton.h"
#include "toolkit/TSpeedButton.h"
#include "toolkit/TStatusBar.h"

namespace velmora::test {
namespace {

constexpr int kW = 120, kH = 90;

// Neutral L 100 everywhere, except: column 0 reddish (a 155); a block of
// hue 45 (a = b = 150); a block of hue 360 (a 170, b 128); a light block
// (200, 140, 120) and a dark one (50, 120, 135).
std::array<uint8_t, 3> TestPixel(int x, int y) {
    if (x == 0) return {100, 155, 128};
    if (x >= 60 && x < 80 && y >= 10 && y < 30) return {100, 150, 150};
    if (x >= 60 && x < 80 && y >= 40 && y < 60) return {100, 170, 128};
    if (x >= 20 && x < 40 && y >= 40 && y < 60) return {200, 140, 120};
    if (x >= 20 && x < 40 && y >= 65 && y < 85) return {50, 120, 135};
    return {100, 128, 128};
}

struct tPoints {
    uint8_t la, lb, lL, sa, sb, sL;
    bool operator==(const tPoints&) const = default;
};
tPoints Stored() {
    const tParams& s = Settings;
    return {s.LightPointA,  s.LightPointB,  s.LightPointL,
            s.ShadowPointA, s.ShadowPointB, s.ShadowPointL};
}
std::ostream& operator<<(std::ostream& os, const tPoints& p) {
    return os << '(' << int(p.la) << ',' << int(p.lb) << ',' << int(p.lL) << ") (" << int(p.sa)
              << ',' << int(p.sb) << ',' << int(p.sL) << ')';
}

class PipettesDialogTest : public ParamDialogTest {
  protected:
    // Runs `act` on the analysed dialog of the test image, then cancels.
    void WithDialog(const std::function<void(TParamForm&)>& act) {
        FakeHost host(sdk::kModeLab, kW, kH);
        FillLab(host, kW, kH, TestPixel);
        auto script = std::make_shared<tScript>();
        bool ran = false;
        script->steps.push_back({Ready, [&](TParamForm& form) {
                                     EXPECT_EQ(Photo.Scale, 1.0)
                                         << "a small image is shown at actual pixels";
                                     act(form);
                                     ran = true;
                                     QTest::keyClick(&form, Qt::Key_Escape);
                                 }});
        EXPECT_EQ(RunWithDialog(host, script), sdk::kUserCanceled);
        EXPECT_TRUE(ran);
    }
    static ui::TSpeedButton* Button(TParamForm& f, const char* name) {
        return Child<ui::TSpeedButton>(&f, name);
    }
    static void ClickPixel(TParamForm& f, int px, int py, Qt::KeyboardModifiers modifiers = {}) {
        QTest::mouseClick(Child<ui::TImage>(&f, "Image"), Qt::LeftButton, modifiers,
                          ImagePoint(px, py));
    }
};

TEST_F(PipettesDialogTest, NeutralPointPicksSetThePointsTheModifiersSelectEachAsAnUndoStep) {
    WithDialog([&](TParamForm& form) {
        EXPECT_EQ(Stored(), (tPoints{128, 128, 255, 128, 128, 0})) << "the initial points";
        QTest::mouseClick(Button(form, "ColorBalanceButton"), Qt::LeftButton);
        std::vector<tPoints> states{Stored()};
        struct tPick {
            int px, py;
            Qt::KeyboardModifiers modifiers;
            tPoints expected;
        };
        const tPick picks[] = {
            // Plain: both points.
            {30, 50, {}, {140, 120, 200, 140, 120, 200}},
            // Ctrl: the second point only.
            {30, 75, Qt::ControlModifier, {140, 120, 200, 120, 135, 50}},
            // Shift: the first point only.
            {10, 10, Qt::ShiftModifier, {128, 128, 100, 120, 135, 50}},
            // Shift and Ctrl: both, like a plain click; on the edge column the
            // pixel itself.
            {0, 5, Qt::ShiftModifier | Qt::ControlModifier, {155, 128, 100, 155, 128, 100}},
            // One column in: the 3 x 3 mean, round((3 * 155 + 6 * 128) / 9).
            {1, 5, {}, {137, 128, 100, 137, 128, 100}},
            // Ctrl at the first point's lightness: the points merge into one
            // common balance, still one undo step.
            {70, 20, Qt::ControlModifier, {150, 150, 100, 150, 150, 100}},
        };
        for (const tPick& p : picks) {
            ClickPixel(form, p.px, p.py, p.modifiers);
            EXPECT_EQ(Stored(), p.expected) << p.px << ',' << p.py;
            EXPECT_TRUE(Button(form, "ColorBalanceButton")->Down()) << "the pipette stays down";
            states.push_back(Stored());
        }
        // Beside the picture nothing is picked.
        ASSERT_GT(Photo.DestLeft, 0);
        QTest::mouseClick(Child<ui::TImage>(&form, "Image"), Qt::LeftButton, {},
                          QPoint(Photo.DestLeft - 2, Photo.DestTop + 5));
        EXPECT_EQ(Stored(), states.back());
        // Every pick is its own undo step.
        for (size_t i = states.size() - 1; i > 0; --i) {
            QTest::keyClick(&form, Qt::Key_Z, Qt::ControlModifier);
            EXPECT_EQ(Stored(), states[i - 1]) << "undo " << i;
        }
    });
}

TEST_F(PipettesDialogTest, MemoryColourPicksTurnThePickedHueToTheTarget) {
    WithDialog([&](TParamForm& form) {
        struct tPick {
            const char* button;
            int px, py;
            int rotate;
        };
        const tPick picks[] = {
            // A neutral pixel has hue 0 after the neutral balance: 50 - 0.
            {"SkinButton", 10, 10, 50},
            // Hue 360: 110 - 360 = -250, below -180, so 110.
            {"GreenButton", 70, 50, 110},
            // Hue 45 for the sky: 270 - 45 = 225, kept above 180.
            {"BlueButton", 70, 20, 225},
        };
        std::vector<int> rotations{Settings.Rotate};
        for (const tPick& p : picks) {
            QTest::mouseClick(Button(form, p.button), Qt::LeftButton);
            ClickPixel(form, p.px, p.py);
            EXPECT_EQ(Settings.Rotate, p.rotate) << p.button;
            rotations.push_back(Settings.Rotate);
        }
        // The current rotation does not take part: once the preview has been
        // drawn with it, the same pick gives the same rotation.
        form.RenderPreview();
        ClickPixel(form, 70, 20);
        EXPECT_EQ(Settings.Rotate, 225);
        // The balance does: with (150, 150) made neutral the sky pixel is
        // neutral, and the skin pipette gives 50.
        Settings.LightPointA = Settings.LightPointB = 150;
        Settings.ShadowPointA = Settings.ShadowPointB = 150;
        PushUndo();
        rotations.push_back(Settings.Rotate);
        QTest::mouseClick(Button(form, "SkinButton"), Qt::LeftButton);
        ClickPixel(form, 70, 20);
        EXPECT_EQ(Settings.Rotate, 50);
        // Each pick is its own undo step.
        for (size_t i = rotations.size(); i > 0; --i) {
            QTest::keyClick(&form, Qt::Key_Z, Qt::ControlModifier);
            EXPECT_EQ(Settings.Rotate, rotations[i - 1]) << "undo " << i;
        }
    });
}

TEST_F(PipettesDialogTest, ThePlanePicksTheColourToRemoveOrItsComplementAndRemembersTheMode) {
    dialog::LastLabCursor = 5;
    WithDialog([&](TParamForm& form) {
        auto* plane = Child<ui::TImage>(&form, "LabImage");
        auto* status = Child<ui::TStatusBar>(&form, "StatusBar");
        auto points = [&] {
            return std::array<int, 4>{form.LightPoint.a, form.LightPoint.b, form.ShadowPoint.a,
                                      form.ShadowPoint.b};
        };
        ASSERT_TRUE(Child<ui::TRadioButton>(&form, "CommonRadio")->Checked());
        ASSERT_EQ(plane->Cursor(), 5);
        const QPoint p(20, 30);  // a* -36, b* +24: (92, 152)

        // Shift: remove mode; the picked colour itself.
        QTest::keyPress(&form, Qt::Key_Shift, Qt::ShiftModifier);
        EXPECT_EQ(plane->Cursor(), 6);
        EXPECT_EQ(Child<ui::TImage>(&form, "Image")->Cursor(), 3) << "no picker is down";
        MouseMove(plane, p, Qt::ShiftModifier);
        EXPECT_EQ(status->Panel(1).Text().toStdString(), " L:  050   a: -036   b:  024");
        EXPECT_EQ(status->Panel(3).Text().toStdString(),
                  " Для выбора добавляемого цвета используйте Ctrl");
        QTest::mouseClick(plane, Qt::LeftButton, Qt::ShiftModifier, p);
        EXPECT_EQ(points(), (std::array<int, 4>{92, 152, 92, 152}));
        EXPECT_FALSE(plane->ShowHint()) << "the plane's hint is off after a pick";
        QTest::keyRelease(&form, Qt::Key_Shift, Qt::NoModifier);
        EXPECT_EQ(plane->Cursor(), 6) << "remove mode stays";
        EXPECT_EQ(dialog::LastLabCursor, 6);

        // Ctrl: add mode; the complement.
        QTest::keyPress(&form, Qt::Key_Control, Qt::ControlModifier);
        EXPECT_EQ(plane->Cursor(), 5);
        QTest::mouseClick(plane, Qt::LeftButton, Qt::ControlModifier, p);
        EXPECT_EQ(points(), (std::array<int, 4>{164, 104, 164, 104}));
        QTest::keyRelease(&form, Qt::Key_Control, Qt::NoModifier);
        EXPECT_EQ(plane->Cursor(), 5);
        EXPECT_EQ(dialog::LastLabCursor, 5);
        MouseMove(plane, p + QPoint(1, 0));
        EXPECT_EQ(status->Panel(3).Text().toStdString(),
                  " Для выбора удаляемого цвета используйте Shift");

        // The centre is neutral in both modes.
        const QPoint centre(50, 50);
        QTest::mouseClick(plane, Qt::LeftButton, {}, centre);
        EXPECT_EQ(points(), (std::array<int, 4>{128, 128, 128, 128}));
        QTest::mouseClick(plane, Qt::LeftButton, {}, p);
        QTest::keyPress(&form, Qt::Key_Shift, Qt::ShiftModifier);
        QTest::mouseClick(plane, Qt::LeftButton, Qt::ShiftModifier, centre);
        QTest::keyRelease(&form, Qt::Key_Shift, Qt::NoModifier);
        EXPECT_EQ(points(), (std::array<int, 4>{128, 128, 128, 128}));

        // Ctrl alone, without a click, does not change the remembered mode.
        QTest::keyPress(&form, Qt::Key_Control, Qt::ControlModifier);
        QTest::keyRelease(&form, Qt::Key_Control, Qt::NoModifier);
        EXPECT_EQ(plane->Cursor(), 6);

        // The light radio: the light point only, its lightness kept; a drag
        // keeps following the mouse.
        Child<ui::TRadioButton>(&form, "LightRadio")->SetChecked(true);
        const uint8_t lightL = form.LightPoint.L;
        QTest::mousePress(plane, Qt::LeftButton, {}, p);
        EXPECT_EQ(points(), (std::array<int, 4>{92, 152, 128, 128}));
        QTest::mouseMove(plane, QPoint(80, 70));  // a* +36, b* -24
        EXPECT_EQ(points(), (std::array<int, 4>{164, 104, 128, 128}));
        QTest::mouseRelease(plane, Qt::LeftButton, {}, QPoint(80, 70));
        EXPECT_EQ(form.LightPoint.L, lightL);
    });
    dialog::LastLabCursor = 5;
}

TEST_F(PipettesDialogTest, ThePlanesRememberedModeOutlivesTheDialog) {
    dialog::LastLabCursor = 5;
    WithDialog([&](TParamForm& form) {
        auto* plane = Child<ui::TImage>(&form, "LabImage");
        QTest::keyPress(&form, Qt::Key_Shift, Qt::ShiftModifier);
        QTest::mouseClick(plane, Qt::LeftButton, Qt::ShiftModifier, QPoint(20, 30));
        QTest::keyRelease(&form, Qt::Key_Shift, Qt::NoModifier);
        EXPECT_EQ(plane->Cursor(), 6);
    });
    // The next dialog opens in add mode; releasing Shift or Ctrl returns to
    // the mode the last click chose, in the earlier dialog.
    WithDialog([&](TParamForm& form) {
        auto* plane = Child<ui::TImage>(&form, "LabImage");
        EXPECT_EQ(plane->Cursor(), 5);
        QTest::keyPress(&form, Qt::Key_Control, Qt::ControlModifier);
        QTest::keyRelease(&form, Qt::Key_Control, Qt::NoModifier);
        EXPECT_EQ(plane->Cursor(), 6);
    });
    dialog::LastLabCursor = 5;
}

}  // namespace
}  // namespace velmora::test

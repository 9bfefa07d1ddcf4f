// One click on the free area of a group box, panel or label resets what it
// stands for, recording an undo step or not; a double click on the areas
// that have one takes back what its first click recorded. Real clicks on a
// form built directly.
#include <functional>

#include "FormFixture.h"

namespace velmora::test {
namespace {

class ResetsTest : public FormTest {
  protected:
    void SetUp() override {
        FormTest::SetUp();
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        // Every setting away from its initial value, levels set by hand.
        Settings.FollowAnalysis = 0;
        Settings.BlackLevel = 30;
        Settings.WhiteLevel = 200;
        Settings.ColorContrast = 2.0;
        Settings.SatBend = 90;
        Settings.LowSat = 20;
        Settings.LightPointA = 140;
        Settings.LightPointB = 110;
        Settings.ShadowPointA = 140;
        Settings.ShadowPointB = 110;
        Settings.Lightness = 0.7;
        Settings.Contrast = 1.6;
        Settings.Rotate = 35;
        Settings.ColorEq[2] = 6;
        Settings.LightEq[4] = -4;
        Settings.Shadow = 1.8;
        Settings.HighLight = 1.4;
        Settings.Sharpness = 1.9;
        changed = Settings;
    }

    /// A point of the widget that none of its children covers.
    static QPoint FreePoint(QWidget* w) {
        for (int y = 2; y < w->height() - 1; y += 2)
            for (int x = 2; x < w->width() - 1; x += 2)
                if (!w->childAt(x, y)) return QPoint(x, y);
        ADD_FAILURE() << w->objectName().toStdString() << " has no free point";
        return QPoint(1, 1);
    }
    /// Back to the changed settings shown by the controls, with no history.
    void Restart() {
        FreeHistory();
        Settings = changed;
        form->RefreshControls();
    }

    tParams changed{};
};

TEST_F(ResetsTest, AClickResetsItsGroupAndRecordsWhereTheGroupResetDoes) {
    using tChange = std::function<void(tParams&)>;
    auto levels = [](tParams& p) {
        const tParams keep = Settings;
        Settings = p;
        ResetLevels(false);
        p = Settings;
        Settings = keep;
    };
    auto balance = [](tParams& p) {
        const tParams keep = Settings;
        Settings = p;
        ResetBalance(false);
        p = Settings;
        Settings = keep;
    };
    auto all = [](tParams& p) {
        const tParams keep = Settings;
        Settings = p;
        ResetAll(false);
        p = Settings;
        Settings = keep;
    };
    auto saturation = [](tParams& p) {
        p.ColorContrast = 1.0;
        p.SatBend = 127;
        p.LowSat = 0;
        for (int32_t& g : p.ColorEq) g = 0;
        for (int32_t& g : p.LightEq) g = 0;
    };
    auto rotation = [](tParams& p) { p.Rotate = 0; };
    struct Case {
        const char* control;
        int records;
        tChange reset;
    };
    const Case cases[] = {
        {"ControlPanel", 1, all},
        {"RangeGroup", 1, levels},
        {"ColorContrastGroup", 1, saturation},
        {"SatImage", 1, saturation},
        {"BalanceGroupBox", 2, [&](tParams& p) { balance(p), rotation(p); }},
        {"CHPanel", 1, balance},
        {"RotatePanel", 1, rotation},
        {"SpectrumPanel", 1, rotation},
        {"SpectrumImage", 1, rotation},
        {"RotateImage", 1, rotation},
        {"ColorEqPanel", 1,
         [](tParams& p) {
             for (int32_t& g : p.ColorEq) g = 0;
         }},
        {"LightEqPanel", 1,
         [](tParams& p) {
             for (int32_t& g : p.LightEq) g = 0;
         }},
        {"LightnessPanel", 0, [](tParams& p) { p.Lightness = 1.0; }},
        {"LightnessLabel", 0, [](tParams& p) { p.Lightness = 1.0; }},
        {"ContrastPanel", 0, [](tParams& p) { p.Contrast = 1.0; }},
        {"ContrastLabel", 0, [](tParams& p) { p.Contrast = 1.0; }},
        {"SharpnessPanel", 0, [](tParams& p) { p.Sharpness = 1.0; }},
        {"SharpLabel", 0, [](tParams& p) { p.Sharpness = 1.0; }},
        {"ShadowHighlightPanel", 0, [](tParams& p) { p.Shadow = p.HighLight = 1.0; }},
        {"ShadowLabel", 0, [](tParams& p) { p.Shadow = 1.0; }},
        {"HighLightLabel", 0, [](tParams& p) { p.HighLight = 1.0; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.control);
        Restart();
        tParams expected = changed;
        c.reset(expected);
        ASSERT_FALSE(SettingsEqual(expected, changed));
        QWidget* w = C<QWidget>(c.control);
        QTest::mouseClick(w, Qt::LeftButton, {}, FreePoint(w));
        EXPECT_TRUE(SettingsEqual(Settings, expected));
        EXPECT_EQ(UndoEntryCount(), c.records);
        // The controls show the reset settings: reloading them changes nothing.
        const tParams shown = Settings;
        form->RefreshControls();
        EXPECT_TRUE(SettingsEqual(Settings, shown));
        EXPECT_EQ(C<QWidget>("UndoButton")->isEnabled(), c.records > 0);
    }
}

TEST_F(ResetsTest, ADoubleClickRestoresTheStateBeforeItsClickWhereItUndoes) {
    struct Case {
        const char* control;
        bool undoes;
        bool records;  // its click records an undo step
        std::function<void(tParams&)> reset;
    };
    auto none = [](tParams&) {};
    const Case cases[] = {
        {"ControlPanel", true, true, none},
        {"ColorContrastGroup", true, true, none},
        {"SatImage", true, true, none},
        {"BalanceGroupBox", true, true, none},
        {"RotatePanel", true, true, none},
        {"SpectrumPanel", true, true, none},
        {"SpectrumImage", true, true, none},
        {"RotateImage", true, true, none},
        {"CHPanel", true, true, none},
        {"RangeGroup", true, true, none},
        {"ColorEqPanel", true, true, none},
        {"LightEqPanel", true, true, none},
        {"ContrastPanel", true, false, none},
        {"LightnessPanel", true, false, none},
        {"SharpnessPanel", true, false, none},
        {"ShadowHighlightPanel", true, false, none},
        // The labels keep what their click reset; ShadowLabel's double
        // click resets the shadows once more.
        {"LightnessLabel", false, false, [](tParams& p) { p.Lightness = 1.0; }},
        {"ContrastLabel", false, false, [](tParams& p) { p.Contrast = 1.0; }},
        {"SharpLabel", false, false, [](tParams& p) { p.Sharpness = 1.0; }},
        {"ShadowLabel", false, false, [](tParams& p) { p.Shadow = 1.0; }},
        {"HighLightLabel", false, false, [](tParams& p) { p.HighLight = 1.0; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.control);
        Restart();
        // A change made before the double click, one undo step away.
        PushUndo();
        Settings.Reserved144 = 0.25;
        form->RefreshControls();
        tParams before = Settings;
        QWidget* w = C<QWidget>(c.control);
        QTest::mouseDClick(form->windowHandle(), Qt::LeftButton, {},
                           w->mapTo(form.get(), FreePoint(w)));
        // A recording reset comes back to the state before its click, a
        // plain one to the state before the change made before it.
        tParams expected = c.undoes ? (c.records ? before : changed) : before;
        c.reset(expected);
        EXPECT_TRUE(SettingsEqual(Settings, expected));
        EXPECT_EQ(C<QWidget>("RedoButton")->isEnabled(), c.undoes);
    }
}

}  // namespace
}  // namespace velmora::test

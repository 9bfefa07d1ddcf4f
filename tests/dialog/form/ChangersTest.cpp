// The parameter changers through the real controls: sliders moved as a drag
// moves them, text typed or pasted into the edits, Up and Down in the edits,
// the auto-levels box; the undo grouping of control changes.
#include <QTimer>
#include <cmath>
#include <cstring>

#include "FormFixture.h"
#include "base/Failure.h"
#include "base/SettingsFields.h"

namespace velmora::test {
namespace {

using ChangersTest = FormTest;

// Replaces an edit's whole text in one change, as pasting over a selection
// does.
void Paste(ui::TEdit* edit, const QString& text) {
    edit->selectAll();
    edit->insert(text);
}

using tValue = double (*)();

TEST_F(ChangersTest, SlidersStoreTheirValueAndShowItInTheEdit) {
    struct {
        const char* bar;
        int position;
        tValue value;
        double expected;
        const char* edit;
        const char* text;
    } cases[] = {
        {"ColorContrastTrackBar", 128, [] { return Settings.ColorContrast; }, 0.0,
         "ColorContrastEdit", "0.00"},
        {"ColorContrastTrackBar", -127, [] { return Settings.ColorContrast; }, 128.0,
         "ColorContrastEdit", "128.0"},
        {"ColorContrastTrackBar", -64, [] { return Settings.ColorContrast; }, 2.0,
         "ColorContrastEdit", "2.0"},
        {"ColorContrastTrackBar", 64, [] { return Settings.ColorContrast; }, 0.5,
         "ColorContrastEdit", "0.50"},
        {"LowSatTrackBar", 30, [] { return double(Settings.LowSat); }, 30, "LowSatEdit", "30"},
        {"SatBendTrackBar", 1, [] { return double(Settings.SatBend); }, 1, "SatBendEdit", "1"},
        {"LightnessTrackBar", 200, [] { return Settings.Lightness; }, 0.5, "GammaEdit", "2.00"},
        {"LightnessTrackBar", 300, [] { return Settings.Lightness; }, 1 / std::sqrt(8.0),
         "GammaEdit", "2.83"},
        {"LightnessTrackBar", -300, [] { return Settings.Lightness; }, std::sqrt(8.0), "GammaEdit",
         "0.35"},
        {"ContrastTrackBar", -90, [] { return Settings.Contrast; }, 0.1, "ContrastEdit", "0.10"},
        {"ContrastTrackBar", 90, [] { return Settings.Contrast; }, 10.0, "ContrastEdit", "10.0"},
        {"ContrastTrackBar", 49, [] { return Settings.Contrast; }, 1 / 0.51, "ContrastEdit",
         "1.96"},
        {"SharpnessTrackBar", 33, [] { return Settings.Sharpness; }, 1 / 0.67, "SharpnessEdit",
         "1.49"},
        {"SharpnessTrackBar", -50, [] { return Settings.Sharpness; }, 0.5, "SharpnessEdit", "0.50"},
        {"RotateTrackBar", -50, [] { return double(Settings.Rotate); }, -50, "RotEdit", "-50"},
        {"ShadowTrackBar", 25, [] { return Settings.Shadow; }, 2.5, "ShadowEdit", "2.5"},
        {"HighLightTrackBar", 10, [] { return Settings.HighLight; }, 5.0, "HighLightEdit", "5.0"},
        {"HighLightTrackBar", 50, [] { return Settings.HighLight; }, 1.0, "HighLightEdit", "1.0"},
        {"ShadeTrackBar", 20, [] { return double(Settings.BlackLevel); }, 51, "ShadeEdit", "20"},
        {"ShadeTrackBar", -50, [] { return double(Settings.BlackLevel); }, -128, "ShadeEdit",
         "-50"},
        {"LightTrackBar", 120, [] { return double(Settings.WhiteLevel); }, 306, "LightEdit", "120"},
        {"MagentaTrackBar", -40, [] { return double(Settings.ColorEq[0]); }, 40, "MagentaEdit",
         "40"},
        {"VioletTrackBar", 13, [] { return double(Settings.ColorEq[7]); }, -13, "VioletEdit",
         "-13"},
        {"WhiteTrackBar", 15, [] { return double(Settings.LightEq[4]); }, -15, "WhiteEdit", "-15"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bar + std::string(" at ") + std::to_string(c.position));
        Bar(c.bar)->SetPosition(c.position);
        EXPECT_NEAR(c.value(), c.expected, 1e-12);
        EXPECT_EQ(Edit(c.edit)->Text(), QString::fromLatin1(c.text));
        EXPECT_TRUE(form->State().RedrawPending);
        form->State().RedrawPending = false;
    }
}

TEST_F(ChangersTest, EditsStoreTheirValueAndMoveTheSlider) {
    struct {
        const char* edit;
        const char* text;
        tValue value;
        double expected;
        const char* bar;
        int position;
    } cases[] = {
        {"ColorContrastEdit", "2", [] { return Settings.ColorContrast; }, 2.0,
         "ColorContrastTrackBar", -64},
        {"ColorContrastEdit", "0,5", [] { return Settings.ColorContrast; }, 0.5,
         "ColorContrastTrackBar", 64},
        {"ColorContrastEdit", "129", [] { return Settings.ColorContrast; }, 0.5,
         "ColorContrastTrackBar", 64},
        {"ContrastEdit", "1,5", [] { return Settings.Contrast; }, 1.5, "ContrastTrackBar", 33},
        // Above 10: the value of the slider's position, 1/(1 - 0.33).
        {"ContrastEdit", "15", [] { return Settings.Contrast; }, 1 / 0.67, "ContrastTrackBar", 33},
        {"SharpnessEdit", "0.5", [] { return Settings.Sharpness; }, 0.5, "SharpnessTrackBar", -50},
        {"SharpnessEdit", "1e1", [] { return Settings.Sharpness; }, 10.0, "SharpnessTrackBar", 90},
        {"GammaEdit", "2", [] { return Settings.Lightness; }, 0.5, "LightnessTrackBar", 200},
        {"GammaEdit", "3", [] { return Settings.Lightness; }, 0.5, "LightnessTrackBar", 200},
        {"LowSatEdit", "45", [] { return double(Settings.LowSat); }, 45, "LowSatTrackBar", 45},
        {"LowSatEdit", "91", [] { return double(Settings.LowSat); }, 45, "LowSatTrackBar", 45},
        {"SatBendEdit", "0", [] { return double(Settings.SatBend); }, 127, "SatBendTrackBar", 127},
        {"RotEdit", "120", [] { return double(Settings.Rotate); }, 120, "RotateTrackBar", 50},
        {"RotEdit", "200", [] { return double(Settings.Rotate); }, 120, "RotateTrackBar", 50},
        {"RotEdit", "-7", [] { return double(Settings.Rotate); }, -7, "RotateTrackBar", -7},
        {"ShadowEdit", "3", [] { return Settings.Shadow; }, 3.0, "ShadowTrackBar", 30},
        {"ShadowEdit", "0.5", [] { return Settings.Shadow; }, 3.0, "ShadowTrackBar", 30},
        {"HighLightEdit", "2.5", [] { return Settings.HighLight; }, 2.5, "HighLightTrackBar", 35},
        {"HighLightEdit", "6", [] { return Settings.HighLight; }, 2.5, "HighLightTrackBar", 35},
        {"ShadeEdit", "10,5", [] { return double(Settings.BlackLevel); }, 27, "ShadeTrackBar", 11},
        {"LightEdit", "120", [] { return double(Settings.WhiteLevel); }, 306, "LightTrackBar", 120},
        {"LightEdit", "151", [] { return double(Settings.WhiteLevel); }, 306, "LightTrackBar", 120},
        {"GrassEdit", "12", [] { return double(Settings.ColorEq[3]); }, 12, "GrassTrackBar", -12},
        {"GrassEdit", "-41", [] { return double(Settings.ColorEq[3]); }, 12, "GrassTrackBar", -12},
        {"DarkGrayEdit", "-40", [] { return double(Settings.LightEq[1]); }, -40, "DarkGrayTrackBar",
         40},
        // Positions on an exact half go to the even neighbour, though the
        // binary 0.995 - 1 and 0.425 - 1 lie a little beyond the half.
        {"ContrastEdit", "0.995", [] { return Settings.Contrast; }, 0.995, "ContrastTrackBar", 0},
        {"SharpnessEdit", "0.425", [] { return Settings.Sharpness; }, 0.425, "SharpnessTrackBar",
         -58},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edit + std::string(" with ") + c.text);
        Paste(Edit(c.edit), QString::fromLatin1(c.text));
        EXPECT_NEAR(c.value(), c.expected, 1e-12);
        EXPECT_EQ(Bar(c.bar)->Position(), c.position);
        // The edit keeps what was typed until the group is loaded again.
        EXPECT_EQ(Edit(c.edit)->Text(), QString::fromLatin1(c.text));
    }
}

// The edits named in the table of settings fields are the form's, and where
// an edit reads what its slider can show, the table's bounds are the
// slider's ends as the form sets them.
TEST_F(ChangersTest, TheFieldTableNamesTheFormsEditsWithTheirSlidersBounds) {
    std::vector<tEditRule> rules(BalanceEditRules().begin(), BalanceEditRules().end());
    for (const tSettingsField& f : SettingsFields())
        if (!f.Edit.Edit.empty()) rules.push_back(f.Edit);
    EXPECT_EQ(rules.size(), 4u + 24u);
    for (const tEditRule& rule : rules) {
        const QString name = QString::fromUtf8(rule.Edit.data(), qsizetype(rule.Edit.size()));
        EXPECT_NE(form->findChild<ui::TEdit*>(name), nullptr) << name.toStdString();
    }
    struct {
        const char* edit;
        const char* bar;
        double (*map)(int);
    } cases[] = {
        {"ShadeEdit", "ShadeTrackBar", [](int p) { return double(p); }},
        {"LightEdit", "LightTrackBar", [](int p) { return double(p); }},
        {"LowSatEdit", "LowSatTrackBar", [](int p) { return double(p); }},
        {"SatBendEdit", "SatBendTrackBar", [](int p) { return double(p); }},
        {"aEdit", "aTrackBar", [](int p) { return double(p); }},
        {"bEdit", "bTrackBar", [](int p) { return double(p); }},
        {"HueEdit", "HueTrackBar", [](int p) { return double(p); }},
        {"ChromaEdit", "ChromaTrackBar", [](int p) { return double(p); }},
        {"MagentaEdit", "MagentaTrackBar", [](int p) { return double(p); }},
        {"WhiteEdit", "WhiteTrackBar", [](int p) { return double(p); }},
        {"ShadowEdit", "ShadowTrackBar", [](int p) { return p / 10.0; }},
        {"HighLightEdit", "HighLightTrackBar", [](int p) { return p / 10.0; }},
        {"ContrastEdit", "ContrastTrackBar",
         [](int p) { return p < 0 ? 1 + p / 100.0 : 1 / (1 - p / 100.0); }},
        {"SharpnessEdit", "SharpnessTrackBar",
         [](int p) { return p < 0 ? 1 + p / 100.0 : 1 / (1 - p / 100.0); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edit);
        const tEditRule* rule = FindEditRule(c.edit);
        ASSERT_NE(rule, nullptr);
        EXPECT_EQ(rule->ReadMin, c.map(Bar(c.bar)->Min()));
        EXPECT_EQ(rule->ReadMax, c.map(Bar(c.bar)->Max()));
    }
}

TEST_F(ChangersTest, TypingRemovesACharacterThatIsNoPartOfANumber) {
    ui::TEdit* lowSat = Edit("LowSatEdit");
    Type(lowSat, "2x");
    EXPECT_EQ(lowSat->Text(), "2");
    EXPECT_EQ(Settings.LowSat, 2);
    EXPECT_EQ(Bar("LowSatTrackBar")->Position(), 2);

    // Typed key by key, the comma is a decimal comma throughout, also when
    // the text is read again after a removal.
    ui::TEdit* contrast = Edit("ContrastEdit");
    Type(contrast, "1,5");
    EXPECT_DOUBLE_EQ(Settings.Contrast, 1.5);
    EXPECT_EQ(Bar("ContrastTrackBar")->Position(), 33);
    contrast->SetSelStart(3);
    QTest::keyClick(contrast, Qt::Key_X);
    EXPECT_EQ(contrast->Text(), "1,5");
    EXPECT_DOUBLE_EQ(Settings.Contrast, 1.5);

    // Deleting the comma of 1,5 leaves 15, above the bounds: the contrast
    // keeps the value of the slider's position.
    contrast->SetSelStart(1);
    QTest::keyClick(contrast, Qt::Key_Delete);
    EXPECT_EQ(contrast->Text(), "15");
    EXPECT_NEAR(Settings.Contrast, 1 / 0.67, 1e-12);
    EXPECT_EQ(Bar("ContrastTrackBar")->Position(), 33);
}

TEST_F(ChangersTest, UpAndDownStepAnEditWithinItsBounds) {
    struct {
        const char* edit;
        const char* before;
        Qt::Key key;
        const char* after;
    } cases[] = {
        {"ShadeEdit", "", Qt::Key_Down, "-1"},
        {"ShadeEdit", "50", Qt::Key_Up, "50"},
        {"LightEdit", "150", Qt::Key_Down, "149"},
        {"GammaEdit", "2.7", Qt::Key_Up, "2.8"},  // the maximum is reached
        {"GammaEdit", "2.75", Qt::Key_Up, "2.75"},
        {"GammaEdit", "0.4", Qt::Key_Down, "0.4"},
        // 0.35 is not below the minimum, but with one decimal it would be
        // written as 0.3, which is.
        {"GammaEdit", "0.45", Qt::Key_Down, "0.45"},
        {"GammaEdit", "0.46", Qt::Key_Down, "0.4"},
        {"ContrastEdit", "0.1", Qt::Key_Down, "0.1"},
        {"ContrastEdit", "1,5", Qt::Key_Up, "1,5"},  // no comma conversion here
        {"ContrastEdit", "9.9", Qt::Key_Up, "10.0"},
        {"SharpnessEdit", "0.3", Qt::Key_Down, "0.2"},
        {"SharpnessEdit", "4.95", Qt::Key_Up, "4.95"},
        {"ColorContrastEdit", "0.05", Qt::Key_Down, "0.05"},
        {"RotEdit", "179", Qt::Key_Up, "180"},
        {"RotEdit", "-180", Qt::Key_Down, "-180"},
        {"HueEdit", "359", Qt::Key_Up, "359"},
        {"ChromaEdit", "0", Qt::Key_Down, "0"},
        {"aEdit", "59", Qt::Key_Up, "60"},
        {"bEdit", "-60", Qt::Key_Down, "-60"},
        {"MagentaEdit", "40", Qt::Key_Up, "40"},
        {"WhiteEdit", "-3", Qt::Key_Up, "-2"},
        {"ShadowEdit", "5.0", Qt::Key_Up, "5.0"},
        {"HighLightEdit", "1.0", Qt::Key_Down, "1.0"},
        {"HighLightEdit", "2.5", Qt::Key_Down, "2.4"},
        {"SatBendEdit", "1", Qt::Key_Down, "1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edit + std::string(" ") + c.before);
        ui::TEdit* edit = Edit(c.edit);
        edit->SetText(QString::fromLatin1(c.before));
        QTest::keyClick(edit, c.key);
        EXPECT_EQ(edit->Text(), QString::fromLatin1(c.after));
    }
}

TEST_F(ChangersTest, SteppedTextReachesTheSettings) {
    // The shown value 2.83 of the slider's right end is above the key's
    // maximum 2.8: Up does nothing; Down applies 2.7.
    Bar("LightnessTrackBar")->SetPosition(300);
    ui::TEdit* gamma = Edit("GammaEdit");
    ASSERT_EQ(gamma->Text(), "2.83");
    QTest::keyClick(gamma, Qt::Key_Up);
    EXPECT_EQ(gamma->Text(), "2.83");
    EXPECT_DOUBLE_EQ(Settings.Lightness, 1 / std::sqrt(8.0));
    QTest::keyClick(gamma, Qt::Key_Down);
    EXPECT_EQ(gamma->Text(), "2.7");
    EXPECT_DOUBLE_EQ(Settings.Lightness, 1 / 2.7);

    ui::TEdit* shade = Edit("ShadeEdit");
    shade->SetText("");
    QTest::keyClick(shade, Qt::Key_Down);
    EXPECT_EQ(Settings.BlackLevel, -3);  // round(-1 * 2.55)
    EXPECT_EQ(Bar("ShadeTrackBar")->Position(), -1);
}

TEST_F(ChangersTest, AutoLevelsBoxAndTheSlidersSetTheLevels) {
    auto* box = C<ui::TCheckBox>("AutocontrastCheckBox");
    ui::TTrackBar* shade = Bar("ShadeTrackBar");
    ui::TTrackBar* light = Bar("LightTrackBar");
    // Loaded from the first-use settings, which follow the analysis.
    EXPECT_EQ(Settings.BlackLevel, 10);
    EXPECT_EQ(Settings.WhiteLevel, 240);
    EXPECT_EQ(shade->Position(), 4);
    EXPECT_EQ(light->Position(), 94);

    QTest::mouseClick(box, Qt::LeftButton);
    ASSERT_TRUE(box->Checked());
    EXPECT_TRUE(Settings.AutoLevels);
    EXPECT_FALSE(Settings.FollowAnalysis);
    EXPECT_EQ(Settings.BlackLevel, 0);
    EXPECT_EQ(Settings.WhiteLevel, 255);
    EXPECT_EQ(shade->Position(), 0);
    EXPECT_EQ(light->Position(), 100);
    EXPECT_EQ(Edit("LightEdit")->Text(), "100");
    EXPECT_EQ(light->SelEnd(), 100);

    // Moving a slider takes the levels over by hand: the box goes off and
    // the other level stays where the box had put it.
    shade->SetPosition(-20);
    EXPECT_FALSE(box->Checked());
    EXPECT_FALSE(Settings.AutoLevels);
    EXPECT_FALSE(Settings.FollowAnalysis);
    EXPECT_EQ(Settings.BlackLevel, -51);
    EXPECT_EQ(Settings.WhiteLevel, 255);
    EXPECT_EQ(shade->SelStart(), -20);
    EXPECT_EQ(shade->SelEnd(), 127);

    // Checked and unchecked again: the analysed levels.
    QTest::mouseClick(box, Qt::LeftButton);
    QTest::mouseClick(box, Qt::LeftButton);
    ASSERT_FALSE(box->Checked());
    EXPECT_EQ(Settings.BlackLevel, 10);
    EXPECT_EQ(Settings.WhiteLevel, 240);
    EXPECT_TRUE(Settings.FollowAnalysis);
    light->SetPosition(110);
    EXPECT_EQ(Settings.WhiteLevel, 280);  // round(280.5), to even
    EXPECT_EQ(Settings.BlackLevel, 10);
    EXPECT_FALSE(box->Checked());

    // Loading shows the box as the settings have it.
    Settings.AutoLevels = 1;
    Settings.BlackLevel = 0;
    Settings.WhiteLevel = 255;
    form->RefreshControls();
    EXPECT_TRUE(box->Checked());
    Settings.AutoLevels = 0;
    Settings.FollowAnalysis = 1;
    form->RefreshControls();
    EXPECT_FALSE(box->Checked());
    EXPECT_EQ(Settings.WhiteLevel, 240);
}

TEST_F(ChangersTest, ChangesReleaseThePipettesExceptRotationAndTheEqualisers) {
    // A pipette left down while a setting changes by hand would pick over
    // the new setting; rotation and the equalisers leave it down, as a
    // memory-colour pick reloads the rotation while its button stays down.
    struct {
        const char* pipette;
        const char* control;
        const char* value;  // slider position or pasted text
        bool released;
    } cases[] = {
        {"ColorBalanceButton", "ShadeTrackBar", "20", true},
        {"SkinButton", "LightEdit", "120", true},
        {"BlueButton", "ColorContrastTrackBar", "10", true},
        {"GreenButton", "LowSatEdit", "5", true},
        {"ColorBalanceButton", "SatBendTrackBar", "60", true},
        {"SkinButton", "LightnessTrackBar", "50", true},
        {"ColorBalanceButton", "ContrastEdit", "2", true},
        {"SkinButton", "SharpnessTrackBar", "20", true},
        {"ColorBalanceButton", "ShadowTrackBar", "20", true},
        {"SkinButton", "HighLightEdit", "2", true},
        {"ColorBalanceButton", "aTrackBar", "10", true},
        {"SkinButton", "ChromaEdit", "5", true},
        {"ColorBalanceButton", "RotateTrackBar", "10", false},
        {"SkinButton", "RotEdit", "-20", false},
        {"ColorBalanceButton", "RedTrackBar", "10", false},
        {"SkinButton", "GrayEdit", "5", false},
    };
    auto* image = C<ui::TImage>("Image");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.control + std::string(" with ") + c.pipette);
        auto* pipette = C<ui::TSpeedButton>(c.pipette);
        QTest::mouseClick(pipette, Qt::LeftButton);
        ASSERT_TRUE(pipette->Down());
        ASSERT_EQ(image->Cursor(), 4);
        QObject* control = form->findChild<QObject*>(QString::fromLatin1(c.control));
        if (auto* bar = qobject_cast<ui::TTrackBar*>(control)) {
            ASSERT_NE(bar->Position(), QString::fromLatin1(c.value).toInt());
            bar->SetPosition(QString::fromLatin1(c.value).toInt());
        } else {
            Paste(qobject_cast<ui::TEdit*>(control), QString::fromLatin1(c.value));
        }
        EXPECT_EQ(pipette->Down(), !c.released);
        EXPECT_EQ(image->Cursor(), c.released ? 3 : 4);
        if (pipette->Down()) QTest::mouseClick(pipette, Qt::LeftButton);
    }
}

TEST_F(ChangersTest, ATypedPercentageGivesTheLevelOfThatSliderPosition) {
    // percent * 2.55 in binary falls just below the halves at 50 % and 90 %.
    struct {
        const char* edit;
        const char* bar;
        int percent;
        int level;
        tValue value;
    } cases[] = {
        {"ShadeEdit", "ShadeTrackBar", 50, 128, [] { return double(Settings.BlackLevel); }},
        {"ShadeEdit", "ShadeTrackBar", -50, -128, [] { return double(Settings.BlackLevel); }},
        {"ShadeEdit", "ShadeTrackBar", 10, 26, [] { return double(Settings.BlackLevel); }},
        {"LightEdit", "LightTrackBar", 90, 230, [] { return double(Settings.WhiteLevel); }},
        {"LightEdit", "LightTrackBar", 110, 280, [] { return double(Settings.WhiteLevel); }},
        {"LightEdit", "LightTrackBar", 150, 382, [] { return double(Settings.WhiteLevel); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edit + std::string(" ") + std::to_string(c.percent));
        Bar(c.bar)->SetPosition(c.percent);
        EXPECT_EQ(c.value(), c.level);
        Bar(c.bar)->SetPosition(c.percent > 0 ? c.percent - 1 : c.percent + 1);
        Paste(Edit(c.edit), QString::number(c.percent));
        EXPECT_EQ(c.value(), c.level);
        EXPECT_EQ(Bar(c.bar)->Position(), c.percent);
    }
}

TEST_F(ChangersTest, ANewerDragPositionArrivingMeanwhileIsApplied) {
    // While a changer lets pending messages run, the thumb being dragged
    // reports a newer position; the settings must end at that one.
    struct {
        const char* bar;
        int first, newer;
        tValue value;
        double expected;
    } cases[] = {
        {"ShadeTrackBar", 20, 30, [] { return double(Settings.BlackLevel); }, 76},
        {"ContrastTrackBar", 20, 50, [] { return Settings.Contrast; }, 2.0},
        {"aTrackBar", 20, 30, [] { return double(Settings.LightPointA); }, 98},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bar);
        ui::TTrackBar* bar = Bar(c.bar);
        QTimer::singleShot(0, bar, [bar, newer = c.newer] { bar->SetPosition(newer); });
        bar->SetPosition(c.first);
        EXPECT_EQ(bar->Position(), c.newer);
        EXPECT_DOUBLE_EQ(c.value(), c.expected);
    }
}

TEST_F(ChangersTest, EqualiserSlidersShowTheirDeviationFromZero) {
    ui::TTrackBar* red = Bar("RedTrackBar");
    red->SetPosition(-40);
    EXPECT_EQ(red->SelStart(), -40);
    EXPECT_EQ(red->SelEnd(), 0);
    Paste(Edit("RedEdit"), "-25");
    EXPECT_EQ(Settings.ColorEq[1], -25);
    EXPECT_EQ(red->Position(), 25);
    EXPECT_EQ(red->SelStart(), 0);
    EXPECT_EQ(red->SelEnd(), 25);

    // Loading sets every band of both equalisers.
    for (int i = 0; i < 8; ++i) Settings.ColorEq[i] = i * 5 - 20;
    for (int i = 0; i < 5; ++i) Settings.LightEq[i] = 40 - i * 20;
    form->RefreshControls();
    for (int i = 0; i < 8; ++i) {
        ui::TTrackBar* bar = form->HueBandBars()[size_t(i)];
        EXPECT_EQ(bar->Position(), 20 - i * 5) << i;
        EXPECT_EQ(form->HueBandEdits()[size_t(i)]->Text(), QString::number(i * 5 - 20)) << i;
        EXPECT_EQ(bar->SelStart(), std::min(0, bar->Position())) << i;
        EXPECT_EQ(bar->SelEnd(), std::max(0, bar->Position())) << i;
    }
    for (int i = 0; i < 5; ++i) {
        ui::TTrackBar* bar = form->LightBandBars()[size_t(i)];
        EXPECT_EQ(bar->Position(), i * 20 - 40) << i;
        EXPECT_EQ(form->LightBandEdits()[size_t(i)]->Text(), QString::number(40 - i * 20)) << i;
        EXPECT_EQ(bar->SelStart(), std::min(0, bar->Position())) << i;
    }
}

TEST_F(ChangersTest, LoadingShowsEveryGroupAndChangesNoSetting) {
    Settings.ColorContrast = 2.0;
    Settings.LowSat = 30;
    Settings.SatBend = 64;
    Settings.Lightness = 0.5;
    Settings.Contrast = 1.5;
    Settings.Sharpness = 0.5;
    Settings.Rotate = 120;
    Settings.Shadow = 2.5;
    Settings.HighLight = 2.5;
    Settings.LightPointA = 100;
    Settings.LightPointB = 140;
    Settings.LightPointL = 200;
    Settings.ShadowPointA = 110;
    Settings.ShadowPointB = 120;
    Settings.ShadowPointL = 30;
    tParams before;
    std::memcpy(&before, &Settings, sizeof before);
    const int entries = UndoEntryCount();
    form->RefreshControls();
    EXPECT_EQ(std::memcmp(&before, &Settings, sizeof before), 0);
    EXPECT_EQ(UndoEntryCount(), entries);

    struct {
        const char* bar;
        int position;
        const char* edit;
        const char* text;
    } cases[] = {
        {"ColorContrastTrackBar", -64, "ColorContrastEdit", "2.0"},
        {"LowSatTrackBar", 30, "LowSatEdit", "30"},
        {"SatBendTrackBar", 64, "SatBendEdit", "64"},
        {"LightnessTrackBar", 200, "GammaEdit", "2.00"},
        {"ContrastTrackBar", 33, "ContrastEdit", "1.50"},
        {"SharpnessTrackBar", -50, "SharpnessEdit", "0.50"},
        {"RotateTrackBar", 50, "RotEdit", "120"},
        {"ShadowTrackBar", 25, "ShadowEdit", "2.5"},
        {"HighLightTrackBar", 35, "HighLightEdit", "2.5"},
        {"aTrackBar", 28, "aEdit", "28"},
        {"bTrackBar", 12, "bEdit", "-12"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Bar(c.bar)->Position(), c.position) << c.bar;
        EXPECT_EQ(Edit(c.edit)->Text(), QString::fromLatin1(c.text)) << c.edit;
    }
}

TEST_F(ChangersTest, AControlOutsideTheGroupIsAnInternalFailure) {
    QObject* stranger = C<ui::TTrackBar>("LowSatTrackBar");
    QObject* box = C<ui::TCheckBox>("AutocontrastCheckBox");
    using tCall = void (dialog::TParamForm::*)(QObject*);
    struct {
        tCall changer;
        QObject* source;
        const char* message;
    } cases[] = {
        {&dialog::TParamForm::DDChanger, stranger, "DDChanger: неправильный параметр"},
        {&dialog::TParamForm::ColorContrast, stranger, "ColorContrast: неправильный параметр"},
        {&dialog::TParamForm::LowSatChanger, box, "LowSatChanger: неправильный параметр"},
        {&dialog::TParamForm::SatBendChanger, stranger, "SatBendChanger: неправильный параметр"},
        {&dialog::TParamForm::BalanceChanger, stranger, "BalanceChanger: неправильный параметр"},
        {&dialog::TParamForm::LightnessChanger, stranger,
         "LightnessChanger: неправильный параметр"},
        {&dialog::TParamForm::NewContrastChanger, stranger,
         "NewContrastChanger: неправильный параметр"},
        {&dialog::TParamForm::NewSharpnessChanger, stranger,
         "NewSharpnessChanger: неправильный параметр"},
        {&dialog::TParamForm::RotateChanger, stranger, "RotateChanger: неправильный параметр"},
        {&dialog::TParamForm::ColorEqualizerChanger, box,
         "ColorEqualizerChanger: неправильный параметр"},
        {&dialog::TParamForm::ColorEqualizerChanger, Bar("DarkTrackBar"), "Неправильный TrackBar"},
        {&dialog::TParamForm::LightEqualizerChanger, Edit("RedEdit"), "Неправильный Edit"},
        {&dialog::TParamForm::LightEqualizerChanger, box,
         "LightEqualizerChanger: неправильный параметр"},
        {&dialog::TParamForm::ShadowChanger, stranger, "ShadowChanger: неправильный параметр"},
        {&dialog::TParamForm::HighLightChanger, stranger,
         "HighLightChanger: неправильный параметр"},
    };
    for (const auto& c : cases) {
        try {
            (form.get()->*c.changer)(c.source);
            ADD_FAILURE() << "no failure for " << c.message;
        } catch (const tInternalFailure& failure) {
            EXPECT_STREQ(failure.what(), c.message);
        }
    }
    // The guards are back at rest: the groups still follow their controls.
    Bar("RotateTrackBar")->SetPosition(9);
    EXPECT_EQ(Settings.Rotate, 9);
    Bar("DarkTrackBar")->SetPosition(-9);
    EXPECT_EQ(Settings.LightEq[0], 9);
}

// ---- undo grouping ---------------------------------------------------------

TEST_F(ChangersTest, ChangesThroughOneControlAreOneUndoStep) {
    auto* undo = C<ui::TSpeedButton>("UndoButton");
    auto* redo = C<ui::TSpeedButton>("RedoButton");
    ui::TTrackBar* contrast = Bar("ContrastTrackBar");
    EXPECT_FALSE(undo->Enabled());
    for (int p : {10, 20, 30}) contrast->SetPosition(p);
    // The edit of the group notes the same undo control as its slider.
    Paste(Edit("ContrastEdit"), "2");
    EXPECT_EQ(UndoEntryCount(), 1);
    EXPECT_TRUE(undo->Enabled());
    EXPECT_FALSE(redo->Enabled());

    form->UndoButtonClick();
    EXPECT_DOUBLE_EQ(Settings.Contrast, 1.0);
    EXPECT_EQ(contrast->Position(), 0);
    EXPECT_FALSE(CanUndo());
    EXPECT_TRUE(redo->Enabled());
    form->RedoButtonClick();
    EXPECT_DOUBLE_EQ(Settings.Contrast, 2.0);
    EXPECT_EQ(contrast->Position(), 50);
}

TEST_F(ChangersTest, AnotherControlInBetweenMakesTwoSteps) {
    struct {
        const char* first;
        const char* between;
        int steps;
    } cases[] = {
        {"ContrastTrackBar", "SharpnessTrackBar", 3},
        {"ContrastTrackBar", "ContrastTrackBar", 1},
        {"ShadeTrackBar", "LightTrackBar", 3},
        {"MagentaTrackBar", "VioletTrackBar", 1},  // one undo control, the panel
        {"aTrackBar", "bTrackBar", 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first + std::string(" / ") + c.between);
        FreeHistory();
        ResetFirstUse();
        form->RefreshControls();
        form->State().LastUndoControl = nullptr;
        ui::TTrackBar* first = Bar(c.first);
        ui::TTrackBar* between = Bar(c.between);
        const int firstAt = first->Position();
        const int betweenAt = between->Position();
        first->SetPosition(10);
        between->SetPosition(5);
        first->SetPosition(20);
        // Back step by step to the settings before the first change.
        int undos = 0;
        while (CanUndo() && undos < 10) {
            form->UndoButtonClick();
            ++undos;
        }
        EXPECT_EQ(undos, c.steps);
        EXPECT_EQ(first->Position(), firstAt);
        EXPECT_EQ(between->Position(), betweenAt);
        EXPECT_FALSE(C<ui::TSpeedButton>("UndoButton")->Enabled());
    }
}

TEST_F(ChangersTest, TheLevelsEditAndSliderAreSeparateUndoSteps) {
    Bar("ShadeTrackBar")->SetPosition(10);
    Paste(Edit("ShadeEdit"), "20");
    EXPECT_EQ(Settings.BlackLevel, 51);
    form->UndoButtonClick();
    EXPECT_EQ(Settings.BlackLevel, 26);  // the slider's 10 %
    form->UndoButtonClick();
    EXPECT_EQ(Settings.BlackLevel, 10);
}

}  // namespace
}  // namespace velmora::test

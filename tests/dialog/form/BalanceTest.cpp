// The colour balance controls: Cartesian and polar forms of the shown shift,
// the two working points and the three radios, the pick sources of the
// neutral-point pipette, and undo across balance changes.
#include <cstring>

#include "FormFixture.h"

namespace velmora::test {
namespace {

using dialog::tBalancePoint;

// The two stored balance points of the settings, (L, a, b) each.
struct tStored {
    tBalancePoint first, second;
    bool operator==(const tStored&) const = default;
};

tStored Stored() {
    return {{Settings.LightPointL, Settings.LightPointA, Settings.LightPointB},
            {Settings.ShadowPointL, Settings.ShadowPointA, Settings.ShadowPointB}};
}

void Store(const tStored& s) {
    Settings.LightPointL = s.first.L;
    Settings.LightPointA = s.first.a;
    Settings.LightPointB = s.first.b;
    Settings.ShadowPointL = s.second.L;
    Settings.ShadowPointA = s.second.a;
    Settings.ShadowPointB = s.second.b;
}

std::ostream& operator<<(std::ostream& os, const tStored& s) {
    return os << "(L" << int(s.first.L) << " a" << int(s.first.a) << " b" << int(s.first.b)
              << ") (L" << int(s.second.L) << " a" << int(s.second.a) << " b" << int(s.second.b)
              << ")";
}

void Paste(ui::TEdit* edit, const QString& text) {
    edit->selectAll();
    edit->insert(text);
}

/// What the group shows: a, b (sliders and edits), hue and chroma.
struct tShown {
    int aBar, bBar;
    QString a, b;
    int hueBar, chromaBar;
    QString hue, chroma;
    bool operator==(const tShown&) const = default;
};

class BalanceTest : public FormTest {
  protected:
    ui::TRadioButton* Radio(const char* name) { return C<ui::TRadioButton>(name); }

    /// Loads stored points into the dialog as an undo or a snapshot does.
    void Load(const tStored& s) {
        Store(s);
        form->RefreshControls();
    }

    tShown Shown() {
        return {Bar("aTrackBar")->Position(),   Bar("bTrackBar")->Position(),
                Edit("aEdit")->Text(),          Edit("bEdit")->Text(),
                Bar("HueTrackBar")->Position(), Bar("ChromaTrackBar")->Position(),
                Edit("HueEdit")->Text(),        Edit("ChromaEdit")->Text()};
    }
};

void PrintTo(const tShown& s, std::ostream* os) {
    *os << "a " << s.aBar << "/" << s.a.toStdString() << " b " << s.bBar << "/" << s.b.toStdString()
        << " hue " << s.hueBar << "/" << s.hue.toStdString() << " chroma " << s.chromaBar << "/"
        << s.chroma.toStdString();
}

TEST_F(BalanceTest, EachControlSetsThePointAndTheOtherForm) {
    // From the first-use balance (common, neutral), one control after the
    // other.
    struct {
        const char* control;
        int value;  // slider position or typed number
        tBalancePoint point;
        tShown shown;
    } cases[] = {
        // A positive shown a is the hue 360, which the hue slider clamps.
        {"aTrackBar", 30, {255, 98, 128}, {30, 0, "30", "0", 359, 30, "359", "30"}},
        {"aEdit", 0, {255, 128, 128}, {0, 0, "0", "0", 0, 0, "0", "0"}},
        {"bTrackBar", -20, {255, 128, 108}, {0, -20, "0", "20", 90, 20, "90", "20"}},
        {"bEdit", -7, {255, 128, 135}, {0, 7, "0", "-7", 270, 7, "270", "7"}},
        {"aEdit", -25, {255, 153, 135}, {-25, 7, "-25", "-7", 196, 26, "196", "26"}},
        // Polar changes keep the other polar coordinate.
        {"ChromaEdit", 20, {255, 147, 134}, {-19, 6, "-19", "-6", 196, 20, "196", "20"}},
        {"HueTrackBar", 180, {255, 148, 128}, {-20, 0, "-20", "0", 180, 20, "180", "20"}},
        {"HueEdit", 90, {255, 128, 108}, {0, -20, "0", "20", 90, 20, "90", "20"}},
        {"ChromaTrackBar", 10, {255, 128, 118}, {0, -10, "0", "10", 90, 10, "90", "10"}},
        // Beyond the bounds the value stays.
        {"bEdit", 99, {255, 128, 118}, {0, -10, "0", "10", 90, 10, "90", "10"}},
        {"aEdit", -61, {255, 128, 118}, {0, -10, "0", "10", 90, 10, "90", "10"}},
        {"HueEdit", 360, {255, 128, 118}, {0, -10, "0", "10", 90, 10, "90", "10"}},
        {"ChromaEdit", 61, {255, 128, 118}, {0, -10, "0", "10", 90, 10, "90", "10"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.control + std::string(" ") + std::to_string(c.value));
        QObject* control = form->findChild<QObject*>(QString::fromLatin1(c.control));
        ASSERT_NE(control, nullptr);
        if (auto* bar = qobject_cast<ui::TTrackBar*>(control))
            bar->SetPosition(c.value);
        else
            Paste(qobject_cast<ui::TEdit*>(control), QString::number(c.value));
        // Common balance: both stored points alike, lightness included.
        EXPECT_EQ(Stored(), (tStored{c.point, c.point}));
        tShown expected = c.shown;
        // An edit keeps its typed text.
        if (std::string(c.control) == "aEdit") expected.a = QString::number(c.value);
        if (std::string(c.control) == "bEdit") expected.b = QString::number(c.value);
        if (std::string(c.control) == "HueEdit") expected.hue = QString::number(c.value);
        if (std::string(c.control) == "ChromaEdit") expected.chroma = QString::number(c.value);
        EXPECT_EQ(Shown(), expected);
        // Loading puts the texts back; hue and chroma are then those of
        // the rounded a and b.
        form->RefreshControls();
        const tShown loaded = Shown();
        EXPECT_EQ(loaded.a, c.shown.a);
        EXPECT_EQ(loaded.b, c.shown.b);
        EXPECT_EQ(loaded.hue, QString::number(loaded.hueBar));
        EXPECT_EQ(loaded.chroma, QString::number(loaded.chromaBar));
    }
}

TEST_F(BalanceTest, PolarHalvesRoundToEven) {
    // At multiples of 30 degrees an odd chroma puts a or b on a half, which
    // rounds to the even neighbour; the binary sine and cosine of those
    // angles lie a little off the half.
    struct {
        int chroma, hue;
        bool bySlider;
        int a, b;  // shown
    } cases[] = {
        {5, 60, false, 2, 4},    {3, 30, false, 3, 2},   {3, 120, true, -2, 3},
        {5, 240, false, -2, -4}, {1, 300, true, 0, -1},  {7, 150, false, -6, 4},
        {3, 210, true, -3, -2},  {5, 330, false, 4, -2}, {20, 90, false, 0, 20},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("chroma " + std::to_string(c.chroma) + " hue " + std::to_string(c.hue));
        Paste(Edit("ChromaEdit"), QString::number(c.chroma));
        if (c.bySlider)
            Bar("HueTrackBar")->SetPosition(c.hue);
        else
            Paste(Edit("HueEdit"), QString::number(c.hue));
        EXPECT_EQ(Edit("aEdit")->Text(), QString::number(c.a));
        EXPECT_EQ(Edit("bEdit")->Text(), QString::number(c.b));
        EXPECT_EQ(Settings.LightPointA, 128 - c.a);
        EXPECT_EQ(Settings.LightPointB, 128 - c.b);
    }
}

TEST_F(BalanceTest, ChromaBeyondTheSliderIsShownAtItsEnd) {
    Paste(Edit("aEdit"), "60");
    Paste(Edit("bEdit"), "60");
    EXPECT_EQ(Settings.LightPointA, 68);
    EXPECT_EQ(Settings.LightPointB, 68);
    // Chroma 85 of shown (60, 60) is shown at the slider's end.
    EXPECT_EQ(Bar("ChromaTrackBar")->Position(), 60);
    EXPECT_EQ(Edit("ChromaEdit")->Text(), "60");
    EXPECT_EQ(Bar("HueTrackBar")->Position(), 45);
    // The next polar change works from chroma 60.
    Bar("HueTrackBar")->SetPosition(46);
    EXPECT_EQ(Settings.LightPointA, 128 - 42);
    EXPECT_EQ(Settings.LightPointB, 128 - 43);
    EXPECT_EQ(Edit("aEdit")->Text(), "42");
    EXPECT_EQ(Edit("bEdit")->Text(), "43");

    // A picked cast beyond the sliders shows its true value in the edits.
    Load({{255, 20, 200}, {0, 20, 200}});
    EXPECT_EQ(Edit("aEdit")->Text(), "108");
    EXPECT_EQ(Bar("aTrackBar")->Position(), 60);
    EXPECT_EQ(Edit("bEdit")->Text(), "-72");
    EXPECT_EQ(Bar("bTrackBar")->Position(), 60);
}

TEST_F(BalanceTest, TextThatIsNoUsableNumberKeepsACastBeyondTheSliders) {
    // A picked light cast of shown a 108 and b -72: both sliders sit at an
    // end.
    const tStored picked{{255, 20, 200}, {0, 128, 128}};
    struct {
        const char* edit;
        const char* text;
    } cases[] = {
        {"aEdit", "99"}, {"aEdit", "-61"}, {"aEdit", "-"},
        {"aEdit", ""},   {"bEdit", "99"},  {"bEdit", "-"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edit + std::string(" with '") + c.text + "'");
        Load(picked);
        Paste(Edit(c.edit), QString::fromLatin1(c.text));
        EXPECT_EQ(Stored(), picked);
        EXPECT_EQ(Bar("aTrackBar")->Position(), 60);
        EXPECT_EQ(Bar("bTrackBar")->Position(), 60);
    }
    // A number within the bounds replaces the cast.
    Load(picked);
    Paste(Edit("aEdit"), "25");
    EXPECT_EQ(Stored(), (tStored{{255, 103, 200}, {0, 128, 128}}));
    EXPECT_EQ(Bar("aTrackBar")->Position(), 25);
}

TEST_F(BalanceTest, WorkingPointsFollowLightnessOrder) {
    struct {
        tStored stored;
        tBalancePoint light, shadow;
    } cases[] = {
        {{{200, 100, 140}, {30, 110, 120}}, {200, 100, 140}, {30, 110, 120}},
        {{{30, 110, 120}, {200, 100, 140}}, {200, 100, 140}, {30, 110, 120}},
        // Equal lightness: one point, the first.
        {{{100, 100, 140}, {100, 110, 120}}, {100, 100, 140}, {100, 100, 140}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.stored));
        Store(c.stored);
        form->LoadBalancePoints();
        EXPECT_EQ(form->LightPoint, c.light);
        EXPECT_EQ(form->ShadowPoint, c.shadow);
        form->StoreBalancePoints();
        if (c.light.L != c.shadow.L) {
            EXPECT_EQ(Stored(), c.stored);
        }
    }
}

TEST_F(BalanceTest, ShadowAndLightRadiosEditOnlyTheirPoint) {
    // The stored order does not matter: the darker point is the shadow.
    struct {
        tStored stored;
        const char* radio;
        tBalancePoint shown;
        const char* bar;
        int position;
        tStored after;
    } cases[] = {
        {{{220, 140, 110}, {40, 120, 130}},
         "ShadowRadio",
         {40, 120, 130},
         "bTrackBar",
         10,
         {{220, 140, 110}, {40, 120, 138}}},
        {{{40, 120, 130}, {220, 140, 110}},
         "ShadowRadio",
         {40, 120, 130},
         "bTrackBar",
         10,
         {{40, 120, 138}, {220, 140, 110}}},
        {{{40, 120, 130}, {220, 140, 110}},
         "LightRadio",
         {220, 140, 110},
         "aTrackBar",
         -10,
         {{40, 120, 130}, {220, 138, 110}}},
        {{{220, 140, 110}, {40, 120, 130}},
         "LightRadio",
         {220, 140, 110},
         "aTrackBar",
         -10,
         {{220, 138, 110}, {40, 120, 130}}},
    };
    // Two different points loaded in common mode are edited one at a time.
    ASSERT_TRUE(Radio("CommonRadio")->Checked());
    Load(cases[0].stored);
    EXPECT_TRUE(Radio("LightRadio")->Checked());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.radio + testing::PrintToString(c.stored));
        Load(c.stored);
        QTest::mouseClick(Radio(c.radio), Qt::LeftButton);
        ASSERT_TRUE(Radio(c.radio)->Checked());
        EXPECT_EQ(Bar("aTrackBar")->Position(), 128 - c.shown.a);
        EXPECT_EQ(Edit("bEdit")->Text(), QString::number(128 - c.shown.b));
        Bar(c.bar)->SetPosition(c.position);
        EXPECT_EQ(Stored(), c.after);
        // Loading again keeps the radio and the points.
        form->RefreshControls();
        EXPECT_TRUE(Radio(c.radio)->Checked());
        EXPECT_EQ(Stored(), c.after);
    }
}

TEST_F(BalanceTest, CommonRadioAveragesTheTwoPoints) {
    Load({{200, 100, 140}, {30, 110, 120}});
    ASSERT_TRUE(Radio("LightRadio")->Checked());
    const tParams before = Settings;
    QTest::mouseClick(Radio("CommonRadio"), Qt::LeftButton);
    ASSERT_TRUE(Radio("CommonRadio")->Checked());
    EXPECT_EQ(Stored(), (tStored{{255, 105, 130}, {0, 105, 130}}));
    EXPECT_EQ(Edit("aEdit")->Text(), "23");
    EXPECT_EQ(Edit("bEdit")->Text(), "-2");
    EXPECT_TRUE(form->State().RedrawPending);

    // One undo step; undo brings both points and the radio back.
    EXPECT_TRUE(C<ui::TSpeedButton>("UndoButton")->Enabled());
    form->UndoButtonClick();
    EXPECT_EQ(Stored(), (tStored{{200, 100, 140}, {30, 110, 120}}));
    EXPECT_TRUE(SettingsEqual(Settings, before));
    EXPECT_TRUE(Radio("LightRadio")->Checked());
    EXPECT_TRUE(C<ui::TSpeedButton>("RedoButton")->Enabled());
    form->RedoButtonClick();
    EXPECT_EQ(Stored(), (tStored{{255, 105, 130}, {0, 105, 130}}));
    EXPECT_TRUE(Radio("CommonRadio")->Checked());
}

TEST_F(BalanceTest, LoadingLeavesTheStoredPointsAsTheyAre) {
    struct {
        tStored stored;
        const char* radio;
    } cases[] = {
        {{{255, 128, 128}, {0, 128, 128}}, "CommonRadio"},  // first use
        {{{200, 120, 130}, {30, 120, 130}}, "CommonRadio"},
        {{{100, 100, 140}, {100, 110, 120}}, "CommonRadio"},  // equal lightness
        {{{30, 110, 120}, {200, 100, 140}}, "LightRadio"},
    };
    for (const char* start : {"CommonRadio", "LightRadio", "ShadowRadio"}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(start + testing::PrintToString(c.stored));
            Radio(start)->SetChecked(true);
            Load(c.stored);
            EXPECT_EQ(Stored(), c.stored);
            if (std::string(start) != "ShadowRadio" || std::string(c.radio) == "CommonRadio") {
                EXPECT_TRUE(Radio(c.radio)->Checked());
            }
        }
    }
}

TEST_F(BalanceTest, UndoAndRedoOfABalanceChangeStayAvailable) {
    // From the first-use points (255 and 0), a change in common mode gives
    // both points one lightness; undo must restore the record exactly, so
    // that redo stays possible.
    Bar("aTrackBar")->SetPosition(15);
    EXPECT_EQ(Stored(), (tStored{{255, 113, 128}, {255, 113, 128}}));
    form->UndoButtonClick();
    EXPECT_EQ(Stored(), (tStored{{255, 128, 128}, {0, 128, 128}}));
    EXPECT_FALSE(CanUndo());
    EXPECT_TRUE(CanRedo());
    EXPECT_TRUE(C<ui::TSpeedButton>("RedoButton")->Enabled());
    form->RedoButtonClick();
    EXPECT_EQ(Bar("aTrackBar")->Position(), 15);
    EXPECT_FALSE(CanRedo());
}

TEST_F(BalanceTest, ARadioSplitsACommonPointSoEachEndCanBeEdited) {
    // A change in common mode leaves one point (both at lightness 255).
    Bar("aTrackBar")->SetPosition(10);
    ASSERT_EQ(Stored(), (tStored{{255, 118, 128}, {255, 118, 128}}));
    struct {
        const char* radio;
        const char* bar;
        int position;
        tStored after;
    } cases[] = {
        {"ShadowRadio", "bTrackBar", 20, {{255, 118, 128}, {0, 118, 148}}},
        {"LightRadio", "bTrackBar", 20, {{255, 118, 148}, {0, 118, 128}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.radio);
        Load({{255, 118, 128}, {255, 118, 128}});
        ASSERT_TRUE(Radio("CommonRadio")->Checked());
        QTest::mouseClick(Radio(c.radio), Qt::LeftButton);
        // The split alone changes no colour.
        EXPECT_EQ(Stored(), (tStored{{255, 118, 128}, {0, 118, 128}}));
        Bar(c.bar)->SetPosition(c.position);
        EXPECT_EQ(Stored(), c.after);
        // Two points now, which a load keeps apart.
        form->RefreshControls();
        EXPECT_EQ(Stored(), c.after);
        EXPECT_TRUE(Radio(c.radio)->Checked());
    }
}

TEST_F(BalanceTest, PickSourcesShowThePickedPointAndSelectItsRadio) {
    struct {
        tStored stored;  // as the pipette leaves them
        int source;      // 0 common, 1 first point, 2 second point
        const char* radio;
        tStored after;
    } cases[] = {
        {{{80, 100, 150}, {80, 100, 150}}, 0, "CommonRadio", {{80, 100, 150}, {80, 100, 150}}},
        {{{230, 90, 160}, {0, 128, 128}}, 1, "LightRadio", {{230, 90, 160}, {0, 128, 128}}},
        {{{255, 128, 128}, {60, 140, 100}}, 2, "ShadowRadio", {{255, 128, 128}, {60, 140, 100}}},
        // The second point picked lighter than the first is the light one.
        {{{100, 128, 128}, {250, 140, 100}}, 2, "LightRadio", {{100, 128, 128}, {250, 140, 100}}},
        // Picked at the other point's lightness: one common point.
        {{{255, 128, 128}, {255, 140, 100}}, 2, "CommonRadio", {{255, 140, 100}, {255, 140, 100}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.source) + testing::PrintToString(c.stored));
        ResetFirstUse();
        form->RefreshControls();
        Store(c.stored);
        form->LoadBalancePoints();
        QObject* source = c.source == 0   ? form->CommonPickSource()
                          : c.source == 1 ? form->FirstPointPickSource()
                                          : form->SecondPointPickSource();
        form->BalanceChanger(source);
        EXPECT_TRUE(Radio(c.radio)->Checked());
        EXPECT_EQ(Stored(), c.after);
        const tBalancePoint& picked = c.source == 2 ? c.after.second : c.after.first;
        EXPECT_EQ(Edit("aEdit")->Text(), QString::number(128 - picked.a));
        EXPECT_EQ(Edit("bEdit")->Text(), QString::number(128 - picked.b));
    }
}

}  // namespace
}  // namespace velmora::test

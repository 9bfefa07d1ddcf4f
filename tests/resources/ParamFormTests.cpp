// The parameter dialog's form as uic builds it: every control by name and
// toolkit class, the initial ranges and texts the changers start from, the
// designed geometry that the window-size layout computes from, and a
// screenshot to look at.
#include <gtest/gtest.h>

#include <QDir>
#include <QFontInfo>
#include <QFontMetrics>
#include <QTest>
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "tests/support/Captions.h"
#include "toolkit/TForm.h"
#include "ui_TParamForm.h"

namespace velmora::ui {
namespace {

class ParamFormTest : public ::testing::Test {
  protected:
    void SetUp() override { ui.setupUi(&form); }

    QWidget* Find(const char* name) { return form.findChild<QWidget*>(QString::fromLatin1(name)); }
    template <class T>
    T* Get(const char* name) {
        T* control = form.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(control, nullptr) << name;
        return control;
    }

    TForm form;
    Ui::TParamForm ui;
};

std::vector<std::string> Numbered(const std::string& prefix, const std::string& suffix, int count) {
    std::vector<std::string> names;
    for (int i = 1; i <= count; ++i) names.push_back(prefix + std::to_string(i) + suffix);
    return names;
}

const std::vector<std::string> kColorBands = {"Magenta", "Red",  "Yellow", "Grass",
                                              "Green",   "Cyan", "Blue",   "Violet"};
const std::vector<std::string> kLightBands = {"Dark", "DarkGray", "Gray", "LightGray", "White"};

// Every control the dialog code refers to, by toolkit class.
std::map<std::string, std::vector<std::string>> ControlsByClass() {
    std::map<std::string, std::vector<std::string>> byClass = {
        {"TPanel",
         {"ToolPanel", "ImagePanel", "BottomPanel", "SnapshotPanel", "ControlPanel",
          "LightnessPanel", "ContrastPanel", "SharpnessPanel", "ShadowHighlightPanel",
          "LowBendPanel", "ColorEqPanel", "LightEqPanel", "BalanceRadioPanel", "CHPanel",
          "RotatePanel", "SpectrumPanel", "ShadowShape", "LightShape"}},
        {"TGroupBox", {"RangeGroup", "ColorContrastGroup", "BalanceGroupBox"}},
        {"TSpeedButton",
         {"UndoButton", "RedoButton", "SrcButton", "DefaultButton", "PlusButton", "MinusButton",
          "FitButton", "ActualButton", "ResizeButton", "ColorBalanceButton", "SkinButton",
          "BlueButton", "GreenButton", "ShotButton", "ClearAllButton"}},
        {"TButton", {"OkButton", "CancelButton"}},
        {"TImage",
         {"Image", "AttentionImage", "NormalImage", "SatImage", "LabImage", "HueImage",
          "ChromaImage", "SpectrumImage", "RotateImage"}},
        {"TTrackBar",
         {"ShadeTrackBar", "LightTrackBar", "ColorContrastTrackBar", "LowSatTrackBar",
          "SatBendTrackBar", "aTrackBar", "bTrackBar", "HueTrackBar", "ChromaTrackBar",
          "LightnessTrackBar", "ContrastTrackBar", "SharpnessTrackBar", "RotateTrackBar",
          "ShadowTrackBar", "HighLightTrackBar"}},
        {"TEdit",
         {"ShadeEdit", "LightEdit", "ColorContrastEdit", "LowSatEdit", "SatBendEdit", "aEdit",
          "bEdit", "HueEdit", "ChromaEdit", "GammaEdit", "ContrastEdit", "SharpnessEdit", "RotEdit",
          "ShadowEdit", "HighLightEdit"}},
        {"TCheckBox", {"AutocontrastCheckBox", "MonoCheckBox", "WarningCheckBox", "HintCheckBox"}},
        {"TRadioButton", {"CommonRadio", "LightRadio", "ShadowRadio"}},
        {"TLabel",
         {"LightnessLabel", "ContrastLabel", "SharpLabel", "ShadowLabel", "HighLightLabel"}},
        {"TStatusBar", {"StatusBar"}},
        {"TProgressBar", {"ProgressBar"}},
    };
    auto add = [&](const char* cls, const std::vector<std::string>& names) {
        byClass[cls].insert(byClass[cls].end(), names.begin(), names.end());
    };
    add("TSpeedButton", Numbered("ShowButton", "", 6));
    add("TSpeedButton", Numbered("ClearButton", "", 6));
    add("TImage", Numbered("ShotImage", "", 6));
    for (const auto& band : kColorBands) {
        add("TTrackBar", {band + "TrackBar"});
        add("TEdit", {band + "Edit"});
    }
    for (const auto& band : kLightBands) {
        add("TTrackBar", {band + "TrackBar"});
        add("TEdit", {band + "Edit"});
    }
    return byClass;
}

TEST_F(ParamFormTest, EveryControlExistsOnceWithItsToolkitClass) {
    int count = 0;
    for (const auto& [cls, names] : ControlsByClass()) {
        const std::string qualified = "velmora::ui::" + cls;
        for (const auto& name : names) {
            const auto found = form.findChildren<QWidget*>(QString::fromStdString(name));
            ASSERT_EQ(found.size(), 1) << name;
            EXPECT_TRUE(found[0]->inherits(qualified.c_str()))
                << name << " is a " << found[0]->metaObject()->className() << ", not " << cls;
            ++count;
        }
    }
    EXPECT_EQ(count, 135);
    EXPECT_EQ(form.objectName(), "TParamForm");
}

struct tTrackCase {
    const char* name;
    int min, max, position;
    Qt::Orientation orientation;
    int pageSize;  // 0: the toolkit's default
    int selStart, selEnd;
};

TEST_F(ParamFormTest, TrackBarsStartWithTheirRangesBandsAndPageSizes) {
    const int defaultPage = TTrackBar().PageSize();
    const auto H = Qt::Horizontal, V = Qt::Vertical;
    std::vector<tTrackCase> cases = {
        {"ShadeTrackBar", -50, 50, 0, H, 0, 0, 127},
        {"LightTrackBar", 50, 150, 100, H, 0, 50, 100},
        {"ColorContrastTrackBar", -127, 128, 0, V, 8, -3, 3},
        {"LowSatTrackBar", 0, 90, 0, H, 8, 0, 0},
        {"SatBendTrackBar", 1, 127, 127, H, 8, 0, 0},
        {"aTrackBar", -60, 60, 0, H, 5, -3, 3},
        {"bTrackBar", -60, 60, 0, V, 5, -3, 3},
        {"HueTrackBar", 0, 359, 0, H, 5, 0, 0},
        {"ChromaTrackBar", 0, 60, 0, H, 5, 0, 0},
        {"LightnessTrackBar", -300, 300, 0, H, 0, -6, 6},
        {"ContrastTrackBar", -90, 90, 0, H, 0, -2, 2},
        {"SharpnessTrackBar", -90, 90, 0, H, 0, -2, 2},
        {"RotateTrackBar", -50, 50, 0, H, 5, -1, 2},
        {"ShadowTrackBar", 10, 50, 10, H, 0, 0, 0},
        {"HighLightTrackBar", 10, 50, 50, H, 0, 0, 0},
    };
    std::vector<std::string> bandNames;
    for (const auto& band : kColorBands) bandNames.push_back(band + "TrackBar");
    for (const auto& band : kLightBands) bandNames.push_back(band + "TrackBar");
    for (const auto& name : bandNames) cases.push_back({name.c_str(), -40, 40, 0, V, 0, -2, 2});

    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto* bar = Get<TTrackBar>(c.name);
        ASSERT_NE(bar, nullptr);
        EXPECT_EQ(bar->Min(), c.min);
        EXPECT_EQ(bar->Max(), c.max);
        EXPECT_EQ(bar->Position(), c.position);
        EXPECT_EQ(bar->Orientation(), c.orientation);
        EXPECT_EQ(bar->PageSize(), c.pageSize ? c.pageSize : defaultPage);
        // Bands not given by the form are left empty (the changers set them).
        if (c.selStart != 0 || c.selEnd != 0) {
            EXPECT_EQ(bar->SelStart(), c.selStart);
            EXPECT_EQ(bar->SelEnd(), c.selEnd);
        } else {
            EXPECT_LE(bar->SelEnd(), bar->SelStart());
        }
        EXPECT_TRUE(bar->SliderVisible());
    }
    // Vertical bars have their minimum at the top: positive shown b, and a
    // raised equaliser gain, sit up.
    EXPECT_TRUE(ui.bTrackBar->invertedAppearance());
    EXPECT_TRUE(ui.VioletTrackBar->invertedAppearance());
}

TEST_F(ParamFormTest, EditsStartWithTheirTextsAndMaxLengths) {
    struct tCase {
        std::string name;
        const char* text;
        int maxLength;  // 0: no limit
    };
    std::vector<tCase> cases = {
        {"ShadeEdit", "0", 4},    {"LightEdit", "100", 4},     {"ColorContrastEdit", "1.00", 4},
        {"LowSatEdit", "0", 4},   {"SatBendEdit", "127", 4},   {"aEdit", "0", 4},
        {"bEdit", "0", 4},        {"HueEdit", "0", 4},         {"ChromaEdit", "0", 4},
        {"GammaEdit", "1.00", 5}, {"ContrastEdit", "1.00", 5}, {"SharpnessEdit", "1.00", 5},
        {"RotEdit", "0", 4},      {"ShadowEdit", "1.00", 5},   {"HighLightEdit", "1.00", 5},
    };
    for (const auto& band : kColorBands) cases.push_back({band + "Edit", "0", 0});
    for (const auto& band : kLightBands) cases.push_back({band + "Edit", "0", 0});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto* edit = Get<TEdit>(c.name.c_str());
        ASSERT_NE(edit, nullptr);
        EXPECT_EQ(edit->Text(), QString::fromUtf8(c.text));
        EXPECT_EQ(edit->MaxLength(), c.maxLength);
        // The limit is on typing only: code may still write a longer text.
        EXPECT_GE(edit->maxLength(), 32767);
    }
}

TEST_F(ParamFormTest, CaptionsAreTheRussianTexts) {
    const auto& captions = velmora::test::kDialogCaptions;
    for (const auto& [name, text] : captions) {
        QWidget* control = Find(name);
        ASSERT_NE(control, nullptr) << name;
        QString shown;
        if (auto* group = qobject_cast<QGroupBox*>(control))
            shown = group->title();
        else if (auto* button = qobject_cast<QAbstractButton*>(control))
            shown = button->text();
        else if (auto* label = qobject_cast<QLabel*>(control))
            shown = label->text();
        EXPECT_EQ(shown, QString::fromUtf8(text)) << name;
    }
    for (int i = 1; i <= 6; ++i)
        EXPECT_EQ(Get<TSpeedButton>(("ShowButton" + std::to_string(i)).c_str())->Caption(),
                  QString::number(i));
    EXPECT_EQ(form.Caption(), "Zeq Velmora 3.15b");
}

TEST_F(ParamFormTest, FormPropertiesAndInitialStates) {
    EXPECT_TRUE(form.KeyPreview());
    EXPECT_EQ(form.Color(), QColor(209, 209, 209));
    EXPECT_EQ(form.size(), QSize(866, 715));
    EXPECT_TRUE(ui.OkButton->Default());
    EXPECT_TRUE(ui.CancelButton->Cancel());
    EXPECT_FALSE(ui.CancelButton->Default());

    for (const char* name : {"UndoButton", "RedoButton", "PlusButton"})
        EXPECT_FALSE(Find(name)->isEnabled()) << name;
    for (const char* name : {"MinusButton", "FitButton", "ActualButton", "SrcButton", "ShotButton"})
        EXPECT_TRUE(Find(name)->isEnabled()) << name;

    std::vector<std::string> hidden = {"Image", "AttentionImage", "ClearAllButton"};
    for (const char* prefix : {"ShotImage", "ShowButton", "ClearButton"})
        for (const auto& name : Numbered(prefix, "", 6)) hidden.push_back(name);
    for (const auto& name : hidden) EXPECT_TRUE(Find(name.c_str())->isHidden()) << name;
    EXPECT_FALSE(ui.ShotButton->isHidden());
    EXPECT_FALSE(ui.DefaultButton->isHidden());  // FormCreate hides it

    // The four pickers: one group of toggles that may all be up.
    for (TSpeedButton* picker :
         {ui.ColorBalanceButton, ui.SkinButton, ui.BlueButton, ui.GreenButton}) {
        EXPECT_EQ(picker->GroupIndex(), 1) << picker->objectName().toStdString();
        EXPECT_TRUE(picker->AllowAllUp());
        EXPECT_FALSE(picker->Down());
        EXPECT_EQ(picker->Group().size(), 3u);  // the other three
    }
    for (TSpeedButton* button : {ui.UndoButton, ui.ResizeButton, ui.ShotButton, ui.ShowButton1})
        EXPECT_EQ(button->GroupIndex(), 0);

    for (int i = 1; i <= 6; ++i) {
        auto* shot = Get<TImage>(("ShotImage" + std::to_string(i)).c_str());
        EXPECT_TRUE(shot->AutoSize());
        EXPECT_EQ(shot->Cursor(), kCursorHandPoint);
    }
    EXPECT_EQ(ui.ImagePanel->Inset(), 2);
    EXPECT_EQ(ui.ImagePanel->BevelOuter(), tBevel::Raised);
    EXPECT_EQ(ui.ImagePanel->BevelInner(), tBevel::Lowered);
    EXPECT_EQ(ui.ImagePanel->BevelWidth(), 1);
    EXPECT_EQ(ui.ImagePanel->BorderWidth(), 0);
}

TEST_F(ParamFormTest, CyrillicFontOfTheDesignedSize) {
    const QFontInfo info(form.font());
    EXPECT_EQ(info.family(), "DejaVu Sans");
    const QFontMetrics metrics(form.font());
    for (char16_t ch : {u'Ж', u'ё', u'Щ', u'я', u'°'}) EXPECT_TRUE(metrics.inFont(QChar(ch)));
    EXPECT_LE(metrics.height(), 14);  // rows of the control panel are 24 to 26 pixels
}

TEST_F(ParamFormTest, DesignedGeometry) {
    struct tCase {
        const char* name;
        const char* parent;
        QRect rect;
    };
    const std::vector<tCase> cases = {
        {"ToolPanel", "TParamForm", {8, 0, 417, 40}},
        {"ImagePanel", "TParamForm", {8, 48, 417, 329}},
        {"Image", "ImagePanel", {2, 2, 413, 325}},
        {"ProgressBar", "TParamForm", {8, 384, 401, 17}},
        {"BottomPanel", "TParamForm", {8, 408, 417, 45}},
        {"SnapshotPanel", "BottomPanel", {2, 2, 413, 41}},
        {"ControlPanel", "TParamForm", {431, 8, 345, 649}},
        {"UndoButton", "ToolPanel", {0, 4, 32, 32}},
        {"RedoButton", "ToolPanel", {32, 4, 32, 32}},
        {"SrcButton", "ToolPanel", {77, 4, 32, 32}},
        {"DefaultButton", "ToolPanel", {109, 4, 32, 32}},
        {"PlusButton", "ToolPanel", {150, 4, 32, 32}},
        {"MinusButton", "ToolPanel", {182, 4, 32, 32}},
        {"FitButton", "ToolPanel", {222, 4, 32, 32}},
        {"ActualButton", "ToolPanel", {256, 4, 32, 32}},
        {"ResizeButton", "ToolPanel", {383, 4, 32, 32}},
        {"AttentionImage", "ToolPanel", {347, 6, 30, 30}},
        {"ClearAllButton", "SnapshotPanel", {5, 4, 32, 32}},
        {"ShotButton", "SnapshotPanel", {375, 4, 32, 32}},
        {"LabImage", nullptr, {-1, -1, 100, 100}},
        {"SatImage", nullptr, {-1, -1, 288, 80}},
        {"HueImage", nullptr, {-1, -1, 145, 8}},
        {"ChromaImage", nullptr, {-1, -1, 144, 8}},
        {"RotateImage", nullptr, {-1, -1, 314, 6}},
        {"SpectrumImage", nullptr, {-1, -1, 314, 6}},
    };
    for (const auto& c : cases) {
        QWidget* control = Find(c.name);
        ASSERT_NE(control, nullptr) << c.name;
        if (c.parent) {
            EXPECT_EQ(control->parentWidget()->objectName(), c.parent) << c.name;
            EXPECT_EQ(control->geometry(), c.rect) << c.name;
        } else {
            EXPECT_EQ(control->size(), c.rect.size()) << c.name;
        }
    }
    const int showX[] = {45, 100, 154, 208, 262, 317};
    const int shotX[] = {62, 117, 171, 225, 279, 334};
    for (int i = 0; i < 6; ++i) {
        const std::string n = std::to_string(i + 1);
        EXPECT_EQ(Find(("ShowButton" + n).c_str())->geometry(), QRect(showX[i], 4, 16, 16)) << n;
        EXPECT_EQ(Find(("ClearButton" + n).c_str())->geometry(), QRect(showX[i], 20, 16, 16)) << n;
        EXPECT_EQ(Find(("ShotImage" + n).c_str())->geometry(), QRect(shotX[i], 4, 32, 32)) << n;
        for (const char* prefix : {"ShowButton", "ClearButton", "ShotImage"})
            EXPECT_EQ(Find((prefix + n).c_str())->parentWidget(), ui.SnapshotPanel);
    }
    EXPECT_EQ(ui.StatusBar->geometry(), QRect(0, 691, 866, 24));
    ASSERT_EQ(ui.StatusBar->PanelCount(), 4);
    const int widths[] = {140, 140, 90, 50};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(ui.StatusBar->Panel(i).Width(), widths[i]);

    const tAnchors topRight = tAnchors(tAnchor::Right) | tAnchor::Top;
    EXPECT_EQ(ui.ResizeButton->Anchors(), topRight);
    EXPECT_EQ(ui.AttentionImage->Anchors(), topRight);
    EXPECT_EQ(ui.ShotButton->Anchors(), topRight);
    EXPECT_EQ(ui.OkButton->Anchors(), tAnchors(tAnchor::Left) | tAnchor::Bottom);
    EXPECT_EQ(ui.CancelButton->Anchors(), tAnchors(tAnchor::Left) | tAnchor::Bottom);
    EXPECT_EQ(ui.HintCheckBox->Anchors(), tAnchors(tAnchor::Right) | tAnchor::Bottom);
    for (const char* name : {"OkButton", "CancelButton", "HintCheckBox"})
        EXPECT_EQ(Find(name)->parentWidget(), ui.ControlPanel) << name;
}

TEST_F(ParamFormTest, LayoutFollowsTheWindowSize) {
    // What the compact mode does with the designed values: a 539 x 539
    // preview panel beside the control panel.
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    form.SetClientSize(908, 689);
    ui.ImagePanel->SetBounds(8, 40, 539, 539);
    ui.ToolPanel->SetWidth(539);
    ui.BottomPanel->SetWidth(539);
    ui.ControlPanel->SetBounds(555, 8, 345, 649);
    EXPECT_EQ(ui.ResizeButton->Left(), 505);
    EXPECT_EQ(ui.AttentionImage->Left(), 469);
    EXPECT_EQ(ui.SnapshotPanel->width(), 535);
    EXPECT_EQ(ui.ShotButton->Left(), 497);
    EXPECT_EQ(ui.StatusBar->geometry(), QRect(0, 665, 908, 24));
    ui.ControlPanel->SetHeight(700);
    EXPECT_EQ(ui.OkButton->Top(), 620 + 51);
    EXPECT_EQ(ui.HintCheckBox->Top(), 623 + 51);
}

// Every control lies inside its parent, no two controls of one parent
// overlap, and every text fits the control that shows it.
TEST_F(ParamFormTest, ControlsFitTheirPanelsAndTheirTexts) {
    const auto all = form.findChildren<QWidget*>();
    for (QWidget* control : all) {
        if (!tControlCore::Of(control) || control == &form) continue;
        QWidget* parent = control->parentWidget();
        const std::string name = control->objectName().toStdString();
        EXPECT_TRUE(QRect(QPoint(0, 0), parent->size()).contains(control->geometry()))
            << name << " leaves " << parent->objectName().toStdString();
        for (QWidget* other : all) {
            if (other == control || other->parentWidget() != parent || !tControlCore::Of(other))
                continue;
            if (control->objectName() < other->objectName()) {
                EXPECT_FALSE(control->geometry().intersects(other->geometry()))
                    << name << " overlaps " << other->objectName().toStdString();
            }
        }
        QString text;
        int room = control->width();
        if (auto* button = qobject_cast<QAbstractButton*>(control)) {
            text = button->text();
            if (qobject_cast<QCheckBox*>(control) || qobject_cast<QRadioButton*>(control)) {
                EXPECT_LE(control->sizeHint().width(), control->width()) << name;
            }
            room -= 4;
        } else if (auto* label = qobject_cast<QLabel*>(control)) {
            text = label->text();
        } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
            // The widest text the edit is meant to show.
            text =
                edit->objectName().endsWith("Edit") && edit->text().contains('.') ? "10.00" : "-40";
            if (edit->objectName() == "RotEdit") text = "-180";
            room -= 6;
        }
        if (!text.isEmpty()) {
            EXPECT_LE(control->fontMetrics().horizontalAdvance(text), room) << name;
        }
    }
    for (auto* group : form.findChildren<QGroupBox*>()) {
        const int titleWidth = group->fontMetrics().horizontalAdvance(group->title());
        EXPECT_LT(titleWidth + 16, group->width()) << group->objectName().toStdString();
        // Children start below the title.
        for (QWidget* child : group->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            EXPECT_GE(child->y(), group->fontMetrics().height())
                << child->objectName().toStdString();
    }
}

TEST_F(ParamFormTest, Screenshot) {
    const QString dir = QDir::tempPath() + "/velmora-resources";
    QDir().mkpath(dir);
    // Stand-ins for what the dialog paints, so the picture shows the layout.
    auto fill = [](TImage* image, QColor colour) {
        TCanvas& canvas = image->Canvas();
        canvas.Brush.Color = colour;
        canvas.FillRect(QRect(QPoint(0, 0), image->size()));
    };
    fill(ui.LabImage, QColor(150, 150, 150));
    fill(ui.SatImage, QColor(153, 153, 153));
    fill(ui.NormalImage, QColor(128, 128, 128));
    for (TImage* strip : {ui.HueImage, ui.ChromaImage, ui.SpectrumImage, ui.RotateImage})
        fill(strip, QColor(190, 120, 150));
    ui.StatusBar->Panel(0).SetText(" R:  007   G:  128   B:  255");
    ui.StatusBar->Panel(3).SetText(" Щелчок - сброс настроек. Двойной щелчок - отмена");
    ui.ShowButton1->SetVisible(true);
    ui.ClearButton1->SetVisible(true);
    ui.ShotImage1->SetVisible(true);
    fill(ui.ShotImage1, QColor(90, 120, 160));
    ui.ResizeButton->SetGlyph(QImage(":/glyphs/MIN2MAX"));  // as the compact mode sets it
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QTest::qWait(20);
    const QImage shot = form.grab().toImage();
    EXPECT_EQ(shot.size(), QSize(866, 715));
    EXPECT_EQ(shot.pixelColor(300, 470), QColor(209, 209, 209));  // the form's free area
    // The OK caption is drawn: dark text pixels inside the button.
    const QRect ok(ui.OkButton->mapTo(&form, QPoint(0, 0)), ui.OkButton->size());
    int dark = 0;
    for (int y = ok.top(); y <= ok.bottom(); ++y)
        for (int x = ok.left(); x <= ok.right(); ++x) dark += qGray(shot.pixel(x, y)) < 80;
    EXPECT_GT(dark, 20);
    EXPECT_TRUE(shot.save(dir + "/TParamForm.png"));
}

}  // namespace
}  // namespace velmora::ui

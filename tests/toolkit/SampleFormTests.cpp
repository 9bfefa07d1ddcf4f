// A form designed as a Qt Designer file with every control type, compiled
// by uic: the controls come out as the toolkit's classes with the form's
// properties applied through the toolkit's own setters.
#include <gtest/gtest.h>

#include <QTest>

#include "toolkit/TForm.h"
#include "ui_SampleForm.h"

namespace velmora::ui {
namespace {

class SampleFormTest : public ::testing::Test {
  protected:
    void SetUp() override { ui.setupUi(&form); }
    TForm form;
    Ui::SampleForm ui;
};

TEST_F(SampleFormTest, ControlsAreTheToolkitClassesWithTheFormsProperties) {
    EXPECT_EQ(ui.aTrackBar->objectName(), "aTrackBar");
    EXPECT_EQ(ui.aTrackBar->Min(), -60);
    EXPECT_EQ(ui.aTrackBar->Max(), 60);
    EXPECT_EQ(ui.aTrackBar->Position(), 20);
    EXPECT_EQ(ui.aTrackBar->PageSize(), 5);
    EXPECT_EQ(ui.aTrackBar->SelStart(), -3);
    EXPECT_EQ(ui.aTrackBar->SelEnd(), 3);
    // The form's vertical slider gets its minimum at the top.
    EXPECT_TRUE(ui.bTrackBar->invertedAppearance());
    // Qt's own maxLength would cut texts set by code; the form's value is ours.
    EXPECT_EQ(ui.aEdit->MaxLength(), 4);
    EXPECT_EQ(ui.HueEdit->MaxLength(), 4);
    EXPECT_EQ(ui.aEdit->maxLength(), 32767);
    EXPECT_TRUE(ui.CommonRadio->Checked());
    EXPECT_TRUE(ui.OkButton->Default());
    EXPECT_TRUE(ui.CancelButton->Cancel());
    EXPECT_EQ(ui.ColorBalanceButton->GroupIndex(), 1);
    EXPECT_TRUE(ui.SkinButton->AllowAllUp());
    EXPECT_EQ(ui.ImagePanel->Inset(), 2);
    EXPECT_EQ(ui.ProgressBar->Position(), 40);
    EXPECT_EQ(ui.StatusBar->PanelCount(), 4);
    EXPECT_EQ(ui.StatusBar->Panel(2).Width(), 90);
    EXPECT_EQ(ui.ResizeButton->Anchors(), tAnchors(tAnchor::Right) | tAnchor::Top);
    EXPECT_TRUE(form.KeyPreview());
    EXPECT_EQ(form.Color(), QColor(209, 209, 209));
    EXPECT_EQ(form.Caption(), "Zeq Velmora");
}

TEST_F(SampleFormTest, AnchoredAndDockedControlsFollowTheForm) {
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    ui.ToolPanel->SetWidth(517);
    EXPECT_EQ(ui.ResizeButton->Left(), 483);
    form.SetClientSize(533, 394);
    EXPECT_EQ(ui.StatusBar->geometry(), QRect(0, 370, 533, 24));
}

TEST_F(SampleFormTest, Screenshot) {
    ui.StatusBar->Panel(0).SetText(" R:  007   G:  128   B:  255");
    ui.StatusBar->Panel(3).SetText(" Щелчок - сброс настроек");
    ui.aEdit->SetText("20");
    ui.SkinButton->SetDown(true);
    TCanvas& canvas = ui.Image->Canvas();
    canvas.Brush.Color = QColor(90, 120, 160);
    canvas.FillRect(QRect(0, 0, 197, 146));
    canvas.Brush.Style = tBrushStyle::Clear;
    canvas.FontColor = Qt::white;
    canvas.TextOut(6, 4, "Image");
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    ui.aTrackBar->SetFocus();
    QTest::qWait(20);
    const QImage shot = form.grab().toImage();
    EXPECT_EQ(shot.size(), QSize(433, 294));
    EXPECT_EQ(shot.pixelColor(ui.Image->mapTo(&form, QPoint(100, 100))), QColor(90, 120, 160));
    EXPECT_EQ(shot.pixelColor(100, 250), QColor(209, 209, 209));  // the form's free area
    shot.save(QString::fromUtf8(qgetenv("VELMORA_SHOT_DIR")) + "SampleForm.png");
}

}  // namespace
}  // namespace velmora::ui

// The indicator images in the running dialog: drawn through the host's
// monitor conversion, and all grey once the mono switch is clicked.
#include "DialogDriver.h"
#include "dialog/LabPlane.h"
#include "toolkit/TCheckBox.h"

namespace velmora::test {
namespace {

/// Pixels inside the one-pixel frame whose channels differ.
int Coloured(ui::TImage* image) {
    const QImage& picture = image->Picture().Image();
    int n = 0;
    for (int y = 1; y < picture.height() - 1; ++y)
        for (int x = 1; x < picture.width() - 1; ++x) {
            const QColor c = picture.pixelColor(x, y);
            n += (c.red() != c.green() || c.green() != c.blue()) ? 1 : 0;
        }
    return n;
}

TEST_F(ParamDialogTest, IndicatorsUseTheMonitorConversionAndTurnGreyInMono) {
    FakeHost host(sdk::kModeRGB, 480, 360);
    LoadPhoto(host, 480, 360);
    auto script = std::make_shared<tScript>();
    bool checked = false;
    const char* strips[] = {"LabImage", "HueImage", "ChromaImage", "SpectrumImage", "RotateImage"};
    script->steps.push_back(
        {Ready, [&](TParamForm& form) {
             // A fresh display cache: every colour of the plane is asked of the
             // host's colour space suite, none of its colour services.
             FlushDisplayCache();
             const int display = host.displayCalls, services = host.colorServicesCalls;
             form.DrawLabPlane();
             form.DrawBalanceMarkers(128, 128);
             EXPECT_GT(host.displayCalls - display, 3000);
             EXPECT_EQ(host.colorServicesCalls, services);
             auto* lab = Child<ui::TImage>(&form, "LabImage");
             const int a = dialog::LabPlaneA(20, 100, 120), b = dialog::LabPlaneB(70, 100, 120);
             const int16_t in[3] = {127, int16_t(a), int16_t(b)};
             int16_t rgb[3];
             FakeHost::FakeLabToRgb(in, rgb);
             EXPECT_EQ(lab->Picture().Image().pixelColor(20, 70), QColor(rgb[0], rgb[1], rgb[2]));

             for (const char* name : strips)
                 EXPECT_GT(Coloured(Child<ui::TImage>(&form, name)), 0) << name;
             form.grab().save(QStringLiteral("/tmp/velmora_indicators_colour.png"));

             auto* mono = Child<ui::TCheckBox>(&form, "MonoCheckBox");
             QTest::mouseClick(mono, Qt::LeftButton, {}, QPoint(6, mono->height() / 2));
             ASSERT_TRUE(mono->Checked());
             for (const char* name : strips)
                 EXPECT_EQ(Coloured(Child<ui::TImage>(&form, name)), 0) << name;
             for (ui::TEdit* edit : form.HueBandEdits()) {
                 const QColor c = edit->Color();
                 EXPECT_TRUE(c.red() == c.green() && c.green() == c.blue())
                     << edit->objectName().toStdString();
             }
             form.grab().save(QStringLiteral("/tmp/velmora_indicators_mono.png"));

             QTest::mouseClick(mono, Qt::LeftButton, {}, QPoint(6, mono->height() / 2));
             ASSERT_FALSE(mono->Checked());
             for (const char* name : strips)
                 EXPECT_GT(Coloured(Child<ui::TImage>(&form, name)), 0) << name << " after mono";
             checked = true;
             QTest::keyClick(&form, Qt::Key_Escape);
         }});
    EXPECT_EQ(RunWithDialog(host, script), sdk::kUserCanceled);
    EXPECT_TRUE(checked);
}

}  // namespace
}  // namespace velmora::test

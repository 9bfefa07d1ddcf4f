// Preview navigation through the running dialog: zooming by buttons and
// keys, the source view and panning, band targeting from the preview with
// the blinking sliders, the wheel, the window-size modes and the rescale
// of the masks while the analysis is still running.
#include <QDesktopServices>
#include <QFileInfo>
#include <QFontMetrics>
#include <QTextBrowser>
#include <QWheelEvent>
#include <set>

#include "DialogDriver.h"
#include "engine/MapSteps.h"
#include "toolkit/TCheckBox.h"
#include "toolkit/TProgressBar.h"
#include "toolkit/TScreen.h"
#include "toolkit/TSpeedButton.h"
#include "toolkit/TStatusBar.h"
#include "toolkit/TTimer.h"
#include "toolkit/TTrackBar.h"

namespace velmora::test {
namespace {

ui::TSpeedButton* Button(TParamForm& f, const char* name) {
    return Child<ui::TSpeedButton>(&f, name);
}
ui::TImage* ImageOf(TParamForm& f) {
    return Child<ui::TImage>(&f, "Image");
}
std::string StatusText(TParamForm& f, int panel = 3) {
    return Child<ui::TStatusBar>(&f, "StatusBar")->Panel(panel).Text().toStdString();
}
// The host pixel at the centre of the view.
QPointF ViewCentre() {
    return QPointF((Photo.ScrollX + (Photo.DestRight - Photo.DestLeft) / 2.0) / Photo.Scale,
                   (Photo.ScrollY + (Photo.DestBottom - Photo.DestTop) / 2.0) / Photo.Scale);
}
// Drags on Image with a button from one position to another.
void Drag(QWidget* image, Qt::MouseButton button, QPoint from, QPoint to,
          Qt::KeyboardModifiers modifiers = {}) {
    QTest::mousePress(image, button, modifiers, from);
    QTest::mouseMove(image, (from + to) / 2);
    QTest::mouseMove(image, to);
}

TEST_F(ParamDialogTest, ZoomActionsScaleProgressAndButtonStates) {
    FakeHost host(sdk::kModeRGB, 600, 400);
    LoadPhoto(host, 600, 400);
    WithReadyDialog(host, [&](TParamForm& form) {
        auto* plus = Button(form, "PlusButton");
        auto* minus = Button(form, "MinusButton");
        auto* fit = Button(form, "FitButton");
        auto* actual = Button(form, "ActualButton");
        auto* progress = Child<ui::TProgressBar>(&form, "ProgressBar");
        const double fitScale = FitScale(Photo);
        ASSERT_GT(fitScale, 1 / std::sqrt(2.0));
        ASSERT_LT(fitScale, 1.0);
        EXPECT_DOUBLE_EQ(Photo.Scale, fitScale);
        EXPECT_FALSE(fit->Enabled());
        EXPECT_TRUE(plus->Enabled());

        // In from the fit scale: limited to actual pixels, not fit * sqrt 2.
        const int inMax = int(std::lrint(std::sqrt(2.0) * 400 * fitScale)) + Photo.BoxHeight;
        QTest::mouseClick(plus, Qt::LeftButton);
        EXPECT_EQ(Photo.Scale, 1.0);
        EXPECT_EQ(Photo.Width, 600);
        EXPECT_EQ(progress->Max(), inMax);
        EXPECT_EQ(progress->Position(), inMax);
        EXPECT_FALSE(plus->Enabled());
        EXPECT_FALSE(actual->Enabled());
        EXPECT_TRUE(fit->Enabled());
        // At actual size numeric-pad plus does nothing: no rebuild.
        const tBitmap24* bitmap = Photo.Bitmap.get();
        QTest::keyClick(&form, Qt::Key_Plus, Qt::KeypadModifier);
        EXPECT_EQ(Photo.Bitmap.get(), bitmap);

        // Out step by step until the picture is 32 pixels or less on its
        // shorter side; the step reaching that state ends the zooming out.
        double before = Photo.Scale;
        int steps = 0;
        while (minus->Enabled() && steps < 20) {
            before = Photo.Scale;
            const int outMax = int(std::lrint(400 * before / std::sqrt(2.0))) + Photo.BoxHeight;
            QTest::mouseClick(minus, Qt::LeftButton);
            EXPECT_EQ(progress->Max(), outMax);
            EXPECT_NEAR(Photo.Scale, before / std::sqrt(2.0), 1e-12);
            ++steps;
        }
        EXPECT_GT(before, 32.0 / 400);
        EXPECT_LE(Photo.Scale, 32.0 / 400);
        EXPECT_LE(Photo.Height, 32);
        EXPECT_GE(Photo.Height, 22);
        EXPECT_TRUE(plus->Enabled());
        const double smallest = Photo.Scale;
        QTest::keyClick(&form, Qt::Key_Minus, Qt::KeypadModifier);
        EXPECT_EQ(Photo.Scale, smallest);

        // Numeric-pad slash and asterisk: actual size and fit.
        QTest::keyClick(&form, Qt::Key_Slash, Qt::KeypadModifier);
        EXPECT_EQ(Photo.Scale, 1.0);
        QTest::keyClick(&form, Qt::Key_Asterisk, Qt::KeypadModifier);
        EXPECT_DOUBLE_EQ(Photo.Scale, fitScale);
        EXPECT_FALSE(fit->Enabled());
        QTest::mouseClick(actual, Qt::LeftButton);
        EXPECT_EQ(progress->Max(), 400 + Photo.BoxHeight);
    });
}

TEST_F(ParamDialogTest, PanningShowsTheSourceAndZoomKeepsTheViewCentre) {
    FakeHost host(sdk::kModeRGB, 1200, 900);
    LoadPhoto(host, 1200, 900);
    WithReadyDialog(host, [&](TParamForm& form) {
        ui::TImage* image = ImageOf(form);
        QTest::mouseClick(Button(form, "ActualButton"), Qt::LeftButton);
        form.RenderPreview();
        ASSERT_GT(Photo.Width, Photo.BoxWidth);
        // The left button shows the uncorrected picture and drags it.
        const int x0 = Photo.ScrollX, y0 = Photo.ScrollY;
        const QPoint from(200, 200), to(150, 170);
        Drag(image, Qt::LeftButton, from, to);
        EXPECT_EQ(Photo.ScrollX, x0 + 50);
        EXPECT_EQ(Photo.ScrollY, y0 + 30);
        EXPECT_EQ(StatusText(form), " Исходный снимок. Двигай, двигай...");
        const ui::TBitmap& picture = image->Picture();
        for (QPoint p : {QPoint(0, 0), QPoint(100, 37), QPoint(Photo.BoxWidth - 1, 5)}) {
            const uint8_t* shown = picture.ScanLine(p.y()) + size_t(p.x()) * 3;
            const uint8_t* source =
                Photo.BitmapRows[size_t(Photo.ScrollY + p.y())] + size_t(Photo.ScrollX + p.x()) * 3;
            EXPECT_EQ(std::memcmp(shown, source, 3), 0) << p.x() << ',' << p.y();
        }
        form.State().RedrawPending = false;
        QTest::mouseRelease(image, Qt::LeftButton, {}, to);
        EXPECT_TRUE(form.State().RedrawPending) << "the corrected preview returns";
        // Dragging beyond the edge stops there.
        Drag(image, Qt::LeftButton, QPoint(10, 10), QPoint(500, 500));
        QTest::mouseRelease(image, Qt::LeftButton, {}, QPoint(500, 500));
        EXPECT_EQ(Photo.ScrollX, 0);
        EXPECT_EQ(Photo.ScrollY, 0);

        // The host pixel at the centre stays there across the zooms.
        Drag(image, Qt::LeftButton, QPoint(400, 400), QPoint(100, 200));
        QTest::mouseRelease(image, Qt::LeftButton, {}, QPoint(100, 200));
        const QPointF centre = ViewCentre();
        for (const char* name : {"MinusButton", "PlusButton", "MinusButton", "MinusButton"}) {
            QTest::mouseClick(Button(form, name), Qt::LeftButton);
            EXPECT_NEAR(ViewCentre().x(), centre.x(), 1.0 / Photo.Scale + 0.5) << name;
            EXPECT_NEAR(ViewCentre().y(), centre.y(), 1.0 / Photo.Scale + 0.5) << name;
        }
    });
}

TEST_F(ParamDialogTest, DraggingAPictureThatFitsLeavesItCentred) {
    FakeHost host(sdk::kModeRGB, 160, 120);
    LoadPhoto(host, 160, 120);
    WithReadyDialog(host, [&](TParamForm& form) {
        ui::TImage* image = ImageOf(form);
        const int left = Photo.DestLeft, top = Photo.DestTop;
        ASSERT_GT(left, 0);
        // Shown at actual pixels, smaller than the box: fitting would
        // change nothing, so the fit button is off with the others.
        for (const char* name : {"PlusButton", "FitButton", "ActualButton"})
            EXPECT_FALSE(Child<QWidget>(&form, name)->isEnabled()) << name;
        Drag(image, Qt::LeftButton, QPoint(left + 20, top + 20), QPoint(left + 90, top + 70));
        EXPECT_EQ(StatusText(form), " Исходный снимок");
        EXPECT_EQ(Photo.ScrollX, 0);
        EXPECT_EQ(Photo.ScrollY, 0);
        EXPECT_EQ(Photo.DestLeft, left);
        EXPECT_EQ(Photo.DestTop, top);
        // The uncorrected picture, in place, on the preview's grey.
        const ui::TBitmap& picture = image->Picture();
        EXPECT_EQ(std::memcmp(picture.ScanLine(top) + size_t(left) * 3, Photo.BitmapRows[0], 3), 0);
        EXPECT_EQ(picture.ScanLine(top)[size_t(left - 1) * 3], 209);
        QTest::mouseRelease(image, Qt::LeftButton, {}, QPoint(left + 90, top + 70));
        // Without a picker, over the picture: the hand's prompt.
        MouseMove(image, QPoint(left + 5, top + 5));
        EXPECT_EQ(StatusText(form),
                  " Левая кнопка - просмотр исходного снимка и перемещение. "
                  "Колесо [+ Shift] - цветность");
    });
}

// Every help line the status bar shows, measured in the font its panel
// draws it in, against the panel's room: the pointer over every control,
// the hand's prompt over the picture and each picker's prompts, in the
// compact and the full-screen window.
TEST_F(ParamDialogTest, EveryHelpLineFitsItsStatusPanelInBothWindowSizes) {
    FakeHost host(sdk::kModeRGB, 600, 400);
    LoadPhoto(host, 600, 400);
    WithReadyDialog(host, [&](TParamForm& form) {
        auto* status = Child<ui::TStatusBar>(&form, "StatusBar");
        auto* image = ImageOf(form);
        int compactWidth = 0;
        for (int mode : {0, 1}) {
            SCOPED_TRACE(mode ? "full screen" : "compact");
            if (Settings.FullScreen != mode)
                QTest::keyClick(&form, mode ? Qt::Key_PageUp : Qt::Key_PageDown);
            ASSERT_EQ(Settings.FullScreen, mode);
            if (mode == 0) compactWidth = form.width();
            // A screen narrower than the compact window (the offscreen
            // platform's 800 pixels) leaves no room to measure against.
            if (mode == 1 && form.width() < compactWidth) continue;
            std::set<QString> seen;
            auto fits = [&](const QString& where) {
                const QString text = status->Panel(3).Text();
                if (text.isEmpty()) return;
                seen.insert(text);
                const QFont font = status->PanelFont(3);
                EXPECT_LE(QFontMetrics(font).horizontalAdvance(text),
                          status->PanelTextRect(3).width())
                    << where.toStdString() << ": " << text.toStdString();
                // Never smaller than three quarters of the bar's own size.
                EXPECT_GE(font.pointSizeF(), status->font().pointSizeF() * 0.75);
            };
            for (QWidget* w : form.findChildren<QWidget*>()) {
                if (!w->isVisible() || w == status) continue;
                MouseMove(w, w->rect().center());
                fits(w->objectName());
            }
            const QPoint over(100, 100);
            MouseMove(image, over);
            fits("hand");
            QTest::mouseClick(Button(form, "ColorBalanceButton"), Qt::LeftButton);
            MouseMove(image, over);
            fits("neutral point");
            for (auto [key, modifier] : {std::pair{Qt::Key_Shift, Qt::ShiftModifier},
                                         std::pair{Qt::Key_Control, Qt::ControlModifier}}) {
                QTest::keyPress(&form, key, modifier);
                MouseMove(image, over, modifier);
                fits("neutral point with a modifier");
                QTest::keyRelease(&form, key, Qt::NoModifier);
            }
            for (const char* picker : {"SkinButton", "BlueButton", "GreenButton"}) {
                QTest::mouseClick(Button(form, picker), Qt::LeftButton);
                MouseMove(image, over);
                fits(picker);
            }
            QTest::mouseClick(Button(form, "GreenButton"), Qt::LeftButton);
            ASSERT_FALSE(form.AnyPickerDown());
            // The control panel's lines, the hand's and the six picker prompts.
            EXPECT_GE(seen.size(), 20u);
        }
    });
}

TEST_F(ParamDialogTest, WithAPickerDownTheRightButtonOrSpacePansAndThePipetteReturns) {
    FakeHost host(sdk::kModeRGB, 1200, 900);
    LoadPhoto(host, 1200, 900);
    WithReadyDialog(host, [&](TParamForm& form) {
        ui::TImage* image = ImageOf(form);
        QTest::mouseClick(Button(form, "ActualButton"), Qt::LeftButton);
        auto* picker = Button(form, "ColorBalanceButton");
        QTest::mouseClick(picker, Qt::LeftButton);
        ASSERT_TRUE(picker->Down());
        EXPECT_EQ(image->Cursor(), 4);
        const tParams before = Settings;
        const int x0 = Photo.ScrollX;

        Drag(image, Qt::RightButton, QPoint(300, 300), QPoint(260, 300));
        EXPECT_EQ(image->Cursor(), 3);
        EXPECT_EQ(Photo.ScrollX, x0 + 40);
        QTest::mouseRelease(image, Qt::RightButton, {}, QPoint(260, 300));
        EXPECT_EQ(image->Cursor(), 4);
        EXPECT_TRUE(SettingsEqual(Settings, before)) << "panning picked nothing";

        // Space held: the left button pans too.
        QTest::keyPress(&form, Qt::Key_Space);
        EXPECT_EQ(image->Cursor(), 3);
        Drag(image, Qt::LeftButton, QPoint(300, 300), QPoint(280, 300));
        EXPECT_EQ(Photo.ScrollX, x0 + 60);
        QTest::mouseRelease(image, Qt::LeftButton, {}, QPoint(280, 300));
        QTest::keyRelease(&form, Qt::Key_Space);
        EXPECT_EQ(image->Cursor(), 4);
        EXPECT_TRUE(SettingsEqual(Settings, before));

        // The prompts over the preview for each picker and modifier.
        const QPoint over(100, 100);
        QTest::keyPress(&form, Qt::Key_Shift, Qt::ShiftModifier);
        EXPECT_EQ(image->Cursor(), 8);
        MouseMove(image, over, Qt::ShiftModifier);
        EXPECT_EQ(StatusText(form),
                  " Выберите 1-ю серую точку (точка S). Пробел - "
                  "перемещение. Ctrl - 2-я точка");
        QTest::keyRelease(&form, Qt::Key_Shift, Qt::NoModifier);
        EXPECT_EQ(image->Cursor(), 4);
        QTest::keyPress(&form, Qt::Key_Control, Qt::ControlModifier);
        EXPECT_EQ(image->Cursor(), 7);
        MouseMove(image, over, Qt::ControlModifier);
        EXPECT_EQ(StatusText(form),
                  " Выберите 2-ю серую точку (точка С). Пробел - "
                  "перемещение снимка. Shift - 1-я точка.");
        QTest::keyRelease(&form, Qt::Key_Control, Qt::NoModifier);
        EXPECT_EQ(image->Cursor(), 4);
        MouseMove(image, over);
        EXPECT_EQ(StatusText(form),
                  " Выберите серую точку. Пробел - перемещение. Shift, Ctrl - 1-я и "
                  "2-я точки. Колесо [+ Shift] - цветность");
        const std::pair<const char*, const char*> memory[] = {
            {"SkinButton", " Выберите точку телесного тона. "},
            {"BlueButton", " Выберите точку на голубом небе. "},
            {"GreenButton", " Выберите точку на зеленой траве. "}};
        for (auto [name, start] : memory) {
            QTest::mouseClick(Button(form, name), Qt::LeftButton);
            EXPECT_FALSE(picker->Down());
            MouseMove(image, over);
            EXPECT_EQ(StatusText(form), std::string(start) +
                                            "Правая кнопка или пробел - перемещение. "
                                            "Колесо [+ Shift] - цветность");
        }
        // Releasing the down button gives the hand back.
        QTest::mouseClick(Button(form, "GreenButton"), Qt::LeftButton);
        EXPECT_FALSE(form.AnyPickerDown());
        EXPECT_EQ(image->Cursor(), 3);
    });
}

// The analysis has finished and enabled the controls that wait for it.
bool ReadyAndEnabled(TParamForm& f) {
    return Ready(f) && Child<QWidget>(&f, "ShadowTrackBar")->isEnabled();
}

// Left half neutral grey, right half yellow (hue 90).
void GreyAndYellow(FakeHost& host, int w, int h) {
    FillLab(host, w, h, [w](int x, int) {
        return x < w / 2 ? std::array<uint8_t, 3>{140, 128, 128}
                         : std::array<uint8_t, 3>{140, 128, 175};
    });
}

TEST_F(ParamDialogTest, PointingAtThePreviewTargetsTheBandsAndTheyBlink) {
    // Large enough that the analysis spans many of the driver's 2 ms polls even
    // in an optimised build, so the step taken while it runs is reached.
    const int w = 320, h = 240;
    FakeHost host(sdk::kModeLab, w, h);
    GreyAndYellow(host, w, h);
    auto script = std::make_shared<tScript>();
    bool early = false, checked = false;
    auto bar = [](TParamForm& f, const char* name) { return Child<ui::TTrackBar>(&f, name); };
    // The lightness band of the corrected grey.
    auto greyBand = [&](TParamForm& f) {
        static const char* names[5] = {"DarkTrackBar", "DarkGrayTrackBar", "GrayTrackBar",
                                       "LightGrayTrackBar", "WhiteTrackBar"};
        return bar(f, names[(CorrectWorkingMean(10, 10).L + 32) / 64]);
    };
    // While the maps are built the lightness bands are disabled: Shift
    // leaves the focus on the hue band.
    script->steps.push_back({[](TParamForm& f) {
                                 return Steps.Flags[0] && !Maps.Ready && ImageOf(f)->isVisible() &&
                                        Child<QWidget>(&f, "OkButton")->isEnabled();
                             },
                             [&](TParamForm& form) {
                                 ui::TImage* image = ImageOf(form);
                                 MouseMove(image, ImagePoint(10, 10));
                                 EXPECT_TRUE(bar(form, "MagentaTrackBar")->hasFocus());
                                 ASSERT_FALSE(greyBand(form)->isEnabled());
                                 MouseMove(image, ImagePoint(12, 10), Qt::ShiftModifier);
                                 EXPECT_TRUE(bar(form, "MagentaTrackBar")->hasFocus());
                                 EXPECT_FALSE(Maps.Ready);
                                 early = true;
                             }});
    script->steps.push_back({ReadyAndEnabled, [&](TParamForm& form) {
                                 ui::TImage* image = ImageOf(form);
                                 auto* magenta = bar(form, "MagentaTrackBar");
                                 auto* yellow = bar(form, "YellowTrackBar");
                                 ui::TTrackBar* light = greyBand(form);
                                 EXPECT_EQ(CorrectWorkingMean(10, 10).a, 128);
                                 EXPECT_EQ(CorrectWorkingMean(10, 10).b, 128);

                                 QTest::mouseMove(image, ImagePoint(10, 10));
                                 EXPECT_TRUE(magenta->hasFocus());
                                 EXPECT_EQ(StatusText(form, 2), " C:  000   H: 0°");
                                 MouseMove(image, ImagePoint(11, 10), Qt::ShiftModifier);
                                 EXPECT_TRUE(light->hasFocus());
                                 QTest::mouseMove(image, ImagePoint(w - 10, 10));
                                 EXPECT_TRUE(yellow->hasFocus());

                                 // The blink timer toggles the focused band and its partner
                                 // together.
                                 auto* timer =
                                     form.findChild<ui::TTimer*>(QStringLiteral("BlinkTimer"));
                                 ASSERT_NE(timer, nullptr);
                                 EXPECT_EQ(timer->Interval(), 500);
                                 EXPECT_TRUE(timer->Enabled());
                                 form.BlinkTimerTimer();
                                 EXPECT_FALSE(yellow->SliderVisible());
                                 EXPECT_FALSE(light->SliderVisible()) << "the partner blinks along";
                                 form.BlinkTimerTimer();
                                 EXPECT_TRUE(yellow->SliderVisible());
                                 EXPECT_TRUE(light->SliderVisible());
                                 form.BlinkTimerTimer();
                                 // A new target shows the sliders of the old pair that it leaves.
                                 QTest::mouseMove(image, ImagePoint(9, 10));
                                 EXPECT_TRUE(magenta->hasFocus());
                                 EXPECT_TRUE(yellow->SliderVisible());
                                 EXPECT_FALSE(light->SliderVisible()) << "still the partner";
                                 // Leaving the preview shows every slider and stops the blinking.
                                 QTest::mouseMove(Child<QWidget>(&form, "OkButton"));
                                 QApplication::processEvents();
                                 EXPECT_TRUE(light->SliderVisible());
                                 EXPECT_TRUE(magenta->SliderVisible());
                                 form.BlinkTimerTimer();
                                 EXPECT_TRUE(magenta->SliderVisible());
                                 // Beside the picture, inside the box: the panel takes the focus.
                                 ASSERT_GT(Photo.DestLeft, 0);
                                 MouseMove(image, QPoint(Photo.DestLeft - 3, Photo.DestTop + 3));
                                 EXPECT_TRUE(Child<QWidget>(&form, "ImagePanel")->hasFocus());
                                 checked = true;
                                 QTest::keyClick(&form, Qt::Key_Escape);
                             }});
    EXPECT_EQ(RunWithDialog(host, script), sdk::kUserCanceled);
    EXPECT_TRUE(early);
    EXPECT_TRUE(checked);
}

// A handler for the help page's address, so that no browser starts.
class tUrlCatcher : public QTextBrowser {
  public:
    QList<QUrl> urls;

  protected:
    void doSetSource(const QUrl& url, QTextDocument::ResourceType) override { urls.push_back(url); }
};

// One wheel notch at a position of a widget, as the platform delivers it.
void Wheel(QWidget* widget, QPoint pos, int delta, Qt::KeyboardModifiers modifiers = {}) {
    QWheelEvent event(QPointF(pos), QPointF(widget->mapToGlobal(pos)), QPoint(), QPoint(0, delta),
                      Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &event);
}

TEST_F(ParamDialogTest, HoverFocusWheelHelpAndTheCancelButtonsLine) {
    FakeHost host(sdk::kModeRGB, 160, 120);
    LoadPhoto(host, 160, 120);
    auto script = std::make_shared<tScript>();
    bool checked = false;
    tUrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "setSource");
    script->steps.push_back(
        {Ready, [&](TParamForm& form) {
             // Hints off: the focus follows the mouse onto trackbars and edits.
             auto* bar = Child<ui::TTrackBar>(&form, "ContrastTrackBar");
             auto* edit = Child<ui::TEdit>(&form, "GammaEdit");
             QTest::mouseMove(bar, QPoint(3, 3));
             QTest::qWait(50);
             EXPECT_TRUE(bar->hasFocus());
             EXPECT_EQ(bar->Cursor(), ui::kCursorHandPoint);
             QTest::mouseMove(edit, QPoint(3, 3));
             QTest::qWait(50);
             EXPECT_TRUE(edit->hasFocus());
             auto* other = Child<ui::TTrackBar>(&form, "LightnessTrackBar");
             QTest::mouseMove(other, QPoint(3, 3));
             QTest::qWait(50);
             EXPECT_TRUE(other->hasFocus());
             EXPECT_EQ(bar->Cursor(), ui::kCursorDefault) << "the previous one gives the hand back";
             // Hints on: the focus follows after the hint pause.
             Child<ui::TCheckBox>(&form, "HintCheckBox")->SetChecked(true);
             QTest::mouseMove(bar, QPoint(4, 4));
             QTest::qWait(100);
             EXPECT_TRUE(other->hasFocus());
             QTest::qWait(600);
             EXPECT_TRUE(bar->hasFocus());
             Child<ui::TCheckBox>(&form, "HintCheckBox")->SetChecked(false);

             // The wheel steps the focused edit by its arrow keys, wherever the
             // mouse is.
             std::vector<std::pair<int, ui::tShiftState>> keys;
             edit->OnKeyDown = [&](int& key, ui::tShiftState shift) {
                 keys.push_back({key, shift});
             };
             edit->SetFocus();
             QWidget* elsewhere = Child<QWidget>(&form, "OkButton");
             const QPoint at = elsewhere->rect().center();
             const double scale = Photo.Scale;
             Wheel(elsewhere, at, -120);
             Wheel(elsewhere, at, 120, Qt::ShiftModifier);
             ASSERT_EQ(keys.size(), 2u);
             EXPECT_EQ(keys[0].first, int(Qt::Key_Down));
             EXPECT_EQ(keys[1].first, int(Qt::Key_Up));
             EXPECT_TRUE(keys[1].second.testFlag(ui::tShift::Shift));
             EXPECT_EQ(Photo.Scale, scale);
             // Not in an edit: the wheel goes to the focused trackbar.
             bar->SetFocus();
             const int position = bar->Position();
             Wheel(elsewhere, at, 120);
             EXPECT_EQ(keys.size(), 2u);
             EXPECT_NE(bar->Position(), position);

             // F1 opens the user guide beside the file the dialog runs from
             // (this program; the build copies the guide beside it).
             QTest::keyClick(&form, Qt::Key_F1);
             ASSERT_EQ(catcher.urls.size(), 1);
             const QString guide = QCoreApplication::applicationDirPath() +
                                   QStringLiteral("/velmora-guide/index.html");
             EXPECT_EQ(catcher.urls[0], QUrl::fromLocalFile(guide));
             EXPECT_TRUE(QFileInfo::exists(guide)) << guide.toStdString();

             // The cancel button's line, with and without Alt.
             auto* cancel = Child<QWidget>(&form, "CancelButton");
             MouseMove(cancel, QPoint(5, 5));
             EXPECT_EQ(StatusText(form), " Закрыть окно, не обрабатывая фотографию");
             MouseMove(cancel, QPoint(6, 5), Qt::AltModifier);
             EXPECT_EQ(StatusText(form), " Вернуться к исходному снимку");
             MouseMove(cancel, QPoint(7, 5), Qt::AltModifier | Qt::ShiftModifier);
             EXPECT_EQ(StatusText(form), " Закрыть окно, не обрабатывая фотографию");
             checked = true;
             QTest::keyClick(&form, Qt::Key_Escape);
         }});
    EXPECT_EQ(RunWithDialog(host, script), sdk::kUserCanceled);
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    EXPECT_TRUE(checked);
}

TEST_F(ParamDialogTest, WindowSizeModesLayOutAndActOnTheStoredByte) {
    FakeHost host(sdk::kModeRGB, 600, 400);
    LoadPhoto(host, 600, 400);
    WithReadyDialog(host, [&](TParamForm& form) {
        auto* panel = Child<ui::TPanel>(&form, "ImagePanel");
        auto* image = ImageOf(form);
        auto* controls = Child<ui::TPanel>(&form, "ControlPanel");
        auto layoutHolds = [&] {
            EXPECT_EQ(panel->Left(), 8);
            EXPECT_EQ(image->Width(), panel->Width() - 4);
            EXPECT_EQ(image->Height(), panel->Height() - 4);
            EXPECT_EQ(Photo.BoxWidth, image->Width());
            EXPECT_EQ(Photo.BoxHeight, image->Height());
            EXPECT_EQ(controls->Left(), panel->Left() + panel->Width() + 8);
            EXPECT_EQ(Child<ui::TPanel>(&form, "ToolPanel")->Width(), panel->Width());
            EXPECT_EQ(Child<QWidget>(&form, "ProgressBar")->width(), panel->Width());
        };
        // Start in compact mode.
        if (Settings.FullScreen == 1) QTest::keyClick(&form, Qt::Key_PageDown);
        ASSERT_EQ(Settings.FullScreen, 0);
        layoutHolds();
        EXPECT_EQ(panel->Width(), panel->Height()) << "a square preview panel";
        // The designed form gives these numbers in compact mode.
        EXPECT_EQ(form.size(), QSize(908, 689));
        EXPECT_EQ(panel->geometry(), QRect(8, 40, 539, 539));
        EXPECT_EQ(image->geometry(), QRect(2, 2, 535, 535));
        EXPECT_EQ(Child<QWidget>(&form, "ProgressBar")->geometry(), QRect(8, 587, 539, 17));
        EXPECT_EQ(Child<QWidget>(&form, "BottomPanel")->geometry(), QRect(8, 612, 539, 45));
        EXPECT_EQ(controls->geometry().topLeft(), QPoint(555, 8));
        auto* status = Child<ui::TStatusBar>(&form, "StatusBar");
        const char* samples[3] = {" R: 999   G: 999   B: 999  ", " L: 999   a: -999   b: -999  ",
                                  " C: 999   H: 999°  "};
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(status->Panel(i).Width(),
                      status->TextWidth(QString::fromUtf8(samples[i])) + 12)
                << i;
        const QSize compact = form.size();
        const double scale = Photo.Scale;

        // Page Down in compact mode is not taken; Page Up switches.
        QTest::keyClick(&form, Qt::Key_PageDown);
        EXPECT_EQ(form.size(), compact);
        QTest::keyClick(&form, Qt::Key_PageUp);
        EXPECT_EQ(Settings.FullScreen, 1);
        layoutHolds();
        EXPECT_GE(form.OuterSize().width(), ui::TScreen::Instance().WorkArea(&form).width());
        EXPECT_EQ(panel->Width(), form.OuterSize().width() -
                                      (controls->Width() + 24 + form.NonClientSize().width()));
        EXPECT_EQ(Photo.Scale, scale) << "a mode switch keeps the scale";
        EXPECT_TRUE(Button(form, "FitButton")->Enabled());
        EXPECT_EQ(
            Button(form, "ResizeButton")->Hint(),
            QStringLiteral(" Размер окна (уменьшить) \n\rPgUp - увеличить, PgDn - уменьшить"));

        // An undo that restores the full-mode byte does not lay out again;
        // Page Up then does nothing, Page Down acts.
        Settings.Lightness = 0.6;
        PushUndo();
        QTest::keyClick(&form, Qt::Key_PageDown);
        EXPECT_EQ(form.size(), compact);
        Settings.Lightness = 0.8;
        QTest::keyClick(&form, Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(Settings.Lightness, 0.6);
        EXPECT_EQ(Settings.FullScreen, 1);
        EXPECT_EQ(form.size(), compact);
        QTest::keyClick(&form, Qt::Key_PageUp);
        EXPECT_EQ(form.size(), compact);
        QTest::keyClick(&form, Qt::Key_PageDown);
        EXPECT_EQ(Settings.FullScreen, 0);
        EXPECT_EQ(form.size(), compact);

        // The size button toggles and moves the pointer with the window.
        auto* resize = Button(form, "ResizeButton");
        for (int expected : {1, 0}) {
            ui::TScreen& screen = ui::TScreen::Instance();
            const QPoint inButton = resize->mapToGlobal(resize->rect().center());
            screen.SetPointerPos(inButton);
            const QPoint originBefore = form.mapToGlobal(QPoint(0, 0));
            const QPoint pointerBefore = screen.PointerPos();
            QTest::mouseClick(resize, Qt::LeftButton);
            EXPECT_EQ(Settings.FullScreen, expected);
            layoutHolds();
            const QPoint originAfter = form.mapToGlobal(QPoint(0, 0));
            EXPECT_EQ(
                screen.PointerPos() - pointerBefore,
                QPoint(originBefore.x() - originAfter.x(), originAfter.y() - originBefore.y()));
        }
        EXPECT_EQ(form.size(), compact);
        // A stored byte other than 0 and 1 is laid out compact and switches so.
        Settings.FullScreen = 7;
        QTest::keyClick(&form, Qt::Key_PageDown);
        EXPECT_EQ(Settings.FullScreen, 7);
        QTest::keyClick(&form, Qt::Key_PageUp);
        EXPECT_EQ(Settings.FullScreen, 1);
        Settings.FullScreen = 7;
        QTest::mouseClick(resize, Qt::LeftButton);
        EXPECT_EQ(Settings.FullScreen, 1);
        QTest::mouseClick(resize, Qt::LeftButton);
        EXPECT_EQ(form.size(), compact);
        EXPECT_EQ(resize->Hint(),
                  QStringLiteral(" Размер окна (развернуть во весь экран) \n\rPgUp - "
                                 "увеличить, PgDn - уменьшить"));
    });
}

// The masks at the working scale, as the rescale samples them from the maps.
void ExpectMasksMatchScale() {
    ASSERT_EQ(Photo.ContrastMask.Rows(), size_t(Photo.Height));
    ASSERT_EQ(Photo.SharpMask.Rows(), size_t(Photo.Height));
    const double step = 1.0 / Photo.Scale;
    double rowAcc = 0;
    for (int i = 0; i < Photo.Height; ++i, rowAcc += step) {
        const size_t sy = size_t(SampleIndex(rowAcc, Maps.ContrastMap.Rows()));
        ASSERT_EQ(Photo.ContrastMask[size_t(i)].size(), size_t(Photo.Width)) << i;
        double colAcc = 0;
        for (int j = 0; j < Photo.Width; ++j, colAcc += step) {
            const size_t sx = size_t(SampleIndex(colAcc, Maps.ContrastMap[sy].size()));
            ASSERT_EQ(Photo.ContrastMask[size_t(i)][size_t(j)], Maps.ContrastMap[sy][sx])
                << i << ' ' << j;
            ASSERT_EQ(Photo.SharpMask[size_t(i)][size_t(j)], Maps.SharpMap[sy][sx])
                << i << ' ' << j;
        }
    }
}

TEST_F(ParamDialogTest, ZoomingWhileTheMapsAreBuiltLeavesMasksAtTheNewScale) {
    // Zoom out while the sharpness map is being built, and while the masks
    // are half scaled at the old scale. The test runs the analysis steps
    // itself up to that point.
    struct tCase {
        const char* name;
        std::function<bool()> reached;
    };
    const tCase cases[] = {
        {"maps", [] { return Steps.Flags[1]; }},
        {"masks", [] { return Steps.Flags[9] && Steps.MaskScaling.Row > 3; }},
    };
    for (const tCase& c : cases) {
        SCOPED_TRACE(c.name);
        FakeHost host(sdk::kModeRGB, 900, 700);
        LoadPhoto(host, 900, 700);
        auto script = std::make_shared<tScript>();
        double zoomed = 0;
        bool checked = false;
        script->steps.push_back({[&](TParamForm& f) {
                                     return Steps.Flags[0] && !Maps.Ready &&
                                            Child<ui::TSpeedButton>(&f, "MinusButton")->Enabled();
                                 },
                                 [&](TParamForm& form) {
                                     while (!Maps.Ready && !c.reached()) AnalysisStep();
                                     ASSERT_FALSE(Maps.Ready);
                                     ASSERT_FALSE(MaskScalingDone() && Steps.Flags[9]);
                                     QTest::mouseClick(Button(form, "MinusButton"), Qt::LeftButton);
                                     EXPECT_FALSE(Maps.Ready);
                                     zoomed = Photo.Scale;
                                 }});
        script->steps.push_back({Ready, [&](TParamForm& form) {
                                     EXPECT_EQ(Photo.Scale, zoomed);
                                     ExpectMasksMatchScale();
                                     // After the analysis a zoom rebuilds the masks with the
                                     // pixels.
                                     QTest::mouseClick(Button(form, "PlusButton"), Qt::LeftButton);
                                     ExpectMasksMatchScale();
                                     checked = true;
                                     QTest::keyClick(&form, Qt::Key_Escape);
                                 }});
        EXPECT_EQ(RunWithDialog(host, script), sdk::kUserCanceled);
        EXPECT_TRUE(checked);
    }
}

}  // namespace
}  // namespace velmora::test

// Preview navigation: zooming, the source view and panning, band targeting
// from the preview with the blinking sliders, the mouse wheel, and the two
// window-size modes with the layout.
#include <QApplication>
#include <QImage>
#include <QPointer>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "base/Rounding.h"
#include "dialog/ColorMath.h"
#include "dialog/TParamForm.h"
#include "engine/ColorConvert.h"
#include "engine/Correction.h"
#include "engine/HostCall.h"
#include "engine/Photo.h"
#include "engine/Preview.h"
#include "engine/Settings.h"
#include "toolkit/TScreen.h"
#include "toolkit/TTimer.h"

namespace velmora::dialog {

// ---- zoom ----------------------------------------------------------------------

void TParamForm::Rescale(double scale, int32_t progressMax, bool withProgress) {
    // Before the start-up sequence has built the working image there is
    // nothing to rescale.
    if (!Photo.Bitmap) return;
    for (ui::TSpeedButton* b : {PlusButton, MinusButton, FitButton, ActualButton})
        b->SetEnabled(false);
    if (withProgress) {
        SetProgressMax(progressMax);
        Progress.Counter = 0;
    }
    RescalePhoto(Photo, Maps.Ready, scale);
    RequestRedraw();
    UpdateZoomButtons();
    if (withProgress) {
        Progress.Counter = progressMax;
        ShowProgress(progressMax);
    }
}

void TParamForm::ZoomIn() {
    const double scale = Photo.Scale * std::sqrt(2.0);
    Rescale(scale, int32_t(Round(std::sqrt(2.0) * ImageRows() * Photo.Scale)) + Photo.BoxHeight,
            true);
}

void TParamForm::ZoomOut() {
    const double scale = Photo.Scale / std::sqrt(2.0);
    Rescale(scale, int32_t(Round(ImageRows() * Photo.Scale / std::sqrt(2.0))) + Photo.BoxHeight,
            true);
}

void TParamForm::ZoomFit(bool withProgress) {
    const double fit = FitScale(Photo);
    Rescale(fit, int32_t(Round(fit * ImageRows())) + Photo.BoxHeight, withProgress);
}

void TParamForm::ZoomActual() {
    Rescale(1.0, ImageRows() + Photo.BoxHeight, true);
}

// ---- window size and layout ------------------------------------------------------

void TParamForm::ApplySizeMode() {
    const QSize n = NonClientSize();
    const int compactHeight = ControlPanel->Height() + StatusBar->Height() + 16 + n.height();
    const int imagePanelHeightFrom = 24 + ToolPanel->Height() + ProgressBar->Height() +
                                     StatusBar->Height() + BottomPanel->Height();
    if (Settings.FullScreen == 1) {
        const QRect work = ui::TScreen::Instance().WorkArea(this);
        SetOuterSize(work.width() + 1, work.height() + 1);
        ResizeButton->SetGlyph(QImage(QStringLiteral(":/glyphs/MAX2MIN")));
        ResizeButton->SetHint(
            tr(" Размер окна (уменьшить) \n\rPgUp - увеличить, PgDn - уменьшить"));
        const int h = ClientHeight() - imagePanelHeightFrom;
        const int w = OuterSize().width() - (ControlPanel->Width() + 24 + n.width());
        ImagePanel->SetBounds(ImagePanel->Left(), ImagePanel->Top(), w, h);
        SetPlacement(ui::tPlacement::Default);
    } else {
        SetOuterSize(OuterSize().width(), compactHeight);
        ResizeButton->SetGlyph(QImage(QStringLiteral(":/glyphs/MIN2MAX")));
        ResizeButton->SetHint(
            tr(" Размер окна (развернуть во весь экран) \n\rPgUp - увеличить, PgDn - уменьшить"));
        const int h = ClientHeight() - imagePanelHeightFrom;
        ImagePanel->SetBounds(ImagePanel->Left(), ImagePanel->Top(), h, h);
        SetOuterSize(h + 24 + ControlPanel->Width() + n.width(), compactHeight);
    }
    ImagePanel->SetBounds(8, ToolPanel->Top() + ToolPanel->Height(), ImagePanel->Width(),
                          ImagePanel->Height());
    const int inset = 2 * ImagePanel->BevelWidth() + ImagePanel->BorderWidth();
    Image->SetBounds(inset, inset, ImagePanel->Width() - 2 * inset,
                     ImagePanel->Height() - 2 * inset);
    ToolPanel->SetBounds(ImagePanel->Left(), ToolPanel->Top(), ImagePanel->Width(),
                         ToolPanel->Height());
    ControlPanel->SetBounds(ImagePanel->Left() + ImagePanel->Width() + 8, 8, ControlPanel->Width(),
                            ControlPanel->Height());
    ProgressBar->SetBounds(ImagePanel->Left(), ImagePanel->Top() + ImagePanel->Height() + 8,
                           ImagePanel->Width(), ProgressBar->Height());
    BottomPanel->SetBounds(ImagePanel->Left(),
                           ImagePanel->Top() + ImagePanel->Height() + ProgressBar->Height() + 16,
                           ImagePanel->Width(), BottomPanel->Height());

    const char* samples[3] = {" R: 999   G: 999   B: 999  ", " L: 999   a: -999   b: -999  ",
                              " C: 999   H: 999°  "};
    for (int i = 0; i < 3; ++i)
        StatusBar->Panel(i).SetWidth(StatusBar->TextWidth(QString::fromUtf8(samples[i])) + 12);

    Image->Picture().SetSize(Image->Width(), Image->Height());
    SetPreviewBox(Photo, Image->Width(), Image->Height());
}

void TParamForm::ApplySizeModeAndRender() {
    ApplySizeMode();
    SetPlacement(Settings.FullScreen == 1 ? ui::tPlacement::Default : ui::tPlacement::ScreenCenter);
    if (Photo.Bitmap)
        RenderPreview();
    else
        RequestRedraw();
    UpdateZoomButtons();
}

// ---- source view, panning, band targeting ------------------------------------

namespace {

constexpr ui::tCursor kHand = 3;
constexpr ui::tCursor kPipette = 4;

// The working pixel under an Image position, or false outside the picture.
bool WorkingPixelAt(int x, int y, int& px, int& py) {
    px = x + Photo.ScrollX - Photo.DestLeft;
    py = y + Photo.ScrollY - Photo.DestTop;
    return Photo.Bitmap && px >= 0 && px < Photo.Width && py >= 0 && py < Photo.Height;
}

void ShowSlider(ui::TTrackBar* bar) {
    if (bar) bar->SetSliderVisible(true);
}

}  // namespace

void TParamForm::ShowSource() {
    if (!Photo.Bitmap) return;
    UpdateVisibleRect(Photo);
    ui::TBitmap& picture = Image->Picture();
    if (picture.Width() != Image->Width() || picture.Height() != Image->Height())
        picture.SetSize(Image->Width(), Image->Height());
    const int boxW = std::min(picture.Width(), int(Photo.BoxWidth));
    const int boxH = std::min(picture.Height(), int(Photo.BoxHeight));
    // Around a picture smaller than the box: the preview's background grey.
    if (Photo.Width < Photo.BoxWidth || Photo.Height < Photo.BoxHeight)
        for (int r = 0; r < picture.Height(); ++r)
            std::memset(picture.ScanLine(r), kPreviewBackground, size_t(picture.Width()) * 3);
    const tBitmap24& source = *Photo.Bitmap;
    const int left = std::max(Photo.DestLeft, 0);
    const int right = std::min(Photo.DestRight, boxW - 1);
    for (int r = std::max(Photo.DestTop, 0); r <= std::min(Photo.DestBottom, boxH - 1); ++r) {
        const int sy = Photo.ScrollY + r - Photo.DestTop;
        const int sx = Photo.ScrollX + left - Photo.DestLeft;
        if (sy < 0 || sy >= source.Height || sx < 0) continue;
        const int count = std::min(right - left + 1, int(source.Width) - sx);
        if (count <= 0) continue;
        std::memcpy(picture.ScanLine(r) + size_t(left) * 3,
                    source.Pixels.data() + (size_t(sy) * size_t(source.Width) + size_t(sx)) * 3,
                    size_t(count) * 3);
    }
    picture.Changed();
    Image->SetVisible(true);
}

void TParamForm::TargetBands(int x, int y, ui::tShiftState shift) {
    int px = 0, py = 0;
    if (!WorkingPixelAt(x, y, px, py)) {
        ImagePanel->SetFocus();
        state_.PointerInPreview = false;
        ShowSlider(state_.PairTarget);
        ShowSlider(state_.PairPartner);
        return;
    }
    const tLab8 c = CorrectWorkingMean(px, py);
    const int hueBand = int(Round(PickHue(c.a, c.b) / 45.0) % 8);
    const int lightBand = (int(c.L) + 32) / 64;
    ui::TTrackBar* hueBar = hueBars_[size_t(hueBand)];
    ui::TTrackBar* lightBar = lightBars_[size_t(lightBand)];
    const bool withShift = shift.testFlag(ui::tShift::Shift);
    ui::TTrackBar* target = withShift ? lightBar : hueBar;
    state_.PartnerBar = withShift ? hueBar : lightBar;
    for (ui::TTrackBar* old : {state_.PairTarget.data(), state_.PairPartner.data()})
        if (old && old != target && old != state_.PartnerBar) old->SetSliderVisible(true);
    state_.PointerInPreview = true;
    // The lightness bands stay disabled until the maps are built.
    if (target->Enabled()) {
        target->SetFocus();
        state_.PairTarget = target;
        state_.PairPartner = state_.PartnerBar;
    }
}

void TParamForm::ImageMouseDown(ui::tMouseButton button, ui::tShiftState shift, int x, int y) {
    state_.ButtonHeld = true;
    state_.LastMousePos = QPoint(x, y);
    if (button == ui::tMouseButton::Right || state_.SpaceHeld) {
        Image->SetCursor(kHand);
        NudgeCursor();
    }
    if (AnyPickerDown() && button == ui::tMouseButton::Left && !state_.SpaceHeld) {
        int px = 0, py = 0;
        if (WorkingPixelAt(x, y, px, py)) PickOnPreview(px, py, shift);
        return;
    }
    ShowSource();
}

void TParamForm::ImageMouseMove(ui::tShiftState shift, int x, int y) {
    if (state_.ButtonHeld && Image->Cursor() == kHand) {
        Photo.ScrollX -= x - state_.LastMousePos.x();
        Photo.ScrollY -= y - state_.LastMousePos.y();
        state_.LastMousePos = QPoint(x, y);
        ShowSource();
        SetStatusText(FitScale(Photo) >= Photo.Scale ? tr(" Исходный снимок")
                                                     : tr(" Исходный снимок. Двигай, двигай..."));
    } else if (ColorBalanceButton->Down()) {
        if (Image->Cursor() == 8)
            SetStatusText(
                tr(" Выберите 1-ю серую точку (точка S). Пробел - "
                   "перемещение. Ctrl - 2-я точка"));
        else if (Image->Cursor() == 7)
            SetStatusText(
                tr(" Выберите 2-ю серую точку (точка С). Пробел - "
                   "перемещение снимка. Shift - 1-я точка."));
        else
            SetStatusText(
                tr(" Выберите серую точку. Пробел - перемещение. Shift, "
                   "Ctrl - 1-я и 2-я точки. Колесо [+ Shift] - цветность"));
    } else if (SkinButton->Down()) {
        SetStatusText(
            tr(" Выберите точку телесного тона. Правая кнопка или пробел - "
               "перемещение. Колесо [+ Shift] - цветность"));
    } else if (BlueButton->Down()) {
        SetStatusText(
            tr(" Выберите точку на голубом небе. Правая кнопка или пробел - "
               "перемещение. Колесо [+ Shift] - цветность"));
    } else if (GreenButton->Down()) {
        SetStatusText(
            tr(" Выберите точку на зеленой траве. Правая кнопка или пробел - "
               "перемещение. Колесо [+ Shift] - цветность"));
    } else if (Image->Cursor() == kHand) {
        SetStatusText(
            tr(" Левая кнопка - просмотр исходного снимка и перемещение. "
               "Колесо [+ Shift] - цветность"));
    } else {
        SetStatusText(QString());
    }
    // A status text lets pending messages run; the dialog may be gone.
    if (closing_) return;

    TargetBands(x, y, shift);
    int px = 0, py = 0;
    if (!WorkingPixelAt(x, y, px, py)) return;
    const tLab8 c = CorrectWorkingMean(px, py);
    const uint8_t lab[3] = {c.L, c.a, c.b};
    uint8_t rgb[3];
    LabToDisplay(lab, rgb);
    ShowRGB(rgb[0], rgb[1], rgb[2]);
    ShowLab(c.L, c.a, c.b);
    ShowCH(c.a, c.b);
}

void TParamForm::ImageMouseUp(ui::tMouseButton, ui::tShiftState, int, int) {
    state_.ButtonHeld = false;
    if (AnyPickerDown()) {
        Image->SetCursor(kPipette);
        NudgeCursor();
    }
    RequestRedraw();
}

void TParamForm::ImageMouseEnter() {
    state_.PointerInPreview = true;
}

void TParamForm::ImageMouseLeave() {
    state_.PointerInPreview = false;
    ShowSlider(qobject_cast<ui::TTrackBar*>(QApplication::focusWidget()));
    ShowSlider(state_.PartnerBar);
}

void TParamForm::BlinkTimerTimer() {
    if (!state_.PointerInPreview) return;
    auto* bar = qobject_cast<ui::TTrackBar*>(QApplication::focusWidget());
    if (!bar) return;
    bar->SetSliderVisible(!bar->SliderVisible());
    if (state_.PartnerBar) state_.PartnerBar->SetSliderVisible(bar->SliderVisible());
}

void TParamForm::ResizeButtonClick() {
    const QPoint before = mapToGlobal(QPoint(0, 0));
    Settings.FullScreen = Settings.FullScreen == 1 ? 0 : 1;
    ApplySizeModeAndRender();
    const QPoint after = mapToGlobal(QPoint(0, 0));
    ui::TScreen& screen = ui::TScreen::Instance();
    screen.SetPointerPos(screen.PointerPos() +
                         QPoint(before.x() - after.x(), after.y() - before.y()));
}

void TParamForm::ConnectNavigation() {
    Image->OnMouseDown = [this](ui::tMouseButton button, ui::tShiftState shift, int x, int y) {
        ImageMouseDown(button, shift, x, y);
    };
    Image->OnMouseMove = [this](ui::tShiftState shift, int x, int y) {
        ImageMouseMove(shift, x, y);
    };
    Image->OnMouseUp = [this](ui::tMouseButton button, ui::tShiftState shift, int x, int y) {
        ImageMouseUp(button, shift, x, y);
    };
    Image->OnMouseEnter = [this] { ImageMouseEnter(); };
    Image->OnMouseLeave = [this] { ImageMouseLeave(); };

    auto* blink = new ui::TTimer(this);
    blink->setObjectName(QStringLiteral("BlinkTimer"));
    blink->SetInterval(500);
    blink->OnTimer = [this] { BlinkTimerTimer(); };

    // The wheel steps a focused edit field by its Up and Down keys; anything
    // else is left to the focused control's own scrolling.
    auto wheel = [this](int arrow, ui::tShiftState shift, bool& handled) {
        auto* edit = qobject_cast<ui::TEdit*>(QApplication::focusWidget());
        if (!edit || edit->window() != this) return;
        int key = arrow;
        if (edit->OnKeyDown) edit->OnKeyDown(key, shift);
        handled = true;
    };
    OnMouseWheelDown = [wheel](ui::tShiftState shift, QPoint, bool& handled) {
        wheel(Qt::Key_Down, shift, handled);
    };
    OnMouseWheelUp = [wheel](ui::tShiftState shift, QPoint, bool& handled) {
        wheel(Qt::Key_Up, shift, handled);
    };

    ResizeButton->OnClick = [this] { ResizeButtonClick(); };
}

}  // namespace velmora::dialog

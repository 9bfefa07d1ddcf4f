// Preview navigation: zooming, the source view and panning, band targeting
// from the preview with the blinking sliders, the mouse wheel, and the two
// window-size modes with the layout.
#include "host/ModuleState.h"
#include "host/Rounding.h"
#include "host/Settings.h"
#include "photo/Photo.h"

#include "dialog/TParamForm.h"

#include <QImage>
#include <cmath>

#include "toolkit/TScreen.h"

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
        ProgressCounter = 0;
    }
    RescalePhoto(Photo, MapsReady, scale);
    RequestRedraw();
    UpdateZoomButtons();
    if (withProgress) {
        ProgressCounter = progressMax;
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
        ResizeButton->SetHint(QStringLiteral(
            " Размер окна (уменьшить) \n\rPgUp - увеличить, PgDn - уменьшить"));
        const int h = ClientHeight() - imagePanelHeightFrom;
        const int w = OuterSize().width() - (ControlPanel->Width() + 24 + n.width());
        ImagePanel->SetBounds(ImagePanel->Left(), ImagePanel->Top(), w, h);
        SetPlacement(ui::tPlacement::Default);
    } else {
        SetOuterSize(OuterSize().width(), compactHeight);
        ResizeButton->SetGlyph(QImage(QStringLiteral(":/glyphs/MIN2MAX")));
        ResizeButton->SetHint(QStringLiteral(
            " Размер окна (развернуть во весь экран) \n\rPgUp - увеличить, PgDn - уменьшить"));
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
    ControlPanel->SetBounds(ImagePanel->Left() + ImagePanel->Width() + 8, 8,
                            ControlPanel->Width(), ControlPanel->Height());
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

void TParamForm::ShowSource() {
    // Not built yet.
}

void TParamForm::TargetBands(int, int, ui::tShiftState) {
    // Not built yet.
}

void TParamForm::ImageMouseDown(ui::tMouseButton, ui::tShiftState, int, int) {
    // Not built yet.
}

void TParamForm::ImageMouseMove(ui::tShiftState, int, int) {
    // Not built yet.
}

void TParamForm::ImageMouseUp(ui::tMouseButton, ui::tShiftState, int, int) {
    // Not built yet.
}

void TParamForm::ImageMouseEnter() {
    // Not built yet.
}

void TParamForm::ImageMouseLeave() {
    // Not built yet.
}

void TParamForm::BlinkTimerTimer() {
    // Not built yet.
}

void TParamForm::ResizeButtonClick() {
    // Not built yet.
}

void TParamForm::ConnectNavigation() {
    // Not built yet.
}

}  // namespace velmora::dialog

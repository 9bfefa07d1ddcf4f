// The pipettes and the colour plane picker: the neutral-point pipette sets
// one or both stored neutral points from a pixel of the preview, the three
// memory-colour pipettes turn the colour wheel so that the picked pixel gets
// the hue of its memory colour, and the a/b plane picks a colour to remove
// from (or add to) the balance.
#include <algorithm>

#include "base/Rounding.h"
#include "dialog/ColorMath.h"
#include "dialog/LabPlane.h"
#include "dialog/TParamForm.h"
#include "engine/ColorConvert.h"
#include "engine/Correction.h"
#include "engine/Photo.h"
#include "engine/Settings.h"

namespace velmora::dialog {

namespace {

constexpr ui::tCursor kAddCursor = 5;     // LabImage: add the picked colour
constexpr ui::tCursor kRemoveCursor = 6;  // LabImage: remove the picked colour

// Target hues of the memory colours, degrees.
constexpr int32_t kSkinHue = 50;
constexpr int32_t kSkyHue = 270;
constexpr int32_t kGrassHue = 110;

// Chroma of (L, a, b) after the two-point colour balance alone, centred on
// 0: the transform the tables build from the stored neutral points, without
// the hue rotation (the pick sets the rotation, so the current one must not
// take part in it).
void BalancedChroma(uint8_t L, uint8_t a, uint8_t b, double& u, double& v) {
    const tParams& s = Settings;
    u = double(a) - s.LightPointA;
    v = double(b) - s.LightPointB;
    if (s.ShadowPointL != s.LightPointL) {
        const double dL = double(s.ShadowPointL) - s.LightPointL;
        const double t = (double(L) - s.LightPointL) / dL;
        u -= (double(s.ShadowPointA) - s.LightPointA) * t;
        v -= (double(s.ShadowPointB) - s.LightPointB) * t;
    }
}

// The complementary colour coordinate; 0 has none within a byte and takes
// the far end.
int Complement(int c) {
    return c == 0 ? 255 : 256 - c;
}

// Puts a picked (a, b) into the working point(s) the radios select, keeping
// their lightness.
void StoreInPoints(tBalancePoint& light, tBalancePoint& shadow, bool lightOnly, bool shadowOnly,
                   int a, int b) {
    if (!shadowOnly) {
        light.a = uint8_t(a);
        light.b = uint8_t(b);
    }
    if (!lightOnly) {
        shadow.a = uint8_t(a);
        shadow.b = uint8_t(b);
    }
}

}  // namespace

void TParamForm::PickOnPreview(int px, int py, ui::tShiftState shift) {
    if (px < 0 || py < 0 || px >= Photo.Width || py >= Photo.Height) return;
    if (ColorBalanceButton->Down()) {
        NoteUndoStep(ColorBalanceButton);
        const tLab8 c = WorkingMean(px, py);
        const bool first = shift.testFlag(ui::tShift::Shift);
        const bool second = shift.testFlag(ui::tShift::Ctrl);
        QObject* source = first == second ? CommonPickSource()
                          : first         ? FirstPointPickSource()
                                          : SecondPointPickSource();
        // The balance changer notes its source before it works; noted here,
        // before the picked values are stored, that records nothing new, so
        // a pick that the changer then merges into one common point is still
        // one undo step, not two.
        NoteUndoStep(source);
        if (first == second) {
            Settings.LightPointA = Settings.ShadowPointA = c.a;
            Settings.LightPointB = Settings.ShadowPointB = c.b;
            Settings.LightPointL = Settings.ShadowPointL = c.L;
        } else if (first) {
            Settings.LightPointA = c.a;
            Settings.LightPointB = c.b;
            Settings.LightPointL = c.L;
        } else {
            Settings.ShadowPointA = c.a;
            Settings.ShadowPointB = c.b;
            Settings.ShadowPointL = c.L;
        }
        LoadBalancePoints();
        BalanceChanger(source);
        NoteUndoStep(ColorBalanceButton);
        return;
    }

    ui::TSpeedButton* button = nullptr;
    int32_t target = 0;
    if (SkinButton->Down()) {
        button = SkinButton;
        target = kSkinHue;
    } else if (BlueButton->Down()) {
        button = BlueButton;
        target = kSkyHue;
    } else if (GreenButton->Down()) {
        button = GreenButton;
        target = kGrassHue;
    } else {
        return;
    }
    NoteUndoStep(button);
    const tLab8 c = WorkingMean(px, py);
    double u = 0, v = 0;
    BalancedChroma(c.L, c.a, c.b, u, v);
    const int32_t hue = PickHue(int32_t(Round(u)) + 128, int32_t(Round(v)) + 128);
    int32_t rotate = target - hue;
    if (rotate < -180) rotate += 360;
    Settings.Rotate = rotate;
    RotateChanger();
    NoteUndoStep(button);
    RequestRedraw();
}

void TParamForm::LabImageMouseMove(ui::tShiftState shift, int x, int y) {
    int a = LabPlaneA(x, LabImage->Width(), aTrackBar->Max() - aTrackBar->Min());
    int b = LabPlaneB(y, LabImage->Height(), bTrackBar->Max() - bTrackBar->Min());
    const uint8_t lab[3] = {127, uint8_t(a), uint8_t(b)};
    uint8_t rgb[3];
    LabToDisplay(lab, rgb);
    ShowRGB(rgb[0], rgb[1], rgb[2]);
    ShowLab(127, a, b);
    ShowCH(a, b);
    if (LabImage->Cursor() == kAddCursor) {
        a = Complement(a);
        b = Complement(b);
        SetStatusText(tr(" Для выбора удаляемого цвета используйте Shift"));
    } else {
        SetStatusText(tr(" Для выбора добавляемого цвета используйте Ctrl"));
    }
    if (closing_ || !shift.testFlag(ui::tShift::Left)) return;
    NoteUndoStep(LabImage);
    StoreInPoints(LightPoint, ShadowPoint, LightRadio->Checked(), ShadowRadio->Checked(), a, b);
    StoreBalancePoints();
    BalanceChanger(LabImage);
    NoteUndoStep(LabImage);
}

void TParamForm::LabImageMouseDown(ui::tMouseButton, ui::tShiftState, int x, int y) {
    NoteUndoStep(LabImage);
    int a = LabPlaneA(x, LabImage->Width(), aTrackBar->Max() - aTrackBar->Min());
    int b = LabPlaneB(y, LabImage->Height(), bTrackBar->Max() - bTrackBar->Min());
    if (LabImage->Cursor() == kRemoveCursor) {
        LastLabCursor = kRemoveCursor;
    } else {
        a = Complement(a);
        b = Complement(b);
        LastLabCursor = kAddCursor;
    }
    LabImage->SetShowHint(false);
    StoreInPoints(LightPoint, ShadowPoint, LightRadio->Checked(), ShadowRadio->Checked(), a, b);
    StoreBalancePoints();
    BalanceChanger(LabImage);
    NoteUndoStep(LabImage);
}

void TParamForm::ConnectPipettes() {
    ColorBalanceButton->OnClick = [this] { ColorBalanceButtonClick(); };
    for (ui::TSpeedButton* b : {SkinButton, BlueButton, GreenButton})
        b->OnClick = [this] { SkinButtonClick(); };
    LabImage->OnMouseDown = [this](ui::tMouseButton button, ui::tShiftState shift, int x, int y) {
        LabImageMouseDown(button, shift, x, y);
    };
    LabImage->OnMouseMove = [this](ui::tShiftState shift, int x, int y) {
        LabImageMouseMove(shift, x, y);
    };
}

}  // namespace velmora::dialog

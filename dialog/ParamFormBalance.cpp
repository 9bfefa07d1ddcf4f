// The colour balance group: two working points, three radios and the
// Cartesian and polar forms of the shown shift. A stored a or b is the cast
// to remove; the controls show the shift that is added, its negation.
#include <cmath>
#include <numbers>

#include "base/Failure.h"
#include "base/Rounding.h"
#include "dialog/ColorMath.h"
#include "dialog/TParamForm.h"
#include "engine/Settings.h"

namespace velmora::dialog {

namespace {

bool SameColour(const tBalancePoint& p, const tBalancePoint& q) {
    return p.a == q.a && p.b == q.b;
}

// Hue of the shown shift of a point, in whole degrees in (0, 360]; 0 when
// neutral.
int32_t HueOf(const tBalancePoint& w) {
    if (w.a == 128 && w.b == 128) return 0;
    return int32_t(Round(std::atan2(w.b - 128.0, w.a - 128.0) * 180 / std::numbers::pi + 180));
}

// A product that is a half in exact arithmetic: the binary sine and cosine
// of 30, 60, 120 ... degrees lie a little off 1/2, which would decide the
// tie instead of the even rule.
double OnHalf(double x) {
    const double half = std::floor(x) + 0.5;
    return std::fabs(x - half) < 1e-9 ? half : x;
}

// The point's a and b from the chroma and hue (degrees) of its shown shift.
void SetPolar(tBalancePoint& w, int chroma, int hue) {
    const double angle = hue * std::numbers::pi / 180;
    w.a = uint8_t(128 - Round(OnHalf(chroma * std::cos(angle))));
    w.b = uint8_t(128 - Round(OnHalf(chroma * std::sin(angle))));
}

}  // namespace

void TParamForm::BalanceChanger(QObject* source) {
    tBalancePoint w;
    // Shows the point: a and b sliders and edits, chroma and hue.
    const auto showAB = [&] {
        aTrackBar->SetPosition(128 - w.a);
        bTrackBar->SetPosition(w.b - 128);
        aEdit->SetText(EditText(aEdit, 128 - w.a));
        bEdit->SetText(EditText(bEdit, 128 - w.b));
    };
    const auto showPolar = [&] {
        ChromaTrackBar->SetPosition(ChromaOf(w.a, w.b));
        HueTrackBar->SetPosition(HueOf(w));
        HueEdit->SetText(EditText(HueEdit, HueTrackBar->Position()));
        ChromaEdit->SetText(EditText(ChromaEdit, ChromaTrackBar->Position()));
    };
    const auto show = [&] {
        showAB();
        showPolar();
    };
    const auto fromPolarSliders = [&] {
        SetPolar(w, ChromaTrackBar->Position(), HueTrackBar->Position());
    };
    // The radio of the working point whose lightness is that of a picked
    // stored point.
    const auto selectRadioOf = [&](uint8_t lightness) {
        if (LightPoint.L == lightness && ShadowPoint.L == lightness)
            CommonRadio->SetChecked(true);
        else if (LightPoint.L == lightness)
            LightRadio->SetChecked(true);
        else
            ShadowRadio->SetChecked(true);
    };

    RunChanger(
        state_.Guards.Balance, source, source,
        [&] {
            w = ShadowRadio->Checked() ? ShadowPoint : LightPoint;
            if (!source) {
                // Loading shows the settings and leaves them as they are.
                show();
                if (SameColour(LightPoint, ShadowPoint)) {
                    state_.LoadingBalance = true;
                    struct tReset {
                        bool& loading;
                        ~tReset() { loading = false; }
                    } reset{state_.LoadingBalance};
                    CommonRadio->SetChecked(true);
                } else if (CommonRadio->Checked()) {
                    // Two different points are edited one at a time.
                    LightRadio->SetChecked(true);
                }
                return;
            }
            if (source == CommonPickSource()) {
                show();
                CommonRadio->SetChecked(true);
            } else if (source == FirstPointPickSource()) {
                w = {Settings.LightPointL, Settings.LightPointA, Settings.LightPointB};
                show();
                selectRadioOf(Settings.LightPointL);
            } else if (source == SecondPointPickSource()) {
                w = {Settings.ShadowPointL, Settings.ShadowPointA, Settings.ShadowPointB};
                show();
                selectRadioOf(Settings.ShadowPointL);
            } else if (source == LightRadio || source == ShadowRadio) {
                // A common balance edited in common mode is one point at one
                // lightness; two points at one lightness are one to the
                // correction, so an edit of either alone would be lost. Split
                // it to the ends of the range first, which with one colour
                // leaves the correction as it is.
                if (LightPoint == ShadowPoint) {
                    LightPoint.L = 255;
                    ShadowPoint.L = 0;
                }
                w = source == ShadowRadio ? ShadowPoint : LightPoint;
                show();
            } else if (source == aTrackBar) {
                w.a = uint8_t(128 - aTrackBar->Position());
                aEdit->SetText(EditText(aEdit, aTrackBar->Position()));
                showPolar();
                ReleasePipettes();
            } else if (source == bTrackBar) {
                w.b = uint8_t(bTrackBar->Position() + 128);
                bEdit->SetText(EditText(bEdit, -bTrackBar->Position()));
                showPolar();
                ReleasePipettes();
            } else if (source == aEdit) {
                // Text that is no usable number keeps the shown a, also a
                // picked cast beyond the slider's end (as bEdit keeps b).
                const int32_t n = ReadInteger(aEdit, 128 - w.a);
                w.a = uint8_t(128 - n);
                aTrackBar->SetPosition(n);
                showPolar();
                ReleasePipettes();
            } else if (source == bEdit) {
                const int32_t n = ReadInteger(bEdit, 128 - w.b);
                w.b = uint8_t(128 - n);
                bTrackBar->SetPosition(-n);
                showPolar();
                ReleasePipettes();
            } else if (source == HueTrackBar) {
                fromPolarSliders();
                showAB();
                HueEdit->SetText(EditText(HueEdit, HueTrackBar->Position()));
                ReleasePipettes();
            } else if (source == ChromaTrackBar) {
                fromPolarSliders();
                showAB();
                ChromaEdit->SetText(EditText(ChromaEdit, ChromaTrackBar->Position()));
                ReleasePipettes();
            } else if (source == HueEdit) {
                const int32_t hue = ReadInteger(HueEdit, HueTrackBar->Position());
                SetPolar(w, ChromaTrackBar->Position(), hue);
                HueTrackBar->SetPosition(hue);
                showAB();
                ChromaTrackBar->SetPosition(ChromaOf(w.a, w.b));
                ChromaEdit->SetText(EditText(ChromaEdit, ChromaTrackBar->Position()));
                ReleasePipettes();
            } else if (source == ChromaEdit) {
                const int32_t chroma = ReadInteger(ChromaEdit, ChromaTrackBar->Position());
                SetPolar(w, chroma, HueTrackBar->Position());
                ChromaTrackBar->SetPosition(chroma);
                showAB();
                ReleasePipettes();
            } else if (source == LabImage) {
                // The picker has stored the picked colour in the working points.
                show();
            } else {
                Fail("BalanceChanger: неправильный параметр");
            }
            // Write through at once, before newer input is let in, so that a
            // newer drag position re-entering starts from this one.
            if (ShadowRadio->Checked()) {
                ShadowPoint = w;
            } else if (LightRadio->Checked()) {
                LightPoint = w;
            } else {
                LightPoint = w;
                ShadowPoint = w;
            }
            StoreBalancePoints();
        },
        [&] {
            const tBalancePoint& shown = ShadowRadio->Checked() ? ShadowPoint : LightPoint;
            DrawHueStrip();
            DrawChromaStrip(HueTrackBar->Position() * std::numbers::pi / 180);
            DrawBalanceMarkers(shown.a, shown.b);
        });
}

void TParamForm::LoadBalancePoints() {
    const tBalancePoint first{Settings.LightPointL, Settings.LightPointA, Settings.LightPointB};
    const tBalancePoint second{Settings.ShadowPointL, Settings.ShadowPointA, Settings.ShadowPointB};
    if (second.L < first.L) {
        LightPoint = first;
        ShadowPoint = second;
    } else if (first.L < second.L) {
        LightPoint = second;
        ShadowPoint = first;
    } else {
        LightPoint = first;
        ShadowPoint = first;
    }
}

void TParamForm::StoreBalancePoints() {
    const bool swapped = Settings.LightPointL < Settings.ShadowPointL;
    const tBalancePoint& first = swapped ? ShadowPoint : LightPoint;
    const tBalancePoint& second = swapped ? LightPoint : ShadowPoint;
    Settings.LightPointA = first.a;
    Settings.LightPointB = first.b;
    Settings.LightPointL = first.L;
    Settings.ShadowPointA = second.a;
    Settings.ShadowPointB = second.b;
    Settings.ShadowPointL = second.L;
}

void TParamForm::SelectBalanceRadio() {
    if (SameColour(LightPoint, ShadowPoint))
        CommonRadio->SetChecked(true);
    else
        LightRadio->SetChecked(true);
}

void TParamForm::CommonRadioClick() {
    if (state_.LoadingBalance) return;
    NoteUndoStep(CommonRadio);
    // One balance for the whole range: the mean colour at both ends.
    Settings.LightPointL = 255;
    Settings.ShadowPointL = 0;
    const auto a = uint8_t((Settings.LightPointA + Settings.ShadowPointA) / 2);
    const auto b = uint8_t((Settings.LightPointB + Settings.ShadowPointB) / 2);
    Settings.LightPointA = Settings.ShadowPointA = a;
    Settings.LightPointB = Settings.ShadowPointB = b;
    LoadBalancePoints();
    BalanceChanger();
    NoteUndoStep(CommonRadio);
    RequestRedraw();
}

}  // namespace velmora::dialog

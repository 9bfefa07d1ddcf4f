#include "engine/Settings.h"

#include <cmath>
#include <cstring>

#include "engine/Analysis.h"
#include "engine/UndoHistory.h"

namespace velmora {

tParams Settings{};
tParamSlot Slots[kSlotCount]{};

namespace {
void RecordIf(bool record) {
    if (record) PushUndo();
}

void AssignLevels() {
    Settings.AutoLevels = 0;
    Settings.FollowAnalysis = 1;
    Settings.ClipFraction = 0.0001;
    Settings.BlackLevel = Analysis.Black;
    Settings.WhiteLevel = Analysis.White;
}

void AssignBalance() {
    Settings.LightPointA = 128;
    Settings.LightPointB = 128;
    Settings.LightPointL = 255;
    Settings.ShadowPointA = 128;
    Settings.ShadowPointB = 128;
    Settings.ShadowPointL = 0;
}

void AssignColorEq() {
    for (auto& g : Settings.ColorEq) g = 0;
}

void AssignLightEq() {
    for (auto& g : Settings.LightEq) g = 0;
}

bool Near(double a, double b) {
    return std::fabs(a - b) < 0.000001;
}
}  // namespace

void ResetLevels(bool record) {
    RecordIf(record);
    AssignLevels();
}

void ResetSaturation() {
    Settings.ColorContrast = 1.0;
    Settings.SatBend = 127;
    Settings.LowSat = 0;
}

void ResetBalance(bool record) {
    RecordIf(record);
    AssignBalance();
}

void ResetRotation(bool record) {
    RecordIf(record);
    Settings.Rotate = 0;
}

void ResetColorEq(bool record) {
    RecordIf(record);
    AssignColorEq();
}

void ResetLightEq(bool record) {
    RecordIf(record);
    AssignLightEq();
}

void ResetSaturationGroup(bool record) {
    RecordIf(record);
    ResetSaturation();
    AssignColorEq();
    AssignLightEq();
}

void ResetAll(bool record) {
    RecordIf(record);
    AssignLevels();
    ResetSaturation();
    AssignBalance();
    Settings.Rotate = 0;
    AssignColorEq();
    AssignLightEq();
    Settings.Lightness = 1.0;
    Settings.Contrast = 1.0;
    Settings.Shadow = 1.0;
    Settings.HighLight = 1.0;
    Settings.Sharpness = 1.0;
    Settings.Reserved144 = 0.5;
}

void ResetFirstUse() {
    ResetAll(false);
    Settings.FullScreen = 1;
}

bool SettingsEqual(const tParams& a, const tParams& b) {
    if (a.AutoLevels != b.AutoLevels || a.FollowAnalysis != b.FollowAnalysis ||
        a.BlackLevel != b.BlackLevel || a.WhiteLevel != b.WhiteLevel || a.SatBend != b.SatBend ||
        a.LowSat != b.LowSat || a.LightPointA != b.LightPointA || a.LightPointB != b.LightPointB ||
        a.LightPointL != b.LightPointL || a.ShadowPointA != b.ShadowPointA ||
        a.ShadowPointB != b.ShadowPointB || a.ShadowPointL != b.ShadowPointL ||
        a.Rotate != b.Rotate)
        return false;
    if (std::memcmp(a.ColorEq, b.ColorEq, sizeof a.ColorEq) != 0) return false;
    if (std::memcmp(a.LightEq, b.LightEq, sizeof a.LightEq) != 0) return false;
    return Near(a.ClipFraction, b.ClipFraction) && Near(a.ColorContrast, b.ColorContrast) &&
           Near(a.Lightness, b.Lightness) && Near(a.Contrast, b.Contrast) &&
           Near(a.Shadow, b.Shadow) && Near(a.HighLight, b.HighLight) &&
           Near(a.Sharpness, b.Sharpness) && Near(a.Reserved144, b.Reserved144);
}

}  // namespace velmora

// Correction tables built from the settings and the analysed points, read by
// the pixel kernel. Lightness and a/b are on the 0..255 scale in the 8-bit
// set and on 0..32768 in the 16-bit set; S = 32768/255 converts.
#pragma once

#include <cstdint>

#include "base/Params.h"

namespace velmora {

inline constexpr double kScale16 = 32768.0 / 255.0;  // S

struct tCorrectionTables {
    double ToneCurve[256];   // tone curve, 0..255 (not rounded)
    uint8_t ToneTable[256];  // rounded tone curve
    double ChromaGain[364];  // gain by chroma 0..363
    double HueGain[361];     // gain by hue, whole degrees 0..360
    double LightGain[256];   // gain by local lightness 0..255
    /// m0..m11: u = a*m0 + b*m3 + L*m6 + m9, v = a*m1 + b*m4 + L*m7 + m10.
    /// Holds the 8-bit or the 16-bit version, whichever was built last.
    double AbTransform[12];

    uint16_t ToneTable16[32769];
    double ChromaGain16[46648];
    double HueGain16[10001];  // hue in steps of 0.036 degrees
    double LightGain16[32769];
};

/// Builds the 8-bit set and the 8-bit AbTransform from the settings and the
/// analysed black and white points.
void BuildTables(tCorrectionTables& t, const tParams& s, int32_t analysedBlack,
                 int32_t analysedWhite);
/// Derives the 16-bit tables from the 8-bit set.
void BuildTables16(tCorrectionTables& t);
/// Overwrites AbTransform with its 16-bit version.
void BuildAbTransform16(tCorrectionTables& t, const tParams& s);
/// Puts the tables in their load-time state (identity tone, unit gains).
void ResetTables(tCorrectionTables& t);

/// The user's chroma curve alone (no level compensation): output chroma for
/// each input chroma 0..363 under the guard lowSat, the bend satBend and the
/// gain colorContrast, smoothed as the table build smooths it.
void UserChromaCurve(double (&curve)[364], double lowSat, double satBend, double colorContrast);

}  // namespace velmora

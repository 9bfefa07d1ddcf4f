// The maps of the host image on the module's state: the one-shot builds of
// the headless run (host progress and abort) and the dialog's step-wise
// analysis states (lightness scan, the two map builders, release of the
// matrix, mask scaling into the working image), with identical arithmetic.
#pragma once

#include <array>
#include <cstdint>

#include "engine/Photo.h"
#include "maths/Maps.h"

namespace velmora {

// One-shot forms on Maps.LightnessMatrix and the maps: one progress unit per
// row of the matrix, and per column and per row of each map. hostProgress:
// each unit is reported to the host and the abort test polled; on abort the
// routine returns at once. Otherwise the counter is shown in the dialog's bar.
void BuildLightnessMatrix(bool hostProgress);
void BuildSharpMap(tSingleMatrix source, tByteMatrix& map, bool hostProgress);
void BuildContrastMap(tSingleMatrix source, tByteMatrix& map, bool hostProgress);

/// Step-wise lightness matrix: one host row per step.
struct tLightnessScan {
    int64_t Offset = 0;  // next sample in the host buffer, 3 per pixel
    int32_t Row = 0;     // next matrix row to fill
    int32_t Rows = 0;
    int32_t Columns = 0;
    const uint8_t* Bytes = nullptr;   // host input buffer, 8-bit view
    const uint16_t* Words = nullptr;  // the same buffer, 16-bit view
    int16_t Mode = 0;                 // image mode at BeginLightness
};

void BeginLightness();
void LightnessStep();
bool LightnessDone();

/// Returns the lightness matrix one row per step.
class tLightnessMapDestructor {
  public:
    void BeginRelease();
    void ReleaseStep();
    bool ReleaseDone() const { return Index >= Count; }
    /// Drops Matrix and Maps.LightnessMatrix.
    void FinishRelease();

    int32_t Index = 0;
    tSingleMatrix Matrix;
    int32_t Count = 0;
};

/// Step-wise mask scaling into Photo's masks, one working row per step.
struct tMaskScalingState {
    int32_t Row = 0;           // next working row
    int32_t SourceColumn = 0;  // last sampled map column
    int32_t SourceRow = 0;     // map row of the current working row
    double ColumnAcc = 0;
    double RowAcc = 0;
    double Step = 1;  // 1 / Photo.Scale
    /// Set by BeginMaskScaling. While set, a RescalePhoto without masks
    /// restarts the scaling at the new geometry.
    bool Active = false;
};

/// Where the dialog's step-wise analysis stands.
struct tAnalysisSteps {
    tLightnessScan LightnessScan;
    tSharpMapCreator SharpMapCreator;
    tContrastMapCreator ContrastMapCreator;
    tLightnessMapDestructor LightnessMapDestructor;
    tMaskScalingState MaskScaling;
    /// Which stages have been started or finished; Flags[k] is flag k + 1 of
    /// the step table. All false at load.
    std::array<bool, 10> Flags{};
};

extern tAnalysisSteps Steps;

/// Re-creates Photo's masks zero-filled at Height x Width and starts over.
void BeginMaskScaling();
void MaskScalingStep();
bool MaskScalingDone();

/// The builders and step states (not the step flags) back to their
/// load-time values.
void ResetMapBuilders();

}  // namespace velmora

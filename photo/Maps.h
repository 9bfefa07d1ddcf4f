// Local lightness maps at full resolution: the lightness matrix, the q = 1
// sharpness map and the q = 19 contrast map (recursive Gaussian), in a
// one-shot form for the headless run and a step-wise form for the dialog,
// with identical arithmetic; plus release of the matrix and mask scaling.
//
// Lightness is on the 0..255 scale (16-bit samples divided by 32768/255).
// The maps are bytes 0..255, image rows x image columns.
#pragma once

#include <cstdint>
#include <vector>

#include "photo/Matrix.h"
#include "photo/RecursiveGaussian.h"

namespace velmora {

// One-shot forms. One progress unit per row of the matrix, and per column and
// per row of each map. hostProgress: each unit is reported to the host and the
// abort test polled; on abort the routine returns at once. Otherwise the
// counter is shown in the dialog's bar.
//
// After an abort the lightness matrix keeps its remaining rows at zero, and
// the map rows not yet built are filled from the matrix as it stands
// (clamped and rounded), so every map always has all its rows and columns.
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
extern tLightnessScan LightnessScan;

void BeginLightness();
void LightnessStep();
bool LightnessDone();

/// Step-wise builder of one map: column phase, row phase, finish.
class tMapCreator {
  public:
    explicit tMapCreator(const tGaussCoefficients& c) : c_(&c) {}
    /// Source shares `source` (blurred in place); `map` is re-created with
    /// one empty row per source row and Map shares it.
    void BeginColumns(tSingleMatrix source, tByteMatrix& map);
    void ColumnStep();
    bool ColumnsDone() const { return Column >= Columns; }
    void BeginRows();
    void RowStep();
    bool RowsDone() const { return Row >= Rows; }
    /// Releases the temporaries; Source and Map stay.
    void Finish();
    /// Back to the load-time state (drops Source and Map too).
    void Reset();

    int32_t Row = 0;
    int32_t Column = 0;
    int32_t Rows = 0;
    int32_t Columns = 0;
    std::vector<double> Forward;
    std::vector<double> Backward;
    tSingleMatrix Source;
    tByteMatrix Map;

  private:
    const tGaussCoefficients* c_;
    std::vector<float*> rowStarts_;  // Source's rows during the column phase
};

class tSharpMapCreator : public tMapCreator {
  public:
    tSharpMapCreator() : tMapCreator(kSharpCoefficients) {}
};
class tContrastMapCreator : public tMapCreator {
  public:
    tContrastMapCreator() : tMapCreator(kContrastCoefficients) {}
};

/// Returns the lightness matrix one row per step.
class tLightnessMapDestructor {
  public:
    void BeginRelease();
    void ReleaseStep();
    bool ReleaseDone() const { return Index >= Count; }
    /// Drops Matrix and LightnessMatrix.
    void FinishRelease();

    int32_t Index = 0;
    tSingleMatrix Matrix;
    int32_t Count = 0;
};

extern tSharpMapCreator SharpMapCreator;
extern tContrastMapCreator ContrastMapCreator;
extern tLightnessMapDestructor LightnessMapDestructor;

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
extern tMaskScalingState MaskScaling;

/// Re-creates Photo's masks zero-filled at Height x Width and starts over.
void BeginMaskScaling();
void MaskScalingStep();
bool MaskScalingDone();

/// Map index of an accumulated position: round(acc), ties to even, kept
/// within 0 .. size - 1 (0 when size is 0; the caller must not index then).
int32_t SampleIndex(double acc, size_t size);

/// The builders and step states back to their load-time values.
void ResetMapBuilders();

}  // namespace velmora

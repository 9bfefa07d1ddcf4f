// Local lightness maps at full resolution, from an image view: the
// lightness matrix, the q = 1 sharpness map and the q = 19 contrast map
// (recursive Gaussian), in a one-shot form and a step-wise form (one column
// or one row a step) with identical arithmetic; plus the sampling of a map
// at a reduced scale.
//
// Lightness is on the 0..255 scale (16-bit samples divided by 32768/255).
// The maps are bytes 0..255, image rows x image columns.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "maths/ImageView.h"
#include "maths/Matrix.h"
#include "maths/RecursiveGaussian.h"

namespace velmora {

/// Counts `units` of progress done; true asks the builder to stop (abort).
using tAdvance = std::function<bool(int32_t units)>;

// One-shot forms. One progress unit per row of the matrix, and per column and
// per row of each map; on abort the routine returns at once.
//
// After an abort the lightness matrix keeps its remaining rows at zero, and
// the map rows not yet built are filled from the matrix as it stands
// (clamped and rounded), so every map always has all its rows and columns.
void BuildLightnessMatrix(tSingleMatrix& matrix, const tImageView& image, const tAdvance& advance);
void BuildSharpMap(tSingleMatrix source, tByteMatrix& map, const tAdvance& advance);
void BuildContrastMap(tSingleMatrix source, tByteMatrix& map, const tAdvance& advance);

/// Lightness of one image row (the first sample of each pixel) from sample
/// `offset` on; nothing is written for modes other than the four.
void FillLightnessRow(float* out, size_t columns, const tImageView& image, size_t offset);

/// Step-wise builder of one map: column phase, row phase, finish. The single
/// steps handle one column or one row; the block steps up to kColumnBlock
/// columns or kRowBlock rows with the same bits per sequence, for the dialog,
/// where one column down a tall matrix costs a cache miss per sample.
class tMapCreator {
  public:
    explicit tMapCreator(const tGaussCoefficients& c) : c_(&c) {}
    /// Source shares `source` (blurred in place); `map` is re-created with
    /// one empty row per source row and Map shares it.
    void BeginColumns(tSingleMatrix source, tByteMatrix& map);
    void ColumnStep();
    /// The next min(kColumnBlock, columns left) columns in one sweep.
    void ColumnBlockStep();
    bool ColumnsDone() const { return Column >= Columns; }
    void BeginRows();
    void RowStep();
    /// The next min(kRowBlock, rows left) rows side by side.
    void RowBlockStep();
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
    // Forward (and backward) values of the block steps, interleaved; kept
    // apart from Forward and Backward, which hold one sequence.
    std::vector<double> blockForward_;
};

class tSharpMapCreator : public tMapCreator {
  public:
    tSharpMapCreator() : tMapCreator(kSharpCoefficients) {}
};
class tContrastMapCreator : public tMapCreator {
  public:
    tContrastMapCreator() : tMapCreator(kContrastCoefficients) {}
};

/// Map index of an accumulated position: round(acc), ties to even, kept
/// within 0 .. size - 1 (0 when size is 0; the caller must not index then).
int32_t SampleIndex(double acc, size_t size);

}  // namespace velmora

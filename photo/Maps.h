// Local lightness maps at full resolution: the lightness matrix, the q = 1
// sharpness map and the q = 19 contrast map (recursive Gaussian), in a
// one-shot form for the headless run and a step-wise form for the dialog,
// with identical arithmetic; plus release of the matrix and mask scaling.
#pragma once

#include <cstdint>
#include <vector>

#include "photo/Matrix.h"

namespace velmora {

struct tGaussCoefficients {
    long double B, b1, b2, b3;
};
extern const tGaussCoefficients kSharpCoefficients;     // q = 1
extern const tGaussCoefficients kContrastCoefficients;  // q = 19

// One-shot forms. hostProgress: report each unit to the host and stop on
// abort; otherwise show the counter in the dialog's bar.
void BuildLightnessMatrix(bool hostProgress);
void BuildSharpMap(tSingleMatrix source, tByteMatrix& map, bool hostProgress);
void BuildContrastMap(tSingleMatrix source, tByteMatrix& map, bool hostProgress);

// Step-wise lightness matrix.
void BeginLightness();
void LightnessStep();
bool LightnessDone();

class tMapCreator {
public:
    explicit tMapCreator(const tGaussCoefficients& c) : c_(c) {}
    void BeginColumns(tSingleMatrix source, tByteMatrix& map);
    void ColumnStep();
    bool ColumnsDone() const { return Column == Columns; }
    void BeginRows();
    void RowStep();
    bool RowsDone() const { return Row == Rows; }
    void Finish();

    int32_t Row = 0;
    int32_t Column = 0;
    int32_t Rows = 0;
    int32_t Columns = 0;
    std::vector<double> Forward;
    std::vector<double> Backward;
    tSingleMatrix Source;
    tByteMatrix Map;

private:
    const tGaussCoefficients& c_;
};

class tSharpMapCreator : public tMapCreator {
public:
    tSharpMapCreator() : tMapCreator(kSharpCoefficients) {}
};
class tContrastMapCreator : public tMapCreator {
public:
    tContrastMapCreator() : tMapCreator(kContrastCoefficients) {}
};

class tLightnessMapDestructor {
public:
    void BeginRelease();
    void ReleaseStep();
    bool ReleaseDone() const { return Index == Count; }
    void FinishRelease();

    int32_t Index = 0;
    tSingleMatrix Matrix;
    int32_t Count = 0;
};

extern tSharpMapCreator SharpMapCreator;
extern tContrastMapCreator ContrastMapCreator;
extern tLightnessMapDestructor LightnessMapDestructor;

// Step-wise mask scaling into Photo's masks.
void BeginMaskScaling();
void MaskScalingStep();
bool MaskScalingDone();

}  // namespace velmora

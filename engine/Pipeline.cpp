#include "engine/Pipeline.h"

#include "engine/Analysis.h"
#include "engine/ColorConvert.h"
#include "engine/Stepwise.h"
#include "host/Failure.h"
#include "host/ModuleState.h"
#include "host/Progress.h"
#include "host/Settings.h"
#include "host/UndoHistory.h"
#include "photo/Maps.h"
#include "photo/Photo.h"

namespace velmora {

void RequireThreePlanes() {
    // Every pixel walk reads three interleaved components; an image with
    // more planes (alpha, spot channels) would be misread, so it is refused.
    if (ImagePlanes() != 3) Fail("Поддерживаются только изображения из трёх каналов");
}

void ResetImageState() {
    ResetAnalysis();
    ResetPhotoState();
    ResetStepFlags();
    FreeHistory();
    FlushConversionCache();
}

void HeadlessRun() {
    RequireThreePlanes();
    const int64_t rows = ImageRows();
    const int64_t columns = ImageColumns();
    // Rows and columns are at most 32767 each, so the total fits in 32 bits.
    ProgressTotal = int32_t(6 * rows + 2 * columns);
    ProgressCounter = 0;
    ReportProgress();

    ConvertToLab(true);
    ReportProgress();

    AnalyseDynamicRange();
    if (Settings.FollowAnalysis) ResetLevels(true);
    ProgressCounter += int32_t(rows);
    ReportProgress();

    BuildLightnessMatrix(true);
    BuildSharpMap(LightnessMatrix, SharpMap, true);
    BuildContrastMap(LightnessMatrix, ContrastMap, true);
    LightnessMatrix.Reset();
    MapsReady = true;
}

}  // namespace velmora

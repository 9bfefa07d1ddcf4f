#include "engine/Pipeline.h"

#include "base/Failure.h"
#include "engine/Analysis.h"
#include "engine/ColorConvert.h"
#include "engine/HostCall.h"
#include "engine/MapSteps.h"
#include "engine/Photo.h"
#include "engine/Progress.h"
#include "engine/Settings.h"
#include "engine/Stepwise.h"
#include "engine/UndoHistory.h"

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
    Progress.Total = int32_t(6 * rows + 2 * columns);
    Progress.Counter = 0;
    ReportProgress();

    ConvertToLab(true);
    ReportProgress();

    AnalyseDynamicRange();
    if (Settings.FollowAnalysis) ResetLevels(true);
    Progress.Counter += int32_t(rows);
    ReportProgress();

    BuildLightnessMatrix(true);
    BuildSharpMap(Maps.LightnessMatrix, Maps.SharpMap, true);
    BuildContrastMap(Maps.LightnessMatrix, Maps.ContrastMap, true);
    Maps.LightnessMatrix.Reset();
    Maps.Ready = true;
}

}  // namespace velmora

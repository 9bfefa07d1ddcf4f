#include "engine/Pipeline.h"

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

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
#include "maths/ImageView.h"

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

namespace {

// Memory the system hands out for the first time costs far more to provide
// than memory it gets back and hands out again. A headless run needs nothing
// of the output buffer's old contents (the final application writes it all,
// and an aborted run is discarded), so its whole pages are handed back before
// the lightness matrix and the maps are made, which then reuse them; the
// buffer reads as zeros until it is written. Likewise the matrix's memory
// once both maps are built, for the output rows written next.
void ReturnOutputPages() {
    if (!HostCall.Record || !HostCall.Record->outData) return;
    const int16_t mode = ImageMode();
    if (!Is8Bit(mode) && !Is16Bit(mode)) return;
    const size_t bytes = size_t(ImageRows()) * size_t(ImageColumns()) * 3 * (Is8Bit(mode) ? 1 : 2);
    const long page = sysconf(_SC_PAGESIZE);
    if (page <= 0) return;
    const uintptr_t mask = ~(uintptr_t(page) - 1);
    const uintptr_t start = reinterpret_cast<uintptr_t>(HostCall.Record->outData);
    const uintptr_t first = (start + uintptr_t(page) - 1) & mask, end = (start + bytes) & mask;
    if (end > first) madvise(reinterpret_cast<void*>(first), end - first, MADV_DONTNEED);
}

}  // namespace

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
    ReturnOutputPages();

    AnalyseDynamicRange();
    if (Settings.FollowAnalysis) ResetLevels(true);
    Progress.Counter += int32_t(rows);
    ReportProgress();

    BuildLightnessMatrix(true);
    BuildSharpMap(Maps.LightnessMatrix, Maps.SharpMap, true);
    BuildContrastMap(Maps.LightnessMatrix, Maps.ContrastMap, true);
    Maps.LightnessMatrix.Reset();
    malloc_trim(0);
    Maps.Ready = true;
}

}  // namespace velmora

// Module-wide state kept between selector calls. Everything runs on the
// host's thread; nothing here is locked.
#pragma once

#include <cstdint>

#include "sdk/PIFilter.h"

namespace velmora {

/// The filter record of the call in progress (set at every ENTRYPOINT call).
extern sdk::FilterRecord* CurrentRecord;
/// Result code of the call in progress; returned at exit.
extern int16_t ResultCode;
/// The host's data word, written back unchanged at exit.
extern int32_t SavedData;
/// Platform data of the call in progress (host window handle in its first field).
extern sdk::PlatformData* CurrentPlatformData;
/// Colour space suite acquired at prepare (may stay null).
extern const sdk::ColorSpaceSuite1* ColorSpaceSuite;
/// True: continue runs without the dialog. True at load, cleared by a
/// successful parameters call, set at the end of every continue.
extern bool RepeatFlag;
/// True once the dialog of the current run has been confirmed.
extern bool ConfirmedFlag;

/// Shared progress accounting, in rows and columns of the host image.
extern int32_t ProgressCounter;
extern int32_t ProgressTotal;

/// Image geometry of the current record, read with sanity checks.
int32_t ImageRows();
int32_t ImageColumns();
int32_t ImagePlanes();
int16_t ImageMode();

}  // namespace velmora

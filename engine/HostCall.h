// The call in progress as the engine sees it: the host's filter record (image
// buffers and geometry, colour services, progress and abort procs) and the
// colour space suite. host/ sets both at every entry and at prepare; the
// engine only reads them. Everything runs on the host's thread; nothing here
// is locked.
#pragma once

#include <cstdint>

#include "sdk/PIFilter.h"

namespace velmora {

struct tHostCall {
    /// The filter record of the call in progress (null for the about call).
    sdk::FilterRecord* Record = nullptr;
    /// Colour space suite acquired at prepare (may stay null).
    const sdk::ColorSpaceSuite1* ColorSpaceSuite = nullptr;
};

extern tHostCall HostCall;

/// The record of the call in progress; an internal failure when there is none.
sdk::FilterRecord& CallRecord();

/// Image geometry of the current record, read with sanity checks.
int32_t ImageRows();
int32_t ImageColumns();
int32_t ImagePlanes();
int16_t ImageMode();

}  // namespace velmora

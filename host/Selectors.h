// The six selector handlers of the filter protocol. Each works on the
// record of the call in progress (engine/HostCall.h) and the module state of
// host/ModuleState.h (the result code, the repeat and confirmed flags) and throws
// tInternalFailure on a failed check; Dispatch catches it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "sdk/PIFilter.h"

namespace velmora {

/// About (0): shows the about box parented to the host window.
void AboutSelector();
/// Parameters (1): accepts modes 3, 9, 11, 12 (clears the repeat flag);
/// any other mode gives kBadMode and leaves the flag as it was.
void ParametersSelector();
/// Prepare (2): acquires the colour space suite; asks for no buffer memory.
void PrepareSelector();
/// Start (3): requests the whole image, all planes.
void StartSelector();
/// Continue (4): reads the parameter block, runs headless or with the
/// dialog, applies the correction, tells the host that no more data is
/// wanted.
void ContinueSelector();
/// Finish (5): flushes the conversion cache and writes the block back.
void FinishSelector();

/// Stores the rectangle with top <= bottom and left <= right, swapping the
/// values of each pair as needed.
void SetNormalisedRect(sdk::Rect16& rect, int16_t top, int16_t left, int16_t bottom, int16_t right);

/// The module's property list (resource 'PIPL' 16000), placed in the ELF
/// section ".pipl" so that hosts can read it from the file.
inline constexpr size_t kPropertyListSize = 274;
extern const uint8_t kPropertyList[kPropertyListSize];

}  // namespace velmora

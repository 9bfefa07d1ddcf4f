// Final application: corrects every pixel of the host's buffer in the
// document's mode, with host progress and an abort test per row.
#pragma once

namespace velmora {

void ApplyCorrection();

}  // namespace velmora

#include "engine/Pipeline.h"

namespace velmora {

// The preparation stages are being assembled; until they are, the headless
// run leaves the image as the host handed it over.
void HeadlessRun() {}

void ResetImageState() {}

}  // namespace velmora

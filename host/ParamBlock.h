// The parameter block held by the host: read at the start of continue,
// written back at finish, through the host's buffer procs.
#pragma once

namespace velmora {

/// First step of continue: lock (or allocate and initialise) the block.
void ReadParamBlock();
/// Finish: write settings and slots back and unlock the block.
void WriteParamBlock();

}  // namespace velmora

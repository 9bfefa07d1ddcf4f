// Ctrl-C: SIGINT sets the flag that filterhost hands the host library as
// its abort flag; a second Ctrl-C ends the process the default way.
#pragma once

#include <atomic>

namespace filterhost {

/// once false: every Ctrl-C only sets the flag (batch workers, whose parent
/// ends the batch).
void InstallInterruptHandler(bool once = true);
bool Interrupted();
/// Sets or clears the flag (for tests).
void SetInterrupted(bool value);
/// The flag itself, for hostlib::RunOptions::abort.
const std::atomic<bool>& InterruptFlag();

}  // namespace filterhost

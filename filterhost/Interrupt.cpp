#include "filterhost/Interrupt.h"

#include <csignal>

namespace filterhost {

namespace {

// Lock-free, so the signal handler may set it.
std::atomic<bool> interruptFlag{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void OnInterrupt(int) {
    interruptFlag.store(true);
}

}  // namespace

void InstallInterruptHandler(bool once) {
    struct sigaction action {};
    action.sa_handler = &OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = once ? SA_RESETHAND : 0;
    sigaction(SIGINT, &action, nullptr);
}

bool Interrupted() {
    return interruptFlag.load();
}

void SetInterrupted(bool value) {
    interruptFlag.store(value);
}

const std::atomic<bool>& InterruptFlag() {
    return interruptFlag;
}

}  // namespace filterhost

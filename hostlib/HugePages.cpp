#include "hostlib/HugePages.h"

#include <unistd.h>

#include <cstdlib>
#include <string>

namespace hostlib {

void PreferHugePages(char** argv) {
    constexpr const char* kTunable = "glibc.malloc.hugetlb";
    // Set by the user (0: leave the program alone) or by an earlier
    // re-execution: never re-execute twice.
    constexpr const char* kMarker = "VELMORA_HUGE_PAGES";
    if (std::getenv(kMarker)) return;
    const char* tunables = std::getenv("GLIBC_TUNABLES");
    const std::string current = tunables ? tunables : "";
    if (current.find(kTunable) != std::string::npos) return;
    const std::string value =
        current.empty() ? std::string(kTunable) + "=1" : current + ":" + kTunable + "=1";
    if (setenv(kMarker, "1", 1) != 0 || setenv("GLIBC_TUNABLES", value.c_str(), 1) != 0) return;
    execv("/proc/self/exe", argv);
    // Not re-executed: run on without huge pages, and leave the environment
    // of programs started from here as it was.
    if (tunables)
        setenv("GLIBC_TUNABLES", tunables, 1);
    else
        unsetenv("GLIBC_TUNABLES");
    unsetenv(kMarker);
}

}  // namespace hostlib

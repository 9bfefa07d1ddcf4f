// Calls PreferHugePages as filterhost's main does, then prints what the
// running program got: its tunables, the marker and its arguments.
#include <cstdio>
#include <cstdlib>

#include "hostlib/HugePages.h"

int main(int argc, char** argv) {
    hostlib::PreferHugePages(argv);
    const char* tunables = std::getenv("GLIBC_TUNABLES");
    const char* marker = std::getenv("VELMORA_HUGE_PAGES");
    std::printf("tunables=%s\nmarker=%s\nargs=", tunables ? tunables : "(none)",
                marker ? marker : "(none)");
    for (int i = 1; i < argc; ++i) std::printf("%s|", argv[i]);
    std::printf("\n");
    return 0;
}

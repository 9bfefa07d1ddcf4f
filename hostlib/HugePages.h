// Large allocations in transparent huge pages. A 24 MP picture moves through
// several hundred megabytes of freshly allocated buffers; in 4 KB pages each
// of them costs tens of thousands of page faults, which on a virtual machine
// take longer than the filter's arithmetic on the same memory. glibc backs
// its large allocations with huge pages when its malloc.hugetlb tunable is 1,
// and tunables are read only when a program starts.
#pragma once

namespace hostlib {

/// Called first thing in main(): when the tunable is not set, sets it and
/// re-executes the program with the same arguments (same process, same
/// open files). Returns, doing nothing, when GLIBC_TUNABLES names it
/// already, when VELMORA_HUGE_PAGES is set (the re-executed program has it
/// as 1; set it to 0 to run without), or when the re-execution fails.
void PreferHugePages(char** argv);

}  // namespace hostlib

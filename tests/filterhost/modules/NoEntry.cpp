// A module with a filter's property list that exports no entry point.
#include <cstdint>

#include "tests/filterhost/modules/TestPipl.h"

TEST_PIPL("Test filters", "No Entry", 0x1058)

extern "C" __attribute__((visibility("default"))) int32_t NotTheEntryPoint() {
    return 0;
}

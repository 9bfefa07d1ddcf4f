// The re-execution that turns on huge pages for large allocations: it
// happens once, keeps the arguments and whatever tunables were set, and
// leaves a user's own choice alone.
#include <gtest/gtest.h>

#include <string>

#include "Support.h"

namespace {

struct Case {
    const char* name;
    fhtest::Env env;
    const char* tunables;  // what the program runs with
    const char* marker;
};

TEST(HugePages, TheProgramRunsOnceWithTheTunableAddedUnlessOneIsChosen) {
    const Case cases[] = {
        {"none set",
         {{"GLIBC_TUNABLES", ""}, {"VELMORA_HUGE_PAGES", ""}},
         "glibc.malloc.hugetlb=1",
         "1"},
        {"other tunables kept",
         {{"GLIBC_TUNABLES", "glibc.malloc.arena_max=2"}, {"VELMORA_HUGE_PAGES", ""}},
         "glibc.malloc.arena_max=2:glibc.malloc.hugetlb=1",
         "1"},
        {"the user's value stands",
         {{"GLIBC_TUNABLES", "glibc.malloc.hugetlb=0"}, {"VELMORA_HUGE_PAGES", ""}},
         "glibc.malloc.hugetlb=0",
         "(none)"},
        {"turned off", {{"GLIBC_TUNABLES", ""}, {"VELMORA_HUGE_PAGES", "0"}}, "(none)", "0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // The probe stands where a launcher would: it is started with
        // filterhost's path and the arguments after it.
        const fhtest::RunResult r =
            fhtest::RunHost({"two words", "--x=1"}, c.env, {HUGE_PAGES_PROBE});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, std::string("tunables=") + c.tunables + "\nmarker=" + c.marker +
                             "\nargs=" FILTERHOST_EXE "|two words|--x=1|\n");
    }
}

}  // namespace

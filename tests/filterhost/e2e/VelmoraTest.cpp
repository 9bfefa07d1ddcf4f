// filterhost with velmora.8bf: the module is found and listed from its
// property list, and a repeat without dialog on a real photo succeeds and
// stores the module's 1168-byte parameter block.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/filterhost/Support.h"

namespace {

TEST(VelmoraTest, ListedFromItsPropertyList) {
    const std::string dir = std::filesystem::path(VELMORA_MODULE).parent_path().string();
    const fhtest::RunResult r = fhtest::RunHost({"plugins", dir});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Zeq filters / Zeq Velmora  8BFM 4.0  RGB Lab RGB48 Lab48\n"),
              std::string::npos)
        << r.out;
    // Without a folder: the plug-ins beside the executable.
    const fhtest::RunResult byDefault =
        fhtest::RunHost({"plugins"}, {{"FILTERHOST_PLUGIN_DIR", ""}});
    EXPECT_EQ(byDefault.out, r.out);
}

TEST(VelmoraTest, RepeatOnAPhotoStoresTheParameterBlock) {
    fhtest::TempDir dir;
    const std::string photo = std::string(PHOTOS_DIR) + "/coffee.png";
    const auto before = fhtest::ReadBytes(photo);
    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run);
        const fhtest::RunResult r = fhtest::RunHost(
            {"apply", "--plugin", VELMORA_MODULE, photo, "-o", dir / "coffee-out.png"},
            {{"XDG_STATE_HOME", dir / "state"}});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(fhtest::ReadBytes(dir / "state/velmora/filterhost/Zeq Velmora.params").size(),
                  1168u);
        int channels = 0, depth = 0;
        const auto out = fhtest::ReadPngSamples(dir / "coffee-out.png", &channels, &depth);
        EXPECT_EQ(out.size(), size_t(600) * 400 * 3);
        EXPECT_EQ(channels, 3);
    }
    EXPECT_EQ(fhtest::ReadBytes(photo), before);
}

}  // namespace

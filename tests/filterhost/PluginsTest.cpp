// filterhost plugins: property lists read from the module files without
// loading them; files that are not valid modules are reported and skipped.
#include <gtest/gtest.h>

#include <filesystem>

#include "hostlib/PluginModule.h"
#include "tests/filterhost/Support.h"

namespace {

TEST(PluginsTest, ListsValidModulesAndSkipsTheRest) {
    fhtest::TempDir dir;
    namespace fs = std::filesystem;
    fs::copy_file(TEST_FILTER, dir / "testfilter.8bf");
    fs::copy_file(RGBONLY_FILTER, dir / "rgbonly.8bf");
    fs::copy_file(NOENTRY_FILTER, dir / "noentry.8bf");
    fhtest::WriteBytes(dir / "garbage.8bf", std::vector<uint8_t>(1000, 0x7F));
    auto module = fhtest::ReadBytes(TEST_FILTER);
    module.resize(module.size() / 3);
    fhtest::WriteBytes(dir / "truncated.8bf", module);
    fhtest::WriteBytes(dir / "readme.txt", {'x'});

    const fhtest::RunResult r = fhtest::RunHost({"plugins", dir.Path()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "Test filters / RGB Only  8BFM 1.2  RGB\n"
              "Test filters / Test Filter  8BFM 1.2  RGB Lab RGB48 Lab48\n");
    for (const char* skipped : {"garbage.8bf", "noentry.8bf", "truncated.8bf"})
        EXPECT_NE(r.err.find(std::string("skipped ") + (dir / skipped)), std::string::npos)
            << r.err;
    EXPECT_EQ(r.err.find("readme.txt"), std::string::npos);

    // The default folder comes from FILTERHOST_PLUGIN_DIR; apply picks the
    // first valid module there.
    const fhtest::RunResult listed =
        fhtest::RunHost({"plugins"}, {{"FILTERHOST_PLUGIN_DIR", dir.Path()}});
    EXPECT_EQ(listed.out, r.out);
    fs::remove(dir / "rgbonly.8bf");
    fhtest::PngLayout layout;
    fhtest::WritePng(dir / "in.png", layout, fhtest::Pattern(7, 5, 3, 8));
    const fhtest::RunResult applied =
        fhtest::RunHost({"apply", dir / "in.png", "-o", dir / "out.png"},
                        {{"FILTERHOST_PLUGIN_DIR", dir.Path()}, {"XDG_STATE_HOME", dir / "state"}});
    EXPECT_EQ(applied.status, 0) << applied.err;
    EXPECT_TRUE(fhtest::Exists(dir / "state/velmora/filterhost/Test Filter.params"));
}

TEST(PluginsTest, MissingFolderIsAnError) {
    const fhtest::RunResult r = fhtest::RunHost({"plugins", "/nonexistent/plugins"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("/nonexistent/plugins"), std::string::npos);
}

TEST(PluginsTest, PropertyListFieldsAreDecoded) {
    const hostlib::PluginInfo info = hostlib::ReadPluginInfo(TEST_FILTER);
    EXPECT_EQ(info.KindText(), "8BFM");
    EXPECT_EQ(info.VersionText(), "1.2");
    EXPECT_EQ(info.category, "Test filters");
    EXPECT_EQ(info.entryName, "ENTRYPOINT");
    EXPECT_EQ(info.modeFlags, 0x1058);
    for (int16_t mode : {3, 9, 11, 12}) EXPECT_TRUE(info.SupportsMode(mode)) << mode;
    for (int16_t mode : {1, 2, 4, 7}) EXPECT_FALSE(info.SupportsMode(mode)) << mode;
    const hostlib::PluginInfo rgb = hostlib::ReadPluginInfo(RGBONLY_FILTER);
    EXPECT_TRUE(rgb.SupportsMode(3));
    EXPECT_FALSE(rgb.SupportsMode(11));
}

}  // namespace

// filterhost with the real module as a subprocess: the about command with
// and without a display, and a headless apply in an environment without any.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "tests/filterhost/Support.h"

namespace {

using fhtest::Env;

class FilterHostAbout : public ::testing::Test {
  protected:
    fhtest::TempDir dir;
    // No display of any kind unless a test names one.
    Env BaseEnv(Env extra = {}) const {
        extra["XDG_STATE_HOME"] = dir / "state";
        extra.emplace("FILTERHOST_PLUGIN_DIR", "");
        extra.emplace("QT_QPA_PLATFORM", "");
        extra.emplace("DISPLAY", "");
        extra.emplace("WAYLAND_DISPLAY", "");
        extra.emplace("LD_PRELOAD", "");
        return extra;
    }
};

TEST_F(FilterHostAbout, ShowsTheBoxUntilAKeyClosesIt) {
    const fhtest::RunResult r = fhtest::RunHost(
        {"about", "--plugin", VELMORA_MODULE}, BaseEnv({{"QT_QPA_PLATFORM", "offscreen"},
                                                        {"LD_PRELOAD", ABOUT_CLOSER},
                                                        {"ABOUT_CLOSER_SHOT", dir / "about.png"}}));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.find("velmora:"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("by force"), std::string::npos) << "the key did not close it";
    EXPECT_TRUE(fhtest::Exists(dir / "about.png")) << "the box was never shown";
}

TEST_F(FilterHostAbout, WithoutADisplayItFailsWithAMessage) {
    // No display named at all; one named that nothing listens on; the X
    // platform asked for explicitly with that display.
    const Env environments[] = {
        BaseEnv(),
        BaseEnv({{"DISPLAY", ":97"}}),
        BaseEnv({{"DISPLAY", ":97"}, {"QT_QPA_PLATFORM", "xcb"}}),
    };
    for (const Env& env : environments) {
        const fhtest::RunResult r = fhtest::RunHost({"about", "--plugin", VELMORA_MODULE}, env);
        EXPECT_NE(r.status, 0);
        EXPECT_LT(r.status, 128) << "killed by a signal: " << r.err;
        EXPECT_NE(r.err.find("velmora: Окно «О программе» не может быть показано: нет "
                             "графического дисплея"),
                  std::string::npos)
            << r.err;
    }
}

TEST_F(FilterHostAbout, ApplyNeedsNoDisplay) {
    fhtest::PngLayout png;
    png.width = 24;
    png.height = 16;
    fhtest::WritePng(dir / "in.png", png, fhtest::Pattern(24, 16, 3, 8));
    const fhtest::RunResult r = fhtest::RunHost(
        {"apply", "--plugin", VELMORA_MODULE, dir / "in.png", "-o", dir / "out.png"}, BaseEnv());
    ASSERT_EQ(r.status, 0) << r.err;
    // Only the first-use note (no settings are stored yet), nothing of Qt's.
    EXPECT_EQ(r.err.rfind("filterhost: note: no stored settings yet", 0), 0u) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    int channels = 0;
    EXPECT_EQ(fhtest::ReadPngSamples(dir / "out.png", &channels).size(), 24u * 16u * 3u);
    EXPECT_EQ(fhtest::ReadBytes(dir / "state/velmora/filterhost/Zeq Velmora.params").size(), 1168u);
}

}  // namespace

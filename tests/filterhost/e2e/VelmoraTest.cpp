// filterhost with velmora.8bf: the module is found and listed from its
// property list, a repeat without dialog on a real photo succeeds and
// stores the module's 1168-byte parameter block, settings given on the
// command line reach it, and --version names its version.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
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

namespace {

// Settings given on the command line (--set, --preset) against the same
// settings written by velmora-params and passed as --params: the same
// picture, and no settings file written or changed on the way.
class InlineSettingsTest : public ::testing::Test {
  protected:
    fhtest::TempDir dir;
    fhtest::Env env = {{"XDG_STATE_HOME", dir / "state"}, {"FILTERHOST_PRESET_DIR", ""}};

    void SetUp() override {
        fhtest::PngLayout png;
        png.width = 48;
        png.height = 32;
        fhtest::WritePng(dir / "in.png", png, fhtest::Pattern(48, 32, 3, 8, 5));
    }

    fhtest::RunResult Apply(const std::string& out, std::vector<std::string> extra) {
        std::vector<std::string> args = {"apply",        "--plugin", VELMORA_MODULE,
                                         dir / "in.png", "-o",       dir / out};
        args.insert(args.end(), extra.begin(), extra.end());
        return fhtest::RunHost(args, env);
    }

    // velmora-params write FILE ARGS...
    void WriteParams(const std::string& file, const std::vector<std::string>& args) {
        std::string command = std::string(VELMORA_PARAMS_EXE) + " write '" + file + "'";
        for (const auto& a : args) command += " '" + a + "'";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }

    std::vector<uint16_t> Pixels(const std::string& out) {
        return fhtest::ReadPngSamples(dir / out);
    }
};

TEST_F(InlineSettingsTest, SetAndPresetGiveWhatAParamsFileGives) {
    WriteParams(dir / "contrast.params", {"Contrast=1.8", "Shadow=2"});
    const auto stored = fhtest::ReadBytes(dir / "contrast.params");
    ASSERT_EQ(Apply("by-file.png", {"--params", dir / "contrast.params"}).status, 0);
    fhtest::RunResult r = Apply("by-set.png", {"--set", "Contrast=1.8", "--set", "Shadow=2"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Pixels("by-set.png"), Pixels("by-file.png"));
    WriteParams(dir / "first-use.params", {});
    ASSERT_EQ(Apply("plain.png", {"--params", dir / "first-use.params"}).status, 0);
    EXPECT_NE(Pixels("by-set.png"), Pixels("plain.png"));
    // apply read the --params file and left it as it was; --set stored nothing.
    EXPECT_EQ(fhtest::ReadBytes(dir / "contrast.params"), stored);
    EXPECT_FALSE(fhtest::Exists(dir / "state"));

    // --set over a stored block: the block's settings and the pair's.
    WriteParams(dir / "both.params", {"Contrast=1.8", "Shadow=2", "Sharpness=1.6"});
    ASSERT_EQ(Apply("both-file.png", {"--params", dir / "both.params"}).status, 0);
    r = Apply("both-set.png", {"--params", dir / "contrast.params", "--set", "Sharpness=1.6"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Pixels("both-set.png"), Pixels("both-file.png"));
    EXPECT_EQ(fhtest::ReadBytes(dir / "contrast.params"), stored);

    // A preset file, with comments, blank lines and stray spaces, is what
    // velmora-params writes from its arguments; --set comes after it.
    fhtest::WriteBytes(
        dir / "mine.preset",
        {'#', ' ', 'M',  'i', 'n', 'e', '\n', '\n', ' ',  '-',  '-', 'a', 'u', 't', 'o', '-',
         'l', 'e', 'v',  'e', 'l', 's', ' ',  '\r', '\n', '\n', 'L', 'o', 'w', 'S', 'a', 't',
         '=', '8', '\n', 'C', 'o', 'n', 't',  'r',  'a',  's',  't', '=', '1', '.', '2', '\n'});
    WriteParams(dir / "preset.params", {"--auto-levels", "LowSat=8", "Contrast=1.5"});
    ASSERT_EQ(Apply("preset-file.png", {"--params", dir / "preset.params"}).status, 0);
    r = Apply("preset-inline.png", {"--preset", dir / "mine.preset", "--set", "Contrast=1.5"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Pixels("preset-inline.png"), Pixels("preset-file.png"));
}

TEST_F(InlineSettingsTest, PresetsByNameAndTheirListing) {
    // The presets beside the build, as filterhost finds them by itself.
    fhtest::RunResult r = fhtest::RunHost({"presets"}, env);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "auto-contrast  Automatic levels with gentle local contrast and sharpness.\n"
              "open-shadows   Opens dark areas and holds back bright ones; for back-lit and "
              "contrasty scenes.\n"
              "vivid          Stronger colour with a low-saturation guard, a touch of gamma and "
              "local contrast.\n");
    r = Apply("vivid.png", {"--preset", "vivid"});
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(
        Apply("vivid-file.png", {"--preset", std::string(PRESETS_DIR) + "/vivid.preset"}).status,
        0);
    EXPECT_EQ(Pixels("vivid.png"), Pixels("vivid-file.png"));

    r = Apply("x.png", {"--preset", "nonesuch"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("no such preset"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("auto-contrast, open-shadows, vivid"), std::string::npos) << r.err;
    EXPECT_FALSE(fhtest::Exists(dir / "x.png"));
}

TEST_F(InlineSettingsTest, BadSettingsAreUsageErrors) {
    fhtest::WriteBytes(dir / "bad.preset", {'B', 'o', 'g', 'u', 's', '=', '1', '\n'});
    const struct {
        std::vector<std::string> args;
        int status;
        const char* message;
    } cases[] = {
        {{"--set", "Bogus=1"}, 2, "unknown field 'Bogus'"},
        {{"--set", "Contrast"}, 2, "expected Field=value"},
        {{"--set", "Contrast=lots"}, 2, "bad value 'lots' for Contrast"},
        {{"--set", "Contrast=100"}, 2, "Contrast=100: out of range 0.1..10"},
        {{"--set", "Slot2.Shadow=-3"}, 2, "Slot2.Shadow=-3: out of range"},
        {{"--set", "FollowAnalysis=0"}, 2, "WhiteLevel 0 not above BlackLevel 0"},
        {{"--set", "FollowAnalysis=0", "--set", "BlackLevel=200", "--set", "WhiteLevel=100"},
         2,
         "WhiteLevel 100 not above BlackLevel 200"},
        {{"--preset", dir / "bad.preset"}, 1, "bad.preset: unknown field 'Bogus'"},
        {{"--params", dir / "missing.params"}, 1, "velmora-params write"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        fhtest::RunResult r = Apply("out.png", c.args);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_FALSE(fhtest::Exists(dir / "out.png"));
        EXPECT_FALSE(fhtest::Exists(dir / "missing.params"));
    }

    // Levels are checked once all pairs are in, and only where they were
    // named: a stored block with levels that cannot work is taken as it is.
    fhtest::RunResult r = Apply("levels.png", {"--set", "FollowAnalysis=0", "--set",
                                               "BlackLevel=10", "--set", "WhiteLevel=240"});
    EXPECT_EQ(r.status, 0) << r.err;
    WriteParams(dir / "forced.params", {"--force", "FollowAnalysis=0"});
    r = Apply("forced.png", {"--params", dir / "forced.params", "--set", "Contrast=1.2"});
    EXPECT_EQ(r.status, 0) << r.err;
}

TEST_F(InlineSettingsTest, FirstRunNotesTheFirstUseSettingsOnce) {
    fhtest::RunResult r = Apply("a.png", {});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("note: no stored settings yet"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("filterhost presets"), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    // The default state file now holds the settings: no note.
    r = Apply("b.png", {});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
}

TEST(VelmoraVersionTest, NamesFilterhostAndTheModuleVersionItsAboutBoxShows) {
    const fhtest::RunResult r = fhtest::RunHost({"--version", "--plugin", VELMORA_MODULE});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("filterhost 1.", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("\nZeq Velmora 3.15b (interface 4.0): "), std::string::npos) << r.out;
}

}  // namespace

namespace {

// scripts/install from this build: the installed filterhost finds the
// installed plug-in and presets by itself, wherever the prefix is.
TEST(InstallTest, TheInstalledFilterhostFindsItsPluginAndPresets) {
    fhtest::TempDir dir;
    const std::string command = std::string(SOURCE_DIR) + "/scripts/install --build '" + BUILD_DIR +
                                "' --prefix '" + (dir / "prefix") + "' >/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::string exe = dir / "prefix/bin/filterhost";
    for (const char* file : {"bin/velmora-params", "lib/velmora/plugins/velmora.8bf",
                             "share/velmora/presets/vivid.preset"})
        EXPECT_TRUE(fhtest::Exists(dir / (std::string("prefix/") + file))) << file;
    char outName[] = "/tmp/filterhost-install-XXXXXX";
    close(mkstemp(outName));
    const struct {
        const char* arg;
        std::string expected;
    } cases[] = {
        {"plugins", "Zeq Velmora"},
        {"presets", "vivid "},
        {"--version", dir / "prefix/lib/velmora/plugins/velmora.8bf"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arg);
        const std::string run = "env -u FILTERHOST_PLUGIN_DIR -u FILTERHOST_PRESET_DIR '" + exe +
                                "' " + c.arg + " > " + outName + " 2>&1";
        EXPECT_EQ(std::system(run.c_str()), 0);
        const auto bytes = fhtest::ReadBytes(outName);
        const std::string out(bytes.begin(), bytes.end());
        EXPECT_NE(out.find(c.expected), std::string::npos) << out;
    }
    unlink(outName);
}

}  // namespace

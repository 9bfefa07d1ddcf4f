// velmora-gimp through GIMP itself: gimp-console-2.10 in batch mode with a
// private GIMP2_DIRECTORY whose gimprc adds a plug-in folder holding
// velmora-gimp/{velmora-gimp,velmora.8bf}, as the installer lays it out.
// Results are compared with what filterhost apply gives on the same pixels
// with the same parameter block.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "tests/filterhost/Support.h"
#include "tests/filterhost/XSession.h"

namespace {

namespace fs = std::filesystem;
using fhtest::Env;
using fhtest::RunResult;

constexpr const char* kGimp = "/usr/bin/gimp-console-2.10";
constexpr int kW = 40, kH = 30;

std::string Quote(const std::string& s) {
    return "\"" + s + "\"";
}

class GimpTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (access(kGimp, X_OK) != 0)
            GTEST_SKIP() << kGimp << " is missing: install gimp (scripts/setup) to run this test";
        const std::string bridge = dir / "plug-ins/velmora-gimp";
        fs::create_directories(bridge);
        fs::copy_file(VELMORA_GIMP, bridge + "/velmora-gimp");
        fs::copy_file(VELMORA_MODULE, bridge + "/velmora.8bf");
        fs::create_directories(dir / "modules");
        fs::copy_file(TEST_FILTER, dir / "modules/testfilter.8bf");
        for (const char* d : {"gimp2/gradients", "gimp2/brushes", "gimp2/patterns", "state"})
            fs::create_directories(dir / d);
        fhtest::WriteBytes(
            dir / "gimp2/gimprc",
            Bytes("(plug-in-path \"${gimp_plug_in_dir}/plug-ins:" + (dir / "plug-ins") + "\")\n"));
        // A block other than the defaults: the comparison then shows it is used.
        ASSERT_EQ(Run({VELMORA_PARAMS, "write", dir / "vivid.params", "ColorContrast=1.35",
                       "Lightness=0.9", "LowSat=8"})
                      .status,
                  0);
    }

    static std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

    // Any program, with the environment overrides.
    RunResult Run(const std::vector<std::string>& argv, Env env = {}, int timeoutMs = 180000) {
        const std::string out = dir / "run.out", err = dir / "run.err";
        std::vector<std::string> args = argv;
        const pid_t pid =
            fhtest::StartHost(args, env, out, err, {"/bin/sh", "-c", "shift; exec \"$@\"", "sh"});
        return fhtest::WaitHostFor(pid, out, err, timeoutMs);
    }

    Env GimpEnv(Env extra = {}) {
        extra["GIMP2_DIRECTORY"] = dir / "gimp2";
        extra["XDG_STATE_HOME"] = dir / "state";
        extra.emplace("FILTERHOST_PLUGIN_DIR", "");
        extra.emplace("DISPLAY", "");
        return extra;
    }

    std::vector<std::string> GimpArgs(const std::vector<std::string>& scripts) {
        std::vector<std::string> argv{kGimp, "-i", "-d", "-f"};
        const std::string prelude =
            "(define (load f) (let ((i (car (gimp-file-load RUN-NONINTERACTIVE f f))))"
            " (gimp-image-clean-all i) i))"
            "(define (layer i) (car (gimp-image-get-active-drawable i)))"
            "(define (save i d f) (gimp-file-save RUN-NONINTERACTIVE i d f f))";
        for (const auto& s : scripts)
            argv.insert(argv.end(), {"-b", "(begin " + prelude + s + ")"});
        argv.insert(argv.end(), {"-b", "(gimp-quit 0)"});
        return argv;
    }

    // GIMP in batch mode on the scripts, each one -b command.
    RunResult Gimp(const std::vector<std::string>& scripts, Env extra = {}) {
        return Run(GimpArgs(scripts), GimpEnv(std::move(extra)));
    }

    // filterhost apply with a copy of the block.
    void Apply(const std::string& in, const std::string& out, const std::string& block) {
        fs::copy_file(block, dir / "apply.params", fs::copy_options::overwrite_existing);
        const RunResult r = Run({FILTERHOST_EXE, "--plugin", VELMORA_MODULE, "--params",
                                 dir / "apply.params", "apply", in, "-o", out},
                                {{"FILTERHOST_PLUGIN_DIR", ""}});
        ASSERT_EQ(r.status, 0) << r.err;
    }

    std::string StatePath() const { return dir / "state/velmora/filterhost/Zeq Velmora.params"; }

    // An RGB(A) PNG of the test pattern.
    std::string Png(const std::string& name, int depth, bool alpha, std::vector<uint8_t> icc = {}) {
        fhtest::PngLayout layout;
        layout.icc = std::move(icc);
        layout.width = kW;
        layout.height = kH;
        layout.depth = depth;
        layout.colorType = alpha ? 6 : 2;
        auto samples = fhtest::Pattern(kW, kH, alpha ? 4 : 3, depth, uint32_t(depth + alpha));
        // Alpha is never 0: the colour of fully transparent pixels is not kept by PNG export.
        if (alpha)
            for (size_t i = 3; i < samples.size(); i += 4)
                samples[i] = std::max<uint16_t>(samples[i], 1);
        fhtest::WritePng(dir / name, layout, samples);
        return dir / name;
    }

    static std::vector<uint16_t> Samples(const std::string& path, int* channels = nullptr,
                                         int* depth = nullptr) {
        return fhtest::ReadPngSamples(path, channels, depth);
    }

    fhtest::TempDir dir;
};

TEST_F(GimpTest, RegistersEachModuleFromItsPropertyList) {
    const RunResult r =
        Gimp({"(gimp-message \"up\")"}, {{"FILTERHOST_PLUGIN_DIR", dir / "modules"}});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto rc = fhtest::ReadBytes(dir / "gimp2/pluginrc");
    const std::string pluginrc(rc.begin(), rc.end());
    for (const char* text :
         {"(proc-def \"plug-in-zeq-velmora\"", "\"<Image>/Filters/Zeq filters\"",
          "\"Zeq Velmora...\"", "\"RGB*\"", "\"params-file\"", "(proc-def \"plug-in-test-filter\"",
          "\"<Image>/Filters/Test filters\""})
        EXPECT_NE(pluginrc.find(text), std::string::npos) << text << "\n" << pluginrc;
}

// One GIMP session: 8-bit and 16-bit layers, a selection on an offset layer,
// an RGBA layer and a float image, all with the block from params-file.
TEST_F(GimpTest, PixelsAreFilterhostsSelectionAlphaAndPrecisionAreKept) {
    const std::string in8 = Png("in8.png", 8, false), in16 = Png("in16.png", 16, false),
                      in8a = Png("in8a.png", 8, true), in16a = Png("in16a.png", 16, true);
    const std::string block = Quote(dir / "vivid.params");
    auto whole = [&](const std::string& in, const std::string& out) {
        return "(let* ((i (load " + Quote(in) +
               ")) (d (layer i)))"
               "(plug-in-zeq-velmora RUN-NONINTERACTIVE i d " +
               block +
               ")"
               "(save i d " +
               Quote(dir / out) + "))";
    };
    // The layer moved to (20, 10) on a larger canvas; the selection, in image
    // coordinates, is the layer's rectangle x 5..14, y 4..11.
    const std::string selection = "(let* ((i (load " + Quote(in8) +
                                  ")) (d (layer i)))"
                                  "(gimp-image-resize i 70 50 20 10)"
                                  "(gimp-image-select-rectangle i CHANNEL-OP-REPLACE 25 14 10 8)"
                                  "(plug-in-zeq-velmora RUN-NONINTERACTIVE i d " +
                                  block +
                                  ")"
                                  "(gimp-selection-none i)"
                                  "(save i d " +
                                  Quote(dir / "sel.png") + "))";
    const std::string precision =
        "(let* ((i (load " + Quote(in16) +
        ")) (d (layer i)))"
        "(gimp-image-convert-precision i PRECISION-FLOAT-GAMMA)"
        "(plug-in-zeq-velmora RUN-NONINTERACTIVE i d " +
        block +
        ")"
        "(gimp-message (if (= (car (gimp-image-get-precision i)) PRECISION-FLOAT-GAMMA)"
        " \"precision: float\" \"precision: changed\"))"
        "(gimp-image-convert-precision i PRECISION-U16-GAMMA)"
        "(save i d " +
        Quote(dir / "float.png") + "))";
    const RunResult r = Gimp({whole(in8, "g8.png"), whole(in16, "g16.png"), selection,
                              whole(in8a, "g8a.png"), whole(in16a, "g16a.png"), precision});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("precision: float"), std::string::npos) << r.err;
    // A non-interactive run with params-file leaves the stored settings alone.
    EXPECT_FALSE(fhtest::Exists(StatePath()));

    Apply(in8, dir / "f8.png", dir / "vivid.params");
    Apply(in16, dir / "f16.png", dir / "vivid.params");
    Apply(in8a, dir / "f8a.png", dir / "vivid.params");
    Apply(in16a, dir / "f16a.png", dir / "vivid.params");

    int channels = 0, depth = 0;
    const auto f8 = Samples(dir / "f8.png");
    ASSERT_NE(f8, Samples(in8)) << "the block changes the pixels";
    EXPECT_EQ(Samples(dir / "g8.png", &channels, &depth), f8);
    EXPECT_EQ(depth, 8);
    const auto f16 = Samples(dir / "f16.png");
    EXPECT_EQ(Samples(dir / "g16.png", &channels, &depth), f16);
    EXPECT_EQ(depth, 16);

    // Inside the selection the filter's pixels, outside the input's.
    const auto sel = Samples(dir / "sel.png", &channels), orig = Samples(in8);
    ASSERT_EQ(channels, 3);
    ASSERT_EQ(sel.size(), orig.size());
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            const bool inside = x >= 5 && x < 15 && y >= 4 && y < 12;
            for (int c = 0; c < 3; ++c) {
                const size_t k = (size_t(y) * kW + size_t(x)) * 3 + size_t(c);
                ASSERT_EQ(sel[k], inside ? f8[k] : orig[k]) << x << "," << y;
            }
        }

    // RGBA at both depths: colour as filterhost gives it, alpha untouched.
    for (const auto& [in, bits] : {std::pair{in8a, 8}, std::pair{in16a, 16}}) {
        SCOPED_TRACE(bits);
        const std::string name = std::to_string(bits) + "a.png";
        const auto g = Samples(dir / ("g" + name), &channels, &depth),
                   f = Samples(dir / ("f" + name)), input = Samples(in);
        ASSERT_EQ(channels, 4);
        EXPECT_EQ(depth, bits);
        ASSERT_EQ(g.size(), input.size());
        ASSERT_NE(f, input);
        for (size_t i = 0; i < g.size(); ++i)
            ASSERT_EQ(g[i], (i % 4 == 3 ? input : f)[i]) << "sample " << i;
    }

    // Float: the filter works on 16-bit samples, so back in 16 bits the
    // result is the 16-bit one within a level.
    const auto fl = Samples(dir / "float.png");
    ASSERT_EQ(fl.size(), f16.size());
    for (size_t i = 0; i < fl.size(); ++i) ASSERT_LE(std::abs(int(fl[i]) - int(f16[i])), 1) << i;
}

// A photo with a profile of its own: GIMP keeps it as the image's, and the
// bridge hands the module samples and profile as filterhost does from the
// file, at both depths (the profile makes a difference to the result).
TEST_F(GimpTest, TheImagesOwnProfileIsTheDocumentsAsInFilterhost) {
    const auto wide = fhtest::WideRgbProfile();
    const std::string block = Quote(dir / "vivid.params");
    std::vector<std::string> scripts;
    for (const int bits : {8, 16}) {
        const std::string in = Png("wide" + std::to_string(bits) + ".png", bits, false, wide);
        scripts.push_back("(let* ((i (load " + Quote(in) +
                          ")) (d (layer i)))"
                          "(plug-in-zeq-velmora RUN-NONINTERACTIVE i d " +
                          block + ")(save i d " +
                          Quote(dir / ("g" + std::to_string(bits) + ".png")) + "))");
    }
    const RunResult r = Gimp(scripts);
    ASSERT_EQ(r.status, 0) << r.err;
    for (const int bits : {8, 16}) {
        SCOPED_TRACE(bits);
        const std::string n = std::to_string(bits);
        Apply(dir / ("wide" + n + ".png"), dir / ("f" + n + ".png"), dir / "vivid.params");
        Apply(Png("plain" + n + ".png", bits, false), dir / ("p" + n + ".png"),
              dir / "vivid.params");
        const auto f = Samples(dir / ("f" + n + ".png"));
        ASSERT_NE(f, Samples(dir / ("p" + n + ".png"))) << "the profile changes the result";
        std::vector<uint8_t> icc;
        EXPECT_EQ(fhtest::ReadPngSamples(dir / ("g" + n + ".png"), nullptr, nullptr, &icc), f);
        EXPECT_FALSE(icc.empty()) << "GIMP keeps the profile";
    }
}

TEST_F(GimpTest, RepeatUsesTheStoredBlockAndKeepsIt) {
    const std::string in16 = Png("in16.png", 16, false);
    fs::create_directories(fs::path(StatePath()).parent_path());
    fs::copy_file(dir / "vivid.params", StatePath());
    auto run = [&](const char* mode, const std::string& out) {
        return "(let* ((i (load " + Quote(in16) +
               ")) (d (layer i)))"
               "(plug-in-zeq-velmora " +
               mode +
               " i d \"\")"
               "(save i d " +
               Quote(dir / out) + "))";
    };
    const RunResult r =
        Gimp({run("RUN-WITH-LAST-VALS", "repeat.png"), run("RUN-NONINTERACTIVE", "stored.png")});
    ASSERT_EQ(r.status, 0) << r.err;
    Apply(in16, dir / "f16.png", dir / "vivid.params");
    EXPECT_EQ(Samples(dir / "repeat.png"), Samples(dir / "f16.png"));
    EXPECT_EQ(Samples(dir / "stored.png"), Samples(dir / "f16.png"));
    EXPECT_EQ(fhtest::ReadBytes(StatePath()).size(), 1168u);
}

// A module that fails, a grayscale image and a missing block file: GIMP
// reports the message, the image stays clean (no undo step) and unchanged,
// and GIMP goes on with the next command.
TEST_F(GimpTest, FailuresAreGimpErrorsAndLeaveTheImageAlone) {
    const std::string in8 = Png("in8.png", 8, false);
    const std::string load = "(i (load " + Quote(in8) + ")) (d (layer i))";
    const RunResult r =
        Gimp({"(let* (" + load + ") (plug-in-test-filter RUN-NONINTERACTIVE i d \"\"))",
              "(let* (" + load +
                  ") (gimp-image-convert-grayscale i) "
                  "(plug-in-zeq-velmora RUN-NONINTERACTIVE i d \"\"))",
              "(let* (" + load +
                  ") (gimp-image-convert-indexed i 0 0 16 FALSE FALSE \"\") "
                  "(plug-in-zeq-velmora RUN-NONINTERACTIVE i d \"\"))",
              "(let* (" + load +
                  " (m (car (gimp-layer-create-mask d 0)))) (gimp-layer-add-mask d m) "
                  "(plug-in-zeq-velmora RUN-NONINTERACTIVE i m \"\"))",
              "(let* (" + load + ") (plug-in-zeq-velmora RUN-NONINTERACTIVE i d " +
                  Quote(dir / "none.params") + "))",
              "(let* (" + load +
                  ") (catch #f (plug-in-test-filter RUN-NONINTERACTIVE i d \"\"))"
                  "(gimp-message (if (= (car (gimp-image-is-dirty i)) 0) \"after: clean\" "
                  "\"after: dirty\"))"
                  "(save i d " +
                  Quote(dir / "after.png") + "))"},
             {{"FILTERHOST_PLUGIN_DIR", dir / "modules"},
              {"TESTFILTER_ACTION", "invert"},
              {"TESTFILTER_RESULT", "5"}});
    ASSERT_EQ(r.status, 0) << r.err;
    for (const char* text :
         {"Procedure execution of plug-in-test-filter failed: Test Filter failed at continue: the "
          "plug-in reported the error itself (code 5)",
          "Zeq Velmora works on RGB images and this one is grayscale",
          "Zeq Velmora works on RGB images and this one is indexed",
          "the active drawable is a layer mask or a channel",
          "none.params: no such parameter block file", "after: clean"})
        EXPECT_NE(r.err.find(text), std::string::npos) << text << "\n" << r.err;
    EXPECT_EQ(Samples(dir / "after.png"), Samples(in8));
}

// The dialog in an X server of the test's own: the module's own window,
// titled as in filterhost; a slider moved and Enter confirms (the layer is what filterhost apply
// gives with the block the run stored, and Repeat gives it again), Esc
// cancels (image unchanged and clean: no undo step; the stored block kept). The
// hand preloaded into GIMP (and so into the plug-in) reports when the dialog
// has settled; the keys go through the server. Script-Fu does not raise an
// error for a cancelled procedure, so the outcome is read from the image.
TEST_F(GimpTest, InteractiveRunShowsTheDialogEnterConfirmsEscCancels) {
    if (!fhtest::HaveXdotool()) GTEST_SKIP() << "xdotool is not installed";
    fhtest::XServer x;
    if (!x.Running()) GTEST_SKIP() << "Xvfb is not installed or did not start";
    // A photo: the shadows slider changes it visibly (not so the test pattern).
    const std::string in8 = std::string(PHOTOS_DIR) + "/coffee.png";
    const std::string report = dir / "hand.report";

    for (const std::string key : {"Return", "Escape"}) {
        SCOPED_TRACE(key);
        const bool confirm = key == "Return";
        fs::create_directories(fs::path(StatePath()).parent_path());
        fs::copy_file(dir / "vivid.params", StatePath(), fs::copy_options::overwrite_existing);
        fs::remove(report);
        const std::string out = dir / (key + ".png"), repeat = dir / (key + "-repeat.png");
        const std::string script =
            "(let* ((i (load " + Quote(in8) +
            ")) (d (layer i)))"
            "(plug-in-zeq-velmora RUN-INTERACTIVE i d \"\")"
            "(gimp-message (if (= (car (gimp-image-is-dirty i)) 0) \"image: clean\" \"image: "
            "dirty\"))"
            "(save i d " +
            Quote(out) + "))" +
            (confirm ? "(let* ((j (load " + Quote(in8) +
                           ")) (e (layer j)))"
                           "(plug-in-zeq-velmora RUN-WITH-LAST-VALS j e \"\")"
                           "(save j e " +
                           Quote(repeat) + "))"
                     : "");
        Env env = GimpEnv({{"DISPLAY", x.Display()},
                           {"QT_QPA_PLATFORM", "xcb"},
                           {"LD_PRELOAD", EDIT_HAND},
                           {"EDIT_HAND_REPORT", report}});
        const pid_t pid =
            fhtest::StartHost(GimpArgs({script}), env, dir / "gimp.out", dir / "gimp.err",
                              {"/bin/sh", "-c", "shift; exec \"$@\"", "sh"});
        const auto ready = fhtest::WaitForReport(report, "ready", pid, 120000);
        if (ready.empty()) {
            const RunResult r = fhtest::WaitHostFor(pid, dir / "gimp.out", dir / "gimp.err", 1000);
            FAIL() << "the dialog did not settle\n" << r.err;
        }
        // Its own top-level window, titled as in filterhost edit.
        EXPECT_EQ(fhtest::Xdotool(x, {"search", "--onlyvisible", "--name", "^Zeq Velmora [0-9]",
                                      "windowfocus", "--sync"}),
                  0);
        if (confirm) {
            // A slider moved: a click near the right end of the shadows slider.
            const auto shadow = fhtest::WaitForReport(report, "shadow", pid, 10000);
            ASSERT_EQ(shadow.size(), 3u);
            EXPECT_EQ(fhtest::Xdotool(x, {"mousemove", shadow[1], shadow[2], "click", "1"}), 0);
        }
        EXPECT_EQ(fhtest::Xdotool(x, {"key", key}), 0);
        const RunResult r = fhtest::WaitHostFor(pid, dir / "gimp.out", dir / "gimp.err", 120000);
        ASSERT_EQ(r.status, 0) << r.err;
        const auto result = Samples(out), input = Samples(in8);
        if (confirm) {
            EXPECT_NE(r.err.find("image: dirty"), std::string::npos) << r.err;
            ASSERT_TRUE(fhtest::Exists(StatePath())) << "the confirmed settings are stored";
            Apply(in8, dir / "applied.png", StatePath());
            EXPECT_EQ(result, Samples(dir / "applied.png"));
            EXPECT_NE(result, input);
            EXPECT_EQ(Samples(repeat), result);
        } else {
            EXPECT_NE(r.err.find("image: clean"), std::string::npos) << r.err;
            EXPECT_EQ(result, input);
            EXPECT_EQ(fhtest::ReadBytes(StatePath()), fhtest::ReadBytes(dir / "vivid.params"));
        }
    }
}

}  // namespace

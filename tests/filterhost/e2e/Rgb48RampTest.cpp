// A 16-bit grey ramp through filterhost and velmora.8bf as an RGB48 TIFF,
// against the same ramp as a Lab48 TIFF: the RGB48 result keeps its 16-bit
// levels and adds no 8-bit steps.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "tests/filterhost/Support.h"

namespace {

constexpr int kColumns = 4096, kRows = 4;
constexpr int kEightBitStep = 257;  // on the file's 0..65535 scale

struct tFigures {
    size_t levels = 0;
    int backward = 0, largestJump = 0, largestError = 0;
};

// Channel 0 of the middle row against the input ramp.
tFigures Measure(const std::vector<uint16_t>& in, const std::vector<uint16_t>& out) {
    const size_t row = size_t(kRows / 2) * kColumns * 3;
    tFigures f;
    std::set<uint16_t> levels;
    for (size_t i = 0; i < kColumns; ++i) {
        const int o = out[row + 3 * i], x = in[row + 3 * i];
        levels.insert(uint16_t(o));
        f.largestError = std::max(f.largestError, std::abs(o - x));
        if (i == 0) continue;
        const int step = o - out[row + 3 * (i - 1)];
        if (step < 0) ++f.backward;
        f.largestJump = std::max(f.largestJump, std::abs(step));
    }
    f.levels = levels.size();
    return f;
}

class Rgb48RampTest : public ::testing::Test {
  protected:
    fhtest::TempDir dir;
    std::vector<uint16_t> rgb, lab;

    void SetUp() override {
        // sRGB greys 0..65535 and their CIE L* (a and b 0).
        for (int y = 0; y < kRows; ++y)
            for (int i = 0; i < kColumns; ++i) {
                const int v = (i * 65535 + kColumns / 2) / (kColumns - 1);
                const double e = v / 65535.0;
                const double Y = e <= 0.04045 ? e / 12.92 : std::pow((e + 0.055) / 1.055, 2.4);
                const double f = Y > 216.0 / 24389 ? std::cbrt(Y) : (24389.0 / 27 * Y + 16) / 116;
                const double L = 116 * f - 16;
                rgb.insert(rgb.end(), {uint16_t(v), uint16_t(v), uint16_t(v)});
                lab.insert(lab.end(), {uint16_t(std::lrint(L / 100 * 65535)), 0, 0});
            }
        fhtest::TiffLayout layout;
        layout.width = kColumns;
        layout.height = kRows;
        layout.depth = 16;
        fhtest::WriteTiff(dir / "rgb.tif", layout, rgb);
        layout.photometric = 8;  // CIELab
        fhtest::WriteTiff(dir / "lab.tif", layout, lab);
    }

    // Runs the filter on a copy of a fresh parameter block made from the
    // velmora-params arguments.
    std::vector<uint16_t> Apply(const std::string& input,
                                const std::vector<std::string>& settings) {
        std::vector<std::string> write = {"write", dir / "run.params"};
        write.insert(write.end(), settings.begin(), settings.end());
        std::string command = VELMORA_PARAMS_EXE;
        for (const std::string& a : write) command += " '" + a + "'";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        const fhtest::RunResult r =
            fhtest::RunHost({"apply", "--plugin", VELMORA_MODULE, "--params", dir / "run.params",
                             dir / input, "-o", dir / "out.tif"},
                            {{"XDG_STATE_HOME", dir / "state"}});
        EXPECT_EQ(r.status, 0) << r.err;
        return fhtest::ReadTiffSamples(dir / "out.tif");
    }
};

TEST_F(Rgb48RampTest, FirstUseSettingsGiveTheRampBackInOrder) {
    const tFigures out = Measure(rgb, Apply("rgb.tif", {}));
    const tFigures twin = Measure(lab, Apply("lab.tif", {}));
    RecordProperty("rgb48_levels", int(out.levels));
    RecordProperty("lab48_levels", int(twin.levels));
    EXPECT_EQ(out.backward, 0);
    EXPECT_LE(out.largestError, kEightBitStep + 1);
    // The host answers in 8-bit Lab: where two neighbouring 8-bit greys get
    // the same L (in the deep shadows and highlights), the cell between them
    // is flat. Elsewhere every level comes back.
    EXPECT_GE(out.levels, twin.levels * 90 / 100) << out.levels << " of " << twin.levels;
}

TEST_F(Rgb48RampTest, ContrastAddsNoEightBitSteps) {
    const std::vector<std::string> settings = {"--auto-levels", "Contrast=1.3"};
    const tFigures out = Measure(rgb, Apply("rgb.tif", settings));
    const tFigures twin = Measure(lab, Apply("lab.tif", settings));
    // Local contrast steps back where the map's mean moves on; the Lab48
    // result does as well.
    EXPECT_LE(out.backward, twin.backward + twin.backward / 10) << "Lab48: " << twin.backward;
    EXPECT_LT(out.largestJump, kEightBitStep / 2) << "Lab48: " << twin.largestJump;
    EXPECT_GE(out.levels, twin.levels * 90 / 100) << out.levels << " of " << twin.levels;
}

}  // namespace

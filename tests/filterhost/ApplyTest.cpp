// filterhost apply and about run as a subprocess on the test modules:
// round trips through the unchanged filter, what the host carries past the
// filter (profiles, metadata, alpha), the colour services, the parameter
// block, Ctrl-C.
#include <gtest/gtest.h>
#include <png.h>
#include <signal.h>
#include <tiffio.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <thread>

#include "tests/filterhost/Support.h"

namespace {

using fhtest::Env;
using fhtest::RunResult;

using fhtest::RunCounter;

class ApplyTest : public ::testing::Test, protected fhtest::HostFolder {
  protected:
    RunResult Apply(const std::string& in, const std::string& out, Env env = {}) {
        return fhtest::RunHost({"apply", "--plugin", TEST_FILTER, in, "-o", out}, BaseEnv(env));
    }
};

// 16-bit samples: the host scale 0..32768 holds every second file level, so
// a round trip moves a sample by at most one. signedAB: samples 1 and 2 of
// each pixel are signed (CIELab a and b).
void ExpectWithinOne(const std::vector<uint16_t>& a, const std::vector<uint16_t>& b,
                     bool signedAB = false) {
    ASSERT_EQ(a.size(), b.size());
    int worst = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        const bool s = signedAB && i % 3 != 0;
        const int x = s ? int(int16_t(a[i])) : int(a[i]), y = s ? int(int16_t(b[i])) : int(b[i]);
        worst = std::max(worst, std::abs(x - y));
    }
    EXPECT_LE(worst, 1);
}

struct TiffCase {
    const char* name;
    int depth;
    uint16_t photometric;
    int extra;
    bool tiled, separate;
};

TEST_F(ApplyTest, TiffRoundTripsThroughTheUnchangedFilter) {
    const TiffCase cases[] = {
        {"rgb8", 8, PHOTOMETRIC_RGB, 0, false, false},
        {"rgb16", 16, PHOTOMETRIC_RGB, 0, false, false},
        {"cielab8", 8, PHOTOMETRIC_CIELAB, 0, false, false},
        {"cielab16", 16, PHOTOMETRIC_CIELAB, 0, false, false},
        {"icclab8", 8, PHOTOMETRIC_ICCLAB, 0, false, false},
        {"icclab16", 16, PHOTOMETRIC_ICCLAB, 0, false, false},
        {"rgba8-tiled-separate", 8, PHOTOMETRIC_RGB, 1, true, true},
        {"rgba16-separate", 16, PHOTOMETRIC_RGB, 1, false, true},
        {"lab16-two-extra-tiled", 16, PHOTOMETRIC_CIELAB, 2, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fhtest::TiffLayout layout;
        layout.width = 37;
        layout.height = 21;
        layout.depth = c.depth;
        layout.photometric = c.photometric;
        layout.extra = c.extra;
        layout.tiled = c.tiled;
        layout.separate = c.separate;
        const int channels = 3 + c.extra;
        const auto samples = fhtest::Pattern(layout.width, layout.height, channels, c.depth);
        const std::string in = dir / (std::string(c.name) + ".tif");
        const std::string out = dir / (std::string(c.name) + "-out.tif");
        fhtest::WriteTiff(in, layout, samples);
        const auto before = fhtest::ReadBytes(in);

        RunResult r = Apply(in, out);
        ASSERT_EQ(r.status, 0) << r.err;
        int outChannels = 0;
        uint16_t photometric = 0;
        const auto result = fhtest::ReadTiffSamples(out, &outChannels, nullptr, &photometric);
        EXPECT_EQ(outChannels, channels);
        EXPECT_EQ(photometric, c.photometric);
        if (c.depth == 8) {
            EXPECT_EQ(result, samples);
        } else {
            // Colour samples within one level; extra channels exactly as stored.
            std::vector<uint16_t> colour, colourIn, extras, extrasIn;
            for (size_t i = 0; i < samples.size(); ++i) {
                const bool isExtra = int(i % size_t(channels)) >= 3;
                (isExtra ? extrasIn : colourIn).push_back(samples[i]);
                (isExtra ? extras : colour).push_back(result[i]);
            }
            ExpectWithinOne(colour, colourIn, c.photometric == PHOTOMETRIC_CIELAB);
            EXPECT_EQ(extras, extrasIn);
        }
        EXPECT_EQ(fhtest::ReadBytes(in), before);
    }
}

uint16_t TiffCompressionOf(const std::string& path) {
    TIFF* t = TIFFOpen(path.c_str(), "r");
    if (!t) return 0;
    uint16_t compression = 0;
    TIFFGetFieldDefaulted(t, TIFFTAG_COMPRESSION, &compression);
    TIFFClose(t);
    return compression;
}

TEST_F(ApplyTest, TiffOutputKeepsOrTakesTheCompressionAskedFor) {
    struct Case {
        uint16_t input;
        const char* asked;  // nullptr: the default (the input's)
        uint16_t output;
    };
    const Case cases[] = {
        {COMPRESSION_NONE, nullptr, COMPRESSION_NONE},
        {COMPRESSION_LZW, nullptr, COMPRESSION_LZW},
        {COMPRESSION_ADOBE_DEFLATE, nullptr, COMPRESSION_ADOBE_DEFLATE},
        {COMPRESSION_DEFLATE, nullptr, COMPRESSION_ADOBE_DEFLATE},
        {COMPRESSION_ZSTD, nullptr, COMPRESSION_ZSTD},
        {COMPRESSION_PACKBITS, nullptr, COMPRESSION_PACKBITS},
        {COMPRESSION_NONE, "lzw", COMPRESSION_LZW},
        {COMPRESSION_NONE, "deflate", COMPRESSION_ADOBE_DEFLATE},
        {COMPRESSION_NONE, "zstd", COMPRESSION_ZSTD},
        {COMPRESSION_NONE, "packbits", COMPRESSION_PACKBITS},
        {COMPRESSION_LZW, "none", COMPRESSION_NONE},
    };
    // 8- and 16-bit, with and without alpha: the predictor and the strip
    // layout differ with the sample size and count.
    for (const int depth : {8, 16}) {
        for (const int extra : {0, 1}) {
            for (const auto& c : cases) {
                SCOPED_TRACE(std::to_string(depth) + "-bit, extra " + std::to_string(extra) +
                             ", input " + std::to_string(c.input) + ", asked " +
                             (c.asked ? c.asked : "-"));
                fhtest::TiffLayout layout;
                layout.width = 301;  // rows that do not fill a strip evenly
                layout.height = 67;
                layout.depth = depth;
                layout.extra = extra;
                layout.compression = c.input;
                const auto samples = fhtest::Pattern(layout.width, layout.height, 3 + extra, depth,
                                                     uint32_t(c.input));
                const std::string in = dir / "in.tif", out = dir / "out.tif";
                fhtest::WriteTiff(in, layout, samples);
                std::vector<std::string> args = {"apply", "--plugin", TEST_FILTER, in, "-o", out};
                if (c.asked) args.insert(args.begin() + 1, {"--compression", c.asked});
                RunResult r = fhtest::RunHost(args, BaseEnv());
                ASSERT_EQ(r.status, 0) << r.err;
                EXPECT_EQ(TiffCompressionOf(out), c.output);
                const auto back = fhtest::ReadTiffSamples(out);
                if (depth == 8)
                    EXPECT_EQ(back, samples);
                else
                    ExpectWithinOne(back, samples);
            }
        }
    }
}

TEST_F(ApplyTest, PngLevelAndJpegQualityChangeOnlyTheEncoding) {
    fhtest::PngLayout png;
    png.width = 120;
    png.height = 80;
    const auto samples = fhtest::Pattern(png.width, png.height, 3, 8, 4);
    fhtest::WritePng(dir / "in.png", png, samples);
    std::map<std::string, size_t> sizes;
    for (const char* level : {"0", "1", "9"}) {
        SCOPED_TRACE(level);
        const std::string out = dir / ("l" + std::string(level) + ".png");
        RunResult r = fhtest::RunHost(
            {"apply", "--plugin", TEST_FILTER, "--png-level", level, dir / "in.png", "-o", out},
            BaseEnv());
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(fhtest::ReadPngSamples(out), samples);
        sizes[level] = fhtest::ReadBytes(out).size();
    }
    EXPECT_GT(sizes["0"], sizes["1"]);
    EXPECT_GT(sizes["0"], sizes["9"]);

    for (const char* quality : {"20", "100"}) {
        RunResult r =
            fhtest::RunHost({"apply", "--plugin", TEST_FILTER, "--quality", quality, dir / "in.png",
                             "-o", dir / ("q" + std::string(quality) + ".jpg")},
                            BaseEnv());
        ASSERT_EQ(r.status, 0) << r.err;
    }
    EXPECT_LT(fhtest::ReadBytes(dir / "q20.jpg").size() * 2,
              fhtest::ReadBytes(dir / "q100.jpg").size());
}

TEST_F(ApplyTest, PngRoundTripsKeepAlpha) {
    const struct {
        const char* name;
        int depth, colorType, channels;
    } cases[] = {{"rgb8", 8, PNG_COLOR_TYPE_RGB, 3},
                 {"rgb16", 16, PNG_COLOR_TYPE_RGB, 3},
                 {"rgba8", 8, PNG_COLOR_TYPE_RGB_ALPHA, 4},
                 {"rgba16", 16, PNG_COLOR_TYPE_RGB_ALPHA, 4}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fhtest::PngLayout layout;
        layout.width = 29;
        layout.height = 13;
        layout.depth = c.depth;
        layout.colorType = c.colorType;
        const auto samples = fhtest::Pattern(layout.width, layout.height, c.channels, c.depth, 7);
        const std::string in = dir / (std::string(c.name) + ".png");
        const std::string out = dir / (std::string(c.name) + "-out.png");
        fhtest::WritePng(in, layout, samples);
        RunResult r = Apply(in, out);
        ASSERT_EQ(r.status, 0) << r.err;
        int channels = 0, depth = 0;
        const auto result = fhtest::ReadPngSamples(out, &channels, &depth);
        EXPECT_EQ(channels, c.channels);
        EXPECT_EQ(depth, c.depth);
        if (c.depth == 8) {
            EXPECT_EQ(result, samples);
        } else {
            ExpectWithinOne(result, samples);
            for (size_t i = 3; i < samples.size() && c.channels == 4; i += 4)
                ASSERT_EQ(result[i], samples[i]);
        }
    }
}

TEST_F(ApplyTest, JpegDecodesExactlyAndReencodesClosely) {
    const int w = 48, h = 32;
    std::vector<uint16_t> samples;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            samples.insert(samples.end(), {uint16_t(x * 5), uint16_t(y * 7), uint16_t(128)});
    const std::string in = dir / "in.jpg";
    fhtest::WriteJpeg(in, w, h, 3, samples);

    // JPEG to PNG: exactly the decoded pixels.
    RunResult r = Apply(in, dir / "out.png");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(fhtest::ReadPngSamples(dir / "out.png"), fhtest::ReadJpegSamples(in));

    // JPEG to JPEG: a second lossy encoding at high quality stays close.
    r = Apply(in, dir / "out.jpg");
    ASSERT_EQ(r.status, 0) << r.err;
    const auto decoded = fhtest::ReadJpegSamples(in),
               again = fhtest::ReadJpegSamples(dir / "out.jpg");
    ASSERT_EQ(decoded.size(), again.size());
    double sum = 0;
    for (size_t i = 0; i < decoded.size(); ++i) sum += std::abs(int(decoded[i]) - int(again[i]));
    EXPECT_LT(sum / double(decoded.size()), 1.5);
}

TEST_F(ApplyTest, OutputIsWhatTheFilterWrote) {
    // 8-bit PNG: exact inversion. 16-bit TIFF: the filter inverts in the host
    // scale (32768 − v), so the file's 0 comes back as 65535.
    fhtest::PngLayout png;
    const auto samples8 = fhtest::Pattern(png.width, png.height, 3, 8, 3);
    fhtest::WritePng(dir / "a.png", png, samples8);
    RunResult r = Apply(dir / "a.png", dir / "a-out.png", {{"TESTFILTER_ACTION", "invert"}});
    ASSERT_EQ(r.status, 0) << r.err;
    auto inverted = fhtest::ReadPngSamples(dir / "a-out.png");
    for (size_t i = 0; i < samples8.size(); ++i) ASSERT_EQ(inverted[i], 255 - samples8[i]);

    fhtest::TiffLayout tiff;
    tiff.depth = 16;
    const auto samples16 = fhtest::Pattern(tiff.width, tiff.height, 3, 16, 4);
    fhtest::WriteTiff(dir / "b.tif", tiff, samples16);
    r = Apply(dir / "b.tif", dir / "b-out.tif", {{"TESTFILTER_ACTION", "invert"}});
    ASSERT_EQ(r.status, 0) << r.err;
    auto out16 = fhtest::ReadTiffSamples(dir / "b-out.tif");
    std::vector<uint16_t> expected;
    for (uint16_t v : samples16) expected.push_back(uint16_t(65535 - v));
    ExpectWithinOne(out16, expected);
    EXPECT_EQ(out16[0], 65535);
    EXPECT_EQ(out16[1], 0);
}

TEST_F(ApplyTest, IccProfileIsKeptInEveryFormat) {
    // Each input plain and with metadata (which exiv2 adds after the image is written).
    const auto icc = fhtest::WideRgbProfile();
    const auto samples = fhtest::Pattern(7, 5, 3, 8, 9);
    for (const char* suffix : {"", "-meta"}) {
        const std::string s = suffix;
        fhtest::TiffLayout tiff;
        tiff.icc = icc;
        fhtest::WriteTiff(dir / ("p" + s + ".tif"), tiff, samples);
        fhtest::PngLayout png;
        png.icc = icc;
        fhtest::WritePng(dir / ("p" + s + ".png"), png, samples);
        fhtest::WriteJpeg(dir / ("p" + s + ".jpg"), 7, 5, 3, samples, icc);
        if (!s.empty())
            for (const char* ext : {".tif", ".png", ".jpg"})
                fhtest::AddMetadata(dir / ("p" + s + ext), "A", "B");
    }
    const struct {
        const char *in, *out;
    } cases[] = {{"p.tif", "o.tif"},      {"p.png", "o.png"},      {"p.jpg", "o.jpg"},
                 {"p.png", "o2.tif"},     {"p.tif", "o2.jpg"},     {"p-meta.tif", "m.tif"},
                 {"p-meta.png", "m.png"}, {"p-meta.jpg", "m.jpg"}, {"p-meta.jpg", "m2.png"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.in) + " -> " + c.out);
        RunResult r = Apply(dir / c.in, dir / c.out);
        ASSERT_EQ(r.status, 0) << r.err;
        std::vector<uint8_t> kept;
        const std::string out = dir / c.out;
        if (out.ends_with(".tif")) fhtest::ReadTiffSamples(out, nullptr, &kept);
        if (out.ends_with(".png")) fhtest::ReadPngSamples(out, nullptr, nullptr, &kept);
        if (out.ends_with(".jpg")) kept = fhtest::ReadJpegIcc(out);
        EXPECT_EQ(kept, icc);
    }

    // A profile LittleCMS cannot read: a warning, sRGB for the colours, and
    // the bytes still written back.
    fhtest::TiffLayout junk;
    junk.icc = std::vector<uint8_t>(300, 0x5A);
    fhtest::WriteTiff(dir / "junk.tif", junk, samples);
    RunResult r = Apply(dir / "junk.tif", dir / "junk-out.tif");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(
        r.err.find("warning: " + (dir / "junk.tif") + ": the embedded ICC profile cannot be read"),
        std::string::npos)
        << r.err;
    std::vector<uint8_t> kept;
    fhtest::ReadTiffSamples(dir / "junk-out.tif", nullptr, &kept);
    EXPECT_EQ(kept, junk.icc);
}

TEST_F(ApplyTest, ExifAndXmpAreCarriedOver) {
    const auto samples = fhtest::Pattern(7, 5, 3, 8, 11);
    fhtest::TiffLayout tiff;
    fhtest::WriteTiff(dir / "m.tif", tiff, samples);
    fhtest::PngLayout png;
    fhtest::WritePng(dir / "m.png", png, samples);
    fhtest::WriteJpeg(dir / "m.jpg", 7, 5, 3, samples);
    for (const char* name : {"m.tif", "m.png", "m.jpg"})
        fhtest::AddMetadata(dir / name, "Ann Example", "unit test");

    const struct {
        const char *in, *out;
    } cases[] = {{"m.tif", "o.tif"},
                 {"m.png", "o.png"},
                 {"m.jpg", "o.jpg"},
                 {"m.jpg", "o2.tif"},
                 {"m.tif", "o2.png"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.in) + " -> " + c.out);
        RunResult r = Apply(dir / c.in, dir / c.out);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(fhtest::ReadArtist(dir / c.out), "Ann Example");
        EXPECT_EQ(fhtest::ReadXmpSource(dir / c.out), "unit test");
    }
    // The TIFF written with metadata is still the same image.
    EXPECT_EQ(fhtest::ReadTiffSamples(dir / "o.tif"), samples);
    EXPECT_EQ(fhtest::ReadTiffSamples(dir / "o2.tif"), fhtest::ReadJpegSamples(dir / "m.jpg"));
}

TEST_F(ApplyTest, ColourServicesConvertWithTheDocumentsProfile) {
    // White, black, sRGB red, mid grey through RGB -> Lab (host 8-bit encoding).
    const std::vector<uint16_t> colours = {255, 255, 255, 0, 0, 0, 255, 0, 0, 128, 128, 128};
    fhtest::PngLayout png;
    png.width = 4;
    png.height = 1;
    fhtest::WritePng(dir / "c.png", png, colours);
    RunResult r = Apply(dir / "c.png", dir / "c-lab.png", {{"TESTFILTER_ACTION", "lab"}});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<uint16_t> expected = {255, 128, 128, 0,   128, 128,
                                            138, 209, 198, 137, 128, 128};
    EXPECT_EQ(fhtest::ReadPngSamples(dir / "c-lab.png"), expected);

    // The same red under a wide-gamut embedded profile is another colour.
    png.icc = fhtest::WideRgbProfile();
    fhtest::WritePng(dir / "w.png", png, colours);
    r = Apply(dir / "w.png", dir / "w-lab.png", {{"TESTFILTER_ACTION", "lab"}});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto wide = fhtest::ReadPngSamples(dir / "w-lab.png");
    EXPECT_EQ(std::vector<uint16_t>(wide.begin(), wide.begin() + 6),
              std::vector<uint16_t>(expected.begin(), expected.begin() + 6));
    EXPECT_GT(std::abs(int(wide[7]) - 209) + std::abs(int(wide[6]) - 138), 5);

    // The colour space suite's fifteenth function: Lab to monitor sRGB.
    fhtest::TiffLayout tiff;
    tiff.width = 3;
    tiff.height = 1;
    tiff.photometric = PHOTOMETRIC_ICCLAB;
    fhtest::WriteTiff(dir / "l.tif", tiff, {255, 128, 128, 0, 128, 128, 138, 209, 198});
    r = Apply(dir / "l.tif", dir / "l-rgb.tif", {{"TESTFILTER_ACTION", "monitor"}});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto rgb = fhtest::ReadTiffSamples(dir / "l-rgb.tif");
    EXPECT_EQ(std::vector<uint16_t>(rgb.begin(), rgb.begin() + 6),
              (std::vector<uint16_t>{255, 255, 255, 0, 0, 0}));
    EXPECT_GE(rgb[6], 250);
    EXPECT_LE(rgb[7], 6);
    EXPECT_LE(rgb[8], 6);
}

TEST_F(ApplyTest, ParameterBlockPersistsBetweenRuns) {
    fhtest::PngLayout png;
    fhtest::WritePng(dir / "in.png", png, fhtest::Pattern(7, 5, 3, 8));
    // Default place: $XDG_STATE_HOME/velmora/filterhost/<plug-in name>.params.
    for (int run = 1; run <= 2; ++run) {
        RunResult r = Apply(dir / "in.png", dir / "out.png");
        ASSERT_EQ(r.status, 0) << r.err;
        const auto block = fhtest::ReadBytes(stored);
        ASSERT_EQ(block.size(), 1168u);
        EXPECT_EQ(std::memcmp(block.data(), "TFLT", 4), 0);
        EXPECT_EQ(RunCounter(block), uint32_t(run));
    }
    EXPECT_EQ(fhtest::ListDir(dir / "state/velmora/filterhost"),
              std::vector<std::string>{"Test Filter.params"});

    // A stored block is handed in byte for byte; several inputs run one
    // after another (-j 1) pass it on.
    std::vector<uint8_t> block(1168);
    for (size_t i = 0; i < block.size(); ++i) block[i] = uint8_t(i * 31);
    std::memcpy(block.data(), "TFLT", 4);
    const uint32_t forty = 40;
    std::memcpy(block.data() + 4, &forty, 4);
    fhtest::WriteBytes(stored, block);
    fhtest::WritePng(dir / "second.png", png, fhtest::Pattern(7, 5, 3, 8, 2));
    RunResult r = fhtest::RunHost({"apply", "--plugin", TEST_FILTER, "-j", "1", dir / "in.png",
                                   dir / "second.png", "--out-dir", dir / "outs"},
                                  BaseEnv());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(fhtest::ListDir(dir / "outs"), (std::vector<std::string>{"in.png", "second.png"}));
    const auto after = fhtest::ReadBytes(stored);
    ASSERT_EQ(after.size(), 1168u);
    EXPECT_EQ(RunCounter(after), 42u);
    EXPECT_TRUE(std::equal(after.begin() + 10, after.end(), block.begin() + 10));

    // A --params file is read and left as it was; the default file is not
    // touched either.
    const std::string params = dir / "mine.params";
    fhtest::WriteBytes(params, block);
    r = fhtest::RunHost({"apply", "--plugin", TEST_FILTER, "--params", params, dir / "in.png",
                         dir / "second.png", "--out-dir", dir / "outs2"},
                        BaseEnv({{"TESTFILTER_ACTION", "invert"}}));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(fhtest::ReadBytes(params), block);
    EXPECT_EQ(fhtest::ReadBytes(stored), after);

    // A --params file that does not exist is refused, and not made.
    r = fhtest::RunHost({"apply", "--plugin", TEST_FILTER, "--params", dir / "none.params",
                         dir / "in.png", "-o", dir / "x.png"},
                        BaseEnv());
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("none.params: no such params file; make one with `velmora-params write"),
              std::string::npos)
        << r.err;
    EXPECT_FALSE(fhtest::Exists(dir / "none.params"));
    EXPECT_FALSE(fhtest::Exists(dir / "x.png"));
}

TEST_F(ApplyTest, AFailedRunLeavesTheBlockAsItWas) {
    // Run one after another (-j 1), the second of three inputs fails after
    // the filter changed its block: the third gets the block the first left.
    fhtest::PngLayout narrow, wide;
    wide.width = 13;
    fhtest::WritePng(dir / "a.png", narrow, fhtest::Pattern(7, 5, 3, 8));
    fhtest::WritePng(dir / "b.png", wide, fhtest::Pattern(13, 5, 3, 8));
    fhtest::WritePng(dir / "c.png", narrow, fhtest::Pattern(7, 5, 3, 8, 3));
    RunResult r = fhtest::RunHost({"apply", "--plugin", TEST_FILTER, "-j", "1", dir / "a.png",
                                   dir / "b.png", dir / "c.png", "--out-dir", dir / "outs"},
                                  BaseEnv({{"TESTFILTER_FAIL_WIDTH", "13"}}));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("b.png: Test Filter failed at continue: the plug-in reported the error "
                         "itself (code 5)"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("filterhost: 2 of 3 written, 1 failed\n"), std::string::npos) << r.err;
    EXPECT_EQ(fhtest::ListDir(dir / "outs"), (std::vector<std::string>{"a.png", "c.png"}));
    EXPECT_EQ(RunCounter(fhtest::ReadBytes(stored)), 2u);
}

TEST_F(ApplyTest, PalettePngsAreReadAsRgb) {
    // Four palette colours, the last one half transparent in the second file.
    const int w = 4, h = 2;
    const png_color palette[4] = {{255, 0, 0}, {0, 128, 0}, {10, 20, 30}, {200, 200, 255}};
    for (const bool transparent : {false, true}) {
        SCOPED_TRACE(transparent);
        const std::string in = dir / (transparent ? "pal-alpha.png" : "pal.png");
        FILE* f = std::fopen(in.c_str(), "wb");
        ASSERT_TRUE(f);
        png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        png_init_io(png, f);
        png_set_IHDR(png, info, w, h, 8, PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_set_PLTE(png, info, palette, 4);
        png_byte alpha[4] = {255, 255, 255, 128};
        if (transparent) png_set_tRNS(png, info, alpha, 4, nullptr);
        png_write_info(png, info);
        png_byte rows[2][4] = {{0, 1, 2, 3}, {3, 2, 1, 0}};
        for (auto& row : rows) png_write_row(png, row);
        png_write_end(png, nullptr);
        png_destroy_write_struct(&png, &info);
        std::fclose(f);

        const std::string out = dir / (transparent ? "pal-alpha-out.png" : "pal-out.png");
        RunResult r = Apply(in, out);
        ASSERT_EQ(r.status, 0) << r.err;
        int channels = 0, depth = 0;
        const auto got = fhtest::ReadPngSamples(out, &channels, &depth);
        EXPECT_EQ(channels, transparent ? 4 : 3);
        EXPECT_EQ(depth, 8);
        std::vector<uint16_t> expected;
        for (const auto& row : rows)
            for (png_byte index : row) {
                const png_color& c = palette[index];
                expected.insert(expected.end(), {c.red, c.green, c.blue});
                if (transparent) expected.push_back(alpha[index]);
            }
        EXPECT_EQ(got, expected);
    }
}

TEST_F(ApplyTest, CtrlCAbortsWithoutOutput) {
    fhtest::PngLayout png;
    fhtest::WritePng(dir / "in.png", png, fhtest::Pattern(7, 5, 3, 8));
    const auto before = fhtest::ReadBytes(dir / "in.png");
    const std::string ready = dir / "ready";
    pid_t pid = fhtest::StartHost(
        {"apply", "--plugin", TEST_FILTER, dir / "in.png", "-o", dir / "out.png"},
        BaseEnv({{"TESTFILTER_ACTION", "wait-abort"}, {"TESTFILTER_READY", ready}}), dir / "stdout",
        dir / "stderr");
    for (int i = 0; i < 1000 && !fhtest::Exists(ready); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(fhtest::Exists(ready));
    kill(pid, SIGINT);
    RunResult r = fhtest::WaitHost(pid, dir / "stdout", dir / "stderr");
    EXPECT_EQ(r.status, 130);
    EXPECT_NE(r.err.find("cancelled"), std::string::npos) << r.err;
    EXPECT_EQ(fhtest::ListDir(dir.Path()), (std::vector<std::string>{"in.png", "ready"}));
    EXPECT_EQ(fhtest::ReadBytes(dir / "in.png"), before);
}

// (edit has its own tests, with a display.)
TEST_F(ApplyTest, AboutRunsItsSelector) {
    RunResult r = fhtest::RunHost({"about", "--plugin", TEST_FILTER}, BaseEnv());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "testfilter: about\n");
    r = fhtest::RunHost({"about", "--plugin", TEST_FILTER},
                        BaseEnv({{"TESTFILTER_RESULT", "1"}, {"TESTFILTER_AT", "0"}}));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("reported the error itself"), std::string::npos) << r.err;
}

}  // namespace

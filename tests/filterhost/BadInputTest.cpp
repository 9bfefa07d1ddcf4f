// Bad input of every kind: a clear one-line message, a non-zero exit status,
// no output file (nor a temporary one), the input and the params file as
// they were.
#include <gtest/gtest.h>
#include <png.h>
#include <tiffio.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>

#include "tests/filterhost/Support.h"

namespace {

using fhtest::Env;
using fhtest::RunResult;

struct BadCase {
    const char* name;
    // Makes the input in dir and returns its path.
    std::function<std::string(const fhtest::TempDir&)> input;
    const char* message;  // expected part of the one-line message
    const char* output = "out.png";
    Env env = {};
    std::vector<std::string> extraArgs = {};
    const char* plugin = TEST_FILTER;
};

std::string SmallPng(const fhtest::TempDir& dir, const std::string& name = "in.png") {
    fhtest::PngLayout layout;
    fhtest::WritePng(dir / name, layout, fhtest::Pattern(layout.width, layout.height, 3, 8));
    return dir / name;
}

std::string Truncated(const std::string& path, size_t keep) {
    auto bytes = fhtest::ReadBytes(path);
    bytes.resize(std::min(keep, bytes.size()));
    fhtest::WriteBytes(path, bytes);
    return path;
}

// Sets a SHORT or LONG tag of the first directory of a little-endian TIFF
// to value, in place.
void SetTiffTag(const std::string& path, uint16_t tag, uint32_t value) {
    auto bytes = fhtest::ReadBytes(path);
    const auto u16 = [&](size_t at) { return uint16_t(bytes.at(at) | bytes.at(at + 1) << 8); };
    const auto u32 = [&](size_t at) { return uint32_t(u16(at) | uint32_t(u16(at + 2)) << 16); };
    ASSERT_EQ(u16(0), 0x4949);  // "II"
    const size_t ifd = u32(4);
    for (size_t i = 0, n = u16(ifd); i < n; ++i) {
        const size_t entry = ifd + 2 + 12 * i;
        if (u16(entry) != tag) continue;
        const size_t width = u16(entry + 2) == TIFF_SHORT ? 2 : 4;
        for (size_t k = 0; k < width; ++k) bytes.at(entry + 8 + k) = uint8_t(value >> (8 * k));
        fhtest::WriteBytes(path, bytes);
        return;
    }
    FAIL() << "no tag " << tag << " in " << path;
}

std::vector<BadCase> Cases() {
    std::vector<BadCase> c;
    c.push_back({"missing file", [](const fhtest::TempDir& d) { return d / "nothing.png"; },
                 "No such file or directory"});
    c.push_back({"empty file",
                 [](const fhtest::TempDir& d) {
                     fhtest::WriteBytes(d / "empty.png", {});
                     return d / "empty.png";
                 },
                 "empty.png: the file is empty"});
    // Other formats by their first bytes, whatever their names.
    const struct {
        const char* name;
        std::vector<uint8_t> bytes;
        const char* message;
    } others[] = {
        {"photo.webp",
         {'R', 'I', 'F', 'F', 40, 0, 0, 0, 'W', 'E', 'B', 'P', 'V', 'P', '8', ' ', 0, 0},
         "photo.webp: WebP is not supported: convert it to TIFF, PNG or JPEG"},
        {"photo.png", {'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0}, "BMP is not supported"},
        {"photo.gif", {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0}, "GIF is not supported"},
    };
    for (const auto& o : others)
        c.push_back({o.name,
                     [o](const fhtest::TempDir& d) {
                         fhtest::WriteBytes(d / o.name, o.bytes);
                         return d / o.name;
                     },
                     o.message});
    c.push_back({"not an image",
                 [](const fhtest::TempDir& d) {
                     fhtest::WriteBytes(d / "text.png", {'h', 'e', 'l', 'l', 'o', '\n'});
                     return d / "text.png";
                 },
                 "not a TIFF, PNG or JPEG file"});
    c.push_back({"truncated TIFF",
                 [](const fhtest::TempDir& d) {
                     fhtest::TiffLayout layout;
                     layout.width = 64;
                     layout.height = 64;
                     fhtest::WriteTiff(d / "t.tif", layout, fhtest::Pattern(64, 64, 3, 8));
                     return Truncated(d / "t.tif", 6000);
                 },
                 "TIFF"});
    c.push_back({"TIFF cut inside its header",
                 [](const fhtest::TempDir& d) {
                     fhtest::TiffLayout layout;
                     fhtest::WriteTiff(d / "t.tif", layout, fhtest::Pattern(7, 5, 3, 8));
                     return Truncated(d / "t.tif", 6);
                 },
                 "TIFF"});
    c.push_back({"truncated PNG",
                 [](const fhtest::TempDir& d) {
                     fhtest::PngLayout layout;
                     layout.width = 64;
                     layout.height = 64;
                     fhtest::WritePng(d / "t.png", layout, fhtest::Pattern(64, 64, 3, 8));
                     return Truncated(d / "t.png", fhtest::ReadBytes(d / "t.png").size() / 2);
                 },
                 "truncated or corrupt PNG"});
    c.push_back({"corrupt PNG data",
                 [](const fhtest::TempDir& d) {
                     std::string p = SmallPng(d, "c.png");
                     auto bytes = fhtest::ReadBytes(p);
                     for (size_t i = 60; i < bytes.size() - 20; ++i) bytes[i] ^= 0x5A;
                     fhtest::WriteBytes(p, bytes);
                     return p;
                 },
                 "truncated or corrupt PNG"});
    c.push_back({"truncated JPEG",
                 [](const fhtest::TempDir& d) {
                     fhtest::WriteJpeg(d / "t.jpg", 64, 64, 3, fhtest::Pattern(64, 64, 3, 8));
                     return Truncated(d / "t.jpg", fhtest::ReadBytes(d / "t.jpg").size() * 2 / 3);
                 },
                 "truncated or corrupt JPEG"});
    c.push_back({"JPEG with only its start marker",
                 [](const fhtest::TempDir& d) {
                     fhtest::WriteBytes(d / "s.jpg", {0xFF, 0xD8, 0xFF, 0xE0, 0x00});
                     return d / "s.jpg";
                 },
                 "JPEG"});
    c.push_back({"grayscale PNG",
                 [](const fhtest::TempDir& d) {
                     fhtest::PngLayout layout;
                     layout.colorType = PNG_COLOR_TYPE_GRAY;
                     fhtest::WritePng(d / "g.png", layout, fhtest::Pattern(7, 5, 1, 8));
                     return d / "g.png";
                 },
                 "grayscale images are not supported"});
    c.push_back({"grayscale PNG with alpha",
                 [](const fhtest::TempDir& d) {
                     fhtest::PngLayout layout;
                     layout.colorType = PNG_COLOR_TYPE_GRAY_ALPHA;
                     fhtest::WritePng(d / "ga.png", layout, fhtest::Pattern(7, 5, 2, 8));
                     return d / "ga.png";
                 },
                 "grayscale images are not supported"});
    c.push_back({"grayscale JPEG",
                 [](const fhtest::TempDir& d) {
                     fhtest::WriteJpeg(d / "g.jpg", 8, 8, 1, fhtest::Pattern(8, 8, 1, 8));
                     return d / "g.jpg";
                 },
                 "grayscale images are not supported"});
    c.push_back({"CMYK TIFF",
                 [](const fhtest::TempDir& d) {
                     TIFF* t = TIFFOpen((d / "k.tif").c_str(), "w");
                     TIFFSetField(t, TIFFTAG_IMAGEWIDTH, 4u);
                     TIFFSetField(t, TIFFTAG_IMAGELENGTH, 2u);
                     TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, uint16_t(4));
                     TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, uint16_t(8));
                     TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_SEPARATED);
                     TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
                     uint8_t row[16] = {};
                     TIFFWriteScanline(t, row, 0, 0);
                     TIFFWriteScanline(t, row, 1, 0);
                     TIFFClose(t);
                     return d / "k.tif";
                 },
                 "CMYK images are not supported", "out.tif"});
    c.push_back({"grayscale TIFF",
                 [](const fhtest::TempDir& d) {
                     TIFF* t = TIFFOpen((d / "g.tif").c_str(), "w");
                     TIFFSetField(t, TIFFTAG_IMAGEWIDTH, 4u);
                     TIFFSetField(t, TIFFTAG_IMAGELENGTH, 1u);
                     TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, uint16_t(1));
                     TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, uint16_t(8));
                     TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
                     uint8_t row[4] = {};
                     TIFFWriteScanline(t, row, 0, 0);
                     TIFFClose(t);
                     return d / "g.tif";
                 },
                 "grayscale images are not supported", "out.tif"});
    c.push_back({"PNG wider than 32767",
                 [](const fhtest::TempDir& d) {
                     fhtest::PngLayout layout;
                     layout.width = 32768;
                     layout.height = 1;
                     fhtest::WritePng(d / "wide.png", layout, std::vector<uint16_t>(32768 * 3, 7));
                     return d / "wide.png";
                 },
                 "at most 32767 pixels"});
    c.push_back({"TIFF taller than 32767",
                 [](const fhtest::TempDir& d) {
                     fhtest::TiffLayout layout;
                     layout.width = 1;
                     layout.height = 40000;
                     layout.compression = COMPRESSION_ADOBE_DEFLATE;
                     fhtest::WriteTiff(d / "tall.tif", layout, std::vector<uint16_t>(40000 * 3, 7));
                     return d / "tall.tif";
                 },
                 "at most 32767 pixels", "out.tif"});
    // A few hundred bytes that claim tiles of 65520 x 65520 pixels: refused
    // before 12 GB are set aside for one tile.
    c.push_back({"TIFF with tiles far larger than the image",
                 [](const fhtest::TempDir& d) {
                     fhtest::TiffLayout layout;
                     layout.tiled = true;
                     fhtest::WriteTiff(d / "tiles.tif", layout, fhtest::Pattern(7, 5, 3, 8));
                     SetTiffTag(d / "tiles.tif", TIFFTAG_TILEWIDTH, 65520);
                     SetTiffTag(d / "tiles.tif", TIFFTAG_TILELENGTH, 65520);
                     return d / "tiles.tif";
                 },
                 "corrupt TIFF: bad strip or tile size", "out.tif"});
    c.push_back({"params file of the wrong size",
                 [](const fhtest::TempDir& d) {
                     fhtest::WriteBytes(d / "test.params", std::vector<uint8_t>(100, 1));
                     return SmallPng(d);
                 },
                 "params file has 100 bytes"});
    c.push_back({"empty params file",
                 [](const fhtest::TempDir& d) {
                     fhtest::WriteBytes(d / "test.params", {});
                     return SmallPng(d);
                 },
                 "params file has 0 bytes"});
    c.push_back({"plug-in that is not a module",
                 [](const fhtest::TempDir& d) {
                     fhtest::WriteBytes(d / "junk.8bf", std::vector<uint8_t>(4096, 0x41));
                     return SmallPng(d);
                 },
                 "not a plug-in module",
                 "out.png",
                 {},
                 {},
                 nullptr});
    c.push_back({"plug-in without ENTRYPOINT",
                 [](const fhtest::TempDir& d) { return SmallPng(d); },
                 "does not export its entry point ENTRYPOINT",
                 "out.png",
                 {},
                 {},
                 NOENTRY_FILTER});
    c.push_back({"plug-in for another mode",
                 [](const fhtest::TempDir& d) {
                     fhtest::TiffLayout layout;
                     layout.depth = 16;
                     fhtest::WriteTiff(d / "deep.tif", layout, fhtest::Pattern(7, 5, 3, 16));
                     return d / "deep.tif";
                 },
                 "RGB Only does not take RGB48 documents",
                 "out.tif",
                 {},
                 {},
                 RGBONLY_FILTER});
    c.push_back({"bad parameters from the module",
                 [](const fhtest::TempDir& d) { return SmallPng(d); },
                 "bad parameters (-30100)",
                 "out.png",
                 {{"TESTFILTER_RESULT", "-30100"}}});
    c.push_back(
        {"bad mode from the module at prepare",
         [](const fhtest::TempDir& d) { return SmallPng(d); },
         "failed at prepare: the plug-in does not support the document's mode (bad mode, -30101)",
         "out.png",
         {{"TESTFILTER_RESULT", "-30101"}, {"TESTFILTER_AT", "2"}}});
    c.push_back({"cancel from the module",
                 [](const fhtest::TempDir& d) { return SmallPng(d); },
                 "cancelled (-128)",
                 "out.png",
                 {{"TESTFILTER_RESULT", "-128"}}});
    c.push_back({"error the module reported itself, at finish",
                 [](const fhtest::TempDir& d) { return SmallPng(d); },
                 "failed at finish: the plug-in reported the error itself (code 3)",
                 "out.png",
                 {{"TESTFILTER_RESULT", "3"}, {"TESTFILTER_AT", "5"}}});
    c.push_back({"other error code at start",
                 [](const fhtest::TempDir& d) { return SmallPng(d); },
                 "failed at start: error code -1",
                 "out.png",
                 {{"TESTFILTER_RESULT", "-1"}, {"TESTFILTER_AT", "3"}}});
    c.push_back({"module asking for another block size",
                 [](const fhtest::TempDir& d) { return SmallPng(d); },
                 "asked for a parameter block of 100 bytes",
                 "out.png",
                 {{"TESTFILTER_BLOCK", "100"}}});
    c.push_back({"Lab document to PNG",
                 [](const fhtest::TempDir& d) {
                     fhtest::TiffLayout layout;
                     layout.photometric = PHOTOMETRIC_CIELAB;
                     fhtest::WriteTiff(d / "lab.tif", layout, fhtest::Pattern(7, 5, 3, 8));
                     return d / "lab.tif";
                 },
                 "PNG cannot store Lab images"});
    c.push_back({"alpha to JPEG",
                 [](const fhtest::TempDir& d) {
                     fhtest::PngLayout layout;
                     layout.colorType = PNG_COLOR_TYPE_RGB_ALPHA;
                     fhtest::WritePng(d / "a.png", layout, fhtest::Pattern(7, 5, 4, 8));
                     return d / "a.png";
                 },
                 "JPEG cannot store the alpha channel", "out.jpg"});
    c.push_back({"unknown output format", [](const fhtest::TempDir& d) { return SmallPng(d); },
                 "unknown output format", "out.bmp"});
    c.push_back({"output is the input",
                 [](const fhtest::TempDir& d) { return SmallPng(d, "same.png"); },
                 "is the input file", "same.png"});
    return c;
}

TEST(BadInputTest, EachIsRefusedCleanly) {
    for (const auto& c : Cases()) {
        SCOPED_TRACE(c.name);
        fhtest::TempDir dir;
        const std::string input = c.input(dir);
        const std::string plugin = c.plugin ? c.plugin : dir / "junk.8bf";
        auto before = fhtest::ListDir(dir.Path());
        std::map<std::string, std::vector<uint8_t>> contents;
        for (const auto& name : before)
            if (!std::filesystem::is_directory(dir / name))
                contents[name] = fhtest::ReadBytes(dir / name);

        Env env = c.env;
        env["XDG_STATE_HOME"] = dir / "state";
        // The default params file, unless the case made a --params file.
        std::vector<std::string> args = {"apply", "--plugin", plugin, input, "-o", dir / c.output};
        if (fhtest::Exists(dir / "test.params"))
            args.insert(args.end(), {"--params", dir / "test.params"});
        RunResult r = fhtest::RunHost(args, env);

        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(r.err.rfind("filterhost: ", 0), 0u) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        // Nothing new (no output, no temporary file, no params file), nothing changed.
        EXPECT_EQ(fhtest::ListDir(dir.Path()), before);
        for (const auto& [name, bytes] : contents)
            EXPECT_EQ(fhtest::ReadBytes(dir / name), bytes) << name;
    }
}

TEST(BadInputTest, OneBadInputDoesNotStopTheOthers) {
    fhtest::TempDir dir;
    const std::string good = SmallPng(dir, "good.png");
    fhtest::WriteBytes(dir / "bad.png", {1, 2, 3});
    RunResult r = fhtest::RunHost(
        {"apply", "--plugin", TEST_FILTER, dir / "bad.png", good, "--out-dir", dir / "out"},
        {{"XDG_STATE_HOME", dir / "state"}});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("bad.png: not a TIFF, PNG or JPEG file"), std::string::npos) << r.err;
    EXPECT_EQ(fhtest::ListDir(dir / "out"), std::vector<std::string>{"good.png"});
}

TEST(BadInputTest, UsageErrorsAreReported) {
    fhtest::TempDir dir;
    const std::string a = SmallPng(dir, "a.png"), b = SmallPng(dir, "b.png");
    const Env env = {{"XDG_STATE_HOME", dir / "state"}};
    RunResult r =
        fhtest::RunHost({"apply", "--plugin", TEST_FILTER, a, b, "-o", dir / "x.png"}, env);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("-o takes one input"), std::string::npos) << r.err;
    r = fhtest::RunHost({"apply", "--plugin", TEST_FILTER, a}, env);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("either -o OUT"), std::string::npos) << r.err;
    r = fhtest::RunHost({"apply", "--plugin", TEST_FILTER, a, b, "--out-dir", dir.Path()}, env);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("is the input file"), std::string::npos) << r.err;
    r = fhtest::RunHost({"frobnicate"}, env);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(fhtest::ListDir(dir.Path()), (std::vector<std::string>{"a.png", "b.png"}));
}

}  // namespace

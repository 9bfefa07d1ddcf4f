// Reading documents into the host's sample scales, straight from files made
// by libtiff and libpng: the Lab encodings, the 16-bit scaling, and the
// sample layouts a TIFF may use.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <cstring>

#include "filterhost/Document.h"
#include "hostlib/HostError.h"
#include "hostlib/SampleScale.h"
#include "tests/filterhost/Support.h"

namespace {

using filterhost::Document;

TEST(DocumentTest, LabEncodingsBecomeTheHostScale) {
    // One pixel each: L 78.4% (200 of 255; 51400 of 65535, 25700.4 of 32768), a* = −10, b* = +20.
    const struct {
        const char* name;
        uint16_t photometric;
        int depth;
        std::vector<uint16_t> file;
        std::vector<uint16_t> host;
    } cases[] = {
        {"CIELab 8", PHOTOMETRIC_CIELAB, 8, {200, 0xF6, 20}, {200, 118, 148}},
        {"ICC Lab 8", PHOTOMETRIC_ICCLAB, 8, {200, 118, 148}, {200, 118, 148}},
        // 16-bit: a* = −10 is −2560 signed (CIELab) or 30208 (ICC Lab); host 16384 − 1280.
        {"CIELab 16",
         PHOTOMETRIC_CIELAB,
         16,
         {51400, uint16_t(-2560), 5120},
         {25700, 15104, 16384 + 2560}},
        {"ICC Lab 16",
         PHOTOMETRIC_ICCLAB,
         16,
         {51400, 30208, 32768 + 5120},
         {25700, 15104, 16384 + 2560}},
        {"CIELab 16 extremes", PHOTOMETRIC_CIELAB, 16, {65535, 0x8000, 0x7FFF}, {32768, 0, 32768}},
    };
    fhtest::TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fhtest::TiffLayout layout;
        layout.width = layout.height = 1;
        layout.depth = c.depth;
        layout.photometric = c.photometric;
        fhtest::WriteTiff(dir / "lab.tif", layout, c.file);
        const Document doc = filterhost::ReadDocument(dir / "lab.tif");
        EXPECT_EQ(doc.model, filterhost::ColorModel::Lab);
        EXPECT_EQ(doc.ImageMode(), c.depth == 16 ? 12 : 9);
        std::vector<uint16_t> host;
        for (int k = 0; k < 3; ++k)
            host.push_back(c.depth == 16 ? doc.Pixels16()[k] : doc.pixels[size_t(k)]);
        EXPECT_EQ(host, c.host);
    }
}

TEST(DocumentTest, SixteenBitScalingRoundsHalvesToEven) {
    const struct {
        uint16_t file, host;
    } cases[] = {{0, 0},         {1, 1},         {2, 1},         {3, 2},
                 {32767, 16384}, {32768, 16384}, {65534, 32767}, {65535, 32768}};
    for (const auto& c : cases) {
        EXPECT_EQ(filterhost::FileToHost16(c.file), c.host) << c.file;
        EXPECT_LE(std::abs(int(filterhost::HostToFile16(c.host)) - int(c.file)), 1) << c.file;
    }
    EXPECT_EQ(filterhost::HostToFile16(32768), 65535);
    EXPECT_EQ(filterhost::HostToFile16(40000), 65535);  // out-of-range output is clamped
    EXPECT_EQ(filterhost::Host16To8(32768), 255);
    EXPECT_EQ(filterhost::Host16To8(16384), 128);  // 127.5: the even neighbour
    // CIELab a and b: ties (odd signed values) go to the even host value.
    EXPECT_EQ(filterhost::CieLabToHost16(1), 16384);
    EXPECT_EQ(filterhost::CieLabToHost16(3), 16386);
    EXPECT_EQ(filterhost::HostToCieLab16(32768), 32767);
}

TEST(DocumentTest, TiffLayoutsReadTheSame) {
    // Strips, tiles and separate planes, with and without compression, give
    // the same document.
    fhtest::TempDir dir;
    const int w = 37, h = 19;
    const auto samples = fhtest::Pattern(w, h, 4, 16, 5);
    std::vector<uint8_t> reference;
    const struct {
        bool tiled, separate;
        uint16_t compression;
    } layouts[] = {{false, false, COMPRESSION_NONE},
                   {true, false, COMPRESSION_NONE},
                   {false, true, COMPRESSION_LZW},
                   {true, true, COMPRESSION_ADOBE_DEFLATE}};
    for (const auto& l : layouts) {
        SCOPED_TRACE(std::to_string(l.tiled) + std::to_string(l.separate) +
                     std::to_string(l.compression));
        fhtest::TiffLayout layout;
        layout.width = w;
        layout.height = h;
        layout.depth = 16;
        layout.extra = 1;
        layout.tiled = l.tiled;
        layout.separate = l.separate;
        layout.compression = l.compression;
        fhtest::WriteTiff(dir / "l.tif", layout, samples);
        const Document doc = filterhost::ReadDocument(dir / "l.tif");
        EXPECT_EQ(doc.extraCount, 1);
        if (reference.empty()) {
            reference = doc.pixels;
            for (size_t i = 0; i < size_t(w * h); ++i)
                ASSERT_EQ(doc.Pixels16()[i * 3 + 1], filterhost::FileToHost16(samples[i * 4 + 1]));
        }
        EXPECT_EQ(doc.pixels, reference);
        std::vector<uint16_t> alpha(size_t(w * h));
        std::memcpy(alpha.data(), doc.extras.data(), alpha.size() * 2);
        for (size_t i = 0; i < alpha.size(); ++i) ASSERT_EQ(alpha[i], samples[i * 4 + 3]);
    }
}

TEST(DocumentTest, JpegCompressedTiffReadsAsRgb) {
    fhtest::TempDir dir;
    const int w = 32, h = 16;
    std::vector<uint8_t> rgb;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) rgb.insert(rgb.end(), {uint8_t(x * 8), uint8_t(y * 16), 100});
    TIFF* t = TIFFOpen((dir / "j.tif").c_str(), "w");
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, uint32_t(w));
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, uint32_t(h));
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, uint16_t(3));
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, uint16_t(8));
    TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_JPEG);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_YCBCR);
    TIFFSetField(t, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, uint32_t(16));
    for (int y = 0; y < h; ++y)
        TIFFWriteScanline(t, rgb.data() + size_t(y) * w * 3, uint32_t(y), 0);
    TIFFClose(t);
    const Document doc = filterhost::ReadDocument(dir / "j.tif");
    EXPECT_EQ(doc.ImageMode(), 3);
    ASSERT_EQ(doc.pixels.size(), rgb.size());
    double err = 0;
    for (size_t i = 0; i < rgb.size(); ++i) err += std::abs(int(doc.pixels[i]) - int(rgb[i]));
    EXPECT_LT(err / double(rgb.size()), 4.0);
}

TEST(DocumentTest, FormatFollowsTheExtension) {
    using filterhost::FileFormat;
    EXPECT_EQ(filterhost::FormatFromExtension("a/b.TIFF"), FileFormat::Tiff);
    EXPECT_EQ(filterhost::FormatFromExtension("b.tif"), FileFormat::Tiff);
    EXPECT_EQ(filterhost::FormatFromExtension("b.Png"), FileFormat::Png);
    EXPECT_EQ(filterhost::FormatFromExtension("b.jpeg"), FileFormat::Jpeg);
    EXPECT_EQ(filterhost::FormatFromExtension("b.bmp"), std::nullopt);
    EXPECT_EQ(filterhost::FormatFromExtension("dir.png/noext"), std::nullopt);
}

}  // namespace

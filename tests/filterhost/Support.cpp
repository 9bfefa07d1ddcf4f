#include "tests/filterhost/Support.h"

#include <fcntl.h>
#include <jpeglib.h>
#include <lcms2.h>
#include <png.h>
#include <spawn.h>
#include <sys/wait.h>
#include <tiffio.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exiv2/exiv2.hpp>
#include <filesystem>
#include <fstream>
#include <stdexcept>

extern char** environ;

namespace fhtest {

TempDir::TempDir() {
    char pattern[] = "/tmp/filterhost-test-XXXXXX";
    if (!mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

namespace {

std::vector<std::string> Environment(const Env& env) {
    std::vector<std::string> out;
    for (char** e = environ; *e; ++e) {
        std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('='));
        if (env.count(name)) continue;
        out.push_back(entry);
    }
    for (const auto& [name, value] : env)
        if (!value.empty()) out.push_back(name + "=" + value);
    return out;
}

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

pid_t StartHost(const std::vector<std::string>& args, const Env& env, const std::string& outFile,
                const std::string& errFile, const std::vector<std::string>& launcher,
                bool newGroup) {
    std::vector<std::string> argv = launcher;
    argv.push_back(FILTERHOST_EXE);
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> cargv;
    for (auto& a : argv) cargv.push_back(a.data());
    cargv.push_back(nullptr);
    std::vector<std::string> envp = Environment(env);
    std::vector<char*> cenv;
    for (auto& e : envp) cenv.push_back(e.data());
    cenv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outFile.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errFile.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    if (newGroup) {
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
        posix_spawnattr_setpgroup(&attributes, 0);
    }
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, cargv[0], &actions, &attributes, cargv.data(), cenv.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (rc != 0) throw std::runtime_error("cannot start filterhost");
    return pid;
}

RunResult WaitHost(pid_t pid, const std::string& outFile, const std::string& errFile) {
    int status = 0;
    waitpid(pid, &status, 0);
    RunResult r;
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    r.out = Slurp(outFile);
    r.err = Slurp(errFile);
    unlink(outFile.c_str());
    unlink(errFile.c_str());
    return r;
}

RunResult RunHost(const std::vector<std::string>& args, const Env& env,
                  const std::vector<std::string>& launcher) {
    char outName[] = "/tmp/filterhost-out-XXXXXX";
    char errName[] = "/tmp/filterhost-err-XXXXXX";
    close(mkstemp(outName));
    close(mkstemp(errName));
    return WaitHost(StartHost(args, env, outName, errName, launcher), outName, errName);
}

bool Exists(const std::string& path) {
    return access(path.c_str(), F_OK) == 0;
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::vector<std::string> ListDir(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<uint16_t> Pattern(int w, int h, int channels, int depth, uint32_t seed) {
    const uint32_t max = depth == 16 ? 65535 : 255;
    std::vector<uint16_t> v(size_t(w) * size_t(h) * size_t(channels));
    uint32_t x = seed * 2654435761u + 12345u;
    for (size_t i = 0; i < v.size(); ++i) {
        x = x * 1664525u + 1013904223u;
        v[i] = uint16_t((x >> 8) % (max + 1));
    }
    // Both ends of the range appear.
    if (v.size() >= 2) {
        v[0] = 0;
        v[1] = uint16_t(max);
    }
    return v;
}

void WriteTiff(const std::string& path, const TiffLayout& s, const std::vector<uint16_t>& samples) {
    TIFF* t = TIFFOpen(path.c_str(), "w");
    if (!t) throw std::runtime_error("TIFFOpen");
    const int spp = 3 + s.extra;
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, uint32_t(s.width));
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, uint32_t(s.height));
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, uint16_t(spp));
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, uint16_t(s.depth));
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, s.photometric);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, s.separate ? PLANARCONFIG_SEPARATE : PLANARCONFIG_CONTIG);
    TIFFSetField(t, TIFFTAG_COMPRESSION, s.compression);
    if (s.extra > 0) {
        std::vector<uint16_t> kinds(size_t(s.extra), EXTRASAMPLE_UNASSALPHA);
        TIFFSetField(t, TIFFTAG_EXTRASAMPLES, uint16_t(s.extra), kinds.data());
    }
    if (!s.icc.empty()) TIFFSetField(t, TIFFTAG_ICCPROFILE, uint32_t(s.icc.size()), s.icc.data());
    const size_t bps = size_t(s.depth / 8);
    auto put = [&](uint8_t* dst, uint16_t v) {
        if (bps == 1)
            *dst = uint8_t(v);
        else
            std::memcpy(dst, &v, 2);
    };
    if (s.tiled) {
        const uint32_t tw = 16, th = 16;
        TIFFSetField(t, TIFFTAG_TILEWIDTH, tw);
        TIFFSetField(t, TIFFTAG_TILELENGTH, th);
        const int planes = s.separate ? spp : 1;
        const int per = s.separate ? 1 : spp;
        std::vector<uint8_t> tile(size_t(TIFFTileSize(t)));
        for (int p = 0; p < planes; ++p)
            for (uint32_t y0 = 0; y0 < uint32_t(s.height); y0 += th)
                for (uint32_t x0 = 0; x0 < uint32_t(s.width); x0 += tw) {
                    std::fill(tile.begin(), tile.end(), 0);
                    for (uint32_t y = y0; y < std::min(y0 + th, uint32_t(s.height)); ++y)
                        for (uint32_t x = x0; x < std::min(x0 + tw, uint32_t(s.width)); ++x)
                            for (int c = 0; c < per; ++c) {
                                const int ch = s.separate ? p : c;
                                put(tile.data() +
                                        (((y - y0) * tw + (x - x0)) * size_t(per) + size_t(c)) *
                                            bps,
                                    samples[(size_t(y) * size_t(s.width) + x) * size_t(spp) +
                                            size_t(ch)]);
                            }
                    TIFFWriteTile(t, tile.data(), x0, y0, 0, uint16_t(p));
                }
    } else {
        TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, uint32_t(2));
        const int planes = s.separate ? spp : 1;
        const int per = s.separate ? 1 : spp;
        std::vector<uint8_t> row(size_t(s.width) * size_t(per) * bps);
        for (int p = 0; p < planes; ++p)
            for (int y = 0; y < s.height; ++y) {
                for (int x = 0; x < s.width; ++x)
                    for (int c = 0; c < per; ++c) {
                        const int ch = s.separate ? p : c;
                        put(row.data() + (size_t(x) * size_t(per) + size_t(c)) * bps,
                            samples[(size_t(y) * size_t(s.width) + size_t(x)) * size_t(spp) +
                                    size_t(ch)]);
                    }
                TIFFWriteScanline(t, row.data(), uint32_t(y), uint16_t(p));
            }
    }
    TIFFClose(t);
}

std::vector<uint16_t> ReadTiffSamples(const std::string& path, int* channels,
                                      std::vector<uint8_t>* icc, uint16_t* photometric) {
    TIFF* t = TIFFOpen(path.c_str(), "r");
    if (!t) throw std::runtime_error("TIFFOpen " + path);
    uint32_t w = 0, h = 0;
    uint16_t spp = 1, bps = 8, planar = PLANARCONFIG_CONTIG, photo = 0;
    TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(t, TIFFTAG_IMAGELENGTH, &h);
    TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLESPERPIXEL, &spp);
    TIFFGetFieldDefaulted(t, TIFFTAG_BITSPERSAMPLE, &bps);
    TIFFGetFieldDefaulted(t, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetField(t, TIFFTAG_PHOTOMETRIC, &photo);
    if (planar != PLANARCONFIG_CONTIG || TIFFIsTiled(t))
        throw std::runtime_error("test reader: contiguous strips only");
    if (channels) *channels = spp;
    if (photometric) *photometric = photo;
    if (icc) {
        uint32_t n = 0;
        void* data = nullptr;
        icc->clear();
        if (TIFFGetField(t, TIFFTAG_ICCPROFILE, &n, &data))
            icc->assign(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + n);
    }
    std::vector<uint16_t> out;
    std::vector<uint8_t> row(size_t(TIFFScanlineSize(t)));
    for (uint32_t y = 0; y < h; ++y) {
        TIFFReadScanline(t, row.data(), y, 0);
        for (size_t i = 0; i < size_t(w) * spp; ++i) {
            if (bps == 8) {
                out.push_back(row[i]);
            } else {
                uint16_t v;
                std::memcpy(&v, row.data() + 2 * i, 2);
                out.push_back(v);
            }
        }
    }
    TIFFClose(t);
    return out;
}

void WritePng(const std::string& path, const PngLayout& s, const std::vector<uint16_t>& samples) {
    FILE* f = std::fopen(path.c_str(), "wb");
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, f);
    png_set_IHDR(png, info, uint32_t(s.width), uint32_t(s.height), s.depth, s.colorType,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (s.colorType == PNG_COLOR_TYPE_PALETTE) {
        png_color palette[256];
        for (int i = 0; i < 256; ++i)
            palette[i] = png_color{uint8_t(i), uint8_t(255 - i), uint8_t(i / 2)};
        png_set_PLTE(png, info, palette, 256);
    }
    if (!s.icc.empty())
        png_set_iCCP(png, info, "test", PNG_COMPRESSION_TYPE_BASE, s.icc.data(),
                     png_uint_32(s.icc.size()));
    png_write_info(png, info);
    const int channels = png_get_channels(png, info);
    const size_t bps = size_t(s.depth / 8);
    std::vector<uint8_t> row(size_t(s.width) * size_t(channels) * bps);
    for (int y = 0; y < s.height; ++y) {
        for (size_t i = 0; i < size_t(s.width) * size_t(channels); ++i) {
            const uint16_t v = samples[size_t(y) * size_t(s.width) * size_t(channels) + i];
            if (bps == 1) {
                row[i] = uint8_t(v);
            } else {
                row[2 * i] = uint8_t(v >> 8);  // PNG is big-endian
                row[2 * i + 1] = uint8_t(v);
            }
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
}

std::vector<uint16_t> ReadPngSamples(const std::string& path, int* channelsOut, int* depthOut,
                                     std::vector<uint8_t>* icc) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) throw std::runtime_error("fopen " + path);
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, f);
    png_read_info(png, info);
    const uint32_t w = png_get_image_width(png, info), h = png_get_image_height(png, info);
    const int depth = png_get_bit_depth(png, info);
    const int channels = png_get_channels(png, info);
    if (channelsOut) *channelsOut = channels;
    if (depthOut) *depthOut = depth;
    if (icc) {
        icc->clear();
        png_charp name;
        int comp;
        png_bytep prof;
        png_uint_32 len;
        if (png_get_iCCP(png, info, &name, &comp, &prof, &len)) icc->assign(prof, prof + len);
    }
    std::vector<uint8_t> row(png_get_rowbytes(png, info));
    std::vector<uint16_t> out;
    for (uint32_t y = 0; y < h; ++y) {
        png_read_row(png, row.data(), nullptr);
        for (size_t i = 0; i < size_t(w) * size_t(channels); ++i)
            out.push_back(depth == 16 ? uint16_t(row[2 * i] << 8 | row[2 * i + 1]) : row[i]);
    }
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(f);
    return out;
}

void WriteJpeg(const std::string& path, int width, int height, int components,
               const std::vector<uint16_t>& samples, const std::vector<uint8_t>& icc) {
    FILE* f = std::fopen(path.c_str(), "wb");
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    jpeg_stdio_dest(&c, f);
    c.image_width = JDIMENSION(width);
    c.image_height = JDIMENSION(height);
    c.input_components = components;
    c.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 90, TRUE);
    jpeg_start_compress(&c, TRUE);
    if (!icc.empty()) jpeg_write_icc_profile(&c, icc.data(), unsigned(icc.size()));
    std::vector<uint8_t> row(size_t(width) * size_t(components));
    while (c.next_scanline < c.image_height) {
        for (size_t i = 0; i < row.size(); ++i)
            row[i] = uint8_t(samples[size_t(c.next_scanline) * row.size() + i]);
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::fclose(f);
}

std::vector<uint16_t> ReadJpegSamples(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    jpeg_decompress_struct d{};
    jpeg_error_mgr err{};
    d.err = jpeg_std_error(&err);
    jpeg_create_decompress(&d);
    jpeg_stdio_src(&d, f);
    jpeg_read_header(&d, TRUE);
    d.out_color_space = JCS_RGB;
    jpeg_start_decompress(&d);
    std::vector<uint8_t> row(size_t(d.output_width) * 3);
    std::vector<uint16_t> out;
    while (d.output_scanline < d.output_height) {
        JSAMPROW r = row.data();
        jpeg_read_scanlines(&d, &r, 1);
        out.insert(out.end(), row.begin(), row.end());
    }
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    std::fclose(f);
    return out;
}

std::vector<uint8_t> ReadJpegIcc(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    jpeg_decompress_struct d{};
    jpeg_error_mgr err{};
    d.err = jpeg_std_error(&err);
    jpeg_create_decompress(&d);
    jpeg_stdio_src(&d, f);
    jpeg_save_markers(&d, JPEG_APP0 + 2, 0xFFFF);
    jpeg_read_header(&d, TRUE);
    JOCTET* data = nullptr;
    unsigned int size = 0;
    std::vector<uint8_t> icc;
    if (jpeg_read_icc_profile(&d, &data, &size)) icc.assign(data, data + size);
    std::free(data);
    jpeg_destroy_decompress(&d);
    std::fclose(f);
    return icc;
}

namespace {

// The ICC bytes of an RGB profile with these primaries and one tone curve
// for all three channels (the curve is freed).
std::vector<uint8_t> RgbProfile(cmsCIExyY white, cmsCIExyYTRIPLE primaries, cmsToneCurve* curve) {
    cmsToneCurve* curves[3] = {curve, curve, curve};
    cmsHPROFILE p = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(p, nullptr, &size);
    std::vector<uint8_t> bytes(size);
    cmsSaveProfileToMem(p, bytes.data(), &size);
    cmsCloseProfile(p);
    cmsFreeToneCurve(curve);
    return bytes;
}

}  // namespace

std::vector<uint8_t> WideRgbProfile() {
    // Primaries of a wide-gamut RGB space, D50 white, gamma 2.2.
    return RgbProfile({0.3457, 0.3585, 1.0},
                      {{0.7347, 0.2653, 1.0}, {0.1152, 0.8264, 1.0}, {0.1566, 0.0177, 1.0}},
                      cmsBuildGamma(nullptr, 2.2));
}

std::vector<uint8_t> TabulatedRgbProfile() {
    // Rec. 709 primaries, D65 white, and gamma 1.8 given as a table.
    std::vector<cmsUInt16Number> table(1024);
    for (size_t i = 0; i < table.size(); ++i)
        table[i] = cmsUInt16Number(std::lround(65535.0 * std::pow(i / 1023.0, 1.8)));
    return RgbProfile(
        {0.3127, 0.3290, 1.0}, {{0.64, 0.33, 1.0}, {0.30, 0.60, 1.0}, {0.15, 0.06, 1.0}},
        cmsBuildTabulatedToneCurve16(nullptr, cmsUInt32Number(table.size()), table.data()));
}

void AddMetadata(const std::string& path, const std::string& artist, const std::string& source) {
    Exiv2::XmpParser::initialize();
    auto image = Exiv2::ImageFactory::open(path);
    image->readMetadata();
    image->exifData()["Exif.Image.Artist"] = artist;
    image->xmpData()["Xmp.dc.source"] = source;
    image->writeMetadata();
}

std::string ReadArtist(const std::string& path) {
    auto image = Exiv2::ImageFactory::open(path);
    image->readMetadata();
    auto it = image->exifData().findKey(Exiv2::ExifKey("Exif.Image.Artist"));
    return it == image->exifData().end() ? "" : it->toString();
}

std::string ReadXmpSource(const std::string& path) {
    Exiv2::XmpParser::initialize();
    auto image = Exiv2::ImageFactory::open(path);
    image->readMetadata();
    auto it = image->xmpData().findKey(Exiv2::XmpKey("Xmp.dc.source"));
    return it == image->xmpData().end() ? "" : it->toString();
}

uint32_t RunCounter(const std::vector<uint8_t>& block) {
    uint32_t runs = 0;
    if (block.size() >= 8) std::memcpy(&runs, block.data() + 4, 4);
    return runs;
}

}  // namespace fhtest

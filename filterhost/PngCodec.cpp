// PNG documents through libpng: 8/16-bit RGB with or without alpha; indexed
// images are read as 8-bit RGB.
// libpng reports errors by calling our handler, which jumps back to the
// setjmp point of the decode or encode call; only libpng's own C frames lie
// between, and everything the jump skips over is plain data.
#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>

#include "filterhost/Codecs.h"
#include "hostlib/HostError.h"
#include "hostlib/SampleScale.h"

namespace filterhost {

namespace {

struct PngContext {
    std::jmp_buf jump;
    std::string error;
};

[[noreturn]] void PngErrorHandler(png_structp png, png_const_charp message) {
    auto* ctx = static_cast<PngContext*>(png_get_error_ptr(png));
    ctx->error = message ? message : "unknown error";
    std::longjmp(ctx->jump, 1);
}

void PngWarningHandler(png_structp, png_const_charp) {}

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

// Where the decoder reads from: an open file, or a whole file in memory.
struct PngSource {
    FILE* file = nullptr;
    const uint8_t* data = nullptr;
    size_t size = 0;
    size_t at = 0;
};

// Reads from memory; a short read is the error libpng's own file reader gives.
void PngMemoryRead(png_structp png, png_bytep out, size_t n) {
    auto* src = static_cast<PngSource*>(png_get_io_ptr(png));
    if (n > src->size - src->at) png_error(png, "Read Error");
    std::memcpy(out, src->data + src->at, n);
    src->at += n;
}

// What the decoder hands back before it is split into the document.
struct PngDecoded {
    uint32_t width = 0, height = 0;
    int colorType = 0, bitDepth = 0;
    bool tooLarge = false;
    std::vector<uint8_t> raw;  // rows of RGB or RGBA samples, native-endian 16-bit
    std::vector<png_bytep> rows;
    std::vector<uint8_t> icc;
    int srgbIntent = -1;
    double gamma = 0;
    uint32_t resX = 0, resY = 0;
    int resUnit = -1;
};

// Returns false with ctx->error set on a libpng error. Stops after the
// header when the colour type or size is one the host cannot take.
bool DecodePng(PngSource* source, PngContext* ctx, PngDecoded* out) {
    png_structp png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, ctx, &PngErrorHandler, &PngWarningHandler);
    if (!png) {
        ctx->error = "cannot initialise the PNG decoder";
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        ctx->error = "cannot initialise the PNG decoder";
        return false;
    }
    if (setjmp(ctx->jump)) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    if (source->file)
        png_init_io(png, source->file);
    else
        png_set_read_fn(png, source, &PngMemoryRead);
    // Chunks the host never reads are skipped unread: libpng would otherwise
    // allocate as much as their length field claims before reading them.
    static const png_byte kUnused[] = "sPLT\0tEXt\0zTXt\0iTXt\0eXIf\0tIME\0hIST\0pCAL\0sCAL";
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, kUnused, int(sizeof kUnused / 5));
    png_read_info(png, info);
    out->width = png_get_image_width(png, info);
    out->height = png_get_image_height(png, info);
    out->colorType = png_get_color_type(png, info);
    out->bitDepth = png_get_bit_depth(png, info);
    if (out->colorType == PNG_COLOR_TYPE_PALETTE) {
        // Indexed images become 8-bit RGB, with alpha when the palette has
        // transparent entries.
        png_set_palette_to_rgb(png);
        const bool transparent = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
        if (transparent) png_set_tRNS_to_alpha(png);
        out->colorType = transparent ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB;
        out->bitDepth = 8;
    }
    if (out->colorType != PNG_COLOR_TYPE_RGB && out->colorType != PNG_COLOR_TYPE_RGB_ALPHA) {
        png_destroy_read_struct(&png, &info, nullptr);
        return true;
    }
    if (out->width == 0 || out->height == 0 || out->width > 32767 || out->height > 32767) {
        out->tooLarge = true;
        png_destroy_read_struct(&png, &info, nullptr);
        return true;
    }
    if (out->bitDepth == 16) png_set_swap(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);

    png_charp name = nullptr;
    int compression = 0;
    png_bytep profile = nullptr;
    png_uint_32 profileSize = 0;
    if (png_get_iCCP(png, info, &name, &compression, &profile, &profileSize) && profile &&
        profileSize > 0)
        out->icc.assign(profile, profile + profileSize);
    int intent = 0;
    if (png_get_sRGB(png, info, &intent)) out->srgbIntent = intent;
    double gamma = 0;
    if (png_get_gAMA(png, info, &gamma)) out->gamma = gamma;
    png_uint_32 rx = 0, ry = 0;
    int unit = 0;
    if (png_get_pHYs(png, info, &rx, &ry, &unit)) {
        out->resX = rx;
        out->resY = ry;
        out->resUnit = unit;
    }

    const size_t rowBytes = png_get_rowbytes(png, info);
    out->raw.resize(rowBytes * out->height);
    out->rows.resize(out->height);
    for (uint32_t y = 0; y < out->height; ++y)
        out->rows[y] = out->raw.data() + size_t(y) * rowBytes;
    png_read_image(png, out->rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

// row is the caller's buffer of one output row: no object with a destructor
// may live in this frame across the setjmp.
bool EncodePng(FILE* file, PngContext* ctx, const Document* doc, int level,
               std::vector<uint8_t>* row) {
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, ctx, &PngErrorHandler, &PngWarningHandler);
    if (!png) {
        ctx->error = "cannot initialise the PNG encoder";
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        ctx->error = "cannot initialise the PNG encoder";
        return false;
    }
    if (setjmp(ctx->jump)) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    // Fast by default: a low zlib level with the cheap Sub filter; the
    // adaptive choice of all filters only where a high level asks for size.
    png_set_compression_level(png, level);
    png_set_filter(png, PNG_FILTER_TYPE_BASE,
                   level == 0  ? PNG_FILTER_NONE
                   : level < 6 ? PNG_FILTER_SUB
                               : PNG_ALL_FILTERS);
    const bool alpha = doc->extraCount == 1;
    png_set_IHDR(png, info, png_uint_32(doc->width), png_uint_32(doc->height), doc->depth,
                 alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!doc->icc.empty()) {
        // A profile libpng finds faulty is reported as a benign error and dropped.
        png_set_benign_errors(png, 1);
        png_set_iCCP(png, info, "ICC profile", PNG_COMPRESSION_TYPE_BASE, doc->icc.data(),
                     png_uint_32(doc->icc.size()));
    } else if (doc->pngSrgbIntent) {
        png_set_sRGB(png, info, *doc->pngSrgbIntent);
    } else if (doc->pngGamma) {
        png_set_gAMA(png, info, *doc->pngGamma);
    }
    if (doc->resolution && doc->resolution->x > 0 && doc->resolution->y > 0) {
        const Resolution& r = *doc->resolution;
        // PNG knows pixels per metre or an aspect ratio only.
        double perMetre = r.unit == 2 ? 1.0 / 0.0254 : r.unit == 3 ? 100.0 : 1.0;
        png_set_pHYs(png, info, png_uint_32(r.x * perMetre + 0.5),
                     png_uint_32(r.y * perMetre + 0.5),
                     (r.unit == 2 || r.unit == 3) ? PNG_RESOLUTION_METER : PNG_RESOLUTION_UNKNOWN);
    }
    png_write_info(png, info);
    if (doc->depth == 16) png_set_swap(png);

    const size_t bytesPS = doc->BytesPerSample();
    const size_t channels = alpha ? 4 : 3;
    for (int32_t y = 0; y < doc->height; ++y) {
        if (bytesPS == 1 && !alpha) {
            // 8-bit RGB rows go to libpng as they are (it does not change them).
            png_write_row(png, doc->pixels.data() + size_t(y) * size_t(doc->width) * 3);
            continue;
        }
        for (int32_t x = 0; x < doc->width; ++x) {
            const size_t i = size_t(y) * size_t(doc->width) + size_t(x);
            uint8_t* dst = row->data() + size_t(x) * channels * bytesPS;
            if (bytesPS == 1) {
                std::memcpy(dst, doc->pixels.data() + i * 3, 3);
            } else {
                const uint16_t* src = doc->Pixels16() + i * 3;
                uint16_t s[3] = {HostToFile16(src[0]), HostToFile16(src[1]), HostToFile16(src[2])};
                std::memcpy(dst, s, sizeof s);
            }
            if (alpha) std::memcpy(dst + 3 * bytesPS, doc->extras.data() + i * bytesPS, bytesPS);
        }
        png_write_row(png, row->data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

Document DecodeToDocument(PngSource source, const std::string& path) {
    PngContext ctx;
    PngDecoded dec;
    if (!DecodePng(&source, &ctx, &dec))
        throw HostError(path + ": truncated or corrupt PNG (" + ctx.error + ")");
    if (dec.colorType == PNG_COLOR_TYPE_GRAY || dec.colorType == PNG_COLOR_TYPE_GRAY_ALPHA)
        throw HostError(path + ": grayscale images are not supported (RGB and Lab only)");
    if (dec.colorType != PNG_COLOR_TYPE_RGB && dec.colorType != PNG_COLOR_TYPE_RGB_ALPHA)
        throw HostError(path + ": PNG colour type " + std::to_string(dec.colorType) +
                        " is not supported");
    if (dec.tooLarge) CheckDimensions(path, dec.width, dec.height);

    Document doc;
    doc.format = FileFormat::Png;
    doc.model = ColorModel::Rgb;
    doc.width = int32_t(dec.width);
    doc.height = int32_t(dec.height);
    doc.depth = dec.bitDepth;
    const bool alpha = dec.colorType == PNG_COLOR_TYPE_RGB_ALPHA;
    doc.extraCount = alpha ? 1 : 0;
    if (alpha) doc.extraKinds = {2};  // unassociated alpha
    const size_t bytesPS = doc.BytesPerSample();
    const size_t channels = alpha ? 4 : 3;
    const size_t pixels = size_t(doc.width) * size_t(doc.height);
    doc.pixels.resize(pixels * 3 * bytesPS);
    doc.extras.resize(pixels * size_t(doc.extraCount) * bytesPS);
    for (size_t i = 0; i < pixels; ++i) {
        const uint8_t* src = dec.raw.data() + i * channels * bytesPS;
        if (bytesPS == 1) {
            std::memcpy(doc.pixels.data() + i * 3, src, 3);
        } else {
            uint16_t s[3];
            std::memcpy(s, src, sizeof s);
            for (int k = 0; k < 3; ++k) doc.Pixels16()[i * 3 + size_t(k)] = FileToHost16(s[k]);
        }
        if (alpha) std::memcpy(doc.extras.data() + i * bytesPS, src + 3 * bytesPS, bytesPS);
    }
    doc.icc = std::move(dec.icc);
    if (dec.srgbIntent >= 0) doc.pngSrgbIntent = dec.srgbIntent;
    if (dec.gamma > 0) doc.pngGamma = dec.gamma;
    if (dec.resUnit >= 0 && dec.resX > 0 && dec.resY > 0) {
        if (dec.resUnit == PNG_RESOLUTION_METER)
            doc.resolution = Resolution{dec.resX * 0.0254, dec.resY * 0.0254, 2};
        else
            doc.resolution = Resolution{double(dec.resX), double(dec.resY), 1};
    }
    return doc;
}

}  // namespace

Document ReadPng(const std::string& path) {
    FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file) throw HostError(path + ": " + std::strerror(errno));
    return DecodeToDocument(PngSource{file.get()}, path);
}

Document ReadPngFromMemory(const uint8_t* data, size_t size, const std::string& name) {
    return DecodeToDocument(PngSource{nullptr, data, size}, name);
}

void WritePng(const Document& doc, const std::string& path, int level) {
    FilePtr file(std::fopen(path.c_str(), "wb"));
    if (!file) throw HostError(path + ": " + std::strerror(errno));
    PngContext ctx;
    std::vector<uint8_t> row(size_t(doc.width) * size_t(3 + doc.extraCount) * doc.BytesPerSample());
    if (!EncodePng(file.get(), &ctx, &doc, level, &row))
        throw HostError(path + ": cannot write the PNG file (" + ctx.error + ")");
    if (std::fflush(file.get()) != 0 || std::ferror(file.get()))
        throw HostError(path + ": cannot write the PNG file (" + std::strerror(errno) + ")");
}

}  // namespace filterhost

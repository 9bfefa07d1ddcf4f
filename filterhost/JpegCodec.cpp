// JPEG documents through libjpeg: 8-bit RGB (YCbCr in the file). libjpeg
// errors jump back to the setjmp point of the decode or encode call; its
// warnings about corrupt data (a truncated file among them) are taken as
// errors, because the decoder would otherwise fill the missing part with grey.
#include <cstdio>
// jpeglib.h needs FILE and size_t declared first.
#include <jerror.h>
#include <jpeglib.h>

#include <cerrno>
#include <csetjmp>
#include <cstring>
#include <memory>

#include "filterhost/Codecs.h"
#include "hostlib/HostError.h"
#include "hostlib/SampleScale.h"

namespace filterhost {

namespace {

// Output: the quality asked for (95 by default) and no chroma subsampling,
// since the filter's colour corrections are what the file is written for.

struct JpegContext {
    jpeg_error_mgr manager;  // first: libjpeg's error pointer is cast back to this
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX] = {};
    int warnings = 0;
    char firstWarning[JMSG_LENGTH_MAX] = {};
};

[[noreturn]] void JpegErrorExit(j_common_ptr cinfo) {
    auto* ctx = reinterpret_cast<JpegContext*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, ctx->message);
    std::longjmp(ctx->jump, 1);
}

void JpegEmitMessage(j_common_ptr cinfo, int level) {
    if (level >= 0) return;  // trace messages
    auto* ctx = reinterpret_cast<JpegContext*>(cinfo->err);
    if (ctx->warnings++ == 0) (*cinfo->err->format_message)(cinfo, ctx->firstWarning);
}

void InitErrors(JpegContext* ctx) {
    jpeg_std_error(&ctx->manager);
    ctx->manager.error_exit = &JpegErrorExit;
    ctx->manager.emit_message = &JpegEmitMessage;
}

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

enum class Decoded { Ok, Error, Grayscale, Cmyk, OtherSpace, BadSize };

struct JpegDecoded {
    uint32_t width = 0, height = 0;
    std::vector<uint8_t> rgb;
    std::vector<uint8_t> icc;
    int densityUnit = 0;
    uint16_t densityX = 0, densityY = 0;
    bool jfif = false;
};

// Where the decoder reads from: an open file, or a whole file in memory.
struct JpegSource {
    FILE* file = nullptr;
    const uint8_t* data = nullptr;
    size_t size = 0;
};

Decoded DecodeJpeg(const JpegSource& source, JpegContext* ctx, jpeg_decompress_struct* cinfo,
                   JpegDecoded* out) {
    InitErrors(ctx);
    cinfo->err = &ctx->manager;
    if (setjmp(ctx->jump)) {
        jpeg_destroy_decompress(cinfo);
        return Decoded::Error;
    }
    jpeg_create_decompress(cinfo);
    if (source.file)
        jpeg_stdio_src(cinfo, source.file);
    else
        jpeg_mem_src(cinfo, source.data, static_cast<unsigned long>(source.size));
    jpeg_save_markers(cinfo, JPEG_APP0 + 2, 0xFFFF);
    jpeg_read_header(cinfo, TRUE);
    out->width = cinfo->image_width;
    out->height = cinfo->image_height;
    Decoded refused = Decoded::Ok;
    switch (cinfo->jpeg_color_space) {
        case JCS_GRAYSCALE:
            refused = Decoded::Grayscale;
            break;
        case JCS_CMYK:
        case JCS_YCCK:
            refused = Decoded::Cmyk;
            break;
        case JCS_RGB:
        case JCS_YCbCr:
            break;
        default:
            refused = Decoded::OtherSpace;
            break;
    }
    if (refused == Decoded::Ok &&
        (out->width == 0 || out->height == 0 || out->width > 32767 || out->height > 32767))
        refused = Decoded::BadSize;
    if (refused != Decoded::Ok) {
        jpeg_destroy_decompress(cinfo);
        return refused;
    }
    JOCTET* icc = nullptr;
    unsigned int iccSize = 0;
    if (jpeg_read_icc_profile(cinfo, &icc, &iccSize) && icc) {
        out->icc.assign(icc, icc + iccSize);
        std::free(icc);
    }
    out->jfif = cinfo->saw_JFIF_marker;
    out->densityUnit = cinfo->density_unit;
    out->densityX = cinfo->X_density;
    out->densityY = cinfo->Y_density;
    cinfo->out_color_space = JCS_RGB;
    jpeg_start_decompress(cinfo);
    const size_t rowBytes = size_t(out->width) * 3;
    out->rgb.resize(rowBytes * out->height);
    while (cinfo->output_scanline < cinfo->output_height) {
        JSAMPROW row = out->rgb.data() + size_t(cinfo->output_scanline) * rowBytes;
        jpeg_read_scanlines(cinfo, &row, 1);
    }
    jpeg_finish_decompress(cinfo);
    jpeg_destroy_decompress(cinfo);
    return Decoded::Ok;
}

bool EncodeJpeg(FILE* file, JpegContext* ctx, jpeg_compress_struct* cinfo, const Document* doc,
                int quality, std::vector<uint8_t>* row) {
    InitErrors(ctx);
    cinfo->err = &ctx->manager;
    if (setjmp(ctx->jump)) {
        jpeg_destroy_compress(cinfo);
        return false;
    }
    jpeg_create_compress(cinfo);
    jpeg_stdio_dest(cinfo, file);
    cinfo->image_width = JDIMENSION(doc->width);
    cinfo->image_height = JDIMENSION(doc->height);
    cinfo->input_components = 3;
    cinfo->in_color_space = JCS_RGB;
    jpeg_set_defaults(cinfo);
    jpeg_set_quality(cinfo, quality, TRUE);
    for (int c = 0; c < cinfo->num_components; ++c) {
        cinfo->comp_info[c].h_samp_factor = 1;
        cinfo->comp_info[c].v_samp_factor = 1;
    }
    if (doc->resolution && (doc->resolution->unit == 2 || doc->resolution->unit == 3) &&
        doc->resolution->x >= 1 && doc->resolution->x <= 65535 && doc->resolution->y >= 1 &&
        doc->resolution->y <= 65535) {
        cinfo->density_unit = UINT8(doc->resolution->unit == 2 ? 1 : 2);
        cinfo->X_density = UINT16(doc->resolution->x + 0.5);
        cinfo->Y_density = UINT16(doc->resolution->y + 0.5);
    }
    jpeg_start_compress(cinfo, TRUE);
    if (!doc->icc.empty())
        jpeg_write_icc_profile(cinfo, doc->icc.data(), unsigned(doc->icc.size()));
    while (cinfo->next_scanline < cinfo->image_height) {
        const size_t y = cinfo->next_scanline;
        const size_t n = size_t(doc->width) * 3;
        if (doc->depth == 8) {
            std::memcpy(row->data(), doc->pixels.data() + y * n, n);
        } else {
            const uint16_t* src = doc->Pixels16() + y * n;
            for (size_t i = 0; i < n; ++i) (*row)[i] = Host16To8(src[i]);
        }
        JSAMPROW r = row->data();
        jpeg_write_scanlines(cinfo, &r, 1);
    }
    jpeg_finish_compress(cinfo);
    jpeg_destroy_compress(cinfo);
    return true;
}

Document DecodeToDocument(const JpegSource& source, const std::string& path) {
    JpegContext ctx;
    jpeg_decompress_struct cinfo{};
    JpegDecoded dec;
    switch (DecodeJpeg(source, &ctx, &cinfo, &dec)) {
        case Decoded::Ok:
            break;
        case Decoded::Error:
            throw HostError(path + ": corrupt JPEG (" + ctx.message + ")");
        case Decoded::Grayscale:
            throw HostError(path + ": grayscale images are not supported (RGB and Lab only)");
        case Decoded::Cmyk:
            throw HostError(path + ": CMYK images are not supported (RGB and Lab only)");
        case Decoded::OtherSpace:
            throw HostError(path + ": the JPEG colour space is not supported (RGB only)");
        case Decoded::BadSize:
            CheckDimensions(path, dec.width, dec.height);
            break;
    }
    if (ctx.warnings > 0)
        throw HostError(path + ": truncated or corrupt JPEG (" + ctx.firstWarning + ")");

    Document doc;
    doc.format = FileFormat::Jpeg;
    doc.model = ColorModel::Rgb;
    doc.width = int32_t(dec.width);
    doc.height = int32_t(dec.height);
    doc.depth = 8;
    doc.pixels = std::move(dec.rgb);
    doc.icc = std::move(dec.icc);
    if (dec.jfif && dec.densityX > 0 && dec.densityY > 0 &&
        (dec.densityUnit == 1 || dec.densityUnit == 2))
        doc.resolution =
            Resolution{double(dec.densityX), double(dec.densityY), dec.densityUnit == 1 ? 2 : 3};
    return doc;
}

}  // namespace

Document ReadJpeg(const std::string& path) {
    FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file) throw HostError(path + ": " + std::strerror(errno));
    return DecodeToDocument(JpegSource{file.get()}, path);
}

Document ReadJpegFromMemory(const uint8_t* data, size_t size, const std::string& name) {
    return DecodeToDocument(JpegSource{nullptr, data, size}, name);
}

void WriteJpeg(const Document& doc, const std::string& path, int quality) {
    FilePtr file(std::fopen(path.c_str(), "wb"));
    if (!file) throw HostError(path + ": " + std::strerror(errno));
    JpegContext ctx;
    jpeg_compress_struct cinfo{};
    std::vector<uint8_t> row(size_t(doc.width) * 3);
    if (!EncodeJpeg(file.get(), &ctx, &cinfo, &doc, quality, &row))
        throw HostError(path + ": cannot write the JPEG file (" + std::string(ctx.message) + ")");
    if (std::fflush(file.get()) != 0 || std::ferror(file.get()))
        throw HostError(path + ": cannot write the JPEG file (" + std::strerror(errno) + ")");
}

}  // namespace filterhost

#include "filterhost/Document.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "filterhost/Codecs.h"
#include "hostlib/HostError.h"

namespace filterhost {

std::optional<FileFormat> FormatFromExtension(const std::string& path) {
    auto slash = path.find_last_of('/');
    auto dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return std::nullopt;
    std::string ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    if (ext == "tif" || ext == "tiff") return FileFormat::Tiff;
    if (ext == "png") return FileFormat::Png;
    if (ext == "jpg" || ext == "jpeg") return FileFormat::Jpeg;
    return std::nullopt;
}

const char* FormatName(FileFormat format) {
    switch (format) {
        case FileFormat::Tiff:
            return "TIFF";
        case FileFormat::Png:
            return "PNG";
        case FileFormat::Jpeg:
            return "JPEG";
    }
    return "?";
}

void CheckDimensions(const std::string& path, uint64_t width, uint64_t height) {
    if (width == 0 || height == 0) throw HostError(path + ": the image is empty");
    if (width > uint64_t(kMaxDimension) || height > uint64_t(kMaxDimension))
        throw HostError(path + ": the image is " + std::to_string(width) + " × " +
                        std::to_string(height) + " pixels; at most " +
                        std::to_string(kMaxDimension) +
                        " pixels in either direction are supported");
}

Document ReadDocument(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) throw HostError(path + ": " + std::strerror(errno));
    if (S_ISDIR(st.st_mode)) throw HostError(path + ": is a directory");
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) throw HostError(path + ": " + std::strerror(errno));
    unsigned char magic[12] = {};
    size_t n = std::fread(magic, 1, sizeof magic, file.get());
    file.reset();
    if (n == 0) throw HostError(path + ": the file is empty");

    const bool tiff = n >= 4 && ((magic[0] == 'I' && magic[1] == 'I' &&
                                  (magic[2] == 42 || magic[2] == 43) && magic[3] == 0) ||
                                 (magic[0] == 'M' && magic[1] == 'M' && magic[2] == 0 &&
                                  (magic[3] == 42 || magic[3] == 43)));
    const unsigned char pngMagic[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    const bool png = n >= 8 && std::memcmp(magic, pngMagic, 8) == 0;
    const bool jpeg = n >= 3 && magic[0] == 0xFF && magic[1] == 0xD8 && magic[2] == 0xFF;
    try {
        if (tiff) return ReadTiff(path);
        if (png) return ReadPng(path);
        if (jpeg) return ReadJpeg(path);
    } catch (const std::bad_alloc&) {
        throw HostError(path + ": not enough memory for the image");
    }
    // Formats a photographer may have at hand, named so the message says
    // what to do.
    const char* other = nullptr;
    if (n >= 12 && std::memcmp(magic, "RIFF", 4) == 0 && std::memcmp(magic + 8, "WEBP", 4) == 0)
        other = "WebP";
    else if (n >= 6 &&
             (std::memcmp(magic, "GIF87a", 6) == 0 || std::memcmp(magic, "GIF89a", 6) == 0))
        other = "GIF";
    else if (n >= 2 && magic[0] == 'B' && magic[1] == 'M')
        other = "BMP";
    if (other)
        throw HostError(path + ": " + other + " is not supported: convert it to TIFF, PNG or JPEG");
    throw HostError(path + ": not a TIFF, PNG or JPEG file");
}

void CheckWritable(const Document& doc, FileFormat format) {
    if (format == FileFormat::Tiff) return;
    const char* name = FormatName(format);
    if (doc.model == ColorModel::Lab)
        throw HostError(std::string(name) + " cannot store Lab images; write a .tif file");
    if (format == FileFormat::Png && doc.extraCount > 1)
        throw HostError("PNG stores one alpha channel and the image has " +
                        std::to_string(doc.extraCount) + " extra channels; write a .tif file");
    if (format == FileFormat::Jpeg && doc.extraCount > 0)
        throw HostError("JPEG cannot store the alpha channel; write a .png or .tif file");
}

std::optional<TiffCompression> TiffCompressionFromName(const std::string& name) {
    if (name == "none") return TiffCompression::None;
    if (name == "lzw") return TiffCompression::Lzw;
    if (name == "deflate" || name == "zip") return TiffCompression::Deflate;
    if (name == "zstd") return TiffCompression::Zstd;
    if (name == "packbits") return TiffCompression::PackBits;
    return std::nullopt;
}

void WriteDocument(const Document& doc, const std::string& path, FileFormat format,
                   const WriteOptions& options) {
    CheckWritable(doc, format);
    switch (format) {
        case FileFormat::Tiff:
            WriteTiff(doc, path, options.compression);
            break;
        case FileFormat::Png:
            WritePng(doc, path, options.pngLevel);
            break;
        case FileFormat::Jpeg:
            WriteJpeg(doc, path, options.jpegQuality);
            break;
    }
}

}  // namespace filterhost

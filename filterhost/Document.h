// A document read from a file: the host library's three-plane document (its
// pixels in the host's sample scale and its ICC profile) plus everything of
// the file that the filter never sees (extra channels such as alpha,
// resolution and file-specific encodings) so that it can be written back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "filterhost/HostLib.h"
#include "hostlib/Document.h"

namespace filterhost {

enum class FileFormat { Tiff, Png, Jpeg };
/// How a TIFF stores Lab: CIELab has signed a and b, ICC Lab unsigned with
/// an offset (128 or 32768).
enum class LabEncoding { None, CieLab, IccLab };

struct Resolution {
    double x = 0, y = 0;
    /// 1 = no unit (aspect only), 2 = per inch, 3 = per centimetre (TIFF values).
    int unit = 0;
};

struct Document : hostlib::Document {
    FileFormat format = FileFormat::Tiff;
    LabEncoding labEncoding = LabEncoding::None;

    /// Extra channels per pixel, kept aside as the file stored them (bytes
    /// or native uint16 values 0..65535), width × height × extraCount samples.
    int extraCount = 0;
    std::vector<uint8_t> extras;
    /// TIFF ExtraSamples kinds, one per extra channel (2 = unassociated alpha).
    std::vector<uint16_t> extraKinds;

    std::optional<Resolution> resolution;
    /// TIFF orientation tag (1..8), 0 when absent.
    int orientation = 0;
    /// The TIFF compression scheme the file was read with (TIFF tag value),
    /// 0 for other formats: a TIFF output keeps it unless told otherwise.
    int tiffCompression = 0;
    /// PNG colour chunks kept when present (used only when there is no ICC profile).
    std::optional<int> pngSrgbIntent;
    std::optional<double> pngGamma;
};

/// How TIFF output is compressed: Keep takes the input TIFF's scheme (Deflate
/// when the input is not a TIFF or its scheme is not one of these).
enum class TiffCompression { Keep, None, Lzw, Deflate, Zstd, PackBits };

/// How outputs are encoded.
struct WriteOptions {
    TiffCompression compression = TiffCompression::Keep;
    /// zlib level of PNG output, 0..9; the default is fast.
    int pngLevel = kDefaultPngLevel;
    /// JPEG quality, 1..100.
    int jpegQuality = 95;
    static constexpr int kDefaultPngLevel = 1;
};

/// The scheme for a name given on the command line (none, lzw, deflate,
/// zstd, packbits); nothing for any other name.
std::optional<TiffCompression> TiffCompressionFromName(const std::string& name);

/// The format a path names by its extension (.tif/.tiff, .png, .jpg/.jpeg),
/// case-insensitive; nothing for any other extension.
std::optional<FileFormat> FormatFromExtension(const std::string& path);
const char* FormatName(FileFormat format);

/// Reads a document; the format comes from the file's first bytes, not its
/// name. Throws HostError with a one-line message naming the file on any
/// problem (missing, unreadable, truncated, corrupt, unsupported mode, too large).
Document ReadDocument(const std::string& path);

/// Throws HostError when the document cannot be stored in the format
/// (Lab or extra channels in PNG or JPEG, and so on) — checked before a run.
void CheckWritable(const Document& doc, FileFormat format);

/// Writes the document to path in the given format (path is overwritten).
void WriteDocument(const Document& doc, const std::string& path, FileFormat format,
                   const WriteOptions& options = {});

}  // namespace filterhost

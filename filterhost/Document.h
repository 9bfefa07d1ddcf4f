// A document as the host holds it: three colour planes in the host's sample
// scale, interleaved and packed, plus everything of the file that the filter
// never sees (extra channels such as alpha, the ICC profile, resolution and
// file-specific encodings) so that it can be written back.
//
// Host sample scales:
//   8-bit  RGB 0..255; Lab L 0..255 for 0..100, a and b 0..255 with 128 neutral.
//   16-bit RGB 0..32768; Lab L 0..32768 for 0..100, a and b 0..32768 with
//          16384 neutral (one unit of a or b is 1/128).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace filterhost {

enum class FileFormat { Tiff, Png, Jpeg };
enum class ColorModel { Rgb, Lab };
/// How a TIFF stores Lab: CIELab has signed a and b, ICC Lab unsigned with
/// an offset (128 or 32768).
enum class LabEncoding { None, CieLab, IccLab };

/// The largest width or height: the filter record's sizes are signed 16-bit.
inline constexpr int32_t kMaxDimension = 32767;

struct Resolution {
    double x = 0, y = 0;
    /// 1 = no unit (aspect only), 2 = per inch, 3 = per centimetre (TIFF values).
    int unit = 0;
};

struct Document {
    FileFormat format = FileFormat::Tiff;
    ColorModel model = ColorModel::Rgb;
    LabEncoding labEncoding = LabEncoding::None;
    int32_t width = 0;
    int32_t height = 0;
    /// 8 or 16 bits per sample.
    int depth = 8;

    /// width × height × 3 samples in the host scale: bytes for 8-bit,
    /// native-endian uint16 for 16-bit.
    std::vector<uint8_t> pixels;

    /// Extra channels per pixel, kept aside as the file stored them (bytes
    /// or native uint16 values 0..65535), width × height × extraCount samples.
    int extraCount = 0;
    std::vector<uint8_t> extras;
    /// TIFF ExtraSamples kinds, one per extra channel (2 = unassociated alpha).
    std::vector<uint16_t> extraKinds;

    std::vector<uint8_t> icc;
    std::optional<Resolution> resolution;
    /// TIFF orientation tag (1..8), 0 when absent.
    int orientation = 0;
    /// PNG colour chunks kept when present (used only when there is no ICC profile).
    std::optional<int> pngSrgbIntent;
    std::optional<double> pngGamma;

    size_t BytesPerSample() const { return depth == 16 ? 2 : 1; }
    size_t RowBytes() const { return size_t(width) * 3 * BytesPerSample(); }
    uint16_t* Pixels16() { return reinterpret_cast<uint16_t*>(pixels.data()); }
    const uint16_t* Pixels16() const { return reinterpret_cast<const uint16_t*>(pixels.data()); }
    /// The filter record's image mode: 3, 9, 11 or 12.
    int16_t ImageMode() const;
    /// "RGB", "Lab", "RGB48" or "Lab48".
    const char* ModeName() const;
};

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
void WriteDocument(const Document& doc, const std::string& path, FileFormat format);

}  // namespace filterhost

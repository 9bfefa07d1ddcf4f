#include "filterhost/Metadata.h"

#include <algorithm>
#include <exception>
#include <exiv2/exiv2.hpp>
#include <iterator>
#include <mutex>

#include "filterhost/HostLib.h"
#include "hostlib/HostError.h"

namespace filterhost {

namespace {

void InitExiv2() {
    static std::once_flag once;
    std::call_once(once, [] {
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
        Exiv2::XmpParser::initialize();
    });
}

// Exif.Image tags that describe how a file stores its pixels.
constexpr const char* kStructuralTags[] = {
    "NewSubfileType",
    "SubfileType",
    "ImageWidth",
    "ImageLength",
    "BitsPerSample",
    "Compression",
    "PhotometricInterpretation",
    "FillOrder",
    "StripOffsets",
    "SamplesPerPixel",
    "RowsPerStrip",
    "StripByteCounts",
    "PlanarConfiguration",
    "Predictor",
    "ColorMap",
    "TileWidth",
    "TileLength",
    "TileOffsets",
    "TileByteCounts",
    "SubIFDs",
    "ExtraSamples",
    "SampleFormat",
    "JPEGTables",
    "JPEGProc",
    "JPEGInterchangeFormat",
    "JPEGInterchangeFormatLength",
    "YCbCrSubSampling",
    "YCbCrPositioning",
    "YCbCrCoefficients",
    "InterColorProfile",
    "XMLPacket",
    "IPTCNAA",
    "ImageResources",
};

bool Structural(const Exiv2::Exifdatum& d) {
    // The thumbnail, sub-images and further pages of the input are not carried.
    const std::string group = d.groupName();
    if (group == "Thumbnail" || group.rfind("SubImage", 0) == 0 ||
        group.rfind("SubThumb", 0) == 0 || group == "Image2" || group == "Image3")
        return true;
    if (group != "Image") return false;
    const std::string name = d.tagName();
    return std::any_of(std::begin(kStructuralTags), std::end(kStructuralTags),
                       [&](const char* t) { return name == t; });
}

}  // namespace

struct Metadata::Data {
    Exiv2::ExifData exif;
    Exiv2::XmpData xmp;
    Exiv2::IptcData iptc;
};

Metadata::Metadata() : d_(std::make_unique<Data>()) {}
Metadata::~Metadata() = default;
Metadata::Metadata(Metadata&&) noexcept = default;
Metadata& Metadata::operator=(Metadata&&) noexcept = default;

Metadata Metadata::Read(const std::string& path) {
    InitExiv2();
    Metadata m;
    try {
        auto image = Exiv2::ImageFactory::open(path);
        image->readMetadata();
        for (const auto& d : image->exifData())
            if (!Structural(d)) m.d_->exif.add(d);
        m.d_->xmp = image->xmpData();
        m.d_->iptc = image->iptcData();
    } catch (const std::exception& e) {
        m.d_ = std::make_unique<Data>();
        m.note_ = std::string("its metadata cannot be read (") + e.what() + ")";
    }
    return m;
}

bool Metadata::Empty() const {
    return d_->exif.empty() && d_->xmp.empty() && d_->iptc.empty();
}

void Metadata::WriteTo(const std::string& path, const std::string& shownName) const {
    if (Empty()) return;
    InitExiv2();
    try {
        auto image = Exiv2::ImageFactory::open(path);
        // Reading first keeps what the new file already holds (its ICC profile).
        image->readMetadata();
        Exiv2::ExifData exif = image->exifData();
        for (const auto& d : d_->exif) {
            // Image tags the new file already has (a TIFF's resolution and
            // orientation) keep the values its writer gave them.
            if (d.groupName() == "Image" && exif.findKey(Exiv2::ExifKey(d.key())) != exif.end())
                continue;
            exif[d.key()] = d.value();
        }
        image->setExifData(exif);
        if (!d_->xmp.empty()) image->setXmpData(d_->xmp);
        if (!d_->iptc.empty()) image->setIptcData(d_->iptc);
        image->writeMetadata();
    } catch (const std::exception& e) {
        throw HostError(shownName + ": cannot write the metadata (" + e.what() + ")");
    }
}

}  // namespace filterhost

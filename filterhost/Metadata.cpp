#include "filterhost/Metadata.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>
#include <exiv2/exiv2.hpp>
#include <iterator>
#include <mutex>
#include <stdexcept>
#include <string>

#include "filterhost/HostLib.h"
#include "hostlib/FileOps.h"
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

// exiv2's file access, except that a file exiv2 made anew in memory is
// written back in one piece: exiv2 copies it 4 KB at a time, a system call
// each, which for a 16-bit photo is tens of thousands.
class WholeFileIo : public Exiv2::FileIo {
  public:
    using Exiv2::FileIo::FileIo;

    void transfer(Exiv2::BasicIo& src) override {
        auto* memory = dynamic_cast<Exiv2::MemIo*>(&src);
        if (!memory) return Exiv2::FileIo::transfer(src);
        const bool wasOpen = isopen();
        close();
        if (memory->open() != 0) throw std::runtime_error("the new file cannot be read back");
        const Exiv2::byte* data = memory->mmap();
        const size_t size = memory->size();
        const int fd = ::open(path().c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        if (fd < 0) throw std::runtime_error(std::strerror(errno));
        if (!WriteAll(fd, data, size)) {
            const std::string e = std::strerror(errno);
            ::close(fd);
            throw std::runtime_error(e);
        }
        if (::close(fd) != 0) throw std::runtime_error(std::strerror(errno));
        memory->close();
        if (wasOpen && open() != 0) throw std::runtime_error("the file cannot be opened again");
    }
};

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
        auto image = Exiv2::ImageFactory::open(Exiv2::BasicIo::AutoPtr(new WholeFileIo(path)));
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

// EXIF, XMP and IPTC metadata carried from the input file to the output
// file by exiv2. Tags that describe the stored image itself (its size,
// sample layout, strips, compression, thumbnail) are not carried: the
// writer of the new file sets those.
#pragma once

#include <memory>
#include <string>

namespace filterhost {

class Metadata {
  public:
    Metadata();
    ~Metadata();
    Metadata(Metadata&&) noexcept;
    Metadata& operator=(Metadata&&) noexcept;

    /// Reads the metadata of an image file. A file whose metadata exiv2
    /// cannot read gives empty metadata and a note saying why.
    static Metadata Read(const std::string& path);

    bool Empty() const;
    const std::string& Note() const { return note_; }

    /// Adds the metadata to a file just written (keeping its ICC profile).
    /// Throws HostError.
    void WriteTo(const std::string& path, const std::string& shownName) const;

  private:
    struct Data;
    std::unique_ptr<Data> d_;
    std::string note_;
};

}  // namespace filterhost

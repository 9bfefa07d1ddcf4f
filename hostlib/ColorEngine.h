// The colour conversions the host offers a filter, by LittleCMS: the
// document's RGB profile (its embedded profile when that is an RGB profile
// LittleCMS can use, else sRGB) to and from CIE Lab D50, relative
// colorimetric, and Lab to the monitor's RGB (the display's profile when the
// host gives one, else sRGB).
//
// Colours are 8-bit: RGB components 0..255; Lab in the host's 8-bit
// encoding, L 0..255 for 0..100, a and b 0..255 with 128 neutral. Results are
// rounded (halves to even) and clamped to 0..255. The transforms are built
// once per document; each call converts one colour. For a matrix-shaper
// profile most colours are computed here instead of by a LittleCMS call,
// with the same bytes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace hostlib {

class ColorEngine {
  public:
    /// icc: the document's embedded profile, may be empty. monitorIcc: the
    /// display's profile, may be empty (sRGB); one LittleCMS cannot use as an
    /// RGB profile is replaced by sRGB too.
    explicit ColorEngine(const std::vector<uint8_t>& icc,
                         const std::vector<uint8_t>& monitorIcc = {});
    ~ColorEngine();
    ColorEngine(const ColorEngine&) = delete;
    ColorEngine& operator=(const ColorEngine&) = delete;

    void RgbToLab(const uint8_t rgb[3], uint8_t lab[3]) const;
    void LabToRgb(const uint8_t lab[3], uint8_t rgb[3]) const;
    void LabToMonitor(const uint8_t lab[3], uint8_t rgb[3]) const;

    /// True when the embedded profile is the document's RGB profile.
    bool UsesEmbeddedProfile() const { return embedded_; }
    /// Why an embedded profile was not used (empty when it was, or when there is none).
    const std::string& ProfileNote() const { return note_; }

    /// Whether RGB to Lab and Lab to RGB are mostly computed here in double
    /// precision (a matrix-shaper profile; the way back only through tone
    /// curves given by formula), with the bytes LittleCMS gives.
    bool ComputesToLab() const;
    bool ComputesFromLab() const;
    bool ComputesToMonitor() const;

  private:
    struct Transforms;
    class Shaper;
    std::unique_ptr<Transforms> t_;
    std::unique_ptr<Shaper> shaper_, monitorShaper_;
    // Lab to RGB through the shaper where it answers, else the transform.
    static void LabToRgbThrough(const Shaper* shaper, void* transform, const uint8_t lab[3],
                                uint8_t rgb[3]);
    bool embedded_ = false;
    std::string note_;
};

}  // namespace hostlib

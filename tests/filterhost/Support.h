// Helpers for the filterhost tests: temporary folders, running the program
// as a subprocess, and test images written straight through libtiff,
// libpng and libjpeg (independently of filterhost's own writers).
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace fhtest {

/// A fresh folder under /tmp, removed with everything in it on destruction.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

struct RunResult {
    int status = -1;  // exit status, or 128 + signal number
    std::string out, err;
};

/// Environment overrides for a run: name -> value ("" removes the variable).
using Env = std::map<std::string, std::string>;

/// Runs filterhost with the arguments and waits for it. launcher: a program
/// (absolute path) and its arguments that run filterhost, e.g. xvfb-run -a.
RunResult RunHost(const std::vector<std::string>& args, const Env& env = {},
                  const std::vector<std::string>& launcher = {});
/// Starts filterhost; its output goes to the given files.
/// newGroup: filterhost leads a process group of its own (as a shell job
/// does), so that a signal can go to it and every process it starts.
pid_t StartHost(const std::vector<std::string>& args, const Env& env, const std::string& outFile,
                const std::string& errFile, const std::vector<std::string>& launcher = {},
                bool newGroup = false);
RunResult WaitHost(pid_t pid, const std::string& outFile, const std::string& errFile);

bool Exists(const std::string& path);
std::vector<uint8_t> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
/// Names in a folder (without . and ..), sorted.
std::vector<std::string> ListDir(const std::string& dir);

/// Deterministic sample values: w × h × channels samples of 8 or 16 bits
/// (16-bit ones cover 0..65535 including both ends).
std::vector<uint16_t> Pattern(int w, int h, int channels, int depth, uint32_t seed = 1);

struct TiffLayout {
    int width = 7, height = 5;
    int depth = 8;
    uint16_t photometric = 2;  // RGB
    int extra = 0;             // extra channels (alpha)
    bool tiled = false;
    bool separate = false;
    uint16_t compression = 1;
    std::vector<uint8_t> icc;
};
/// Writes a TIFF of samples (file encoding: for CIELab a and b are the signed
/// values' bit patterns).
void WriteTiff(const std::string& path, const TiffLayout& layout,
               const std::vector<uint16_t>& samples);
/// Reads all samples of a TIFF (file encoding) and its ICC profile.
std::vector<uint16_t> ReadTiffSamples(const std::string& path, int* channels = nullptr,
                                      std::vector<uint8_t>* icc = nullptr,
                                      uint16_t* photometric = nullptr);

struct PngLayout {
    int width = 7, height = 5;
    int depth = 8;
    int colorType = 2;  // PNG_COLOR_TYPE_RGB
    std::vector<uint8_t> icc;
};
void WritePng(const std::string& path, const PngLayout& layout,
              const std::vector<uint16_t>& samples);
std::vector<uint16_t> ReadPngSamples(const std::string& path, int* channels = nullptr,
                                     int* depth = nullptr, std::vector<uint8_t>* icc = nullptr);

/// An 8-bit JPEG (3 components RGB, or 1 for grayscale).
void WriteJpeg(const std::string& path, int width, int height, int components,
               const std::vector<uint16_t>& samples, const std::vector<uint8_t>& icc = {});
std::vector<uint16_t> ReadJpegSamples(const std::string& path);
std::vector<uint8_t> ReadJpegIcc(const std::string& path);

/// An RGB ICC profile that is not sRGB (wide primaries), serialised.
std::vector<uint8_t> WideRgbProfile();
/// A matrix-shaper RGB profile whose tone curve is a table.
std::vector<uint8_t> TabulatedRgbProfile();

/// Sets EXIF Artist and XMP dc:source on an image file through exiv2.
void AddMetadata(const std::string& path, const std::string& artist, const std::string& source);
/// Reads them back ("" when missing).
std::string ReadArtist(const std::string& path);
std::string ReadXmpSource(const std::string& path);

/// The run counter the test filter keeps in bytes 4..7 of its parameter
/// block (0 for a block too short to hold it).
uint32_t RunCounter(const std::vector<uint8_t>& block);

/// A folder of the test's own that is also the state home of the runs, so
/// that the test filter's default params file is `stored` and no module is
/// found outside the test's.
struct HostFolder {
    TempDir dir;
    std::string stored = dir / "state/velmora/filterhost/Test Filter.params";

    Env BaseEnv(Env extra = {}) const {
        extra["XDG_STATE_HOME"] = dir / "state";
        extra.emplace("FILTERHOST_PLUGIN_DIR", "");
        return extra;
    }
};

}  // namespace fhtest

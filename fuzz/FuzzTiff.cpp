// The TIFF reader on arbitrary bytes.
#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "filterhost/Codecs.h"
#include "filterhost/TiffMemory.h"
#include "fuzz/ReaderCheck.h"

namespace {

void Quiet(const char*, const char*, va_list) {}

// True when the first directory claims an image (or a tile) too large to
// decode here.
bool TooLarge(const uint8_t* bytes, size_t size) {
    TIFFErrorHandler oldError = TIFFSetErrorHandler(&Quiet);
    TIFFErrorHandler oldWarning = TIFFSetWarningHandler(&Quiet);
    filterhost::TiffMemory memory{bytes, toff_t(size), 0};
    TIFF* t = filterhost::OpenTiffMemory(memory, "peek");
    bool large = false;
    if (t) {
        uint32_t width = 0, height = 0, tileWidth = 0, tileHeight = 0;
        TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &width);
        TIFFGetField(t, TIFFTAG_IMAGELENGTH, &height);
        large = uint64_t(width) * height > fuzzcheck::kMaxPixels;
        if (TIFFIsTiled(t) && TIFFGetField(t, TIFFTAG_TILEWIDTH, &tileWidth) &&
            TIFFGetField(t, TIFFTAG_TILELENGTH, &tileHeight))
            large = large || uint64_t(tileWidth) * tileHeight > fuzzcheck::kMaxPixels;
        TIFFClose(t);
    }
    TIFFSetErrorHandler(oldError);
    TIFFSetWarningHandler(oldWarning);
    return large;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    if (TooLarge(bytes, size)) return 0;
    fuzzcheck::CheckReader(&filterhost::ReadTiffFromMemory, bytes, size);
    return 0;
}

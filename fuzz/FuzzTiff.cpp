// The TIFF reader on arbitrary bytes.
#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "filterhost/Codecs.h"
#include "fuzz/ReaderCheck.h"

namespace {

// A read-only view of the input for libtiff, used to look at the first
// directory's sizes before the reader runs.
struct View {
    const uint8_t* data;
    toff_t size;
    toff_t at;
};

tmsize_t ViewRead(thandle_t h, void* buffer, tmsize_t n) {
    auto* v = static_cast<View*>(h);
    if (n <= 0 || v->at >= v->size) return 0;
    const toff_t count = std::min<toff_t>(toff_t(n), v->size - v->at);
    std::memcpy(buffer, v->data + v->at, size_t(count));
    v->at += count;
    return tmsize_t(count);
}
tmsize_t ViewWrite(thandle_t, void*, tmsize_t) {
    return -1;
}
toff_t ViewSeek(thandle_t h, toff_t offset, int whence) {
    auto* v = static_cast<View*>(h);
    if (whence == SEEK_CUR) offset += v->at;
    if (whence == SEEK_END) offset += v->size;
    return v->at = offset;
}
int ViewClose(thandle_t) {
    return 0;
}
toff_t ViewSize(thandle_t h) {
    return static_cast<View*>(h)->size;
}
int ViewMap(thandle_t, void**, toff_t*) {
    return 0;
}
void ViewUnmap(thandle_t, void*, toff_t) {}

void Quiet(const char*, const char*, va_list) {}

// True when the first directory claims an image (or a tile) too large to
// decode here.
bool TooLarge(const uint8_t* bytes, size_t size) {
    TIFFErrorHandler oldError = TIFFSetErrorHandler(&Quiet);
    TIFFErrorHandler oldWarning = TIFFSetWarningHandler(&Quiet);
    View view{bytes, toff_t(size), 0};
    TIFF* t = TIFFClientOpen("peek", "rm", &view, &ViewRead, &ViewWrite, &ViewSeek, &ViewClose,
                             &ViewSize, &ViewMap, &ViewUnmap);
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

// A TIFF file's bytes in memory, opened read-only through libtiff's client
// procedures (the reader from memory, and the fuzz target's first look).
#pragma once

#include <tiffio.h>

#include <cstdint>

namespace filterhost {

struct TiffMemory {
    const uint8_t* data;
    toff_t size;
    toff_t at;
};

/// libtiff's handle on the bytes (nullptr when they are no TIFF); it reads
/// through memory, which must outlive it.
TIFF* OpenTiffMemory(TiffMemory& memory, const char* name);

}  // namespace filterhost

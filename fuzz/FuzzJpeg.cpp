// The JPEG reader on arbitrary bytes.
#include <cstddef>
#include <cstdint>

#include "filterhost/Codecs.h"
#include "fuzz/ReaderCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    // Skips inputs with any start-of-frame marker (FFC0..FFCF but for the
    // DHT, JPG and DAC codes) that claims a large image.
    for (size_t i = 0; i + 9 <= size; ++i) {
        if (bytes[i] != 0xFF || (bytes[i + 1] & 0xF0) != 0xC0) continue;
        const uint8_t code = bytes[i + 1];
        if (code == 0xC4 || code == 0xC8 || code == 0xCC) continue;
        const uint64_t height = uint64_t(bytes[i + 5]) << 8 | bytes[i + 6];
        const uint64_t width = uint64_t(bytes[i + 7]) << 8 | bytes[i + 8];
        if (width * height > fuzzcheck::kMaxPixels) return 0;
    }
    fuzzcheck::CheckReader(&filterhost::ReadJpegFromMemory, bytes, size);
    return 0;
}

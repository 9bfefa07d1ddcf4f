// The PNG reader on arbitrary bytes.
#include <cstddef>
#include <cstdint>

#include "filterhost/Codecs.h"
#include "fuzz/ReaderCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    // IHDR is the first chunk: width and height are at bytes 16..23, big-endian.
    if (size >= 24) {
        auto be32 = [&](size_t at) {
            return uint64_t(bytes[at]) << 24 | uint64_t(bytes[at + 1]) << 16 |
                   uint64_t(bytes[at + 2]) << 8 | uint64_t(bytes[at + 3]);
        };
        if (be32(16) * be32(20) > fuzzcheck::kMaxPixels) return 0;
    }
    fuzzcheck::CheckReader(&filterhost::ReadPngFromMemory, bytes, size);
    return 0;
}

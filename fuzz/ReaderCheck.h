// What the document reader targets check: a reader either throws HostError
// naming the input, or returns a document whose buffers match its size and
// whose samples lie on the host scale. Any other exception escapes to the
// fuzzer and counts as a fault.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "filterhost/Document.h"
#include "filterhost/HostLib.h"
#include "hostlib/HostError.h"

namespace fuzzcheck {

inline constexpr const char* kName = "input";
/// Inputs that claim more pixels than this are skipped: the readers allocate
/// the whole image before decoding it, which is right for real files but
/// would only measure the fuzzer's memory limit here.
inline constexpr uint64_t kMaxPixels = uint64_t(1) << 20;

[[noreturn]] inline void Fault(const std::string& what) {
    std::fprintf(stderr, "fuzz reader: %s\n", what.c_str());
    std::abort();
}

template <typename Reader>
void CheckReader(Reader read, const uint8_t* bytes, size_t size) {
    filterhost::Document doc;
    try {
        doc = read(bytes, size, std::string(kName));
    } catch (const filterhost::HostError& e) {
        const std::string prefix = std::string(kName) + ": ";
        if (std::strncmp(e.what(), prefix.c_str(), prefix.size()) != 0)
            Fault(std::string("message does not name the input: ") + e.what());
        return;
    }
    if (doc.width < 1 || doc.height < 1 || doc.width > filterhost::kMaxDimension ||
        doc.height > filterhost::kMaxDimension)
        Fault("bad size " + std::to_string(doc.width) + "x" + std::to_string(doc.height));
    if (doc.depth != 8 && doc.depth != 16) Fault("bad depth " + std::to_string(doc.depth));
    const size_t pixels = size_t(doc.width) * size_t(doc.height);
    if (doc.pixels.size() != pixels * 3 * doc.BytesPerSample())
        Fault("pixel buffer does not match the size");
    if (doc.extraCount < 0 ||
        doc.extras.size() != pixels * size_t(doc.extraCount) * doc.BytesPerSample())
        Fault("extra channel buffer does not match the size");
    if (doc.depth == 16) {
        for (size_t i = 0; i < pixels * 3; ++i)
            if (doc.Pixels16()[i] > 32768) Fault("16-bit sample off the host scale");
    }
}

}  // namespace fuzzcheck

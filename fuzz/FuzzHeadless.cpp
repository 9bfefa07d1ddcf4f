// Feeds parameter blocks and small images through the whole headless run
// (prepare, start, continue, finish) in all four modes and checks what it
// writes. Each input runs three times, with the output buffer filled first
// with pattern A, again A, then B, which differs from A in every byte:
// - the two A runs must agree byte for byte (the run is repeatable);
// - a run that succeeds must give the same bytes from A as from B, so every
//   output row was wholly written (an unwritten byte keeps its fill);
// - 16-bit output stays on the host's 0..32768 scale (both 16-bit fills lie
//   above it, so an unwritten sample also shows here).
//
// Input layout: 1 byte mode selector, 1 byte width, 1 byte height, then the
// 1168-byte parameter block (zero-padded when short), then pixel bytes
// (repeated to fill the image).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "base/Params.h"
#include "host/Dispatch.h"
#include "sdk/PIFilter.h"
#include "tests/support/FakeHost.h"

namespace {
constexpr int16_t kModes[4] = {sdk::kModeRGB, sdk::kModeLab, sdk::kModeRGB48, sdk::kModeLab48};

int16_t Call(int16_t selector, sdk::FilterRecord& record) {
    int32_t data = 0x5A5A;
    int16_t result = 0;
    velmora::Dispatch(selector, &record, &data, &result);
    return result;
}

struct Run {
    int16_t result = 0;  // the first non-zero selector result, else 0
    std::vector<uint8_t> out;
};

Run HeadlessRun(int16_t mode, int32_t width, int32_t height, const uint8_t* bytes, size_t size,
                uint8_t fill) {
    velmora::test::FakeHost host(mode, width, height);
    host.block.assign(velmora::kParamBlockSize, 0);
    const size_t blockBytes = size < host.block.size() ? size : host.block.size();
    std::memcpy(host.block.data(), bytes, blockBytes);
    bytes += blockBytes;
    size -= blockBytes;
    host.record.parameters = reinterpret_cast<sdk::BufferID>(&host.block);

    for (size_t i = 0; i < host.in.size(); ++i)
        host.in[i] = size ? bytes[i % size] : uint8_t(i * 37);
    if (host.Is16()) {
        // Keep 16-bit samples on the host's 0..32768 scale.
        uint16_t* w = host.In16();
        for (size_t i = 0; i < host.in.size() / 2; ++i) w[i] = uint16_t(w[i] % 32769);
    }
    std::memset(host.out.data(), fill, host.out.size());

    Run run;
    for (int16_t selector : {sdk::kSelectorPrepare, sdk::kSelectorStart, sdk::kSelectorContinue,
                             sdk::kSelectorFinish}) {
        const int16_t result = Call(selector, host.record);
        if (run.result == 0) run.result = result;
    }
    run.out = host.out;
    return run;
}

[[noreturn]] void Fault(const char* what, int16_t mode, int32_t width, int32_t height, long row) {
    std::fprintf(stderr, "fuzz_headless: %s (mode %d, %dx%d, row %ld)\n", what, mode, width, height,
                 row);
    std::abort();
}

// The first row where a and b differ, or -1.
long FirstDifferentRow(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b,
                       size_t rowBytes) {
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i]) return long(i / rowBytes);
    return -1;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    if (size < 3) return 0;
    const int16_t mode = kModes[bytes[0] & 3];
    const int32_t width = 1 + bytes[1] % 24;
    const int32_t height = 1 + bytes[2] % 24;
    bytes += 3;
    size -= 3;
    const bool wide = mode == sdk::kModeRGB48 || mode == sdk::kModeLab48;
    const uint8_t fillA = wide ? 0xFF : 0x5A;
    const uint8_t fillB = wide ? 0xFE : 0xA5;
    const size_t rowBytes = size_t(width) * 3 * (wide ? 2 : 1);

    const Run a1 = HeadlessRun(mode, width, height, bytes, size, fillA);
    const Run a2 = HeadlessRun(mode, width, height, bytes, size, fillA);
    if (a1.result != a2.result)
        Fault("two runs of one input end differently", mode, width, height, -1);
    if (long row = FirstDifferentRow(a1.out, a2.out, rowBytes); row >= 0)
        Fault("two runs of one input write different bytes", mode, width, height, row);
    if (a1.result != 0) return 0;  // a refused run need not write anything

    const Run b = HeadlessRun(mode, width, height, bytes, size, fillB);
    if (b.result != 0) Fault("a run fails after the same input succeeded", mode, width, height, -1);
    if (long row = FirstDifferentRow(a1.out, b.out, rowBytes); row >= 0)
        Fault("an output row is not wholly written", mode, width, height, row);
    if (wide) {
        for (size_t i = 0; i + 1 < a1.out.size(); i += 2) {
            uint16_t v;
            std::memcpy(&v, a1.out.data() + i, 2);
            if (v > 32768)
                Fault("a 16-bit sample is off the host scale", mode, width, height,
                      long(i / rowBytes));
        }
    }
    return 0;
}

// Feeds random parameter blocks and small random images through the whole
// headless run (prepare, start, continue, finish) in all four modes.
//
// Input layout: 1 byte mode selector, 1 byte width, 1 byte height, then the
// 1168-byte parameter block (zero-padded when short), then pixel bytes
// (repeated to fill the image).
#include <cstddef>
#include <cstdint>
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
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    if (size < 3) return 0;
    const int16_t mode = kModes[bytes[0] & 3];
    const int32_t width = 1 + bytes[1] % 24;
    const int32_t height = 1 + bytes[2] % 24;
    bytes += 3;
    size -= 3;

    velmora::test::FakeHost host(mode, width, height);
    host.block.assign(velmora::kParamBlockSize, 0);
    const size_t blockBytes = size < host.block.size() ? size : host.block.size();
    std::memcpy(host.block.data(), bytes, blockBytes);
    bytes += blockBytes;
    size -= blockBytes;
    host.record.parameters = reinterpret_cast<sdk::BufferID>(&host.block);

    const bool wide = host.Is16();
    for (size_t i = 0; i < host.in.size(); ++i)
        host.in[i] = size ? bytes[i % size] : uint8_t(i * 37);
    if (wide) {
        // Keep 16-bit samples on the host's 0..32768 scale.
        uint16_t* w = host.In16();
        for (size_t i = 0; i < host.in.size() / 2; ++i) w[i] = uint16_t(w[i] % 32769);
    }
    host.CopyInToOut();

    Call(sdk::kSelectorPrepare, host.record);
    Call(sdk::kSelectorStart, host.record);
    Call(sdk::kSelectorContinue, host.record);
    Call(sdk::kSelectorFinish, host.record);
    return 0;
}

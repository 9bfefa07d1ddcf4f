// A small in-process host for tests: a filter record with buffer
// procedures, progress and abort, colour services and a colour space suite.
// The plain function pointers of the interface reach the one active
// FakeHost through a static pointer.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "sdk/PIFilter.h"

namespace velmora::test {

class FakeHost {
  public:
    /// An image of the given mode; buffers zero-filled, rows packed.
    FakeHost(int16_t mode, int32_t columns, int32_t rows, int16_t planes = 3);
    ~FakeHost();
    FakeHost(const FakeHost&) = delete;
    FakeHost& operator=(const FakeHost&) = delete;

    sdk::FilterRecord record{};
    sdk::BufferProcs bufferProcs{};
    sdk::PlatformData platform{};
    sdk::SPBasicSuite basic{};
    sdk::ColorSpaceSuite1 colorSpace{};

    /// Component storage for inData and outData (bytes, or 16-bit words
    /// in modes 11 and 12).
    std::vector<uint8_t> in, out;

    /// The parameter block the host keeps (empty until allocated).
    std::vector<uint8_t> block;
    bool blockLocked = false;
    int allocateCalls = 0;

    /// Calls made to the services.
    int colorServicesCalls = 0;
    int displayCalls = 0;
    std::vector<std::pair<int32_t, int32_t>> progress;
    int abortCalls = 0;
    /// abortProc answers "abort" from this call on (1-based; 0 = never).
    int abortFromCall = 0;

    bool Is16() const {
        return record.imageMode == sdk::kModeRGB48 || record.imageMode == sdk::kModeLab48;
    }
    uint8_t* In8() { return in.data(); }
    uint16_t* In16() { return reinterpret_cast<uint16_t*>(in.data()); }
    uint8_t* Out8() { return out.data(); }
    uint16_t* Out16() { return reinterpret_cast<uint16_t*>(out.data()); }
    /// Copies inData to outData (what a host does before filtering).
    void CopyInToOut() { out = in; }

    /// The deterministic conversions the fake colour services perform.
    static void FakeRgbToLab(const int16_t rgb[3], int16_t lab[3]);
    static void FakeLabToRgb(const int16_t lab[3], int16_t rgb[3]);

    /// The active host (the last one constructed and not yet destroyed).
    static FakeHost* Current();
};

}  // namespace velmora::test

// The built module loaded once per process with dlopen and called through
// its exported ENTRYPOINT, exactly as a host does.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "sdk/PIFilter.h"
#include "tests/support/FakeHost.h"

namespace velmora::test {

inline const char* ModulePath() {
    return VELMORA_MODULE_PATH;
}

inline sdk::EntryPointProc ModuleEntry() {
    static sdk::EntryPointProc entry = [] {
        // These tests run without a display, whatever the environment: the
        // about box then fails with its message instead of waiting for a user.
        unsetenv("QT_QPA_PLATFORM");
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        void* handle = dlopen(ModulePath(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) return sdk::EntryPointProc(nullptr);
        return reinterpret_cast<sdk::EntryPointProc>(dlsym(handle, sdk::kEntryPointName));
    }();
    return entry;
}

/// One ENTRYPOINT call; the data word must come back unchanged whatever the
/// selector does.
inline int16_t Call(int16_t selector, void* record, int32_t word = 0x600DF00D) {
    sdk::EntryPointProc entry = ModuleEntry();
    if (!entry) {
        ADD_FAILURE() << "cannot load " << ModulePath() << ": " << dlerror();
        return INT16_MIN;
    }
    int32_t data = word;
    int16_t result = 0x5555;
    entry(selector, record, &data, &result);
    EXPECT_EQ(data, word) << "data word after selector " << selector;
    return result;
}

/// The first-use parameter block, written field by field at the storage
/// offsets. Bytes 16..23 (the levels) come from the image analysis.
inline std::vector<uint8_t> FirstUseBlock() {
    std::vector<uint8_t> b(1168, 0);
    auto real = [&](size_t at, double v) { std::memcpy(&b[at], &v, 8); };
    b[1] = 1;  // FollowAnalysis
    real(8, 0.0001);
    real(24, 1.0);
    b[32] = 127;  // SatBend
    b[40] = 128, b[41] = 128, b[42] = 255, b[43] = 128, b[44] = 128, b[45] = 0;
    for (size_t at : {48, 56, 120, 128, 136}) real(at, 1.0);
    real(144, 0.5);
    b[152] = 1;  // FullScreen
    return b;
}

/// Fills the input with a deterministic pattern and copies it to the output.
inline void FillPattern(FakeHost& host) {
    for (size_t i = 0; i < host.in.size(); ++i) host.in[i] = uint8_t(i * 29 + 7);
    if (host.Is16())
        for (size_t i = 0; i < host.in.size() / 2; ++i) host.In16()[i] %= 32769;
    host.CopyInToOut();
}

}  // namespace velmora::test

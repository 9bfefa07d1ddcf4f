// Common fixture of the working-image and map tests: the module-wide photo
// state, the conversion caches and the progress accounting start from their
// load-time values, and a fake host is made current with Use().
#pragma once

#include <gtest/gtest.h>

#include "engine/ColorConvert.h"
#include "engine/HostCall.h"
#include "engine/Photo.h"
#include "engine/Progress.h"
#include "tests/support/FakeHost.h"

namespace velmora::test {

class PhotoFixture : public ::testing::Test {
  protected:
    void Use(FakeHost& host) {
        HostCall.Record = &host.record;
        HostCall.ColorSpaceSuite = &host.colorSpace;
    }
    void SetUp() override {
        ResetPhotoState();
        FlushConversionCache();
        FlushDisplayCache();
        Progress.Counter = 0;
        Progress.Total = 1000;
        Progress.View = nullptr;
    }
    void TearDown() override {
        ResetPhotoState();
        FlushConversionCache();
        FlushDisplayCache();
        HostCall.Record = nullptr;
        HostCall.ColorSpaceSuite = nullptr;
        Progress.View = nullptr;
    }
};

}  // namespace velmora::test

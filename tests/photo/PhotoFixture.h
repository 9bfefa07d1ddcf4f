// Common fixture of the working-image and map tests: the module-wide photo
// state, the conversion caches and the progress accounting start from their
// load-time values, and a fake host is made current with Use().
#pragma once

#include <gtest/gtest.h>

#include "engine/ColorConvert.h"
#include "host/ModuleState.h"
#include "host/Progress.h"
#include "photo/Photo.h"
#include "tests/support/FakeHost.h"

namespace velmora::test {

class PhotoFixture : public ::testing::Test {
  protected:
    void Use(FakeHost& host) {
        CurrentRecord = &host.record;
        ColorSpaceSuite = &host.colorSpace;
    }
    void SetUp() override {
        ResetPhotoState();
        FlushConversionCache();
        FlushDisplayCache();
        ProgressCounter = 0;
        ProgressTotal = 1000;
        DialogView = nullptr;
    }
    void TearDown() override {
        ResetPhotoState();
        FlushConversionCache();
        FlushDisplayCache();
        CurrentRecord = nullptr;
        ColorSpaceSuite = nullptr;
        DialogView = nullptr;
    }
};

}  // namespace velmora::test

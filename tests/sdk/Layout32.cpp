// Compiled with -m32: every field of the filter record and the colour
// services record sits at the host's published 32-bit offset. A wrong
// offset fails the build.
#include <cstddef>

#include "sdk/PIFilter.h"

using sdk::FilterRecord;

#if !defined(__i386__)
#error "this file checks the 32-bit layout; compile it with -m32"
#endif

static_assert(offsetof(FilterRecord, abortProc) == 4);
static_assert(offsetof(FilterRecord, progressProc) == 8);
static_assert(offsetof(FilterRecord, parameters) == 12);
static_assert(offsetof(FilterRecord, imageRows) == 16);
static_assert(offsetof(FilterRecord, imageColumns) == 18);
static_assert(offsetof(FilterRecord, planes) == 20);
static_assert(offsetof(FilterRecord, maxSpace) == 44);
static_assert(offsetof(FilterRecord, bufferSpace) == 48);
static_assert(offsetof(FilterRecord, inRect) == 52);
static_assert(offsetof(FilterRecord, inLoPlane) == 60);
static_assert(offsetof(FilterRecord, inHiPlane) == 62);
static_assert(offsetof(FilterRecord, outRect) == 64);
static_assert(offsetof(FilterRecord, outLoPlane) == 72);
static_assert(offsetof(FilterRecord, outHiPlane) == 74);
static_assert(offsetof(FilterRecord, inData) == 76);
static_assert(offsetof(FilterRecord, inRowBytes) == 80);
static_assert(offsetof(FilterRecord, outData) == 84);
static_assert(offsetof(FilterRecord, outRowBytes) == 88);
static_assert(offsetof(FilterRecord, maskRect) == 96);
static_assert(offsetof(FilterRecord, imageMode) == 128);
static_assert(offsetof(FilterRecord, platformData) == 188);
static_assert(offsetof(FilterRecord, bufferProcs) == 192);
static_assert(offsetof(FilterRecord, colorServices) == 256);
static_assert(offsetof(FilterRecord, sSPBasic) == 372);

static_assert(offsetof(sdk::BufferProcs, allocateProc) == 4);
static_assert(offsetof(sdk::BufferProcs, lockProc) == 8);
static_assert(offsetof(sdk::BufferProcs, unlockProc) == 12);

static_assert(sizeof(sdk::ColorServicesInfo) == 36);
static_assert(offsetof(sdk::ColorServicesInfo, selector) == 4);
static_assert(offsetof(sdk::ColorServicesInfo, sourceSpace) == 6);
static_assert(offsetof(sdk::ColorServicesInfo, resultSpace) == 8);
static_assert(offsetof(sdk::ColorServicesInfo, resultGamutInfoValid) == 10);
static_assert(offsetof(sdk::ColorServicesInfo, resultInGamut) == 11);
static_assert(offsetof(sdk::ColorServicesInfo, reservedSourceSpaceInfo) == 12);
static_assert(offsetof(sdk::ColorServicesInfo, reservedResultSpaceInfo) == 16);
static_assert(offsetof(sdk::ColorServicesInfo, colorComponents) == 20);
static_assert(offsetof(sdk::ColorServicesInfo, reserved) == 28);
static_assert(offsetof(sdk::ColorServicesInfo, selectorParameter) == 32);

static_assert(offsetof(sdk::ColorSpaceSuite1, ConvertToMonitorRGB) == 14 * 4);
static_assert(offsetof(sdk::PlatformData, hwnd) == 0 && sizeof(sdk::PlatformData) == 4);

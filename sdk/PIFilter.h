// The filter plug-in interface as a host publishes it: the filter record, the
// selector protocol, result codes, buffer procedures, colour services, the
// basic suite and the colour space suite.
//
// Layout rule: every field sits at the offset of the host's published 32-bit
// record layout when compiled with -m32 (asserted in tests/sdk). A 64-bit
// build keeps the same field order with natural alignment; module and host
// share this header, so they agree on it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace sdk {

/// Selector codes passed as the first argument of ENTRYPOINT.
enum : int16_t {
    kSelectorAbout = 0,
    kSelectorParameters = 1,
    kSelectorPrepare = 2,
    kSelectorStart = 3,
    kSelectorContinue = 4,
    kSelectorFinish = 5,
};

/// Result codes written through the result argument.
enum : int16_t {
    kNoErr = 0,
    kBadParameters = -30100,
    kBadMode = -30101,
    kUserCanceled = -128,
    /// Positive: the module has already shown the error to the user, so the
    /// host should not show a message of its own.
    kErrorReported = 1,
};

/// Image modes (FilterRecord::imageMode).
enum : int16_t {
    kModeGrayscale = 1,
    kModeIndexed = 2,
    kModeRGB = 3,
    kModeCMYK = 4,
    kModeLab = 9,
    kModeRGB48 = 11,
    kModeLab48 = 12,
};

/// Opaque buffer identifier handed out by the host's allocate procedure.
/// Pointer-sized: 32 bits in the 32-bit layout.
using BufferID = struct BufferOpaque*;

/// Returns non-zero when the user asked to abort.
using AbortProc = uint8_t (*)();
/// Reports progress: done units out of total.
using ProgressProc = void (*)(int32_t done, int32_t total);

using AllocateBufferProc = int16_t (*)(int32_t size, BufferID* bufferID);
using LockBufferProc = void* (*)(BufferID bufferID, uint8_t moveHigh);
using UnlockBufferProc = void (*)(BufferID bufferID);

/// Buffer procedure table (allocate at +4, lock at +8, unlock at +12 in the
/// 32-bit layout).
struct BufferProcs {
    int16_t bufferProcsVersion;
    int16_t numBufferProcs;
    AllocateBufferProc allocateProc;
    LockBufferProc lockProc;
    UnlockBufferProc unlockProc;
};

/// Colour spaces of the colour services and the colour space suite.
enum : int16_t {
    kColorSpaceRGB = 0,
    kColorSpaceLab = 3,
};

enum : int16_t { kColorServicesConvertColor = 1 };

/// Colour services record: 36 bytes in the 32-bit layout. Components are
/// 0..255 on both sides; Lab in the host's 8-bit encoding (L 0..255 for
/// 0..100, a and b with 128 neutral).
struct ColorServicesInfo {
    int32_t infoSize;
    int16_t selector;
    int16_t sourceSpace;
    int16_t resultSpace;
    uint8_t resultGamutInfoValid;
    uint8_t resultInGamut;
    void* reservedSourceSpaceInfo;
    void* reservedResultSpaceInfo;
    int16_t colorComponents[4];
    void* reserved;
    int32_t selectorParameter;
};

using ColorServicesProc = int16_t (*)(ColorServicesInfo* info);

/// A rectangle: four signed 16-bit values.
struct Rect16 {
    int16_t top;
    int16_t left;
    int16_t bottom;
    int16_t right;
};

/// Host platform data: the first field is the host's window handle (the
/// native window id of the host's document window, 0 when there is none).
struct PlatformData {
    intptr_t hwnd;
};

/// Basic suite: its first function acquires a suite by name and version.
using AcquireSuiteProc = int32_t (*)(const char* name, int32_t version, const void** suite);
using ReleaseSuiteProc = int32_t (*)(const char* name, int32_t version);

struct SPBasicSuite {
    AcquireSuiteProc AcquireSuite;
    ReleaseSuiteProc ReleaseSuite;
};

inline constexpr const char* kColorSpaceSuiteName = "Photoshop ColorSpace Suite for Plug-ins";
inline constexpr int32_t kColorSpaceSuiteVersion = 1;

/// Converts count colours of the given space to the monitor's RGB. Each colour
/// is four bytes; bytes 1..3 hold the components (L, a, b in, R, G, B out).
using ConvertToMonitorRGBProc = int32_t (*)(int16_t colorSpace, uint8_t* inColor, uint8_t* outColor,
                                            int32_t count);
using SuiteSlotProc = void (*)();

/// Colour space suite, version 1. Only the fifteenth function is used here.
struct ColorSpaceSuite1 {
    SuiteSlotProc otherFunctions[14];  // the first fourteen, unused here
    ConvertToMonitorRGBProc ConvertToMonitorRGB;
};

/// The filter record. Fields not used by the filter protocol here are kept as
/// reserved bytes so that the used ones land at their published offsets.
struct FilterRecord {
    int32_t serialNumber;             //   0
    AbortProc abortProc;              //   4
    ProgressProc progressProc;        //   8
    BufferID parameters;              //  12 parameter block identifier (0 = none yet)
    int16_t imageRows;                //  16 imageSize.v
    int16_t imageColumns;             //  18 imageSize.h
    int16_t planes;                   //  20
    uint8_t reserved22[22];           //  22 filter rectangle, colours
    int32_t maxSpace;                 //  44
    int32_t bufferSpace;              //  48
    Rect16 inRect;                    //  52
    int16_t inLoPlane;                //  60
    int16_t inHiPlane;                //  62
    Rect16 outRect;                   //  64
    int16_t outLoPlane;               //  72
    int16_t outHiPlane;               //  74
    void* inData;                     //  76
    int32_t inRowBytes;               //  80
    void* outData;                    //  84
    int32_t outRowBytes;              //  88
    uint8_t reserved92[4];            //  92
    Rect16 maskRect;                  //  96
    uint8_t reserved104[24];          // 104
    int16_t imageMode;                // 128
    uint8_t reserved130[58];          // 130
    PlatformData* platformData;       // 188
    BufferProcs* bufferProcs;         // 192
    uint8_t reserved196[60];          // 196
    ColorServicesProc colorServices;  // 256
    uint8_t reserved260[112];         // 260
    SPBasicSuite* sSPBasic;           // 372
    uint8_t reserved376[64];          // 376
};

/// The record the host passes with the about selector.
struct AboutRecord {
    PlatformData* platformData;
    SPBasicSuite* sSPBasic;
    uint8_t reserved[248];
};

/// The entry point every filter module exports under the name "ENTRYPOINT".
using EntryPointProc = void (*)(int16_t selector, void* record, int32_t* data, int16_t* result);

inline constexpr const char* kEntryPointName = "ENTRYPOINT";

}  // namespace sdk

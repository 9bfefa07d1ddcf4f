// The settings record, snapshot slots and the host-held parameter block.
// The structs are the storage format itself: little-endian, fixed offsets,
// copied byte for byte to and from the block.
#pragma once

#include <cstddef>
#include <cstdint>

namespace velmora {

struct tParams {
    uint8_t AutoLevels;      //   0 boolean; read by no processing step
    uint8_t FollowAnalysis;  //   1 boolean: levels follow each new analysis
    uint8_t reserved2[6];    //   2
    double ClipFraction;     //   8 fraction ignored at each histogram end
    int32_t BlackLevel;      //  16 output level (0..255) of the analysed black point
    int32_t WhiteLevel;      //  20 output level of the analysed white point
    double ColorContrast;    //  24 saturation gain, 0..128
    int32_t SatBend;         //  32 chroma level 1..127 where the gain bends off
    int32_t LowSat;          //  36 low-saturation guard width 0..90
    uint8_t LightPointA;     //  40 colour made neutral at the light point (128 = neutral)
    uint8_t LightPointB;     //  41
    uint8_t LightPointL;     //  42 lightness 0..255 of the light point
    uint8_t ShadowPointA;    //  43
    uint8_t ShadowPointB;    //  44
    uint8_t ShadowPointL;    //  45
    uint8_t reserved46[2];   //  46
    double Lightness;        //  48 exponent of the lightness curve (gamma = 1/Lightness)
    double Contrast;         //  56 local contrast factor, 1 = none
    int32_t Rotate;          //  64 hue rotation, degrees
    int32_t ColorEq[8];      //  68 hue equaliser bands, gain steps 2^(g/20)
    int32_t LightEq[5];      // 100 lightness equaliser bands
    double Shadow;           // 120 shadow lift factor, 1 = none
    double HighLight;        // 128 highlight reduction factor, 1 = none
    double Sharpness;        // 136 local sharpness factor, 1 = none
    double Reserved144;      // 144 0.5 after a full reset; compared, otherwise unused
    uint8_t FullScreen;      // 152 boolean: dialog uses the full-screen size
    uint8_t reserved153[7];  // 153
};

struct tParamSlot {
    tParams Params;          //   0
    uint8_t Used;            // 160 non-zero: the slot holds a snapshot
    uint8_t reserved161[7];  // 161
};

inline constexpr int kSlotCount = 6;

struct tParamBlock {
    tParams Params;                //    0
    tParamSlot Slots[kSlotCount];  //  160, 328, 496, 664, 832, 1000
};

static_assert(sizeof(tParams) == 160);
static_assert(sizeof(tParamSlot) == 168);
static_assert(sizeof(tParamBlock) == 1168);
static_assert(offsetof(tParams, ClipFraction) == 8);
static_assert(offsetof(tParams, BlackLevel) == 16);
static_assert(offsetof(tParams, ColorContrast) == 24);
static_assert(offsetof(tParams, SatBend) == 32);
static_assert(offsetof(tParams, LightPointA) == 40);
static_assert(offsetof(tParams, ShadowPointL) == 45);
static_assert(offsetof(tParams, Lightness) == 48);
static_assert(offsetof(tParams, Contrast) == 56);
static_assert(offsetof(tParams, Rotate) == 64);
static_assert(offsetof(tParams, ColorEq) == 68);
static_assert(offsetof(tParams, LightEq) == 100);
static_assert(offsetof(tParams, Shadow) == 120);
static_assert(offsetof(tParams, HighLight) == 128);
static_assert(offsetof(tParams, Sharpness) == 136);
static_assert(offsetof(tParams, Reserved144) == 144);
static_assert(offsetof(tParams, FullScreen) == 152);
static_assert(offsetof(tParamSlot, Used) == 160);
static_assert(offsetof(tParamBlock, Slots) == 160);

inline constexpr int32_t kParamBlockSize = int32_t(sizeof(tParamBlock));

}  // namespace velmora

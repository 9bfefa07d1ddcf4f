// The plug-in property list (resource 'PIPL' 16000), byte for byte. Hosts
// read it from the ".pipl" section of the module file without loading the
// module. Four-character codes are little-endian 32-bit values, so "8BIM"
// appears as the bytes 'M' 'I' 'B' '8'. Every property: vendor, key, id 0,
// data length, data zero-filled to a multiple of 4.
#include "host/Selectors.h"

namespace velmora {

#define VELMORA_VENDOR 'M', 'I', 'B', '8'
#define VELMORA_ID0 0, 0, 0, 0

// clang-format off
[[gnu::section(".pipl"), gnu::used, gnu::retain]] alignas(4) const uint8_t kPropertyList[] = {
    // Header: int16 version 1, int32 kind 0, int32 count 8.
    1, 0, 0, 0, 0, 0, 8, 0, 0, 0,
    // kind: "8BFM", a filter.
    VELMORA_VENDOR, 'd', 'n', 'i', 'k', VELMORA_ID0, 4, 0, 0, 0,
    'M', 'F', 'B', '8',
    // vers: major 4 in the high 16 bits, minor 0.
    VELMORA_VENDOR, 's', 'r', 'e', 'v', VELMORA_ID0, 4, 0, 0, 0,
    0, 0, 4, 0,
    // host: "8BIM", any compatible host.
    VELMORA_VENDOR, 't', 's', 'o', 'h', VELMORA_ID0, 4, 0, 0, 0,
    'M', 'I', 'B', '8',
    // catg: length byte 11, "Zeq filters".
    VELMORA_VENDOR, 'g', 't', 'a', 'c', VELMORA_ID0, 12, 0, 0, 0,
    11, 'Z', 'e', 'q', ' ', 'f', 'i', 'l', 't', 'e', 'r', 's',
    // name: length byte 31, "Zeq Velmora", zeros up to 31 characters.
    VELMORA_VENDOR, 'e', 'm', 'a', 'n', VELMORA_ID0, 32, 0, 0, 0,
    31, 'Z', 'e', 'q', ' ', 'V', 'e', 'l', 'm', 'o', 'r', 'a',
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    // wx86: the export name with its terminating zero (11 bytes), one pad byte.
    VELMORA_VENDOR, '6', '8', 'x', 'w', VELMORA_ID0, 11, 0, 0, 0,
    'E', 'N', 'T', 'R', 'Y', 'P', 'O', 'I', 'N', 'T', 0, 0,
    // mode: big-endian flag word 0x1058 = RGB | Lab | RGB48 | Lab48.
    VELMORA_VENDOR, 'e', 'd', 'o', 'm', VELMORA_ID0, 4, 0, 0, 0,
    0x10, 0x58, 0, 0,
    // enbl: the enabling condition, zeros up to 64 bytes.
    VELMORA_VENDOR, 'l', 'b', 'n', 'e', VELMORA_ID0, 64, 0, 0, 0,
    'i', 'n', ' ', '(', 'P', 'S', 'H', 'O', 'P', '_', 'I', 'm', 'a', 'g', 'e', 'M', 'o', 'd', 'e', ',',
    ' ', 'R', 'G', 'B', 'M', 'o', 'd', 'e', ',', ' ', 'R', 'G', 'B', '4', '8', 'M', 'o', 'd', 'e', ',',
    ' ', 'L', 'a', 'b', 'M', 'o', 'd', 'e', ',', ' ', 'L', 'a', 'b', '4', '8', 'M', 'o', 'd', 'e', ')',
    0, 0, 0, 0,
};
// clang-format on

#undef VELMORA_VENDOR
#undef VELMORA_ID0

}  // namespace velmora

#include "tests/support/FakeHost.h"

#include <algorithm>
#include <cstring>

namespace velmora::test {

namespace {
FakeHost* active = nullptr;

int16_t Clamp255(int v) {
    return int16_t(std::clamp(v, 0, 255));
}

uint8_t AbortProc() {
    FakeHost* h = active;
    ++h->abortCalls;
    return (h->abortFromCall > 0 && h->abortCalls >= h->abortFromCall) ? 1 : 0;
}

void ProgressProc(int32_t done, int32_t total) {
    active->progress.emplace_back(done, total);
}

int16_t AllocateProc(int32_t size, sdk::BufferID* id) {
    FakeHost* h = active;
    ++h->allocateCalls;
    h->block.assign(size_t(size), 0xEE);  // garbage: the module must initialise it
    *id = reinterpret_cast<sdk::BufferID>(&h->block);
    return 0;
}

void* LockProc(sdk::BufferID id, uint8_t) {
    FakeHost* h = active;
    if (id != reinterpret_cast<sdk::BufferID>(&h->block)) return nullptr;
    h->blockLocked = true;
    return h->block.data();
}

void UnlockProc(sdk::BufferID) {
    active->blockLocked = false;
}

int16_t ColorServices(sdk::ColorServicesInfo* info) {
    FakeHost* h = active;
    ++h->colorServicesCalls;
    int16_t out[3];
    if (info->sourceSpace == sdk::kColorSpaceRGB && info->resultSpace == sdk::kColorSpaceLab)
        FakeHost::FakeRgbToLab(info->colorComponents, out);
    else
        FakeHost::FakeLabToRgb(info->colorComponents, out);
    std::copy(out, out + 3, info->colorComponents);
    return 0;
}

int32_t ToMonitor(int16_t, uint8_t* inColor, uint8_t* outColor, int32_t count) {
    FakeHost* h = active;
    for (int32_t i = 0; i < count; ++i) {
        ++h->displayCalls;
        int16_t lab[3] = {inColor[4 * i + 1], inColor[4 * i + 2], inColor[4 * i + 3]};
        int16_t rgb[3];
        FakeHost::FakeLabToRgb(lab, rgb);
        outColor[4 * i] = 0;
        for (int k = 0; k < 3; ++k) outColor[4 * i + 1 + k] = uint8_t(rgb[k]);
    }
    return 0;
}

int32_t AcquireSuite(const char* name, int32_t version, const void** suite) {
    if (std::strcmp(name, sdk::kColorSpaceSuiteName) != 0 || version != 1) return -1;
    *suite = &active->colorSpace;
    return 0;
}
}  // namespace

FakeHost* FakeHost::Current() {
    return active;
}

void FakeHost::FakeRgbToLab(const int16_t c[3], int16_t lab[3]) {
    int r = c[0], g = c[1], b = c[2];
    lab[0] = Clamp255((77 * r + 150 * g + 29 * b + 128) >> 8);
    lab[1] = Clamp255(128 + (r - g) / 2);
    lab[2] = Clamp255(128 + (g - b) / 2);
}

void FakeHost::FakeLabToRgb(const int16_t c[3], int16_t rgb[3]) {
    // Inverse of FakeRgbToLab up to rounding and clamping.
    int L = c[0], da = 2 * (c[1] - 128), db = 2 * (c[2] - 128);
    // r = g + da, b = g - db, L = (77r + 150g + 29b)/256 = g + (77da - 29db)/256
    int g = L - (77 * da - 29 * db) / 256;
    rgb[0] = Clamp255(g + da);
    rgb[1] = Clamp255(g);
    rgb[2] = Clamp255(g - db);
}

FakeHost::FakeHost(int16_t mode, int32_t columns, int32_t rows, int16_t planes) {
    active = this;
    int bytes = (mode == sdk::kModeRGB48 || mode == sdk::kModeLab48) ? 2 : 1;
    size_t size = size_t(columns) * size_t(rows) * size_t(planes) * size_t(bytes);
    in.assign(size, 0);
    out.assign(size, 0);
    record.abortProc = &AbortProc;
    record.progressProc = &ProgressProc;
    record.imageRows = int16_t(rows);
    record.imageColumns = int16_t(columns);
    record.planes = planes;
    record.inData = in.data();
    record.outData = out.data();
    record.inRowBytes = columns * planes * bytes;
    record.outRowBytes = record.inRowBytes;
    record.imageMode = mode;
    record.platformData = &platform;
    bufferProcs.bufferProcsVersion = 2;
    bufferProcs.numBufferProcs = 3;
    bufferProcs.allocateProc = &AllocateProc;
    bufferProcs.lockProc = &LockProc;
    bufferProcs.unlockProc = &UnlockProc;
    record.bufferProcs = &bufferProcs;
    record.colorServices = &ColorServices;
    colorSpace.ConvertToMonitorRGB = &ToMonitor;
    basic.AcquireSuite = &AcquireSuite;
    record.sSPBasic = &basic;
}

FakeHost::~FakeHost() {
    if (active == this) active = nullptr;
}

}  // namespace velmora::test

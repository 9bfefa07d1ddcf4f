// A filter module for the host's tests. By default it returns the image
// unchanged; environment variables make it do other things:
//   TESTFILTER_ACTION   copy (default) | invert | lab | roundtrip | monitor | wait-abort
//   TESTFILTER_RESULT   result code to answer at selector TESTFILTER_AT (default 4)
//   TESTFILTER_BLOCK    size of the parameter block it allocates (default 1168)
//   TESTFILTER_READY    file it creates when wait-abort starts waiting
//   TESTFILTER_FAIL_WIDTH  answers 5 at continue for images of this width
//   TESTFILTER_RMDIR    an (empty) folder it removes at continue, as if the
//                       output's folder went away while the filter ran
//   TESTFILTER_CREATE   a file it creates at continue, as if another program
//                       wrote the output while the filter ran
//   TESTFILTER_DIALOG   confirm (default) | cancel: how its "dialog" ends in a
//                       run with parameters; cancel answers -128 at continue
//                       and writes no output (the block is still counted)
// A run with parameters (a dialog run) needs a host window in platform data;
// a repeat needs none.
// Its parameter block: "TFLT" at 0, a run counter (uint32) at 4, the last
// image mode (int16) at 8. It checks the record it is given and answers 7
// (an error it reported itself) when something is off.
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "sdk/PIFilter.h"
#include "tests/filterhost/modules/TestPipl.h"

#ifndef TEST_FILTER_MODES
#define TEST_FILTER_MODES 0x1058
#endif
#ifndef TEST_FILTER_NAME
#define TEST_FILTER_NAME "Test Filter"
#endif

TEST_PIPL("Test filters", TEST_FILTER_NAME, TEST_FILTER_MODES)

namespace {

const sdk::ColorSpaceSuite1* suite = nullptr;
uint8_t* block = nullptr;
bool dialogRun = false;

std::string Env(const char* name, const char* fallback = "") {
    const char* v = std::getenv(name);
    return v ? v : fallback;
}

bool Supported(int16_t mode) {
    switch (mode) {
        case sdk::kModeRGB:
            return (TEST_FILTER_MODES & 0x1000) != 0;
        case sdk::kModeLab:
            return (TEST_FILTER_MODES & 0x0040) != 0;
        case sdk::kModeRGB48:
            return (TEST_FILTER_MODES & 0x0010) != 0;
        case sdk::kModeLab48:
            return (TEST_FILTER_MODES & 0x0008) != 0;
        default:
            return false;
    }
}

int16_t Complain(const char* what) {
    std::fprintf(stderr, "testfilter: %s\n", what);
    return 7;
}

int16_t CheckRecord(const sdk::FilterRecord& r) {
    const int bytes = (r.imageMode == sdk::kModeRGB48 || r.imageMode == sdk::kModeLab48) ? 2 : 1;
    const int32_t rowBytes = r.imageColumns * 3 * bytes;
    if (r.planes != 3) return Complain("planes");
    if (r.inRowBytes != rowBytes || r.outRowBytes != rowBytes) return Complain("row bytes");
    if (!r.inData || !r.outData || r.inData == r.outData) return Complain("buffers");
    if (std::memcmp(r.inData, r.outData, size_t(rowBytes) * size_t(r.imageRows)) != 0)
        return Complain("outData is not a copy of inData");
    if (!r.abortProc || !r.progressProc || !r.bufferProcs || !r.colorServices || !r.sSPBasic)
        return Complain("services");
    if (!r.platformData) return Complain("platform data");
    if (dialogRun && r.platformData->hwnd == 0) return Complain("no host window for the dialog");
    if (!dialogRun && r.platformData->hwnd != 0) return Complain("a host window for a repeat");
    if (!Supported(r.imageMode)) return Complain("mode");
    if (!suite) return Complain("no colour space suite");
    return 0;
}

int16_t ReadBlock(sdk::FilterRecord& r) {
    sdk::BufferProcs* procs = r.bufferProcs;
    if (!r.parameters) {
        const int32_t size = std::atoi(Env("TESTFILTER_BLOCK", "1168").c_str());
        if (procs->allocateProc(size, &r.parameters) != 0 || !r.parameters)
            return Complain("allocate");
        block = static_cast<uint8_t*>(procs->lockProc(r.parameters, 0));
        if (!block) return Complain("lock");
        std::memset(block, 0, size_t(size));
        std::memcpy(block, "TFLT", 4);
        return 0;
    }
    block = static_cast<uint8_t*>(procs->lockProc(r.parameters, 0));
    if (!block) return Complain("lock");
    if (std::memcmp(block, "TFLT", 4) != 0)
        return Complain("the block handed in is not this filter's");
    return 0;
}

void ConvertColor(sdk::FilterRecord& r, int16_t from, int16_t to, int16_t c[3]) {
    sdk::ColorServicesInfo info{};
    info.infoSize = 36;
    info.selector = sdk::kColorServicesConvertColor;
    info.sourceSpace = from;
    info.resultSpace = to;
    info.resultGamutInfoValid = 1;
    for (int k = 0; k < 3; ++k) info.colorComponents[k] = c[k];
    r.colorServices(&info);
    for (int k = 0; k < 3; ++k) c[k] = info.colorComponents[k];
}

int16_t Process(sdk::FilterRecord& r) {
    const std::string action = Env("TESTFILTER_ACTION", "copy");
    const bool deep = r.imageMode == sdk::kModeRGB48 || r.imageMode == sdk::kModeLab48;
    const size_t rowSamples = size_t(r.imageColumns) * 3;
    if (action == "wait-abort") {
        const std::string ready = Env("TESTFILTER_READY");
        if (FILE* f = std::fopen(ready.c_str(), "w")) std::fclose(f);
        for (int i = 0; i < 3000; ++i) {
            r.progressProc(i % 100, 100);
            if (r.abortProc()) return 0;  // like a filter that stops quietly on abort
            usleep(10000);
        }
        return Complain("no abort came");
    }
    for (int32_t y = 0; y < r.imageRows; ++y) {
        r.progressProc(y, r.imageRows);
        if (r.abortProc()) return 0;
        for (size_t i = 0; i < rowSamples; i += 3) {
            const size_t at = size_t(y) * rowSamples + i;
            if (deep) {
                const uint16_t* in = static_cast<const uint16_t*>(r.inData) + at;
                uint16_t* out = static_cast<uint16_t*>(r.outData) + at;
                for (int k = 0; k < 3; ++k)
                    out[k] =
                        action == "invert" ? uint16_t(32768 - std::min<int>(in[k], 32768)) : in[k];
                continue;
            }
            const uint8_t* in = static_cast<const uint8_t*>(r.inData) + at;
            uint8_t* out = static_cast<uint8_t*>(r.outData) + at;
            int16_t c[3] = {in[0], in[1], in[2]};
            if (action == "invert") {
                for (int k = 0; k < 3; ++k) c[k] = int16_t(255 - c[k]);
            } else if (action == "lab") {
                ConvertColor(r, sdk::kColorSpaceRGB, sdk::kColorSpaceLab, c);
            } else if (action == "roundtrip") {
                ConvertColor(r, sdk::kColorSpaceRGB, sdk::kColorSpaceLab, c);
                ConvertColor(r, sdk::kColorSpaceLab, sdk::kColorSpaceRGB, c);
            } else if (action == "monitor") {
                uint8_t lab[4] = {0, in[0], in[1], in[2]}, rgb[4] = {};
                suite->ConvertToMonitorRGB(sdk::kColorSpaceLab, lab, rgb, 1);
                for (int k = 0; k < 3; ++k) c[k] = rgb[k + 1];
            }
            for (int k = 0; k < 3; ++k) out[k] = uint8_t(c[k]);
        }
    }
    return 0;
}

int16_t Run(int16_t selector, void* record) {
    if (selector == sdk::kSelectorAbout) {
        std::printf("testfilter: about\n");
        return 0;
    }
    auto& r = *static_cast<sdk::FilterRecord*>(record);
    switch (selector) {
        case sdk::kSelectorParameters:
            if (!Supported(r.imageMode)) return sdk::kBadMode;
            dialogRun = true;
            return 0;
        case sdk::kSelectorPrepare: {
            const void* s = nullptr;
            suite = r.sSPBasic->AcquireSuite(sdk::kColorSpaceSuiteName, 1, &s) == 0
                        ? static_cast<const sdk::ColorSpaceSuite1*>(s)
                        : nullptr;
            r.maxSpace = 0;
            r.bufferSpace = 0;
            return 0;
        }
        case sdk::kSelectorStart:
            r.inRect = sdk::Rect16{0, 0, r.imageRows, r.imageColumns};
            r.outRect = r.inRect;
            r.inLoPlane = r.outLoPlane = 0;
            r.inHiPlane = r.outHiPlane = int16_t(r.planes - 1);
            return 0;
        case sdk::kSelectorContinue: {
            if (int16_t e = CheckRecord(r)) return e;
            if (int16_t e = ReadBlock(r)) return e;
            uint32_t runs = 0;
            std::memcpy(&runs, block + 4, 4);
            ++runs;
            std::memcpy(block + 4, &runs, 4);
            std::memcpy(block + 8, &r.imageMode, 2);
            const std::string failWidth = Env("TESTFILTER_FAIL_WIDTH");
            if (!failWidth.empty() && r.imageColumns == std::atoi(failWidth.c_str())) return 5;
            if (dialogRun && Env("TESTFILTER_DIALOG") == "cancel") {
                r.inRect = r.outRect = r.maskRect = sdk::Rect16{0, 0, 0, 0};
                return sdk::kUserCanceled;
            }
            if (const std::string gone = Env("TESTFILTER_RMDIR"); !gone.empty())
                rmdir(gone.c_str());
            if (const std::string made = Env("TESTFILTER_CREATE"); !made.empty())
                if (FILE* f = std::fopen(made.c_str(), "wb")) std::fclose(f);
            const int16_t e = Process(r);
            r.inRect = r.outRect = r.maskRect = sdk::Rect16{0, 0, 0, 0};
            r.progressProc(1, 1);
            return e;
        }
        case sdk::kSelectorFinish:
            dialogRun = false;
            if (block) r.bufferProcs->unlockProc(r.parameters);
            block = nullptr;
            return 0;
        default:
            return sdk::kBadParameters;
    }
}

}  // namespace

extern "C" __attribute__((visibility("default"))) void ENTRYPOINT(int16_t selector, void* record,
                                                                  int32_t* data, int16_t* result) {
    const int32_t saved = *data;
    int16_t code = Run(selector, record);
    const std::string forced = Env("TESTFILTER_RESULT");
    if (!forced.empty() && selector == int16_t(std::atoi(Env("TESTFILTER_AT", "4").c_str())))
        code = int16_t(std::atoi(forced.c_str()));
    *data = saved;
    *result = code;
}

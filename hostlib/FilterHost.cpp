#include "hostlib/FilterHost.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "hostlib/ColorEngine.h"

namespace hostlib {

struct FilterHost::Buffer {
    std::vector<uint8_t> bytes;
    int locks = 0;
};

namespace {

// The host whose run is in progress; the services below reach it here.
FilterHost* active = nullptr;

// Suite errors of the basic suite ('S!Fd', '!IMP').
constexpr int32_t kSuiteNotFound = int32_t(0x53214664);
constexpr int32_t kUnimplemented = int32_t(0x21494D50);
// The largest buffer a module may allocate through the buffer procedures.
constexpr int32_t kMaxBufferSize = 64 << 20;

uint8_t AbortProc() {
    return active && active->AbortRequested() ? 1 : 0;
}

void ProgressProc(int32_t done, int32_t total) {
    if (active) active->ReportProgress(done, total);
}

int16_t AllocateProc(int32_t size, sdk::BufferID* id) {
    return active ? active->AllocateBuffer(size, id) : kParamErr;
}
void* LockProc(sdk::BufferID id, uint8_t) {
    return active ? active->LockBuffer(id) : nullptr;
}
void UnlockProc(sdk::BufferID id) {
    if (active) active->UnlockBuffer(id);
}

int16_t ColorServicesProc(sdk::ColorServicesInfo* info) {
    return active ? active->ConvertColor(info) : kParamErr;
}

int32_t ConvertToMonitorProc(int16_t space, uint8_t* in, uint8_t* out, int32_t count) {
    return active ? active->ConvertToMonitor(space, in, out, count) : kParamErr;
}

// The suite's other functions are not offered: they answer "unimplemented".
// A function of this type may be called through any pointer type on the
// platform's C calling convention, since it reads no arguments.
int32_t UnimplementedSuiteFunction() {
    return kUnimplemented;
}

int32_t AcquireSuiteProc(const char* name, int32_t version, const void** suite);
int32_t ReleaseSuiteProc(const char*, int32_t) {
    return 0;
}

const char* SelectorName(int16_t selector) {
    switch (selector) {
        case sdk::kSelectorAbout:
            return "about";
        case sdk::kSelectorParameters:
            return "parameters";
        case sdk::kSelectorPrepare:
            return "prepare";
        case sdk::kSelectorStart:
            return "start";
        case sdk::kSelectorContinue:
            return "continue";
        case sdk::kSelectorFinish:
            return "finish";
        default:
            return "?";
    }
}

bool IsEmpty(const sdk::Rect16& r) {
    return r.top >= r.bottom || r.left >= r.right;
}

// Makes this host the active one for the duration of a run.
class ActiveScope {
  public:
    explicit ActiveScope(FilterHost* host) { active = host; }
    ~ActiveScope() { active = nullptr; }
    ActiveScope(const ActiveScope&) = delete;
    ActiveScope& operator=(const ActiveScope&) = delete;
};

}  // namespace

namespace {
int32_t AcquireSuiteProc(const char* name, int32_t version, const void** suite) {
    if (!suite) return kSuiteNotFound;
    if (!active || !name || std::strcmp(name, sdk::kColorSpaceSuiteName) != 0 ||
        version != sdk::kColorSpaceSuiteVersion) {
        *suite = nullptr;
        return kSuiteNotFound;
    }
    *suite = active->ColorSpaceSuite();
    return 0;
}
}  // namespace

std::string ResultCodeMeaning(int16_t code) {
    switch (code) {
        case sdk::kBadParameters:
            return "bad parameters (-30100)";
        case sdk::kBadMode:
            return "the plug-in does not support the document's mode (bad mode, -30101)";
        case sdk::kUserCanceled:
            return "cancelled (-128)";
        case kMemFullErr:
            return "out of memory (-108)";
        case kParamErr:
            return "bad parameter (-50)";
        default:
            break;
    }
    if (code > 0)
        return "the plug-in reported the error itself (code " + std::to_string(code) + ")";
    return "error code " + std::to_string(code);
}

FilterHost::FilterHost(const PluginModule& module) : module_(module) {
    bufferProcs_.bufferProcsVersion = 2;
    bufferProcs_.numBufferProcs = 3;
    bufferProcs_.allocateProc = &AllocateProc;
    bufferProcs_.lockProc = &LockProc;
    bufferProcs_.unlockProc = &UnlockProc;
    basic_.AcquireSuite = &AcquireSuiteProc;
    basic_.ReleaseSuite = &ReleaseSuiteProc;
    for (auto& slot : colorSpace_.otherFunctions)
        slot = reinterpret_cast<sdk::SuiteSlotProc>(&UnimplementedSuiteFunction);
    colorSpace_.ConvertToMonitorRGB = &ConvertToMonitorProc;
    platform_.hwnd = 0;  // no host window
}

FilterHost::~FilterHost() = default;

void FilterHost::SetParameterBlock(const std::vector<uint8_t>& bytes) {
    auto buffer = std::make_unique<Buffer>();
    buffer->bytes = bytes;
    parameters_ = reinterpret_cast<sdk::BufferID>(buffer.get());
    buffers_.push_back(std::move(buffer));
}

void FilterHost::ClearParameterBlock() {
    parameters_ = nullptr;
}

std::optional<std::vector<uint8_t>> FilterHost::ParameterBlock() const {
    for (const auto& b : buffers_)
        if (reinterpret_cast<sdk::BufferID>(b.get()) == parameters_) return b->bytes;
    return std::nullopt;
}

FilterHost::Buffer* FilterHost::FindBuffer(sdk::BufferID id) {
    for (auto& b : buffers_)
        if (reinterpret_cast<sdk::BufferID>(b.get()) == id) return b.get();
    return nullptr;
}

void FilterHost::Fail(const std::string& message) {
    if (failure_.empty()) failure_ = message;
}

int16_t FilterHost::AllocateBuffer(int32_t size, sdk::BufferID* id) {
    if (!id) return kParamErr;
    *id = nullptr;
    if (size < 0 || size > kMaxBufferSize) return kMemFullErr;
    if (size != kParameterBlockSize)
        Fail("the plug-in asked for a parameter block of " + std::to_string(size) +
             " bytes; the host keeps " + std::to_string(kParameterBlockSize) + "-byte blocks");
    try {
        auto buffer = std::make_unique<Buffer>();
        buffer->bytes.assign(size_t(size), 0);
        *id = reinterpret_cast<sdk::BufferID>(buffer.get());
        buffers_.push_back(std::move(buffer));
    } catch (const std::bad_alloc&) {
        return kMemFullErr;
    }
    return 0;
}

void* FilterHost::LockBuffer(sdk::BufferID id) {
    Buffer* b = FindBuffer(id);
    if (!b) {
        Fail("the plug-in locked a buffer that the host never gave it");
        return nullptr;
    }
    ++b->locks;
    return b->bytes.data();
}

void FilterHost::UnlockBuffer(sdk::BufferID id) {
    Buffer* b = FindBuffer(id);
    if (!b) {
        Fail("the plug-in unlocked a buffer that the host never gave it");
        return;
    }
    if (b->locks > 0) --b->locks;
}

bool FilterHost::Aborted() const {
    return run_ && run_->abort && run_->abort->load();
}

bool FilterHost::AbortRequested() {
    return Aborted() || !failure_.empty();
}

void FilterHost::ReportProgress(int32_t done, int32_t total) {
    if (run_ && run_->progress && total > 0) run_->progress(double(done) / double(total));
}

int16_t FilterHost::ConvertColor(sdk::ColorServicesInfo* info) {
    if (!info || info->selector != sdk::kColorServicesConvertColor) return kParamErr;
    const int16_t from = info->sourceSpace, to = info->resultSpace;
    if ((from != sdk::kColorSpaceRGB && from != sdk::kColorSpaceLab) ||
        (to != sdk::kColorSpaceRGB && to != sdk::kColorSpaceLab))
        return kParamErr;
    uint8_t in[3], out[3];
    for (int k = 0; k < 3; ++k) {
        const int16_t c = info->colorComponents[k];
        if (c < 0 || c > 255) return kParamErr;
        in[k] = uint8_t(c);
    }
    if (!color_) color_ = std::make_unique<ColorEngine>(std::vector<uint8_t>(), monitorIcc_);
    if (from == to)
        std::memcpy(out, in, 3);
    else if (from == sdk::kColorSpaceRGB)
        color_->RgbToLab(in, out);
    else
        color_->LabToRgb(in, out);
    for (int k = 0; k < 3; ++k) info->colorComponents[k] = out[k];
    return 0;
}

int32_t FilterHost::ConvertToMonitor(int16_t space, uint8_t* in, uint8_t* out, int32_t count) {
    if (!in || !out || count < 0) return kParamErr;
    if (space != sdk::kColorSpaceLab && space != sdk::kColorSpaceRGB) return kParamErr;
    if (!color_) color_ = std::make_unique<ColorEngine>(std::vector<uint8_t>(), monitorIcc_);
    for (int32_t i = 0; i < count; ++i) {
        const uint8_t* src = in + 4 * size_t(i);
        uint8_t* dst = out + 4 * size_t(i);
        uint8_t rgb[3];
        if (space == sdk::kColorSpaceLab)
            color_->LabToMonitor(src + 1, rgb);
        else
            std::memcpy(rgb, src + 1, 3);
        dst[0] = 0;
        std::memcpy(dst + 1, rgb, 3);
    }
    return 0;
}

int16_t FilterHost::Call(int16_t selector, void* record) {
    int16_t result = 0;
    module_.Entry()(selector, record, &data_, &result);
    return result;
}

void FilterHost::ThrowFailure(int16_t selector, int16_t code) {
    const std::string& name = module_.Info().name;
    if (Aborted()) throw Interruption("cancelled (" + run_->abortReason + ")");
    if (!failure_.empty()) throw HostError(name + ": " + failure_);
    if (code == sdk::kUserCanceled)
        throw Cancellation(name + " failed at " + SelectorName(selector) + ": " +
                           ResultCodeMeaning(code));
    throw HostError(name + " failed at " + SelectorName(selector) + ": " + ResultCodeMeaning(code));
}

void FilterHost::Filter(Document& doc, const RunOptions& options) {
    failure_.clear();
    color_ = std::make_unique<ColorEngine>(doc.icc, monitorIcc_);
    run_ = &options;
    struct RunReset {
        FilterHost* host;
        ~RunReset() { host->run_ = nullptr; }
    } runReset{this};
    const bool withDialog = options.withDialog;
    ActiveScope scope(this);
    // A run that fails leaves the parameter block as it was, so the next
    // document of the command gets the same block a new command would.
    struct BlockGuard {
        FilterHost* host;
        sdk::BufferID id;
        std::optional<std::vector<uint8_t>> bytes;
        bool keep = false;
        ~BlockGuard() {
            if (keep) return;
            host->parameters_ = id;
            if (Buffer* b = host->FindBuffer(id); b && bytes) b->bytes = *bytes;
        }
    } blockGuard{this, parameters_, ParameterBlock()};

    if (doc.width < 1 || doc.height < 1 || doc.width > kMaxDimension || doc.height > kMaxDimension)
        throw HostError("the image size does not fit the filter record");
    const size_t rowBytes = doc.RowBytes();
    const size_t total = rowBytes * size_t(doc.height);
    if (rowBytes > size_t(INT32_MAX))
        throw HostError("the image rows are too long for the filter record");
    // The module reads the document's own pixels (they go back to the
    // document whatever happens) and writes a copy of them.
    if (doc.pixels.size() < total) throw HostError("the document has fewer pixels than its size");
    std::vector<uint8_t> outData(doc.pixels.begin(), doc.pixels.begin() + std::ptrdiff_t(total));
    struct InputGuard {
        Document& doc;
        std::vector<uint8_t> data;
        ~InputGuard() { doc.pixels = std::move(data); }
    } input{doc, std::move(doc.pixels)};
    std::vector<uint8_t>& inData = input.data;

    sdk::FilterRecord record{};
    record.serialNumber = 0;
    record.abortProc = &AbortProc;
    record.progressProc = &ProgressProc;
    record.parameters = parameters_;
    record.imageRows = int16_t(doc.height);
    record.imageColumns = int16_t(doc.width);
    record.planes = 3;
    record.maxSpace = 1 << 30;
    record.imageMode = doc.ImageMode();
    record.platformData = &platform_;
    record.bufferProcs = &bufferProcs_;
    record.colorServices = &ColorServicesProc;
    record.sSPBasic = &basic_;

    const std::string name = module_.Info().name;
    auto check = [&](int16_t selector, int16_t code) {
        parameters_ = record.parameters;
        if (code != 0 || !failure_.empty() || Aborted()) ThrowFailure(selector, code);
    };

    if (withDialog) check(sdk::kSelectorParameters, Call(sdk::kSelectorParameters, &record));
    check(sdk::kSelectorPrepare, Call(sdk::kSelectorPrepare, &record));
    check(sdk::kSelectorStart, Call(sdk::kSelectorStart, &record));

    // The host hands over the whole image in one piece, all three planes.
    const sdk::Rect16 whole{0, 0, int16_t(doc.height), int16_t(doc.width)};
    auto same = [](const sdk::Rect16& a, const sdk::Rect16& b) {
        return a.top == b.top && a.left == b.left && a.bottom == b.bottom && a.right == b.right;
    };
    if (!same(record.inRect, whole) || !same(record.outRect, whole) || record.inLoPlane != 0 ||
        record.inHiPlane != 2 || record.outLoPlane != 0 || record.outHiPlane != 2)
        throw HostError(
            name + " asked for part of the image; the host supplies the whole image, all planes");
    record.inData = inData.data();
    record.outData = outData.data();
    record.inRowBytes = int32_t(rowBytes);
    record.outRowBytes = int32_t(rowBytes);

    const auto started = std::chrono::steady_clock::now();
    const std::clock_t startedCpu = std::clock();
    const int16_t continued = Call(sdk::kSelectorContinue, &record);
    parameters_ = record.parameters;
    // finish follows continue whatever continue answered, so the module can
    // unlock its block and release what belongs to this image.
    const int16_t finished = Call(sdk::kSelectorFinish, &record);
    parameters_ = record.parameters;
    if (reportModuleTime)
        std::fprintf(
            stderr, "module time: %.3f s (cpu %.3f s)\n",
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count(),
            double(std::clock() - startedCpu) / CLOCKS_PER_SEC);
    if (continued != 0 || Aborted() || !failure_.empty())
        ThrowFailure(sdk::kSelectorContinue, continued);
    if (finished != 0) ThrowFailure(sdk::kSelectorFinish, finished);
    if (!IsEmpty(record.inRect) || !IsEmpty(record.outRect))
        throw HostError(
            name + " asked for more image data after continue; the host supplies the image once");

    blockGuard.keep = true;
    input.data = std::move(outData);
}

std::string FilterHost::ProfileNote() const {
    return color_ ? color_->ProfileNote() : std::string();
}

void FilterHost::About() {
    failure_.clear();
    ActiveScope scope(this);
    sdk::AboutRecord about{};
    about.platformData = &platform_;
    about.sSPBasic = &basic_;
    const int16_t code = Call(sdk::kSelectorAbout, &about);
    if (code != 0 || !failure_.empty()) ThrowFailure(sdk::kSelectorAbout, code);
}

}  // namespace hostlib

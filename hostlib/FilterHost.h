// The host side of the filter protocol: the filter record, the host
// services a filter calls (buffer procedures, progress, abort, colour
// services, the basic suite with the colour space suite, platform data) and
// the selector sequences.
//
// One FilterHost serves one loaded module for the life of a front end's
// work (a command, a GIMP call); it keeps the module's data word and
// parameter block between documents, so a block the module writes at finish
// is the block it is handed next time.
// The services are plain C functions: they reach the FilterHost whose run is
// in progress through a process-wide pointer (one run at a time, on the
// calling thread).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "hostlib/Document.h"
#include "hostlib/HostError.h"
#include "hostlib/PluginModule.h"
#include "sdk/PIFilter.h"

namespace hostlib {

class ColorEngine;

/// Size of the parameter block the host keeps for a module. Zeq modules use
/// 1168 bytes; a stored block of any other size is refused, and so is a
/// module that asks for one.
inline constexpr int32_t kParameterBlockSize = 1168;

/// Host error codes returned by services (the classic host values).
inline constexpr int16_t kParamErr = -50;
inline constexpr int16_t kMemFullErr = -108;

/// The meaning of a module's result code, for messages.
std::string ResultCodeMeaning(int16_t code);

/// Thrown when a run stopped because the abort flag was set.
class Interruption : public HostError {
  public:
    using HostError::HostError;
};

/// Thrown when the module answered "user cancelled" (-128), e.g. its dialog
/// was closed without confirmation.
class Cancellation : public HostError {
  public:
    using HostError::HostError;
};

/// How one run goes.
struct RunOptions {
    /// With the module's dialog (parameters, prepare, start, continue,
    /// finish) or as a repeat without it (prepare, start, continue, finish).
    bool withDialog = false;
    /// Called with the fraction done, 0..1, each time the module reports
    /// progress; may be empty.
    std::function<void(double)> progress;
    /// While set, abortProc answers "abort" and the run ends in Interruption.
    /// May be set from a signal handler. May be null.
    const std::atomic<bool>* abort = nullptr;
    /// What stopped the run, for Interruption's message "cancelled (<why>)".
    std::string abortReason = "aborted";
};

class FilterHost {
  public:
    explicit FilterHost(const PluginModule& module);
    ~FilterHost();
    FilterHost(const FilterHost&) = delete;
    FilterHost& operator=(const FilterHost&) = delete;

    /// The block to hand the module at its next run (nothing: the module
    /// allocates and initialises a new one). Must be kParameterBlockSize bytes.
    void SetParameterBlock(const std::vector<uint8_t>& bytes);
    /// The next run starts without a block, as the first run of a host does.
    void ClearParameterBlock();
    /// The block the filter record names after the last run, if any.
    std::optional<std::vector<uint8_t>> ParameterBlock() const;

    /// Runs the filter on the document as options say. On success the
    /// document's pixels are the module's output and ParameterBlock() is
    /// the block the module wrote. Throws HostError on any failure,
    /// Interruption when the abort flag stopped it and Cancellation when the
    /// module answers -128; the document and the block are then unchanged.
    void Filter(Document& doc, const RunOptions& options);

    /// Runs the about selector.
    void About();

    /// The host window handed to the module as platform data's first field
    /// (a native window id; 0: no window).
    void SetHostWindow(intptr_t window) { platform_.hwnd = window; }

    /// The display's ICC profile for the colour space suite's conversion to
    /// monitor RGB (empty: sRGB).
    void SetMonitorProfile(const std::vector<uint8_t>& icc) { monitorIcc_ = icc; }

    /// When set, each run prints the module's own time, from the start of
    /// continue to the end of finish, as "module time: S s" on stderr.
    static inline bool reportModuleTime = false;

    /// Why the last document's embedded profile was not used for its RGB
    /// colours (empty when it was, or when it had none).
    std::string ProfileNote() const;

    // The services, called by the module through the record's pointers.
    struct Buffer;
    int16_t AllocateBuffer(int32_t size, sdk::BufferID* id);
    void* LockBuffer(sdk::BufferID id);
    void UnlockBuffer(sdk::BufferID id);
    bool AbortRequested();
    void ReportProgress(int32_t done, int32_t total);
    int16_t ConvertColor(sdk::ColorServicesInfo* info);
    int32_t ConvertToMonitor(int16_t space, uint8_t* in, uint8_t* out, int32_t count);
    const sdk::ColorSpaceSuite1* ColorSpaceSuite() const { return &colorSpace_; }

  private:
    int16_t Call(int16_t selector, void* record);
    bool Aborted() const;
    Buffer* FindBuffer(sdk::BufferID id);
    void Fail(const std::string& message);
    [[noreturn]] void ThrowFailure(int16_t selector, int16_t code);

    const PluginModule& module_;
    int32_t data_ = 0;
    sdk::BufferID parameters_ = nullptr;
    std::list<std::unique_ptr<Buffer>> buffers_;

    // State of the run in progress.
    std::unique_ptr<ColorEngine> color_;
    const RunOptions* run_ = nullptr;
    std::vector<uint8_t> monitorIcc_;
    std::string failure_;  // a fault of the module seen by a service; ends the run

    sdk::PlatformData platform_{};
    sdk::BufferProcs bufferProcs_{};
    sdk::SPBasicSuite basic_{};
    sdk::ColorSpaceSuite1 colorSpace_{};
};

}  // namespace hostlib

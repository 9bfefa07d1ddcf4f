#include "host/Dispatch.h"

#include <cstdio>
#include <exception>
#include <new>
#include <string>

#include "base/Failure.h"
#include "engine/HostCall.h"
#include "host/ModuleState.h"
#include "host/Selectors.h"
#include "host/UiHooks.h"
#include "sdk/PIFilter.h"

namespace velmora {

namespace {

void PrintFailure(const char* message, const char* unit) {
    std::fputs("velmora: ", stderr);
    std::fputs(message, stderr);
    if (unit && *unit) {
        std::fputs(" (", stderr);
        std::fputs(unit, stderr);
        std::fputs(")", stderr);
    }
    std::fputs("\n", stderr);
}

// Shows the failure through the dialog layer while it can, else prints one
// line on standard error. Never throws: it runs inside Dispatch's handlers.
void ReportFailure(const char* message, const char* unit) noexcept {
    if (UiHooks.ShowFailure) {
        try {
            std::string text = message;
            if (unit && *unit) text += std::string(" (") + unit + ")";
            if (UiHooks.ShowFailure(text.c_str())) return;
        } catch (...) {
            // Fall through to standard error.
        }
    }
    PrintFailure(message, unit);
}

void RunSelector(int16_t selector) {
    switch (selector) {
        case sdk::kSelectorAbout:
            AboutSelector();
            break;
        case sdk::kSelectorParameters:
            ParametersSelector();
            break;
        case sdk::kSelectorPrepare:
            PrepareSelector();
            break;
        case sdk::kSelectorStart:
            StartSelector();
            break;
        case sdk::kSelectorContinue:
            ContinueSelector();
            break;
        case sdk::kSelectorFinish:
            FinishSelector();
            break;
        default:
            Module.ResultCode = sdk::kBadParameters;
            break;
    }
}

}  // namespace

void Dispatch(int16_t selector, void* record, int32_t* data, int16_t* result) noexcept {
    Module.ResultCode = sdk::kNoErr;
    // The about selector brings an about record, not a filter record; it is
    // never read through the filter record's layout.
    const bool about = selector == sdk::kSelectorAbout;
    HostCall.Record = about ? nullptr : static_cast<sdk::FilterRecord*>(record);
    Module.SavedData = data ? *data : 0;
    if (!record)
        Module.PlatformData = nullptr;
    else if (about)
        Module.PlatformData = static_cast<sdk::AboutRecord*>(record)->platformData;
    else
        Module.PlatformData = HostCall.Record->platformData;

    try {
        RunSelector(selector);
    } catch (const tInternalFailure& failure) {
        ReportFailure(failure.what(), failure.Unit().c_str());
        Module.ResultCode = sdk::kErrorReported;
    } catch (const std::bad_alloc&) {
        ReportFailure("Недостаточно памяти", nullptr);
        Module.ResultCode = sdk::kErrorReported;
    } catch (const std::exception& e) {
        ReportFailure(e.what(), nullptr);
        Module.ResultCode = sdk::kErrorReported;
    } catch (...) {
        ReportFailure("Непредвиденная внутренняя ошибка", nullptr);
        Module.ResultCode = sdk::kErrorReported;
    }

    if (result) *result = Module.ResultCode;
    if (data) *data = Module.SavedData;
}

}  // namespace velmora

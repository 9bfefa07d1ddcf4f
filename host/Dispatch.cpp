#include "host/Dispatch.h"

#include <cstdio>
#include <exception>
#include <new>
#include <string>

#include "host/Failure.h"
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
            ResultCode = sdk::kBadParameters;
            break;
    }
}

}  // namespace

void Dispatch(int16_t selector, void* record, int32_t* data, int16_t* result) noexcept {
    ResultCode = sdk::kNoErr;
    // The about selector brings an about record, not a filter record; it is
    // never read through the filter record's layout.
    const bool about = selector == sdk::kSelectorAbout;
    CurrentRecord = about ? nullptr : static_cast<sdk::FilterRecord*>(record);
    SavedData = data ? *data : 0;
    if (!record)
        CurrentPlatformData = nullptr;
    else if (about)
        CurrentPlatformData = static_cast<sdk::AboutRecord*>(record)->platformData;
    else
        CurrentPlatformData = CurrentRecord->platformData;

    try {
        RunSelector(selector);
    } catch (const tInternalFailure& failure) {
        ReportFailure(failure.what(), failure.Unit().c_str());
        ResultCode = sdk::kErrorReported;
    } catch (const std::bad_alloc&) {
        ReportFailure("Недостаточно памяти", nullptr);
        ResultCode = sdk::kErrorReported;
    } catch (const std::exception& e) {
        ReportFailure(e.what(), nullptr);
        ResultCode = sdk::kErrorReported;
    } catch (...) {
        ReportFailure("Непредвиденная внутренняя ошибка", nullptr);
        ResultCode = sdk::kErrorReported;
    }

    if (result) *result = ResultCode;
    if (data) *data = SavedData;
}

}  // namespace velmora

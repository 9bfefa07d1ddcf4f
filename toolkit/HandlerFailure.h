// Exceptions thrown by event handlers must not unwind through Qt's frames
// (Qt is not exception-safe). A handler's exception is caught where the
// toolkit calls it and kept; it comes out again of the toolkit call that
// caused the handler to run (SetPosition, SetText, ProcessMessages, ...)
// once Qt's frames are left, or, for a handler run by the message loop, it
// ends TApplication::Run, which rethrows it. Only the first one is kept.
#pragma once

#include <exception>
#include <utility>

namespace velmora::ui {

/// Keeps a handler's exception (unless one is already kept) and ends the
/// message loop of TApplication::Run if it is running.
void StoreHandlerFailure(std::exception_ptr failure);
bool HandlerFailurePending();
/// Hands over the kept exception (null when none) and forgets it.
std::exception_ptr TakeHandlerFailure();

/// Calls a handler if one is set. The handler is copied first, so it may
/// replace or clear itself while it runs; what it throws is kept as above.
template <class F, class... Args>
void Raise(const F& handler, Args&&... args) {
    if (!handler) return;
    F copy = handler;
    try {
        copy(std::forward<Args>(args)...);
    } catch (...) {
        StoreHandlerFailure(std::current_exception());
    }
}

/// Runs a call into Qt that may raise handlers; if one of them failed during
/// the call, its exception is rethrown here.
template <class F>
void Guarded(F&& call) {
    const bool before = HandlerFailurePending();
    std::forward<F>(call)();
    if (!before && HandlerFailurePending()) std::rethrow_exception(TakeHandlerFailure());
}

}  // namespace velmora::ui

// The user interface is reached through hooks the dialog layer installs when
// the module is linked with it; the core alone has none.
#pragma once

namespace velmora {

struct tUiHooks {
    /// Runs the parameter dialog's event loop until it closes.
    void (*RunParamDialog)() = nullptr;
    /// Shows the about box until it is closed.
    void (*RunAboutBox)() = nullptr;
    /// Shows an internal failure message to the user while a window is up;
    /// returns false when it could not (the caller then prints it).
    bool (*ShowFailure)(const char* message) = nullptr;
};

extern tUiHooks UiHooks;

}  // namespace velmora

// What the dialog layer offers the core through its hooks (host/UiHooks.h),
// and the record of which window of the module is up.
#pragma once

class QWidget;

namespace velmora::dialog {

/// The about selector: shows the about box, parented to the host window of
/// the call's platform data, and returns when it is closed. Fails with a
/// message (never aborts the process) when no display can be used.
void RunAboutBox();

/// The continue selector's dialog: creates the parameter dialog parented to
/// the host window, runs the message loop until it closes and lets the
/// remaining messages run. Fails with a message when no display can be used.
void RunParamDialog();

/// Shows a failure message in a message box over the module's window while
/// one is up; false (nothing shown) otherwise.
bool ShowFailure(const char* message);

/// The module's window that is up, or null.
QWidget* ModuleWindow();

/// Marks a window of the module as up for its lifetime (nests: the previous
/// one comes back when the scope ends).
class tModuleWindowScope {
  public:
    explicit tModuleWindowScope(QWidget* window);
    ~tModuleWindowScope();
    tModuleWindowScope(const tModuleWindowScope&) = delete;
    tModuleWindowScope& operator=(const tModuleWindowScope&) = delete;

  private:
    QWidget* previous_;
};

/// Puts RunParamDialog, RunAboutBox and ShowFailure into the core's hooks.
void InstallUiHooks();

}  // namespace velmora::dialog

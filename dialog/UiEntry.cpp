#include "dialog/UiEntry.h"

#include <QMessageBox>
#include <QPointer>
#include <QString>

#include "base/Failure.h"
#include "dialog/DialogView.h"
#include "dialog/Language.h"
#include "dialog/TAboutForm.h"
#include "dialog/TParamForm.h"
#include "host/ModuleState.h"
#include "host/UiHooks.h"
#include "toolkit/TApplication.h"

namespace velmora::dialog {

namespace {

// Plain pointer, no Qt object at load time: the headless path never
// constructs anything of Qt.
QWidget* currentWindow = nullptr;

WId HostWindow() {
    return Module.PlatformData ? WId(Module.PlatformData->hwnd) : WId(0);
}

}  // namespace

QWidget* ModuleWindow() {
    return currentWindow;
}

tModuleWindowScope::tModuleWindowScope(QWidget* window) : previous_(currentWindow) {
    currentWindow = window;
}

tModuleWindowScope::~tModuleWindowScope() {
    currentWindow = previous_;
}

void RunAboutBox() {
    ui::TApplication& app = ui::TApplication::Instance();
    if (!app.Initialize())
        Fail("Окно «О программе» не может быть показано: нет графического дисплея");
    tLanguageScope language;
    TAboutForm form;
    form.SetParentWindow(HostWindow());
    tModuleWindowScope scope(&form);
    app.Run(form);
    app.ProcessMessages();
}

void RunParamDialog() {
    ui::TApplication& app = ui::TApplication::Instance();
    if (!app.Initialize())
        Fail("Диалог параметров не может быть показан: нет графического дисплея");
    tLanguageScope language;
    // Each form starts with its own state (tDialogState); LastLabCursor is
    // the user's plane mode and outlives the dialog.
    TParamForm form;
    form.SetParentWindow(HostWindow());
    tModuleWindowScope scope(&form);
    struct tViewScope {
        explicit tViewScope(tDialogView* view) { SetDialogView(view); }
        ~tViewScope() { SetDialogView(nullptr); }
    } view(&form);
    // The idle hook shows the form at its first pass.
    app.Run(form, false);
    app.ProcessMessages();
    // A form closed by the window system has not released its resources.
    form.ReleaseResources();
}

bool ShowFailure(const char* message) {
    QPointer<QWidget> window = currentWindow;
    if (!window || !window->isVisible() || !message) return false;
    tLanguageScope language;
    QMessageBox box(QMessageBox::Critical, window->windowTitle(), FailureText(message),
                    QMessageBox::Ok, window);
    box.setWindowModality(Qt::WindowModal);
    box.exec();
    return true;
}

void InstallUiHooks() {
    UiHooks.RunParamDialog = &RunParamDialog;
    UiHooks.RunAboutBox = &RunAboutBox;
    UiHooks.ShowFailure = &ShowFailure;
}

}  // namespace velmora::dialog

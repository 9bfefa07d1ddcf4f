#include "dialog/UiEntry.h"

// The sdk headers come before Qt's: Qt defines `slots` as a macro, and the
// sdk's colour space suite has a member of that name.
#include "host/Failure.h"
#include "host/ModuleState.h"
#include "host/UiHooks.h"

#include <QMessageBox>
#include <QPointer>
#include <QString>

#include "dialog/TAboutForm.h"
#include "toolkit/TApplication.h"

namespace velmora::dialog {

namespace {

// Plain pointer, no Qt object at load time: the headless path never
// constructs anything of Qt.
QWidget* currentWindow = nullptr;

WId HostWindow() {
    return CurrentPlatformData ? WId(CurrentPlatformData->hwnd) : WId(0);
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
    TAboutForm form;
    form.SetParentWindow(HostWindow());
    tModuleWindowScope scope(&form);
    app.Run(form);
    app.ProcessMessages();
}

bool ShowFailure(const char* message) {
    QPointer<QWidget> window = currentWindow;
    if (!window || !window->isVisible() || !message) return false;
    QMessageBox box(QMessageBox::Critical, window->windowTitle(), QString::fromUtf8(message),
                    QMessageBox::Ok, window);
    box.setWindowModality(Qt::WindowModal);
    box.exec();
    return true;
}

void InstallUiHooks() {
    UiHooks.RunAboutBox = &RunAboutBox;
    UiHooks.ShowFailure = &ShowFailure;
}

}  // namespace velmora::dialog

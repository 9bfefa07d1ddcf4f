// Linked into the module as an object of its own: installs the dialog
// layer's hooks when the module is loaded. Only plain pointers are written;
// nothing of Qt runs here.
#include "dialog/UiEntry.h"

namespace {

[[gnu::used]] const bool kInstalled = [] {
    velmora::dialog::InstallUiHooks();
    return true;
}();

}  // namespace

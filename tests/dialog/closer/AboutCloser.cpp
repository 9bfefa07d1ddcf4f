// Preloaded into filterhost (LD_PRELOAD) by the about smoke test: once the
// module has started Qt and shown its about box, this saves a screenshot
// when ABOUT_CLOSER_SHOT names a file and then types a key, as a user would,
// to close it. Nothing of this is part of the module or of filterhost.
#include <QTest>
#include <cstdlib>

#include "tests/dialog/AboutDriver.h"

namespace {

[[gnu::used]] const bool kArmed = [] {
    velmora::test::WatchFromApplicationStart();
    velmora::test::OnAboutBox([](QWidget& form) {
        if (const char* shot = std::getenv("ABOUT_CLOSER_SHOT")) form.grab().save(shot);
        QTest::keyClick(&form, Qt::Key_X);
    });
    return true;
}();

}  // namespace

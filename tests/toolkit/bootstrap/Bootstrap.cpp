// Starting the toolkit in a process without a Qt application object, as the
// module does inside a host that does not use Qt; and refusing where widgets
// cannot work. Exit status 0 when every check holds.
#include <QApplication>
#include <cstdio>
#include <cstring>

#include "toolkit/TApplication.h"
#include "toolkit/TForm.h"

using velmora::ui::TApplication;
using velmora::ui::TForm;

namespace {

int failures = 0;

void Check(bool ok, const char* what, int line) {
    if (ok) return;
    std::fprintf(stderr, "Bootstrap.cpp:%d: check failed: %s\n", line, what);
    ++failures;
}

#define CHECK(condition) Check((condition), #condition, __LINE__)

}  // namespace

int main(int argc, char** argv) {
    TApplication& app = TApplication::Instance();
    const char* mode = argc > 1 ? argv[1] : "";
    if (std::strcmp(mode, "--no-display") == 0) {
        // No platform named and no display to connect to: refused, not aborted.
        CHECK(!app.Initialize());
        CHECK(QCoreApplication::instance() == nullptr);
        return failures ? 1 : 0;
    }
    if (std::strcmp(mode, "--core-application") == 0) {
        // A host running a Qt application without widgets.
        QCoreApplication core(argc, argv);
        CHECK(!app.Initialize());
        CHECK(!app.CreatedQApplication());
        return failures ? 1 : 0;
    }
    CHECK(QCoreApplication::instance() == nullptr);
    CHECK(app.Initialize());
    CHECK(app.CreatedQApplication());
    CHECK(qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr);
    CHECK(app.Initialize());
    {
        TForm form;
        int idle = 0;
        app.OnIdle = [&] {
            if (++idle == 3) form.Close();
            return false;
        };
        app.Run(form);
        app.OnIdle = nullptr;
        CHECK(idle == 3);
    }
    app.ProcessMessages();
    return failures ? 1 : 0;
}

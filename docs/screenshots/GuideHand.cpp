// Preloaded into filterhost (LD_PRELOAD) by scripts/guide-screenshots while
// it takes the user guide's pictures. It only looks; every input comes from
// outside, through the X server (xdotool), and the pictures are taken from
// the X server too (import). It tells the script two things:
//   GUIDE_HAND_READY     is written ("ready") once the parameter dialog has
//                        settled (preview up, analysis finished, OK enabled),
//                        or once the about box is shown ("about");
//   GUIDE_HAND_REQUEST   when this file appears it is removed and the global
//                        geometry of every visible named widget of every
//                        visible window is written to GUIDE_HAND_GEOMETRY,
//                        one "name x y width height" line each.
// Nothing of this is part of the module or of filterhost.
#include <QApplication>
#include <QFile>
#include <QPointer>
#include <QSaveFile>
#include <QTimer>
#include <QWidget>
#include <cstdlib>

namespace {

QString EnvPath(const char* name) {
    const char* value = std::getenv(name);
    return value ? QString::fromLocal8Bit(value) : QString();
}

class tGuideHand : public QObject {
  public:
    explicit tGuideHand(QObject* parent) : QObject(parent) {
        connect(&poll_, &QTimer::timeout, this, [this] { Poll(); });
        poll_.start(20);
    }

  private:
    static QWidget* Window(const char* name) {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && w->objectName() == QLatin1String(name)) return w;
        return nullptr;
    }

    static bool Settled(QWidget* form) {
        const auto find = [form](const char* name) {
            return form->findChild<QWidget*>(QLatin1String(name));
        };
        QWidget* image = find("Image");
        QWidget* shadow = find("ShadowTrackBar");
        QWidget* ok = find("OkButton");
        QWidget* attention = find("AttentionImage");
        return image && shadow && ok && attention && image->isVisible() && shadow->isEnabled() &&
               ok->isEnabled() && !attention->isVisible();
    }

    void Poll() {
        if (!readyWritten_) {
            QByteArray word;
            if (QWidget* form = Window("TParamForm"); form && Settled(form))
                word = "ready";
            else if (Window("TAboutForm"))
                word = "about";
            if (!word.isEmpty()) {
                readyWritten_ = true;
                Write(EnvPath("GUIDE_HAND_READY"), word + '\n');
            }
        }
        const QString request = EnvPath("GUIDE_HAND_REQUEST");
        if (!request.isEmpty() && QFile::exists(request)) {
            QFile::remove(request);
            Write(EnvPath("GUIDE_HAND_GEOMETRY"), Geometry());
        }
    }

    static QByteArray Line(const QWidget* w) {
        const QPoint at = w->mapToGlobal(QPoint(0, 0));
        return w->objectName().toLatin1() + ' ' + QByteArray::number(at.x()) + ' ' +
               QByteArray::number(at.y()) + ' ' + QByteArray::number(w->width()) + ' ' +
               QByteArray::number(w->height()) + '\n';
    }

    static QByteArray Geometry() {
        QByteArray text;
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (!window->isVisible()) continue;
            if (!window->objectName().isEmpty()) text += Line(window);
            for (QWidget* w : window->findChildren<QWidget*>())
                if (w->isVisible() && !w->objectName().isEmpty() &&
                    !w->objectName().startsWith(QLatin1String("qt_")))
                    text += Line(w);
        }
        return text;
    }

    // Written whole or not at all, so the script never reads half a file.
    static void Write(const QString& path, const QByteArray& text) {
        if (path.isEmpty()) return;
        QSaveFile file(path);
        if (file.open(QIODevice::WriteOnly)) {
            file.write(text);
            file.commit();
        }
    }

    QTimer poll_;
    bool readyWritten_ = false;
};

[[gnu::used]] const bool kArmed = [] {
    // Pre-routines run inside the application's constructor: the hand is
    // made once it has been built.
    qAddPreRoutine([] {
        QCoreApplication* app = QCoreApplication::instance();
        QMetaObject::invokeMethod(
            app, [app] { new tGuideHand(app); }, Qt::QueuedConnection);
    });
    return true;
}();

}  // namespace

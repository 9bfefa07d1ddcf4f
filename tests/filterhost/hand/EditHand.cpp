// Preloaded (LD_PRELOAD) with the real module into filterhost by the edit
// tests and into GIMP by the interactive test of velmora-gimp: watches the
// parameter dialog and appends what it shows to the file that
// EDIT_HAND_REPORT names, one line per event, times in milliseconds
// from the dialog's first showing:
//   shown 0
//   preview T        the first corrected preview is on the screen
//   maps T           the analysis finished (the attention sign went away)
//   ready T ok X Y shot X Y focus NAME
//                    settled: the preview, the maps and the buttons are up;
//                    global centres of OkButton and ShotButton, focused control
//   shadow X Y       right after ready: a global point near the right end of
//                    ShadowTrackBar
//   thumbs N ...     the visible snapshot thumbnails, on every change once ready
//   focus NAME       the control that received the input focus, once ready
// With EDIT_HAND_SHOT set, the dialog is saved there as a picture when ready.
// It only looks: every input comes from outside, through the X server.
// Nothing of this is part of the module or of filterhost.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <cstdlib>

namespace {

class tHand : public QObject {
  public:
    explicit tHand(QObject* parent) : QObject(parent) {
        parent->installEventFilter(this);
        connect(&poll_, &QTimer::timeout, this, [this] { Poll(); });
        poll_.start(5);
        if (auto* app = qobject_cast<QApplication*>(parent))
            connect(app, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
                if (readyWritten_ && now) Line("focus " + now->objectName().toLatin1());
            });
        // The form may be on the screen already: the hand is made at the
        // first pass of the event loop, and the form shows itself at the
        // first idle pass, whichever comes first.
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && w->objectName() == QLatin1String("TParamForm")) Adopt(w);
    }

  protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        const QEvent::Type type = event->type();
        if ((type != QEvent::Show && type != QEvent::Hide) || !object->isWidgetType()) return false;
        auto* w = static_cast<QWidget*>(object);
        const QString name = w->objectName();
        if (!form_) {
            if (type == QEvent::Show && w->isWindow() && name == QLatin1String("TParamForm"))
                Adopt(w);
            return false;
        }
        if (w->window() != form_) return false;
        if (type == QEvent::Show && name == QLatin1String("Image") && !previewSeen_) {
            previewSeen_ = true;
            Line("preview " + QByteArray::number(clock_.elapsed()));
        } else if (name == QLatin1String("AttentionImage")) {
            if (type == QEvent::Show) {
                attentionSeen_ = true;
            } else if (attentionSeen_ && !mapsSeen_) {
                mapsSeen_ = true;
                Line("maps " + QByteArray::number(clock_.elapsed()));
            }
        }
        return false;
    }

  private:
    void Adopt(QWidget* form) {
        form_ = form;
        clock_.start();
        Line("shown 0");
    }
    QWidget* Find(const char* name) const {
        return form_ ? form_->findChild<QWidget*>(QLatin1String(name)) : nullptr;
    }
    static QByteArray Centre(QWidget* w) {
        const QPoint p = w->mapToGlobal(w->rect().center());
        return QByteArray::number(p.x()) + ' ' + QByteArray::number(p.y());
    }

    void Poll() {
        if (!form_ || !form_->isVisible()) return;
        QWidget* image = Find("Image");
        QWidget* shadow = Find("ShadowTrackBar");
        QWidget* ok = Find("OkButton");
        QWidget* shot = Find("ShotButton");
        QWidget* attention = Find("AttentionImage");
        if (!image || !shadow || !ok || !shot || !attention) return;
        const bool settled = mapsSeen_ && image->isVisible() && shadow->isEnabled() &&
                             ok->isEnabled() && !attention->isVisible();
        if (!settled) return;
        if (!readyWritten_) {
            readyWritten_ = true;
            if (const char* file = std::getenv("EDIT_HAND_SHOT"))
                form_->grab().save(QString::fromLocal8Bit(file));
            QWidget* focus = QApplication::focusWidget();
            Line("ready " + QByteArray::number(clock_.elapsed()) + " ok " + Centre(ok) + " shot " +
                 Centre(shot) + " focus " +
                 (focus ? focus->objectName().toLatin1() : QByteArray("none")));
            const QPoint right =
                shadow->mapToGlobal(QPoint(shadow->width() * 9 / 10, shadow->height() / 2));
            Line("shadow " + QByteArray::number(right.x()) + ' ' + QByteArray::number(right.y()));
        }
        QByteArray thumbs = "thumbs";
        for (int n = 1; n <= 6; ++n)
            if (QWidget* t = Find(("ShotImage" + std::to_string(n)).c_str()); t && t->isVisible())
                thumbs += ' ' + QByteArray::number(n);
        if (thumbs != lastThumbs_) {
            lastThumbs_ = thumbs;
            Line(thumbs);
        }
    }

    static void Line(const QByteArray& text) {
        const char* report = std::getenv("EDIT_HAND_REPORT");
        if (!report) return;
        QFile file(QString::fromLocal8Bit(report));
        if (file.open(QIODevice::WriteOnly | QIODevice::Append)) file.write(text + '\n');
    }

    QPointer<QWidget> form_;
    QElapsedTimer clock_;
    QTimer poll_;
    bool previewSeen_ = false;
    bool attentionSeen_ = false;
    bool mapsSeen_ = false;
    bool readyWritten_ = false;
    QByteArray lastThumbs_;
};

[[gnu::used]] const bool kArmed = [] {
    // Pre-routines run inside the application's constructor: the hand is
    // made once it has been built.
    qAddPreRoutine([] {
        QCoreApplication* app = QCoreApplication::instance();
        QMetaObject::invokeMethod(
            app, [app] { new tHand(app); }, Qt::QueuedConnection);
    });
    return true;
}();

}  // namespace

#include "filterhost/EditWindow.h"

#include <netdb.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QApplication>
#include <QCloseEvent>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QScreen>
#include <QVBoxLayout>
#include <QWidget>
#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "hostlib/ColorEngine.h"
#include "hostlib/HostError.h"

namespace filterhost {

namespace {

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

// The connection of the last successful display check, kept open until Qt
// has made its own: an X server without clients resets itself when its last
// client goes, and a connection made during that reset fails, so closing the
// check's connection at once could make Qt's fail (seen on a busy machine
// with a bare Xvfb). Every check connection is kept so, whatever it reached.
int heldConnection = -1;

void HoldConnection(int fd) {
    if (heldConnection >= 0) close(heldConnection);
    heldConnection = fd;
}

bool ConnectUnix(const std::string& path, bool abstract) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const size_t offset = abstract ? 1 : 0;
    if (path.size() + offset >= sizeof(addr.sun_path)) return false;
    std::memcpy(addr.sun_path + offset, path.data(), path.size());
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const socklen_t len = socklen_t(offsetof(sockaddr_un, sun_path) + offset + path.size());
    const bool ok = connect(fd, reinterpret_cast<const sockaddr*>(&addr), len) == 0;
    if (ok)
        HoldConnection(fd);
    else
        close(fd);
    return ok;
}

bool ConnectTcp(const std::string& host, int port) {
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) return false;
    bool ok = false;
    for (addrinfo* a = found; a && !ok; a = a->ai_next) {
        const int fd = socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0) continue;
        ok = connect(fd, a->ai_addr, a->ai_addrlen) == 0;
        if (ok)
            HoldConnection(fd);
        else
            close(fd);
    }
    freeaddrinfo(found);
    return ok;
}

// Whether an X server answers at DISPLAY ("[host]:N[.S]"): its socket takes
// a connection. What Qt's xcb platform needs before it can start.
bool XDisplayReachable(const std::string& display) {
    const auto colon = display.rfind(':');
    if (colon == std::string::npos) return false;
    const std::string host = display.substr(0, colon);
    const std::string rest = display.substr(colon + 1);
    char* end = nullptr;
    const long number = std::strtol(rest.c_str(), &end, 10);
    if (end == rest.c_str() || number < 0 || number > 10000) return false;
    if (!host.empty() && host[0] == '/') return ConnectUnix(display.substr(0, colon), false);
    if (host.empty() || host == "unix") {
        const std::string socketPath = "/tmp/.X11-unix/X" + std::to_string(number);
        return ConnectUnix(socketPath, true) || ConnectUnix(socketPath, false);
    }
    return ConnectTcp(host, 6000 + int(number));
}

bool WaylandReachable(const std::string& name) {
    if (name.empty()) return false;
    const std::string path = name[0] == '/' ? name : Env("XDG_RUNTIME_DIR") + "/" + name;
    return ConnectUnix(path, false);
}

std::string NoX(const std::string& display) {
    return display.empty() ? "no X display (DISPLAY is not set)"
                           : "cannot connect to the X display " + display;
}

}  // namespace

std::string DisplayProblem() {
    const std::string display = Env("DISPLAY"), wayland = Env("WAYLAND_DISPLAY");
    std::string platform = Env("QT_QPA_PLATFORM");
    if (const auto sep = platform.find_first_of(":;"); sep != std::string::npos)
        platform.resize(sep);
    if (platform == "xcb") return XDisplayReachable(display) ? "" : NoX(display);
    if (platform.rfind("wayland", 0) == 0)
        return WaylandReachable(wayland) ? "" : "cannot connect to the Wayland display";
    if (!platform.empty()) return "";  // offscreen, vnc, eglfs and the like need no display
    if (XDisplayReachable(display) || WaylandReachable(wayland)) return "";
    if (display.empty() && wayland.empty())
        return "no display to show the window on (set DISPLAY, WAYLAND_DISPLAY or "
               "QT_QPA_PLATFORM=offscreen)";
    return NoX(display);
}

namespace {

// Qt's own diagnostics (a platform plug-in's remarks, QStandardPaths about
// the runtime folder) are not filterhost's messages: only critical ones
// reach standard error, as one filterhost line. FILTERHOST_QT_MESSAGES=1
// lets all of them through, for debugging.
void QtMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type != QtCriticalMsg && type != QtFatalMsg) return;
    std::fprintf(stderr, "filterhost: Qt: %s\n", message.toLocal8Bit().constData());
}

// What Qt accepts as XDG_RUNTIME_DIR without a warning: a folder of ours
// that only we may enter.
bool UsableRuntimeDir(const std::string& dir) {
    struct stat st {};
    return !dir.empty() && ::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
           st.st_uid == geteuid() && (st.st_mode & 0777) == 0700;
}

}  // namespace

EditApplication::EditApplication() {
    // Left alone while a Wayland socket is found through it.
    const std::string wayland = Env("WAYLAND_DISPLAY");
    const bool waylandUsesIt = !wayland.empty() && wayland[0] != '/';
    if (!waylandUsesIt && !UsableRuntimeDir(Env("XDG_RUNTIME_DIR"))) {
        std::string pattern = "/tmp/filterhost-runtime-XXXXXX";
        if (mkdtemp(pattern.data())) {
            runtimeDir_ = pattern;
            setenv("XDG_RUNTIME_DIR", runtimeDir_.c_str(), 1);
        }
    }
    if (Env("FILTERHOST_QT_MESSAGES") != "1") qInstallMessageHandler(QtMessages);
    // QApplication keeps references to both for its whole life.
    static int argc = 1;
    static char name[] = "filterhost";
    static char* argv[] = {name, nullptr};
    app_ = std::make_unique<QApplication>(argc, argv);
    // Qt has its own connection now: the display check's can go.
    HoldConnection(-1);
    // QApplication adopts the user's locale for the C library; numbers in
    // messages and in the codecs stay in the C form.
    std::setlocale(LC_NUMERIC, "C");
    // The module's dialog runs its own loop; closing a window must not end it.
    QApplication::setQuitOnLastWindowClosed(false);
}

EditApplication::~EditApplication() {
    app_.reset();
    if (!runtimeDir_.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(runtimeDir_, ec);
    }
}

QImage DisplayImage(const Document& doc, int maxWidth, int maxHeight) {
    const int w = doc.width, h = doc.height;
    if (w < 1 || h < 1 || doc.pixels.size() < doc.RowBytes() * size_t(h))
        throw HostError("the document has no pixels to show");
    const double scale =
        std::min({1.0, double(std::max(maxWidth, 1)) / w, double(std::max(maxHeight, 1)) / h});
    const int dw = std::clamp(int(std::lround(w * scale)), 1, w);
    const int dh = std::clamp(int(std::lround(h * scale)), 1, h);

    // Source column range of each shown column: [x * w / dw, (x + 1) * w / dw).
    std::vector<int> colOf(static_cast<size_t>(w));
    for (int x = 0; x < dw; ++x)
        for (int64_t sx = int64_t(x) * w / dw; sx < int64_t(x + 1) * w / dw; ++sx)
            colOf[size_t(sx)] = x;
    std::vector<int> colCount(size_t(dw), 0);
    for (int sx = 0; sx < w; ++sx) ++colCount[size_t(colOf[size_t(sx)])];

    const bool deep = doc.depth == 16;
    const bool lab = doc.model == ColorModel::Lab;
    std::unique_ptr<ColorEngine> color;
    if (lab) color = std::make_unique<ColorEngine>(std::vector<uint8_t>());
    // Host scale to 8 bits: 16-bit samples run 0..32768.
    const double toByte = deep ? 255.0 / 32768.0 : 1.0;

    QImage image(dw, dh, QImage::Format_RGB888);
    std::vector<uint64_t> sums(size_t(dw) * 3);
    for (int y = 0; y < dh; ++y) {
        std::fill(sums.begin(), sums.end(), 0);
        const int y0 = int(int64_t(y) * h / dh), y1 = int(int64_t(y + 1) * h / dh);
        for (int sy = y0; sy < y1; ++sy) {
            const size_t row = size_t(sy) * size_t(w) * 3;
            for (int sx = 0; sx < w; ++sx) {
                uint64_t* s = &sums[size_t(colOf[size_t(sx)]) * 3];
                const size_t at = row + size_t(sx) * 3;
                for (int k = 0; k < 3; ++k)
                    s[k] += deep ? doc.Pixels16()[at + size_t(k)] : doc.pixels[at + size_t(k)];
            }
        }
        uchar* out = image.scanLine(y);
        for (int x = 0; x < dw; ++x) {
            const double n = double(colCount[size_t(x)]) * double(y1 - y0);
            uint8_t v[3];
            for (int k = 0; k < 3; ++k)
                v[k] = uint8_t(
                    std::clamp(std::nearbyint(double(sums[size_t(x) * 3 + size_t(k)]) / n * toByte),
                               0.0, 255.0));
            if (lab) {
                uint8_t rgb[3];
                color->LabToMonitor(v, rgb);
                std::memcpy(v, rgb, 3);
            }
            std::memcpy(out + size_t(x) * 3, v, 3);
        }
    }
    return image;
}

// The window: the document over a status line. It stays while the command
// runs; the user's close request is ignored, since the module's dialog is
// its child and the command ends it.
class EditWindow::Widget : public QWidget {
  public:
    explicit Widget(const std::string& fileName) {
        setWindowTitle(QString::fromStdString(fileName) + QStringLiteral(" — filterhost"));
        auto* layout = new QVBoxLayout(this);
        image_ = new QLabel(this);
        image_->setAlignment(Qt::AlignCenter);
        status_ = new QLabel(this);
        layout->addWidget(image_, 1);
        layout->addWidget(status_);
    }
    QLabel* image_;
    QLabel* status_;

  protected:
    void closeEvent(QCloseEvent* event) override { event->ignore(); }
};

EditWindow::EditWindow(const std::string& fileName) : widget_(std::make_unique<Widget>(fileName)) {}

EditWindow::~EditWindow() = default;

void EditWindow::Show(const Document& doc, const std::string& status) {
    QSize room(1024, 768);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QSize avail = screen->availableGeometry().size();
        room = QSize(avail.width() * 4 / 5, avail.height() * 4 / 5 - 40);
    }
    widget_->image_->setPixmap(QPixmap::fromImage(DisplayImage(doc, room.width(), room.height())));
    widget_->status_->setText(QString::fromStdString(status));
    if (!widget_->isVisible()) widget_->show();
    QApplication::processEvents();
}

intptr_t EditWindow::NativeId() {
    return intptr_t(widget_->winId());
}

}  // namespace filterhost

#include "toolkit/TScreen.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QPixmap>
#include <QScreen>
#include <QWidget>
#include <QtEndian>
#include <map>

namespace velmora::ui {

// Lives as a child of the application object, so the cursors (which hold
// pixmaps) go before the application does.
class TScreen::tCursorTable : public QObject {
  public:
    using QObject::QObject;
    std::map<tCursor, QCursor> cursors;
};

namespace {

Qt::CursorShape BuiltInShape(tCursor id) {
    switch (id) {
        case kCursorNone:
            return Qt::BlankCursor;
        case kCursorCross:
            return Qt::CrossCursor;
        case kCursorIBeam:
            return Qt::IBeamCursor;
        case kCursorSizeNESW:
            return Qt::SizeBDiagCursor;
        case kCursorSizeNS:
            return Qt::SizeVerCursor;
        case kCursorSizeNWSE:
            return Qt::SizeFDiagCursor;
        case kCursorSizeWE:
            return Qt::SizeHorCursor;
        case kCursorUpArrow:
            return Qt::UpArrowCursor;
        case kCursorHourGlass:
            return Qt::WaitCursor;
        case kCursorNo:
            return Qt::ForbiddenCursor;
        case kCursorAppStart:
            return Qt::BusyCursor;
        case kCursorHelp:
            return Qt::WhatsThisCursor;
        case kCursorHandPoint:
            return Qt::PointingHandCursor;
        case kCursorSizeAll:
            return Qt::SizeAllCursor;
        default:
            return Qt::ArrowCursor;
    }
}

// A Windows cursor file is an icon directory of type 2 whose entries hold
// the hot spot where icons hold planes and bit count. Returns the image
// with its hot spot, or a null image when the data is not such a file.
QImage ReadCursorFile(const QByteArray& data, QPoint& hotSpot) {
    constexpr int kDirSize = 6, kEntrySize = 16;
    if (data.size() < kDirSize + kEntrySize) return {};
    const auto* p = reinterpret_cast<const uchar*>(data.constData());
    if (qFromLittleEndian<quint16>(p) != 0 || qFromLittleEndian<quint16>(p + 2) != 2 ||
        qFromLittleEndian<quint16>(p + 4) == 0)
        return {};
    const uchar* entry = p + kDirSize;
    const QPoint spot(qFromLittleEndian<quint16>(entry + 4), qFromLittleEndian<quint16>(entry + 6));
    // Read it as an icon: type 1, one plane, bit count from the bitmap header.
    QByteArray icon = data;
    auto* q = reinterpret_cast<uchar*>(icon.data());
    qToLittleEndian<quint16>(1, q + 2);
    qToLittleEndian<quint16>(1, q + 4);  // the first image only
    qToLittleEndian<quint16>(1, q + kDirSize + 4);
    qToLittleEndian<quint16>(0, q + kDirSize + 6);
    QBuffer buffer(&icon);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "ico");
    QImage image = reader.read();
    if (!image.isNull()) hotSpot = spot;
    return image;
}

}  // namespace

TScreen& TScreen::Instance() {
    static TScreen screen;
    return screen;
}

TScreen::tCursorTable* TScreen::Table(bool create) const {
    if (!table_ && create && QCoreApplication::instance())
        table_ = new tCursorTable(QCoreApplication::instance());
    return static_cast<tCursorTable*>(table_.data());
}

QCursor TScreen::Cursor(tCursor id) const {
    if (const tCursorTable* table = Table(false)) {
        auto it = table->cursors.find(id);
        if (it != table->cursors.end()) return it->second;
    }
    return QCursor(BuiltInShape(id));
}

bool TScreen::HasCursor(tCursor id) const {
    const tCursorTable* table = Table(false);
    return table && table->cursors.count(id) != 0;
}

void TScreen::SetCursor(tCursor id, const QCursor& cursor) {
    if (tCursorTable* table = Table(true)) table->cursors[id] = cursor;
}

bool TScreen::LoadCursor(tCursor id, const QString& path, QPoint hotSpot) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    return LoadCursorData(id, file.readAll(), hotSpot);
}

bool TScreen::LoadCursorData(tCursor id, const QByteArray& data, QPoint hotSpot) {
    QPoint spot = hotSpot;
    QImage image = ReadCursorFile(data, spot);
    if (image.isNull()) image = QImage::fromData(data);
    if (image.isNull()) return false;
    if (spot.x() < 0 || spot.y() < 0) spot = QPoint(image.width() / 2, image.height() / 2);
    SetCursor(id, QCursor(QPixmap::fromImage(image), spot.x(), spot.y()));
    return true;
}

void TScreen::ClearCursors() {
    if (tCursorTable* table = Table(false)) table->cursors.clear();
}

QPoint TScreen::PointerPos() const {
    return QCursor::pos();
}

void TScreen::SetPointerPos(QPoint position) {
    QCursor::setPos(position);
}

QRect TScreen::WorkArea(const QWidget* near) const {
    QScreen* screen = near ? near->screen() : nullptr;
    if (!screen) screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

}  // namespace velmora::ui

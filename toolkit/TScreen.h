// The screen: the cursor table that controls refer to by id, the mouse
// pointer's position and the work area.
#pragma once

#include <QByteArray>
#include <QCursor>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QString>

#include "toolkit/TTypes.h"

class QWidget;

namespace velmora::ui {

class TScreen {
  public:
    static TScreen& Instance();

    /// The cursor for an id: a table entry if one is set, else the built-in
    /// shape of kCursorDefault and the negative ids, else the arrow.
    QCursor Cursor(tCursor id) const;
    bool HasCursor(tCursor id) const;
    /// Puts a cursor into the table under an id (positive ids are the
    /// application's own; a built-in id may be overridden too).
    void SetCursor(tCursor id, const QCursor& cursor);
    /// Loads a cursor image from a file or Qt resource path and puts it into
    /// the table. Windows cursor files (.cur) carry their hot spot; for other
    /// images `hotSpot` gives it (the centre when left at (-1, -1)). False
    /// when the data cannot be read as an image; the table is then unchanged.
    bool LoadCursor(tCursor id, const QString& path, QPoint hotSpot = QPoint(-1, -1));
    bool LoadCursorData(tCursor id, const QByteArray& data, QPoint hotSpot = QPoint(-1, -1));
    /// Empties the table.
    void ClearCursors();

    /// Mouse pointer in global (screen) coordinates.
    QPoint PointerPos() const;
    void SetPointerPos(QPoint position);

    /// The available area of the screen that shows `near` (the primary
    /// screen when null), without task bars and docks.
    QRect WorkArea(const QWidget* near = nullptr) const;

  private:
    TScreen() = default;
    class tCursorTable;
    tCursorTable* Table(bool create) const;
    mutable QPointer<QObject> table_;
};

}  // namespace velmora::ui

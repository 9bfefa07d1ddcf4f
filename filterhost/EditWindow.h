// The host window of `filterhost edit`: a Qt application object and a
// top-level window that shows the document, scaled to fit the screen. The
// module's dialog is parented to its native window and runs its own message
// loop in the same QApplication.
//
// Nothing here is touched by the other commands: they run with no display.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "filterhost/Document.h"

class QApplication;
class QImage;

namespace filterhost {

/// Why no window can be opened in this environment (empty when one can):
/// QT_QPA_PLATFORM names a platform (xcb needs a reachable X display,
/// wayland a Wayland socket, others such as offscreen need nothing); without
/// it a reachable X display or a Wayland socket is needed. Checked before
/// the QApplication is created, since Qt aborts the process when its
/// platform cannot start.
std::string DisplayProblem();

/// The process's QApplication for the life of the command.
class EditApplication {
  public:
    /// Requires DisplayProblem() to be empty.
    EditApplication();
    ~EditApplication();
    EditApplication(const EditApplication&) = delete;
    EditApplication& operator=(const EditApplication&) = delete;

  private:
    // A private runtime folder made for Qt when the environment has no usable
    // one (Qt would print a warning for it); removed at the end.
    std::string runtimeDir_;
    std::unique_ptr<QApplication> app_;
};

/// The document as the window shows it: 8-bit sRGB, box-filtered down to fit
/// within maxWidth × maxHeight (never enlarged; the aspect ratio is kept).
/// RGB samples are shown as they are (16-bit ones scaled to 8 bits); Lab
/// goes through LittleCMS to sRGB.
QImage DisplayImage(const Document& doc, int maxWidth, int maxHeight);

class EditWindow {
  public:
    /// A shown window titled after the file; needs an EditApplication.
    explicit EditWindow(const std::string& fileName);
    ~EditWindow();
    EditWindow(const EditWindow&) = delete;
    EditWindow& operator=(const EditWindow&) = delete;

    /// Shows the document (scaled to fit) and a status line, and lets the
    /// window repaint.
    void Show(const Document& doc, const std::string& status);
    /// The native window id (QWidget::winId()), for the filter record's
    /// platform data.
    intptr_t NativeId();

  private:
    class Widget;
    std::unique_ptr<Widget> widget_;
};

}  // namespace filterhost

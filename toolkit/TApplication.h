// The application object: makes sure a QApplication exists, runs the message
// loop of a main form, lets pending messages run, calls the idle hook when
// the message queue runs dry, shows hints, and offers the small services the
// dialog needs (posting keys, opening web addresses).
#pragma once

#include <QPoint>
#include <QPointer>
#include <QString>
#include <functional>

#include "toolkit/TTypes.h"

class QEventLoop;
class QWidget;

namespace velmora::ui {

class TForm;
class tControlCore;

/// What the show-hint hook may look at and change.
struct tHintInfo {
    QWidget* HintControl = nullptr;  ///< the control the hint is for
    QPoint CursorPos;                ///< pointer position, global
    int HideTimeout = -1;            ///< ms the hint stays up; -1: the platform's
};

class TApplication {
  public:
    static TApplication& Instance();

    /// Makes the application usable: creates a QApplication when the process
    /// has none (the module may run in a host without Qt) and installs the
    /// toolkit's hint and pointer tracking. False when widgets cannot be
    /// used: the process already has a Qt application object that is not a
    /// QApplication, or there is no display to connect to.
    bool Initialize();
    /// True when Initialize created the process's QApplication.
    bool CreatedQApplication() const { return createdApplication_; }

    /// Idle hook: called whenever the queue of the running message loop has
    /// run dry; answers whether it is done. Not done: it is called again at
    /// once (after any input that arrived meanwhile). Done: it is called
    /// again after the next message. Never called re-entrantly.
    std::function<bool()> OnIdle;
    /// Called when the pointer moves onto another control with hints on.
    std::function<void()> OnHint;
    /// Called after the hint pause, before the hint of the control under the
    /// pointer is shown (also for controls with an empty hint). Emptying the
    /// text or clearing canShow shows nothing.
    std::function<void(QString& hint, bool& canShow, tHintInfo& info)> OnShowHint;

    /// Delay in ms from the pointer entering a control to its hint (500).
    int HintPause() const { return hintPause_; }
    void SetHintPause(int ms) { hintPause_ = ms < 0 ? 0 : ms; }
    /// Time in ms a hint stays up (2500).
    int HintHidePause() const { return hintHidePause_; }
    void SetHintHidePause(int ms) { hintHidePause_ = ms; }
    /// Hints at all (true).
    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool show) { showHint_ = show; }
    /// The control hints currently refer to (under the pointer), or null.
    QWidget* HintControl() const;

    /// Time in ms after which a pointer that stopped over a control gets one
    /// more mouse-move event at the same place (400).
    int MouseRestDelay() const { return mouseRestDelay_; }
    void SetMouseRestDelay(int ms) { mouseRestDelay_ = ms; }

    /// Shows the main form (unless told not to) and runs the message loop
    /// until the form is closed (or Terminate is called). A failure thrown
    /// by an event handler ends the loop and is rethrown here.
    void Run(TForm& mainForm, bool showMainForm = true);
    bool Running() const { return loop_ != nullptr; }
    /// Ends the loop of Run after the current message.
    void Terminate();
    /// Lets every pending message run, then returns.
    void ProcessMessages();

    /// Posts a key-down (or key-up) message to a window: it is delivered
    /// later, by the message loop, to the window's focused control, as a key
    /// typed by the user would be. The key code is as the key handlers see it.
    void PostKeyMessage(QWidget* window, int key, tShiftState shift = {}, bool keyUp = false);

    /// Opens a web address with the desktop's default handler; false when
    /// none could be started.
    bool OpenURL(const QString& url);

    // For the controls: a mouse move at `position` (local) over a control.
    void NoteMouseMove(tControlCore& control, QPoint position);
    // For Run: one idle pass.
    void IdlePass();

  private:
    TApplication() = default;
    class tAgent;
    tAgent* Agent();

    QPointer<QObject> agent_;
    QEventLoop* loop_ = nullptr;
    bool createdApplication_ = false;
    bool inIdle_ = false;
    int hintPause_ = 500;
    int hintHidePause_ = 2500;
    bool showHint_ = true;
    int mouseRestDelay_ = 400;
};

}  // namespace velmora::ui

// Snapshot slots with thumbnails and sounds: taking, deleting, applying, the
// hover preview and the redraw of the thumbnails.
#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QTimer>
#include <cstring>

#include "base/Failure.h"
#include "dialog/TParamForm.h"
#include "engine/HostCall.h"
#include "engine/Photo.h"
#include "engine/Preview.h"
#include "engine/Settings.h"
#include "toolkit/WaveSound.h"

namespace velmora::dialog {

namespace {

constexpr const char* kParamFormUnit = "ParamFormUnit";

constexpr QPoint kNoHoverPos = tDialogState::kNoHoverPos;

// Puts a slot's settings into the current ones: the whole record, the
// window-size byte included. The window is not laid out again; the next
// size switch acts on the byte as stored, as after an undo.
void TakeSettingsOf(const tParams& params) {
    Settings = params;
}

// Restores the current settings however the thumbnail rendering ends.
struct tSettingsKeeper {
    tParams saved = Settings;
    ~tSettingsKeeper() { Settings = saved; }
};

// Ends a hover preview, putting back the settings from before it.
void EndPreview(tDialogState& state) {
    if (state.PreviewSlot == 0) return;
    Settings = state.PreviewBackup;
    state.PreviewSlot = 0;
}

// A key pressed while the mouse rests on a thumbnail acts on the settings
// from before the preview: the preview ends first, so whatever the key does
// (an undo, a reset, confirming) finds the user's own settings, and the
// previewed ones never enter the undo history in their place. The controls
// are reloaded once the key has been handled.
class tPreviewKeyWatch : public QObject {
  public:
    explicit tPreviewKeyWatch(TParamForm* form) : QObject(form), form_(form) {
        qApp->installEventFilter(this);
    }
    ~tPreviewKeyWatch() override {
        if (qApp) qApp->removeEventFilter(this);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress || form_->State().PreviewSlot == 0 ||
            !watched->isWidgetType() || static_cast<QWidget*>(watched)->window() != form_)
            return false;
        switch (static_cast<QKeyEvent*>(event)->key()) {
            // Modifiers alone change nothing; they only switch cursors.
            case Qt::Key_Shift:
            case Qt::Key_Control:
            case Qt::Key_Alt:
            case Qt::Key_AltGr:
            case Qt::Key_Meta:
                return false;
            default:
                break;
        }
        EndPreview(form_->State());
        QTimer::singleShot(0, form_, [form = form_] {
            if (form->isVisible()) form->RefreshControls();
        });
        return false;
    }

  private:
    TParamForm* form_;
};

template <class T>
int SlotOf(const std::array<T*, 6>& controls, const QObject* sender) {
    for (int n = 6; n >= 1; --n)
        if (controls[size_t(n - 1)] == sender) return n;
    return 0;
}

}  // namespace

void TParamForm::PlayResourceSound(const QString& name) {
    QFile resource(QStringLiteral(":/sounds/") + name);
    if (!resource.open(QIODevice::ReadOnly))
        Fail("Ошибка чтения ресурса " + name.toStdString(), kParamFormUnit);
    const QByteArray wave = resource.readAll();
    resource.close();
    ui::PlayWave(wave);
}

void TParamForm::RenderThumbnails() {
    // Without a host image (a form built on its own) there is nothing to show.
    if (!HostCall.Record) return;
    tSettingsKeeper keep;
    for (int n = 1; n <= 6; ++n) {
        const tParamSlot& slot = Slots[n - 1];
        if (slot.Used == 0) continue;
        Settings = slot.Params;
        ui::TImage* image = shotImages_[size_t(n - 1)];
        tBitmap24 canvas(image->Width(), image->Height());
        RenderThumbnail(canvas);
        ui::TBitmap& picture = image->Picture();
        picture.SetSize(canvas.Width, canvas.Height);
        const size_t rowBytes = size_t(canvas.Width) * 3;
        for (int y = 0; y < canvas.Height; ++y)
            std::memcpy(picture.ScanLine(y), canvas.Pixels.data() + size_t(y) * rowBytes, rowBytes);
        picture.Changed();
    }
}

void TParamForm::UpdateSnapshotControls() {
    int used = 0;
    for (int n = 1; n <= 6; ++n) {
        const bool isUsed = Slots[n - 1].Used != 0;
        used += isUsed ? 1 : 0;
        showButtons_[size_t(n - 1)]->SetVisible(isUsed);
        clearButtons_[size_t(n - 1)]->SetVisible(isUsed);
        shotImages_[size_t(n - 1)]->SetVisible(isUsed);
    }
    ClearAllButton->SetVisible(used > 1);
}

void TParamForm::ApplySnapshot(int n) {
    if (n < 1 || n > 6) Fail("Не нашлось кнопки :(", kParamFormUnit);
    // A hover preview ends here: the undo step records the state from
    // before it, and the leave that follows keeps the applied snapshot.
    EndPreview(state_);
    const QObject* button = showButtons_[size_t(n - 1)];
    NoteUndoStep(button);
    TakeSettingsOf(Slots[n - 1].Params);
    RefreshControls();
    NoteUndoStep(button);
    RequestRedraw();
}

void TParamForm::ShotButtonClick() {
    // After the highest used slot; once slot 6 is taken, the lowest free one.
    int n = 0;
    for (int k = 1; k <= 6; ++k)
        if (Slots[k - 1].Used != 0) n = k;
    if (n == 6) {
        n = 0;
        for (int k = 6; k >= 1; --k)
            if (Slots[k - 1].Used == 0) n = k;
    } else {
        n = n + 1;
    }
    if (n != 0) {
        PlayResourceSound(QStringLiteral("SHUTTER"));
        Slots[n - 1].Used = 1;
        Slots[n - 1].Params = Settings;
    }
    // Draws the new thumbnail with the others.
    RenderThumbnails();
    UpdateSnapshotControls();
}

void TParamForm::ClearAllButtonClick() {
    PlayResourceSound(QStringLiteral("RECYCLE"));
    for (tParamSlot& slot : Slots) slot.Used = 0;
    UpdateSnapshotControls();
}

void TParamForm::ClearButtonClick(QObject* sender) {
    const int n = SlotOf(clearButtons_, sender);
    if (n == 0) Fail("Не нашлось кнопки :(", kParamFormUnit);
    Slots[n - 1].Used = 0;
    UpdateSnapshotControls();
}

void TParamForm::ShowButtonClick(QObject* sender) {
    const int n = SlotOf(showButtons_, sender);
    if (n == 0) Fail("Не нашлось кнопки :(", kParamFormUnit);
    ApplySnapshot(n);
}

void TParamForm::ShotImageClick(QObject* sender) {
    PlayResourceSound(QStringLiteral("SET"));
    const int n = SlotOf(shotImages_, sender);
    if (n == 0) Fail("Не нашлось кнопки :(", kParamFormUnit);
    ApplySnapshot(n);
}

void TParamForm::ShotImageMouseMove(QObject* sender, int x, int y) {
    // Moves the window system reports after the dialog was confirmed or
    // cancelled must not change the settings it closed with.
    if (closing_) return;
    // The text only; letting messages run here could deliver the leave of
    // this very thumbnail before its preview starts.
    StatusBar->Panel(3).SetText(tr(" Остановись - посмотришь; нажми - изменишь "));
    const QPoint position(x, y);
    if (position == state_.LastHoverPos) {
        const int n = SlotOf(shotImages_, sender);
        if (n != 0 && n != state_.PreviewSlot && Slots[n - 1].Used != 0 &&
            !SettingsEqual(Slots[n - 1].Params, Settings)) {
            PlayResourceSound(QStringLiteral("SHOW"));
            // A preview that replaced another keeps the backup of the first.
            if (state_.PreviewSlot == 0) state_.PreviewBackup = Settings;
            state_.PreviewSlot = n;
            TakeSettingsOf(Slots[n - 1].Params);
            state_.LeftWhileLoading = false;
            {
                struct tLoading {
                    bool& loading;
                    explicit tLoading(bool& flag) : loading(flag) { loading = true; }
                    ~tLoading() { loading = false; }
                } loading(state_.PreviewLoading);
                RefreshControls();
            }
            if (state_.LeftWhileLoading) {
                state_.LeftWhileLoading = false;
                ShotImageMouseLeave();
                return;
            }
        }
    }
    state_.LastHoverPos = position;
}

void TParamForm::ShotImageMouseLeave() {
    // The leave of a closed dialog's window comes after the cancel or the
    // confirmation has settled the settings; a preview ends without them.
    if (closing_) {
        state_.PreviewSlot = 0;
        state_.LastHoverPos = kNoHoverPos;
        return;
    }
    if (state_.PreviewLoading) {
        state_.LeftWhileLoading = true;
        return;
    }
    if (state_.PreviewSlot > 0) {
        // Settings changed during the preview by anything else (an undo, a
        // reset key) are the user's and stay.
        const bool untouched = SettingsEqual(Settings, Slots[state_.PreviewSlot - 1].Params);
        state_.PreviewSlot = 0;
        if (untouched) {
            Settings = state_.PreviewBackup;
            RefreshControls();
        }
    }
    // The next thumbnail starts its own rest.
    state_.LastHoverPos = kNoHoverPos;
    StatusBar->Panel(3).SetText(QString());
}

void TParamForm::ConnectSnapshots() {
    ShotButton->OnClick = [this] { ShotButtonClick(); };
    ClearAllButton->OnClick = [this] { ClearAllButtonClick(); };
    for (int i = 0; i < 6; ++i) {
        ui::TSpeedButton* clear = clearButtons_[size_t(i)];
        clear->OnClick = [this, clear] { ClearButtonClick(clear); };
        ui::TSpeedButton* show = showButtons_[size_t(i)];
        show->OnClick = [this, show] { ShowButtonClick(show); };
        ui::TImage* image = shotImages_[size_t(i)];
        image->OnClick = [this, image] { ShotImageClick(image); };
        image->OnMouseMove = [this, image](ui::tShiftState, int x, int y) {
            ShotImageMouseMove(image, x, y);
        };
        image->OnMouseLeave = [this] { ShotImageMouseLeave(); };
    }
    ApplySnapshotHook = [this](int n) { ApplySnapshot(n); };
    new tPreviewKeyWatch(this);
}

}  // namespace velmora::dialog

// The parameter dialog: its lifecycle (creation, the start-up analysis and
// the step-wise map building driven from the application's idle hook,
// confirmation, cancellation and closing), the preview it shows, the
// one-click resets and double-click undo, the key map, the hint switch and
// the repaint of its indicator images. While it is up, the start-up and
// step sequences (dialog/Stepwise.h) reach it through tDialogView and the
// engine's progress through tProgressView.
#pragma once

#include <QPoint>
#include <QPointer>
#include <QString>
#include <array>
#include <functional>
#include <vector>

#include "base/Params.h"
#include "dialog/DialogView.h"
#include "toolkit/TApplication.h"
#include "toolkit/TForm.h"
#include "ui_TParamForm.h"

namespace velmora::dialog {

/// Cursor the LabImage picker returns to when Ctrl or Shift is released
/// [5 at load]: the user's plane mode, kept from one dialog to the next.
extern int16_t LastLabCursor;

/// A working point of the colour balance: lightness and a, b (128 neutral).
struct tBalancePoint {
    uint8_t L = 0, a = 128, b = 128;
    bool operator==(const tBalancePoint&) const = default;
};

/// The nesting counter and the last source of one changer.
struct tChangerGuard {
    int Nesting = 0;
    const QObject* LastSource = nullptr;
};

/// What one dialog keeps between its events. Each form starts with these
/// values, so nothing of an earlier dialog carries over.
struct tDialogState {
    /// The start-up sequence has not run yet; cleared by the first idle pass.
    bool StartupPending = true;
    /// A re-render of the preview was requested.
    bool RedrawPending = false;
    /// While true, control changes record no undo step; FormCreate ends it.
    bool RefreshingControls = true;
    /// The space bar is held.
    bool SpaceHeld = false;
    /// The control of the last noted undo step.
    const QObject* LastUndoControl = nullptr;

    /// Each changer's nesting counter and last source.
    struct {
        tChangerGuard DD, ColorContrast, LowSat, SatBend, Balance, Lightness, Contrast, Sharpness,
            Rotate, ColorEq, LightEq, Shadow, HighLight;
    } Guards;
    /// Set while BalanceChanger loads the group and checks CommonRadio to
    /// show that the points share one colour: that click changes the mode only.
    bool LoadingBalance = false;

    // Navigation on the preview.
    bool ButtonHeld = false;             // a button went down on Image, not up yet
    QPoint LastMousePos;                 // position of the last pan step
    bool PointerInPreview = false;       // the pointer is over the picture
    QPointer<ui::TTrackBar> PartnerBar;  // blinks together with the targeted band
    QPointer<ui::TTrackBar> PairTarget;  // the pair last focused from the preview
    QPointer<ui::TTrackBar> PairPartner;

    /// The hover preview of a snapshot: the slot shown while the mouse rests
    /// on its thumbnail (0 = none), the settings from before it, and the last
    /// position reported over a thumbnail. A position no mouse move reports
    /// stands for "none", so the first move over a thumbnail never counts as
    /// a rest.
    static constexpr QPoint kNoHoverPos{-1000000, -1000000};
    int PreviewSlot = 0;
    tParams PreviewBackup{};
    QPoint LastHoverPos = kNoHoverPos;
    /// The controls are being loaded for a starting preview; they let
    /// messages run, and a leave delivered meanwhile waits until they are done.
    bool PreviewLoading = false;
    bool LeftWhileLoading = false;
};

class TParamForm : public ui::TForm, public tDialogView, private Ui::TParamForm {
    Q_OBJECT

  public:
    explicit TParamForm(QWidget* parent = nullptr);
    ~TParamForm() override;

    /// This dialog's own state.
    tDialogState& State() { return state_; }
    const tDialogState& State() const { return state_; }

    // tDialogView
    void ShowProgress(int32_t counter) override;
    void SetStatusText(const std::string& text) override;
    void SetProgressMax(int32_t max) override;
    void EnableControl(tControl control, bool enabled) override;
    void ShowAttention(bool visible) override;
    void ProcessMessages() override;
    void RequestRedraw() override;
    void RefreshControls() override;
    void UpdateZoomButtons() override;
    void ShowPreview(const tBitmap24& bitmap) override;
    bool WarningChecked() const override;

    void SetStatusText(const QString& text);
    /// Moves the pointer by (+1, +1) and back, so a changed cursor shows at once.
    void NudgeCursor();
    /// Hides and closes the form, then releases the working image, the undo
    /// history and the display colour cache.
    void CloseDialog();
    /// Releases what CloseDialog releases, once; also run after the loop
    /// for a form closed by the window system.
    void ReleaseResources();

    /// The idle hook: answers whether it is done.
    bool IdleHook();

    void RenderPreview();
    /// Sizes and lays out the dialog for Settings.FullScreen.
    void ApplySizeMode();

    // Zoom actions on the working image.
    void ZoomIn();
    void ZoomOut();
    void ZoomFit(bool withProgress = true);
    void ZoomActual();

    // Handlers, named after their controls.
    void FormShow();
    void FormPaint();
    void FormHide();
    void FormClose();
    bool FormHelp();
    void FormKeyDown(int& key, ui::tShiftState shift);
    void FormKeyUp(int& key, ui::tShiftState shift);
    /// Another window became active: Alt, Space, Ctrl and Shift count as let go.
    void FormDeactivate();
    void OkButtonClick();
    void CancelButtonClick();
    void CancelButtonMouseMove(ui::tShiftState shift, int x, int y);
    void HintCheckBoxClick();
    void WarningCheckBoxClick();
    void MonoCheckBoxClick() { FormPaint(); }
    void SrcButtonClick();
    void DefaultButtonClick();
    void UndoButtonClick();
    void RedoButtonClick();
    void ShowHintHook(QString& hint, bool& canShow, ui::tHintInfo& info);

    // Painters of the repaint list owned by this form.
    void PaintNormalImage();
    void PaintSpectrumImage();
    void PaintHueBandEdits();

    /// Applying snapshot n (1-6) belongs to the snapshot controls, which
    /// install it; while unset the digit keys act on nothing.
    std::function<void(int)> ApplySnapshotHook;

    /// Whether a pipette or colour picker button is down.
    bool AnyPickerDown() const;

    // ---- changers: one per control group; the source is the control the
    // user changed, or null to load the group from the settings.
    void DDChanger(QObject* source = nullptr);
    void ColorContrast(QObject* source = nullptr);
    void LowSatChanger(QObject* source = nullptr);
    void SatBendChanger(QObject* source = nullptr);
    /// Also takes the three pick sources below.
    void BalanceChanger(QObject* source = nullptr);
    void LightnessChanger(QObject* source = nullptr);
    void NewContrastChanger(QObject* source = nullptr);
    void NewSharpnessChanger(QObject* source = nullptr);
    void RotateChanger(QObject* source = nullptr);
    void ColorEqualizerChanger(QObject* source = nullptr);
    void LightEqualizerChanger(QObject* source = nullptr);
    void ShadowChanger(QObject* source = nullptr);
    void HighLightChanger(QObject* source = nullptr);

    /// Pick sources of the neutral-point pipette for BalanceChanger: both
    /// points picked alike, the first stored point, the second stored point.
    QObject* CommonPickSource() { return &commonPick_; }
    QObject* FirstPointPickSource() { return &firstPick_; }
    QObject* SecondPointPickSource() { return &secondPick_; }

    /// The changer skeleton around a group's body and after-actions. A
    /// nested call runs only for the source of the running one (a newer
    /// position of a dragged control). A null undoControl notes no undo step.
    void RunChanger(tChangerGuard& guard, QObject* source, const QObject* undoControl,
                    const std::function<void()>& body, const std::function<void()>& after);
    /// Records an undo step when the control differs from the last one, then
    /// refreshes the undo and redo buttons; nothing while RefreshingControls.
    void NoteUndoStep(const QObject* control);

    /// The edit readers: the value of the edit's text, or the fallback when
    /// it lies outside [min, max]. A character the text cannot be parsed at
    /// is removed from the edit, and the rest parsed once more; a text that
    /// still is no number gives the fallback.
    int32_t ReadInteger(ui::TEdit* edit, int32_t min, int32_t max, int32_t fallback);
    /// As ReadInteger; a decimal comma is accepted on the first attempt.
    double ReadReal(ui::TEdit* edit, double min, double max, double fallback);
    /// The readers within the edit's bounds from the table of settings fields.
    int32_t ReadInteger(ui::TEdit* edit, int32_t fallback);
    double ReadReal(ui::TEdit* edit, double fallback);
    /// The value as the edit shows it, in its format from that table.
    QString EditText(const ui::TEdit* edit, double value) const;
    /// Up and Down in an edit step its value (the mouse wheel over a focused
    /// edit too); any other key does nothing.
    void EditKeyDown(ui::TEdit* edit, int& key, ui::tShiftState shift);

    /// Raises the four pipette buttons and runs their click handlers.
    void ReleasePipettes();
    /// After-actions of the three saturation changers: the pipettes
    /// released, the saturation graph redrawn.
    void SaturationAfter();
    void ColorBalanceButtonClick();
    /// Shared by SkinButton, BlueButton and GreenButton.
    void SkinButtonClick();

    // ---- colour balance working state.
    tBalancePoint LightPoint;
    tBalancePoint ShadowPoint;
    void LoadBalancePoints();
    void StoreBalancePoints();
    void SelectBalanceRadio();
    void CommonRadioClick();

    // ---- hints, readouts and indicator images.
    void AssignHintTexts();
    void ShowRGB(int r, int g, int b);
    void ShowLab(int L, int a, int b);
    void ShowCH(int a, int b);
    void DrawSaturationCurve();
    void DrawLabPlane();
    void DrawBalanceMarkers(int a, int b);
    void DrawHueStrip();
    void DrawChromaStrip(double angle);
    void DrawShiftStrip(int rotation);

    // ---- navigation.
    void ShowSource();
    void TargetBands(int x, int y, ui::tShiftState shift);
    void ImageMouseDown(ui::tMouseButton button, ui::tShiftState shift, int x, int y);
    void ImageMouseMove(ui::tShiftState shift, int x, int y);
    void ImageMouseUp(ui::tMouseButton button, ui::tShiftState shift, int x, int y);
    void ImageMouseEnter();
    void ImageMouseLeave();
    void BlinkTimerTimer();
    void ResizeButtonClick();

    // ---- pipettes.
    /// The pick on the preview at working pixel (px, py) inside the picture.
    void PickOnPreview(int px, int py, ui::tShiftState shift);
    void LabImageMouseDown(ui::tMouseButton button, ui::tShiftState shift, int x, int y);
    void LabImageMouseMove(ui::tShiftState shift, int x, int y);

    // ---- snapshots.
    void RenderThumbnails() override;
    void UpdateSnapshotControls() override;
    void ApplySnapshot(int n);
    void ShotButtonClick();
    void ClearAllButtonClick();
    void ClearButtonClick(QObject* sender);
    void ShowButtonClick(QObject* sender);
    void ShotImageClick(QObject* sender);
    void ShotImageMouseMove(QObject* sender, int x, int y);
    void ShotImageMouseLeave();
    /// Starts playing the module's wave resource of that name and returns at
    /// once; one that cannot be read is an internal failure.
    static void PlayResourceSound(const QString& name);

    /// The control tables.
    const std::array<ui::TTrackBar*, 8>& HueBandBars() const { return hueBars_; }
    const std::array<ui::TEdit*, 8>& HueBandEdits() const { return hueEdits_; }
    const std::array<ui::TTrackBar*, 5>& LightBandBars() const { return lightBars_; }
    const std::array<ui::TEdit*, 5>& LightBandEdits() const { return lightEdits_; }

  private:
    tDialogState state_;

    void FormCreate();
    void BuildControlTables();
    void ConnectHandlers();
    void ConnectResets();
    void ConnectChangers();
    void ConnectHelpLines();
    void ConnectNavigation();
    void ConnectPipettes();
    void ConnectSnapshots();
    void EnableAnalysisControls(bool enabled);
    /// A mode switch from the keys: layout, placement, preview, zoom buttons.
    void ApplySizeModeAndRender();
    // Zoom helpers.
    void Rescale(double scale, int32_t progressMax, bool withProgress);

    std::function<bool()> savedIdle_;
    std::function<void()> savedHint_;
    std::function<void(QString&, bool&, ui::tHintInfo&)> savedShowHint_;
    bool handlersSaved_ = false;
    void RestoreHandlers();

    bool inIdle_ = false;
    bool startupDone_ = false;
    bool closing_ = false;
    bool releasePending_ = false;
    bool released_ = false;
    QPointer<ui::TTrackBar> hoveredTrackBar_;

    std::array<ui::TTrackBar*, 8> hueBars_{};
    std::array<ui::TEdit*, 8> hueEdits_{};
    std::array<ui::TTrackBar*, 5> lightBars_{};
    std::array<ui::TEdit*, 5> lightEdits_{};
    std::array<ui::TImage*, 6> shotImages_{};
    std::array<ui::TSpeedButton*, 6> showButtons_{};
    std::array<ui::TSpeedButton*, 6> clearButtons_{};
    std::vector<QWidget*> analysisControls_;

    QObject commonPick_;
    QObject firstPick_;
    QObject secondPick_;

    /// The a/b colour plane without markers, at the size of LabImage.
    ui::TBitmap labPlane_;
};

}  // namespace velmora::dialog

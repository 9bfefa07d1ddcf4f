#include "dialog/TParamForm.h"

#include <QApplication>
#include <QImage>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "base/Rounding.h"
#include "dialog/Stepwise.h"
#include "dialog/UserGuide.h"
#include "engine/ColorConvert.h"
#include "engine/HostCall.h"
#include "engine/Photo.h"
#include "engine/Preview.h"
#include "engine/Settings.h"
#include "engine/UndoHistory.h"
#include "host/ModuleState.h"
#include "sdk/PIFilter.h"
#include "toolkit/TScreen.h"

namespace velmora::dialog {

int16_t LastLabCursor = 5;

namespace {

// Screen cursor table ids and the resources they are loaded from.
constexpr const char* kCursorNames[8] = {"OPENHAND",  "CLOSEHAND",  "PSHAND", "PSPIPET",
                                         "PIPETPLUS", "PIPETMINUS", "PIPETC", "PIPETS"};

// A dialog closed without confirmation: user-cancelled, the settings back at
// the oldest recorded state and the slots as read from the parameter block.
void DiscardDialogChanges() {
    Module.ResultCode = sdk::kUserCanceled;
    while (CanUndo()) Undo();
    std::memcpy(Slots, Module.SavedSlots, sizeof Slots);
}

}  // namespace

TParamForm::TParamForm(QWidget* parent) : ui::TForm(parent) {
    setupUi(this);
    FormCreate();
}

TParamForm::~TParamForm() {
    if (DialogView == this) SetDialogView(nullptr);
    RestoreHandlers();
}

void TParamForm::FormCreate() {
    ui::TApplication& app = ui::TApplication::Instance();
    // 1. The application's handlers are the dialog's until FormClose.
    savedIdle_ = app.OnIdle;
    savedHint_ = app.OnHint;
    savedShowHint_ = app.OnShowHint;
    handlersSaved_ = true;
    app.OnIdle = [this] { return IdleHook(); };
    app.OnHint = [] {};
    app.OnShowHint = [this](QString& hint, bool& canShow, ui::tHintInfo& info) {
        ShowHintHook(hint, canShow, info);
    };

    // 2. The balance change sources are the form's own objects
    //    (CommonPickSource and its two siblings); the last undo control is
    //    this form's own state, so none of an earlier dialog can match.

    // 3. Window-size mode from the settings.
    ApplySizeMode();

    // 4. Cursors 1-8 from the module's resources.
    ui::TScreen& screen = ui::TScreen::Instance();
    for (int id = 1; id <= 8; ++id)
        screen.LoadCursor(id, QStringLiteral(":/cursors/") + QLatin1String(kCursorNames[id - 1]));

    // 5. Cursors of the preview and the Lab picker.
    Image->SetCursor(3);
    ImagePanel->SetCursor(3);
    LabImage->SetCursor(5);

    // 6. The colour plane, the balance working points and their radio; zoom buttons.
    DrawLabPlane();
    LoadBalancePoints();
    SelectBalanceRadio();
    UpdateZoomButtons();

    // 7. Control tables.
    BuildControlTables();

    // 8. Snapshot controls hidden until the analysis shows the used slots.
    for (int i = 0; i < 6; ++i) {
        showButtons_[size_t(i)]->SetDown(false);
        shotImages_[size_t(i)]->SetVisible(false);
        showButtons_[size_t(i)]->SetVisible(false);
        clearButtons_[size_t(i)]->SetVisible(false);
    }
    ClearAllButton->SetVisible(false);

    // 9. Hints and captions; the caption gets its suffix.
    AssignHintTexts();

    // 10. Hints off; the auto-correction is reached by End only.
    HintCheckBox->SetChecked(false);
    HintCheckBoxClick();
    DefaultButton->SetVisible(false);

    ConnectHandlers();
    ConnectResets();
    ConnectChangers();
    ConnectHelpLines();
    ConnectNavigation();
    ConnectPipettes();
    ConnectSnapshots();

    // 11.
    state_.RefreshingControls = false;
}

void TParamForm::BuildControlTables() {
    hueBars_ = {MagentaTrackBar, RedTrackBar,  YellowTrackBar, GrassTrackBar,
                GreenTrackBar,   CyanTrackBar, BlueTrackBar,   VioletTrackBar};
    hueEdits_ = {MagentaEdit, RedEdit,  YellowEdit, GrassEdit,
                 GreenEdit,   CyanEdit, BlueEdit,   VioletEdit};
    lightBars_ = {DarkTrackBar, DarkGrayTrackBar, GrayTrackBar, LightGrayTrackBar, WhiteTrackBar};
    lightEdits_ = {DarkEdit, DarkGrayEdit, GrayEdit, LightGrayEdit, WhiteEdit};
    shotImages_ = {ShotImage1, ShotImage2, ShotImage3, ShotImage4, ShotImage5, ShotImage6};
    showButtons_ = {ShowButton1, ShowButton2, ShowButton3, ShowButton4, ShowButton5, ShowButton6};
    clearButtons_ = {ClearButton1, ClearButton2, ClearButton3,
                     ClearButton4, ClearButton5, ClearButton6};
    analysisControls_ = {ShadowTrackBar, ShadowEdit,        ShadowLabel,      HighLightTrackBar,
                         HighLightEdit,  HighLightLabel,    ContrastTrackBar, ContrastEdit,
                         ContrastLabel,  SharpnessTrackBar, SharpnessEdit,    SharpLabel};
    for (ui::TTrackBar* bar : lightBars_) analysisControls_.push_back(bar);
    for (ui::TEdit* edit : lightEdits_) analysisControls_.push_back(edit);
}

void TParamForm::ConnectHandlers() {
    OnShow = [this] { FormShow(); };
    OnPaint = [this] { FormPaint(); };
    OnHide = [this] { FormHide(); };
    OnClose = [this] { FormClose(); };
    OnHelp = [this] { return FormHelp(); };
    OnKeyDown = [this](int& key, ui::tShiftState shift) { FormKeyDown(key, shift); };
    OnKeyUp = [this](int& key, ui::tShiftState shift) { FormKeyUp(key, shift); };
    OnDeactivate = [this] { FormDeactivate(); };
    connect(OkButton, &QPushButton::clicked, this, [this] { OkButtonClick(); });
    connect(CancelButton, &QPushButton::clicked, this, [this] { CancelButtonClick(); });
    CancelButton->OnMouseMove = [this](ui::tShiftState shift, int x, int y) {
        CancelButtonMouseMove(shift, x, y);
    };
    HintCheckBox->OnClick = [this] { HintCheckBoxClick(); };
    WarningCheckBox->OnClick = [this] { WarningCheckBoxClick(); };
    MonoCheckBox->OnClick = [this] { MonoCheckBoxClick(); };
    SrcButton->OnClick = [this] { SrcButtonClick(); };
    DefaultButton->OnClick = [this] { DefaultButtonClick(); };
    UndoButton->OnClick = [this] { UndoButtonClick(); };
    RedoButton->OnClick = [this] { RedoButtonClick(); };
    PlusButton->OnClick = [this] { ZoomIn(); };
    MinusButton->OnClick = [this] { ZoomOut(); };
    FitButton->OnClick = [this] { ZoomFit(); };
    ActualButton->OnClick = [this] { ZoomActual(); };
}

void TParamForm::RestoreHandlers() {
    if (!handlersSaved_) return;
    handlersSaved_ = false;
    ui::TApplication& app = ui::TApplication::Instance();
    app.OnIdle = std::move(savedIdle_);
    app.OnHint = std::move(savedHint_);
    app.OnShowHint = std::move(savedShowHint_);
}

// ---- the view the engine reaches -------------------------------------------

void TParamForm::ShowProgress(int32_t counter) {
    ProgressBar->SetPosition(counter);
}

void TParamForm::SetProgressMax(int32_t max) {
    ProgressBar->SetMax(max);
}

// The analysis writes its stage texts in the module's own language; they
// are shown translated.
[[maybe_unused]] constexpr const char* kStageTexts[] = {
    QT_TRANSLATE_NOOP("velmora::dialog::TParamForm", " Преобразование..."),
    QT_TRANSLATE_NOOP("velmora::dialog::TParamForm", " Анализ динамического диапазона..."),
    QT_TRANSLATE_NOOP("velmora::dialog::TParamForm", " Масштабирование..."),
    QT_TRANSLATE_NOOP("velmora::dialog::TParamForm", " Анализ яркости..."),
    QT_TRANSLATE_NOOP("velmora::dialog::TParamForm", " Анализ резкости..."),
    QT_TRANSLATE_NOOP("velmora::dialog::TParamForm", " Анализ контраста..."),
    QT_TRANSLATE_NOOP("velmora::dialog::TParamForm", " Распределение памяти..."),
    QT_TRANSLATE_NOOP("velmora::dialog::TParamForm", " Масштабирование масок "),
};

void TParamForm::SetStatusText(const std::string& text) {
    SetStatusText(tr(text.c_str()));
}

void TParamForm::SetStatusText(const QString& text) {
    StatusBar->Panel(3).SetText(text);
    ProcessMessages();
}

void TParamForm::EnableControl(tControl control, bool enabled) {
    switch (control) {
        case tControl::PlusButton:
            PlusButton->SetEnabled(enabled);
            break;
        case tControl::MinusButton:
            MinusButton->SetEnabled(enabled);
            break;
        case tControl::FitButton:
            FitButton->SetEnabled(enabled);
            break;
        case tControl::ActualButton:
            ActualButton->SetEnabled(enabled);
            break;
        case tControl::ShotButton:
            ShotButton->SetEnabled(enabled);
            break;
        case tControl::OkButton:
            OkButton->SetEnabled(enabled);
            break;
        case tControl::CancelButton:
            CancelButton->SetEnabled(enabled);
            break;
        case tControl::AnalysisControls:
            EnableAnalysisControls(enabled);
            break;
    }
}

void TParamForm::EnableAnalysisControls(bool enabled) {
    for (QWidget* w : analysisControls_) w->setEnabled(enabled);
}

void TParamForm::ShowAttention(bool visible) {
    AttentionImage->SetVisible(visible);
}

void TParamForm::ProcessMessages() {
    ui::TApplication::Instance().ProcessMessages();
}

void TParamForm::RequestRedraw() {
    state_.RedrawPending = true;
}

void TParamForm::RefreshControls() {
    UndoButton->SetEnabled(CanUndo());
    RedoButton->SetEnabled(CanRedo());
    // A refresh can run inside another (a changer lets messages through); the
    // inner one must not end the outer one's suppression of undo steps.
    const bool outerRefresh = state_.RefreshingControls;
    state_.RefreshingControls = true;
    DDChanger();
    ColorContrast();
    LowSatChanger();
    SatBendChanger();
    LoadBalancePoints();
    BalanceChanger();
    LightnessChanger();
    NewContrastChanger();
    NewSharpnessChanger();
    RotateChanger();
    ColorEqualizerChanger();
    LightEqualizerChanger();
    ShadowChanger();
    HighLightChanger();
    state_.RefreshingControls = outerRefresh;
    RequestRedraw();
}

void TParamForm::UpdateZoomButtons() {
    const int32_t rows = HostCall.Record ? ImageRows() : 0;
    const int32_t columns = HostCall.Record ? ImageColumns() : 0;
    const double scale = Photo.Scale;
    PlusButton->SetEnabled(scale < 1.0);
    MinusButton->SetEnabled(rows > 0 && columns > 0 && scale > 32.0 / rows &&
                            scale > 32.0 / columns);
    // The working image never exceeds scale 1, so neither does fitting it:
    // a picture smaller than the box is already as fitted as it gets.
    const double fit =
        rows > 0 && columns > 0 && Photo.BoxWidth > 0 ? std::min(FitScale(Photo), 1.0) : scale;
    FitButton->SetEnabled(std::fabs(scale - fit) > 0.000001);
    ActualButton->SetEnabled(std::fabs(scale - 1.0) > 0.000001);
}

void TParamForm::ShowPreview(const tBitmap24& bitmap) {
    ui::TBitmap& picture = Image->Picture();
    if (picture.Width() != Image->Width() || picture.Height() != Image->Height())
        picture.SetSize(Image->Width(), Image->Height());
    const int w = std::min(picture.Width(), int(bitmap.Width));
    const int h = std::min(picture.Height(), int(bitmap.Height));
    const size_t rowBytes = size_t(bitmap.Width) * 3;
    for (int y = 0; y < h; ++y)
        std::memcpy(picture.ScanLine(y), bitmap.Pixels.data() + size_t(y) * rowBytes,
                    size_t(w) * 3);
    picture.Changed();
    Image->SetVisible(true);
}

bool TParamForm::WarningChecked() const {
    return WarningCheckBox->Checked();
}

void TParamForm::NudgeCursor() {
    ui::TScreen& screen = ui::TScreen::Instance();
    const QPoint p = screen.PointerPos();
    screen.SetPointerPos(p + QPoint(1, 1));
    screen.SetPointerPos(screen.PointerPos() - QPoint(1, 1));
}

void TParamForm::RenderPreview() {
    velmora::RenderPreview();
}

// ---- idle hook ---------------------------------------------------------------

bool TParamForm::IdleHook() {
    if (closing_) return true;
    inIdle_ = true;
    bool done = false;
    try {
        if (state_.StartupPending) {
            state_.StartupPending = false;
            setEnabled(true);
            Show();
            Activate();
            setFocus(Qt::OtherFocusReason);
            ui::TApplication::Instance().PostKeyMessage(this, Qt::Key_Tab);
            ProcessMessages();
            if (!closing_) {
                EnableAnalysisControls(false);
                DialogStartUp();
                startupDone_ = true;
                ProcessMessages();
                RequestRedraw();
            }
        } else if (state_.RedrawPending) {
            RenderPreview();
            state_.RedrawPending = false;
        } else if (Maps.Ready) {
            done = true;
        } else {
            AnalysisStep();
        }
    } catch (...) {
        inIdle_ = false;
        if (releasePending_) ReleaseResources();
        throw;
    }
    inIdle_ = false;
    // A close that came in while the pass let messages run: the start-up
    // goes on to reset the settings after it, so discard its changes again.
    if (closing_ && !Module.ConfirmedFlag) DiscardDialogChanges();
    // The step has finished with the working image, so it can go now.
    if (releasePending_) {
        ReleaseResources();
        done = true;
    }
    return done;
}

// ---- confirmation, cancellation, closing --------------------------------------

void TParamForm::OkButtonClick() {
    // Before the start-up has converted and analysed the image there is
    // nothing to apply yet; the button is disabled right after anyway.
    if (!startupDone_) return;
    // Confirmed before the maps are built: finish them first, so the image
    // receives the local contrast and sharpness the settings ask for, as a
    // run without the dialog would.
    while (!Maps.Ready && !closing_) AnalysisStep();
    if (closing_) return;
    Module.ConfirmedFlag = true;
    Progress.Total = ImageRows();
    Progress.Counter = 0;
    ReportProgress();
    CloseDialog();
}

void TParamForm::CancelButtonClick() {
    if (CancelButton->Caption() != tr("Отмена"))
        SrcButtonClick();
    else
        CloseDialog();
}

void TParamForm::CancelButtonMouseMove(ui::tShiftState shift, int, int) {
    if (shift == ui::tShiftState(ui::tShift::Alt))
        SetStatusText(tr(" Вернуться к исходному снимку"));
    else
        SetStatusText(tr(" Закрыть окно, не обрабатывая фотографию"));
}

void TParamForm::CloseDialog() {
    Hide();
    Close();
    if (inIdle_)
        releasePending_ = true;
    else
        ReleaseResources();
}

void TParamForm::ReleaseResources() {
    releasePending_ = false;
    if (released_) return;
    released_ = true;
    FreePhoto(Photo);
    FreeHistory();
    FlushDisplayCache();
}

void TParamForm::FormDeactivate() {
    // Keys let go in another window send no release here: end what holding
    // them started, as their releases would.
    if (CancelButton->Caption() != tr("Отмена")) CancelButton->SetCaption(tr("Отмена"));
    state_.SpaceHeld = false;
    Image->SetCursor(AnyPickerDown() ? 4 : 3);
    LabImage->SetCursor(LastLabCursor);
}

void TParamForm::FormShow() {
    OkButton->SetFocus();
}

void TParamForm::FormHide() {
    if (!Module.ConfirmedFlag) Module.ResultCode = sdk::kUserCanceled;
}

void TParamForm::FormClose() {
    if (closing_) return;
    closing_ = true;
    if (!Module.ConfirmedFlag) DiscardDialogChanges();
    RestoreHandlers();
    if (DialogView == this) SetDialogView(nullptr);
}

bool TParamForm::FormHelp() {
    ui::TApplication::Instance().OpenURL(UserGuideAddress());
    return true;
}

// ---- actions -----------------------------------------------------------------

void TParamForm::SrcButtonClick() {
    ResetAll(true);
    RefreshControls();
}

void TParamForm::DefaultButtonClick() {
    ResetAll(true);
    RefreshControls();
}

void TParamForm::UndoButtonClick() {
    Undo();
    RefreshControls();
}

void TParamForm::RedoButtonClick() {
    Redo();
    RefreshControls();
}

void TParamForm::WarningCheckBoxClick() {
    RequestRedraw();
}

void TParamForm::HintCheckBoxClick() {
    ui::TApplication::Instance().SetHintPause(HintCheckBox->Checked() ? 500 : 0);
}

void TParamForm::ShowHintHook(QString& hint, bool&, ui::tHintInfo& info) {
    if (!HintCheckBox->Checked()) hint.clear();
    QWidget* control = info.HintControl;
    if (!control) return;
    if (auto* bar = qobject_cast<ui::TTrackBar*>(control)) {
        bar->SetFocus();
        if (hoveredTrackBar_ && hoveredTrackBar_ != bar)
            hoveredTrackBar_->SetCursor(ui::kCursorDefault);
        bar->SetCursor(ui::kCursorHandPoint);
        hoveredTrackBar_ = bar;
    } else if (auto* edit = qobject_cast<ui::TEdit*>(control)) {
        edit->SetFocus();
    } else if (control != Image) {
        ImagePanel->SetFocus();
    }
}

bool TParamForm::AnyPickerDown() const {
    return ColorBalanceButton->Down() || SkinButton->Down() || BlueButton->Down() ||
           GreenButton->Down();
}

}  // namespace velmora::dialog

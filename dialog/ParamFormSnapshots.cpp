// Snapshot slots with thumbnails and sounds, and the undo buttons.
#include "dialog/TParamForm.h"

namespace velmora::dialog {

void TParamForm::RenderThumbnails() {
    // Not built yet.
}

void TParamForm::UpdateSnapshotControls() {
    // Not built yet.
}

void TParamForm::ApplySnapshot(int) {
    // Not built yet.
}

void TParamForm::ShotButtonClick() {
    // Not built yet.
}

void TParamForm::ClearAllButtonClick() {
    // Not built yet.
}

void TParamForm::ClearButtonClick(QObject*) {
    // Not built yet.
}

void TParamForm::ShowButtonClick(QObject*) {
    // Not built yet.
}

void TParamForm::ShotImageClick(QObject*) {
    // Not built yet.
}

void TParamForm::ShotImageMouseMove(QObject*, int, int) {
    // Not built yet.
}

void TParamForm::ShotImageMouseLeave() {
    // Not built yet.
}

void TParamForm::ConnectSnapshots() {
    // Not built yet.
}

}  // namespace velmora::dialog

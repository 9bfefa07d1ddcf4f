// Captions and hints, and the help line of status panel 3.
#include "dialog/TParamForm.h"

namespace velmora::dialog {

void TParamForm::AssignHintTexts() {
    // Not built yet.
}

void TParamForm::ConnectHelpLines() {
    // Not built yet.
}

}  // namespace velmora::dialog

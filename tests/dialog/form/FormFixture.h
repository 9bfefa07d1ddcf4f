// A parameter dialog built directly, without a host and without the
// start-up analysis: the settings are the first-use ones and every control
// has been loaded from them. For the tests of the controls, readouts,
// painters, pickers and snapshots that need no working image.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <cstring>
#include <memory>

#include "dialog/TParamForm.h"
#include "engine/Analysis.h"
#include "engine/Photo.h"
#include "engine/Settings.h"
#include "engine/UndoHistory.h"
#include "host/ModuleState.h"
#include "toolkit/TCheckBox.h"
#include "toolkit/TEdit.h"
#include "toolkit/TImage.h"
#include "toolkit/TRadioButton.h"
#include "toolkit/TSpeedButton.h"
#include "toolkit/TTrackBar.h"

namespace velmora::test {

/// The module as a dialog finds it on a first use: no history, first-use
/// settings, free snapshot slots, and an analysed range of 10..240.
inline void StartAsOnFirstUse() {
    FreeHistory();
    ResetFirstUse();
    for (tParamSlot& slot : Slots) slot = tParamSlot{};
    std::memcpy(Module.SavedSlots, Slots, sizeof Slots);
    Analysis.Black = 10;
    Analysis.White = 240;
}

class FormTest : public ::testing::Test {
  protected:
    void SetUp() override {
        StartAsOnFirstUse();
        form = std::make_unique<dialog::TParamForm>();
        form->RefreshControls();
        QApplication::processEvents();
    }
    void TearDown() override {
        form.reset();
        FreeHistory();
        Analysis.Black = Analysis.White = 0;
    }

    /// The form's control of that name and type (fails the test when absent).
    template <class T>
    T* C(const char* name) {
        T* c = form->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(c, nullptr) << name;
        return c;
    }
    ui::TTrackBar* Bar(const char* name) { return C<ui::TTrackBar>(name); }
    ui::TEdit* Edit(const char* name) { return C<ui::TEdit>(name); }

    /// Replaces an edit's text as typing would: select all, type the text.
    void Type(ui::TEdit* edit, const QString& text) {
        edit->SetFocus();
        edit->selectAll();
        if (text.isEmpty())
            QTest::keyClick(edit, Qt::Key_Delete);
        else
            QTest::keyClicks(edit, text);
    }

    std::unique_ptr<dialog::TParamForm> form;
};

}  // namespace velmora::test

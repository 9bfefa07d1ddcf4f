// Drives the parameter dialog through the continue selector, in-process,
// with the fake host and real input on the offscreen platform. The dialog
// runs inside continue's message loop, so a test hands over a script of
// steps that a timer runs once the dialog has reached the state each waits for.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QMouseEvent>
#include <QPointer>
#include <QStyleHints>
#include <QTest>
#include <QTimer>
#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <memory>

#include "dialog/Stepwise.h"
#include "dialog/TParamForm.h"
#include "engine/ColorConvert.h"
#include "engine/Correction.h"
#include "engine/HostCall.h"
#include "engine/MapSteps.h"
#include "engine/Photo.h"
#include "engine/Settings.h"
#include "engine/UndoHistory.h"
#include "host/Dispatch.h"
#include "host/ModuleState.h"
#include "sdk/PIFilter.h"
#include "tests/support/FakeHost.h"
#include "toolkit/TApplication.h"
#include "toolkit/TButton.h"
#include "toolkit/TGroupBox.h"
#include "toolkit/TImage.h"
#include "toolkit/TPanel.h"

namespace velmora::test {

using dialog::TParamForm;

inline TParamForm* VisibleDialog() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* f = qobject_cast<TParamForm*>(w); f && f->isVisible()) return f;
    return nullptr;
}

template <class T>
T* Child(QWidget* form, const char* name) {
    T* c = form->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(c, nullptr) << name;
    return c;
}

// Runs each step once its condition holds on the visible dialog; a dialog
// left open after the last step, or a step that never comes, fails the test
// after 20 s and closes the dialog.
struct tScript {
    struct tStep {
        std::function<bool(TParamForm&)> when;
        std::function<void(TParamForm&)> act;
    };
    std::vector<tStep> steps;
    size_t next = 0;
    bool forced = false;
    // The dialog whose idle passes are watched, and whether a step found due
    // there waits to run.
    QPointer<TParamForm> watched;
    bool posted = false;
};

// The visible dialog when the next step's condition holds on it.
inline TParamForm* DueStepDialog(tScript& script) {
    TParamForm* form = VisibleDialog();
    return form && script.next < script.steps.size() && script.steps[script.next].when(*form)
               ? form
               : nullptr;
}

// The next step, when its condition holds on the visible dialog.
inline void RunDueStep(tScript& script) {
    if (TParamForm* form = DueStepDialog(script)) script.steps[script.next++].act(*form);
}

// Besides a 2 ms timer, the conditions are checked after every idle pass of
// the dialog (each step of its analysis is one), so that a step meant for
// the middle of the analysis cannot be missed between two ticks. A step found
// due there runs from a zero timer, which fires before the next idle pass,
// so the state it found still holds and it runs where timer steps run.
inline void WatchIdlePasses(TParamForm* form, const std::shared_ptr<tScript>& script) {
    if (script->watched == form) return;
    script->watched = form;
    ui::TApplication& app = ui::TApplication::Instance();
    // The dialog puts back the hook it found when it closes, which ends this.
    app.OnIdle = [inner = app.OnIdle, weak = std::weak_ptr<tScript>(script)] {
        const bool done = inner ? inner() : true;
        const std::shared_ptr<tScript> s = weak.lock();
        if (s && !s->posted && DueStepDialog(*s)) {
            s->posted = true;
            QTimer::singleShot(0, qApp, [s] {
                s->posted = false;
                RunDueStep(*s);
            });
        }
        return done;
    };
}

inline void Drive(std::shared_ptr<tScript> script) {
    auto* timer = new QTimer(qApp);
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    QObject::connect(timer, &QTimer::timeout, timer, [timer, clock, script] {
        TParamForm* form = VisibleDialog();
        if (form) WatchIdlePasses(form, script);
        if (script->next < script->steps.size()) {
            RunDueStep(*script);
        } else if (!form) {
            timer->stop();
            timer->deleteLater();
            return;
        }
        if (clock->elapsed() > 20000) {
            script->forced = true;
            if (form) form->close();
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start(2);
}

// The analysis has completed: the maps are built, the controls that need
// them are enabled (the completion sets Maps.Ready before it has finished
// and lets messages run meanwhile) and the preview shows the result.
inline bool Ready(TParamForm& form) {
    QWidget* shadow = form.findChild<QWidget*>(QStringLiteral("ShadowTrackBar"));
    return Maps.Ready && shadow && shadow->isEnabled() && !form.State().RedrawPending;
}

// An RGB host image from a photo, reduced to width x height.
inline void LoadPhoto(FakeHost& host, int width, int height) {
    QImage photo(QStringLiteral(VELMORA_PHOTOS "/coffee.png"));
    ASSERT_FALSE(photo.isNull());
    photo = photo.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                .convertToFormat(QImage::Format_RGB888);
    for (int y = 0; y < height; ++y)
        std::memcpy(host.In8() + size_t(y) * size_t(width) * 3, photo.constScanLine(y),
                    size_t(width) * 3);
    host.CopyInToOut();
}

// An 8-bit Lab host image whose pixel (x, y) is lab(x, y).
inline void FillLab(FakeHost& host, int width, int height,
                    const std::function<std::array<uint8_t, 3>(int, int)>& lab) {
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::array<uint8_t, 3> v = lab(x, y);
            std::memcpy(host.In8() + (size_t(y) * size_t(width) + size_t(x)) * 3, v.data(), 3);
        }
    host.CopyInToOut();
}

// The Image position over working pixel (px, py) at the current scroll.
inline QPoint ImagePoint(int px, int py) {
    return QPoint(px - Photo.ScrollX + Photo.DestLeft, py - Photo.ScrollY + Photo.DestTop);
}

// A mouse move that carries modifiers (QTest::mouseMove carries none and
// drops a move to the position of the last one).
inline void MouseMove(QWidget* widget, QPoint pos, Qt::KeyboardModifiers modifiers = {},
                      Qt::MouseButtons buttons = Qt::NoButton) {
    QMouseEvent event(QEvent::MouseMove, QPointF(pos), QPointF(widget->mapToGlobal(pos)),
                      Qt::NoButton, buttons, modifiers);
    QApplication::sendEvent(widget, &event);
}

inline int16_t Call(FakeHost& host, int16_t selector) {
    int32_t data = 0;
    int16_t result = 0x5555;
    Dispatch(selector, &host.record, &data, &result);
    return result;
}

inline const tParamBlock& Block(FakeHost& host) {
    return *reinterpret_cast<const tParamBlock*>(host.block.data());
}

class ParamDialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Module.RepeatFlag = true;
        Module.ConfirmedFlag = false;
        Module.ParamBlock = nullptr;
        HostCall.Record = nullptr;
    }
    void TearDown() override {
        Module.ParamBlock = nullptr;
        HostCall.Record = nullptr;
        Module.RepeatFlag = true;
    }

    // parameters, prepare, start, continue (the dialog), finish.
    int16_t RunWithDialog(FakeHost& host, std::shared_ptr<tScript> script) {
        EXPECT_EQ(Call(host, sdk::kSelectorParameters), 0);
        EXPECT_EQ(Call(host, sdk::kSelectorPrepare), 0);
        EXPECT_EQ(Call(host, sdk::kSelectorStart), 0);
        Drive(script);
        const int16_t result = Call(host, sdk::kSelectorContinue);
        EXPECT_EQ(Call(host, sdk::kSelectorFinish), 0);
        EXPECT_FALSE(script->forced) << "the dialog had to be closed by force";
        EXPECT_EQ(script->next, script->steps.size()) << "steps left undone";
        EXPECT_EQ(DialogView, nullptr);
        EXPECT_EQ(VisibleDialog(), nullptr);
        return result;
    }

    // Runs `act` once the analysed dialog is up, then cancels it with Esc;
    // the dialog must answer user-cancelled.
    void WithReadyDialog(FakeHost& host, const std::function<void(TParamForm&)>& act) {
        auto script = std::make_shared<tScript>();
        bool ran = false;
        script->steps.push_back({Ready, [&](TParamForm& form) {
                                     act(form);
                                     ran = true;
                                     QTest::keyClick(&form, Qt::Key_Escape);
                                 }});
        EXPECT_EQ(RunWithDialog(host, script), sdk::kUserCanceled);
        EXPECT_TRUE(ran);
    }
};

}  // namespace velmora::test

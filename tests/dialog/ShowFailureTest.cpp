// Failure messages and the hooks, with the dialog layer linked in-process.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <string>

#include "dialog/UiEntry.h"
#include "host/Dispatch.h"
#include "host/UiHooks.h"
#include "sdk/PIFilter.h"
#include "toolkit/TForm.h"

namespace velmora::test {
namespace {

struct SeenBox {
    bool seen = false;
    QString title, text;
    QWidget* parent = nullptr;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

// Answers the next message box (after noting what it says) as the user would.
void AnswerNextMessageBox(SeenBox& seen) {
    auto* timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, &seen] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (!box || !box->isVisible()) continue;
            seen = {true, box->windowTitle(), box->text(), box->parentWidget(), box->icon()};
            timer->stop();
            timer->deleteLater();
            box->accept();
            return;
        }
    });
    timer->start(10);
}

TEST(ShowFailure, TheHooksAreInstalledAtLoad) {
    EXPECT_EQ(UiHooks.RunAboutBox, &dialog::RunAboutBox);
    EXPECT_EQ(UiHooks.ShowFailure, &dialog::ShowFailure);
    EXPECT_EQ(UiHooks.RunParamDialog, &dialog::RunParamDialog);
}

TEST(ShowFailure, WithoutAWindowOfTheModuleNothingIsShown) {
    EXPECT_EQ(dialog::ModuleWindow(), nullptr);
    EXPECT_FALSE(dialog::ShowFailure("Неподходящее выравнивание"));
    ui::TForm hidden;
    {
        dialog::tModuleWindowScope scope(&hidden);
        EXPECT_FALSE(dialog::ShowFailure("Неподходящее выравнивание")) << "window not shown";
    }
    for (QWidget* w : QApplication::topLevelWidgets())
        EXPECT_EQ(qobject_cast<QMessageBox*>(w), nullptr) << "a message box was created";
}

TEST(ShowFailure, WhileAWindowIsUpTheMessageGoesIntoABoxOverIt) {
    ui::TForm form;
    form.SetCaption(QStringLiteral("Zeq Velmora Pro"));
    form.Show();
    SeenBox seen;
    {
        dialog::tModuleWindowScope scope(&form);
        EXPECT_EQ(dialog::ModuleWindow(), &form);
        AnswerNextMessageBox(seen);
        EXPECT_TRUE(dialog::ShowFailure("BalanceChanger: неправильный параметр"));
    }
    ASSERT_TRUE(seen.seen);
    EXPECT_EQ(seen.text, QStringLiteral("BalanceChanger: неправильный параметр"));
    EXPECT_EQ(seen.title, QStringLiteral("Zeq Velmora Pro"));
    EXPECT_EQ(seen.parent, &form);
    EXPECT_EQ(seen.icon, QMessageBox::Critical);
    EXPECT_EQ(dialog::ModuleWindow(), nullptr);
}

TEST(ShowFailure, ACoreFailureWhileAWindowIsUpIsShownThereAndNotPrinted) {
    ui::TForm form;
    form.Show();
    dialog::tModuleWindowScope scope(&form);
    SeenBox seen;
    AnswerNextMessageBox(seen);
    int32_t data = 7;
    int16_t result = 0;
    ::testing::internal::CaptureStderr();
    Dispatch(sdk::kSelectorStart, nullptr, &data, &result);  // no filter record
    EXPECT_EQ(::testing::internal::GetCapturedStderr().find("velmora:"), std::string::npos)
        << "printed as well";
    EXPECT_EQ(result, sdk::kErrorReported);
    EXPECT_EQ(data, 7);
    ASSERT_TRUE(seen.seen);
    EXPECT_EQ(seen.text, QStringLiteral("Нет записи фильтра"));
    EXPECT_EQ(seen.parent, &form);
}

}  // namespace
}  // namespace velmora::test

// Test entry point: one QApplication for all resource tests, on the
// offscreen platform unless the environment names another.
#include <gtest/gtest.h>

#include <QApplication>

#include "toolkit/TApplication.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();  // discovery needs no display
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    if (!velmora::ui::TApplication::Instance().Initialize()) return 1;
    return RUN_ALL_TESTS();
}

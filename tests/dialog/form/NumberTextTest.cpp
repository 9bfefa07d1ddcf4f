// Number texts of the edits and the colour readouts of the status bar.
#include <clocale>

#include "FormFixture.h"
#include "dialog/ColorMath.h"
#include "dialog/NumberText.h"
#include "toolkit/TStatusBar.h"

namespace velmora::test {
namespace {

using dialog::FactorText;
using dialog::FixedText;
using dialog::ParseInteger;
using dialog::ParseReal;

TEST(NumberText, IntegerParsingReportsTheFirstBadPosition) {
    struct {
        const char* text;
        int failedAt;
        int32_t value;
    } cases[] = {
        {"0", 0, 0},
        {"-12", 0, -12},
        {"+7", 0, 7},
        {"  42", 0, 42},
        {"2x", 2, 0},
        {"x2", 1, 0},
        {"", 1, 0},
        {"-", 2, 0},
        {"1 2", 2, 0},
        {"1.5", 2, 0},
        {"2147483647", 0, 2147483647},
        {"-2147483648", 0, -2147483647 - 1},
        {"2147483648", 10, 0},
    };
    for (const auto& c : cases) {
        int32_t v = -999;
        EXPECT_EQ(ParseInteger(c.text, v), c.failedAt) << c.text;
        if (c.failedAt == 0) {
            EXPECT_EQ(v, c.value) << c.text;
        }
    }
}

TEST(NumberText, RealParsingAcceptsPointsAndExponents) {
    struct {
        const char* text;
        int failedAt;
        double value;
    } cases[] = {
        {"1.5", 0, 1.5}, {"-0.25", 0, -0.25}, {".5", 0, 0.5}, {"2.", 0, 2.0},
        {"1e2", 0, 100}, {"1.5E-1", 0, 0.15}, {"1,5", 2, 0},  {"2x", 2, 0},
        {"", 1, 0},      {".", 2, 0},         {"1e", 3, 0},   {"--1", 2, 0},
    };
    for (const auto& c : cases) {
        double v = -999;
        EXPECT_EQ(ParseReal(c.text, v), c.failedAt) << c.text;
        if (c.failedAt == 0) {
            EXPECT_DOUBLE_EQ(v, c.value) << c.text;
        }
    }
}

TEST(NumberText, FactorsShowTwoDecimalsUpTo198AndOneAbove) {
    EXPECT_EQ(FactorText(1.98), "1.98");
    EXPECT_EQ(FactorText(1.99), "2.0");
    EXPECT_EQ(FactorText(0.0), "0.00");
    EXPECT_EQ(FactorText(128.0), "128.0");
    EXPECT_EQ(FixedText(-0.0001, 2), "0.00");
    EXPECT_EQ(FixedText(2.5, 1), "2.5");
}

TEST(NumberText, ParsingAndFormattingIgnoreTheProcessLocale) {
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = old ? old : "C";
    if (!std::setlocale(LC_NUMERIC, "ru_RU.UTF-8") && !std::setlocale(LC_NUMERIC, "de_DE.UTF-8"))
        GTEST_SKIP() << "no locale with a decimal comma installed";
    double v = 0;
    EXPECT_EQ(ParseReal("1.5", v), 0);
    EXPECT_DOUBLE_EQ(v, 1.5);
    EXPECT_EQ(FixedText(1.5, 2), "1.50");
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(ColorMath, PaddingAndPickHue) {
    EXPECT_EQ(dialog::PaddedNumber(7), " 007");
    EXPECT_EQ(dialog::PaddedNumber(-12), "-012");
    EXPECT_EQ(dialog::PaddedNumber(1234), " 1234");
    EXPECT_EQ(dialog::PickHue(128, 128), 0);
    EXPECT_EQ(dialog::PickHue(200, 128), 360);  // positive a
    EXPECT_EQ(dialog::PickHue(128, 200), 90);
    EXPECT_EQ(dialog::PickHue(56, 128), 180);
    EXPECT_EQ(dialog::PickHue(128, 100), 270);
}

using ReadoutTest = FormTest;

TEST_F(ReadoutTest, StatusPanelsShowTheColourUnderThePointer) {
    auto* bar = C<ui::TStatusBar>("StatusBar");
    form->ShowRGB(7, 128, 255);
    EXPECT_EQ(bar->Panel(0).Text(), QStringLiteral(" R:  007   G:  128   B:  255"));
    form->ShowLab(255, 128, 100);
    EXPECT_EQ(bar->Panel(1).Text(), QStringLiteral(" L:  100   a:  000   b: -028"));
    form->ShowCH(200, 128);
    EXPECT_EQ(bar->Panel(2).Text(), QStringLiteral(" C:  072   H: 360°"));
    form->ShowCH(128, 128);
    EXPECT_EQ(bar->Panel(2).Text(), QStringLiteral(" C:  000   H: 0°"));
    form->ShowCH(128, 100);
    EXPECT_EQ(bar->Panel(2).Text(), QStringLiteral(" C:  028   H: 270°"));
}

}  // namespace
}  // namespace velmora::test

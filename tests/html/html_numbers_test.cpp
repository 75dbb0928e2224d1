#include "html/html_numbers.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(HtmlNumbers, ReadsWholeNumbersAndFractions) {
    struct Case {
        const char* text;
        double value;
    } cases[] = {
        {"0", 0},
        {"7", 7},
        {"007", 7},
        {"+12", 12},
        {"-40", -40},
        {"123456789012345", 123456789012345.0},           // fifteen digits, exact
        {"1234567890123456789", 1234567890123456789.0},   // more than a double holds exactly
        {"1.5", 1.5},
        {"-.25", -0.25},
        {"2e3", 2000},
        {"1E-2", 0.01},
    };
    for (const Case& c : cases) {
        double value = -1;
        EXPECT_TRUE(TextToNumber(c.text, value)) << c.text;
        EXPECT_DOUBLE_EQ(value, c.value) << c.text;
    }
    double zero = 1;
    ASSERT_TRUE(TextToNumber("-0", zero));
    EXPECT_EQ(zero, 0);
    EXPECT_TRUE(std::signbit(zero));
}

TEST(HtmlNumbers, RefusesAnythingElseAndLeavesTheValue) {
    for (const char* text : {"", "-", "+", ".", "1x", " 1", "1 ", "0x10", "1e", "1e+", "--1", "inf", "nan", "1e999"}) {
        double value = 42;
        EXPECT_FALSE(TextToNumber(text, value)) << '"' << text << '"';
        EXPECT_EQ(value, 42) << '"' << text << '"';
    }
}

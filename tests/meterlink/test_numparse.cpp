#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>

#include "meterlink/numparse.h"

namespace dmm {
namespace {

TEST(ParseNumber, AcceptsMeterAndUserForms) {
    struct Row {
        const char* text;
        std::optional<long double> expected;
    };
    // clang-format off
    const Row rows[] = {
        {"1.234", 1.234L},      {" 1.5 ", 1.5L},     {"-0.056", -0.056L}, {"+2", 2.0L},
        {".", 0.0L},            {"1.", 1.0L},        {".5", 0.5L},        {"-.5", -0.5L},
        {"1e3", 1000.0L},       {"1.234E-3", 1.234e-3L}, {"2E+2", 200.0L}, {"     ", std::nullopt},
        {"", std::nullopt},     {"-", std::nullopt}, {"+", std::nullopt}, {" OL ", std::nullopt},
        {"1,5", std::nullopt},  {"0x10", std::nullopt}, {"inf", std::nullopt},
        {"nan", std::nullopt},  {"1e", std::nullopt}, {"e5", std::nullopt}, {"1 2", std::nullopt},
        {"1.2.3", std::nullopt}, {"\t1", std::nullopt}, {"--1", std::nullopt},
        {"1E99999", std::nullopt}, {"1.0E-3E0", std::nullopt},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string("text \"") + row.text + "\"");
        std::optional<long double> got = ParseNumber(row.text);
        ASSERT_EQ(got.has_value(), row.expected.has_value());
        if (got) {
            EXPECT_NEAR(static_cast<double>(*got), static_cast<double>(*row.expected), 1e-15);
        }
    }
}

TEST(ParseInteger, TakesSignedDecimalsWithinThirtyTwoBits) {
    struct Row {
        const char* text;
        std::optional<int> expected;
    };
    // clang-format off
    const Row rows[] = {
        {"-3", -3},           {"  4", 4},           {"+7", 7},
        {"0", 0},             {"2147483647", 2147483647}, {"-2147483648", -2147483647 - 1},
        {"2147483648", std::nullopt}, {"-2147483649", std::nullopt},
        {"99999999999999999999", std::nullopt}, {"4 ", std::nullopt}, {"", std::nullopt},
        {"-", std::nullopt},  {"1.0", std::nullopt}, {"0x1", std::nullopt}, {"1e2", std::nullopt},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string("text \"") + row.text + "\"");
        EXPECT_EQ(ParseInteger(row.text), row.expected);
    }
}

TEST(FormatGeneral, ShortestFormUpToFifteenDigits) {
    EXPECT_EQ(FormatGeneral(100), "100");
    EXPECT_EQ(FormatGeneral(2.5), "2.5");
    EXPECT_EQ(FormatGeneral(0.1), "0.1");
    EXPECT_EQ(FormatGeneral(-0.001234), "-0.001234");
    EXPECT_EQ(FormatGeneral(1.0 / 3), "0.333333333333333");
    EXPECT_EQ(FormatGeneral(1e20), "1e+20");
    // Near the largest double the 15-digit form is cut, not rounded past it, so that it
    // reads back.
    const double largest = std::numeric_limits<double>::max();
    for (double v : {largest, -largest, std::nextafter(largest, 0.0)}) {
        const std::string text = FormatGeneral(v);
        EXPECT_EQ(text, v > 0 ? "1.79769313486231e+308" : "-1.79769313486231e+308");
        const auto back = ParseNumber(text);
        ASSERT_TRUE(back);
        EXPECT_TRUE(std::isfinite(static_cast<double>(*back))) << text;
    }
    EXPECT_EQ(FormatGeneral(1.7976931348623e+308), "1.7976931348623e+308");
}

TEST(Format, GrowsPastAnyFixedBuffer) {
    std::string longText(5000, 'x');
    EXPECT_EQ(Format("[%s]", longText.c_str()), "[" + longText + "]");
    EXPECT_EQ(Format("%06.*Lf", 1, -5.6L), "-005.6");
}

}  // namespace
}  // namespace dmm

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "meterlink/handover.h"
#include "meterlink/numparse.h"

namespace dmm {
namespace {

MeterReading Reading(int code, const char* display, const char* value, int shift) {
    MeterReading r;
    r.iFunc = code;
    r.iShift = shift;
    r.sValue = value;
    CopyCut(r.szDisplay, display);
    CopyCut(r.szUnit, "m");
    CopyCut(r.szFunc, "V");
    return r;
}

TEST(PrepareAnalogValues, NeedleAndScaleFromDisplay) {
    struct Row {
        const char* name;
        int code;
        const char* display;
        const char* value;
        int shift;
        int negative, count, fullScale, decimalShift;
    };
    const int kMax = std::numeric_limits<std::int32_t>::max();
    // clang-format off
    const Row rows[] = {
        {"half scale", 6, "0.500", "0.500", 0, 0, 500, 5000, 0},
        {"negative", 6, "-12.34", "-1.234", 1, 1, 1234, 5000, 1},
        {"capacitance shift 3", 8, "1234", "1.234", 3, 0, 1234, 10000, 3},
        {"capacitance shift 2", 8, "123.4", "1.234", 2, 0, 1234, 5000, 2},
        {"frequency", 1024, "12.34", "1.234", 1, 0, 1234, 10000, 1},
        {"dbm", 8192, "-12.3", "-12.3", 0, 1, 123, 1000, 0},
        {"percent", 2048, "50.0", "50.0", 0, 0, 500, 1000, 1},
        {"percent 2050", 2050, "50.0", "50.0", 2, 0, 500, 500, 2},
        {"temperature", 32, "025", "25.0", 0, 0, 25, 2000, 0},
        {"overload", 6, " O.L ", "OL", 1, 0, 5500, 5000, 1},
        {"negative overload", 6, "- O.L ", "-OL", 2, 1, 5500, 5000, 2},
        {"not a number keeps counts", 7, "abc", "abc", 3, 0, 111, 222, 3},
        {"negative not a number", 7, "-abc", "-abc", 0, 1, 111, 222, 3},
        {"blank padded scale held at limit", 7, "      123456789", "x", 0, 0, 123456789, kMax, 0},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        AnalogValues a;
        a.NeedleCount = 111;
        a.FullScale = 222;
        a.DecimalShift = 3;
        PrepareAnalogValues(Reading(row.code, row.display, row.value, row.shift), a);
        EXPECT_EQ(a.NegativeFlag, row.negative);
        EXPECT_EQ(a.NeedleCount, row.count);
        EXPECT_EQ(a.FullScale, row.fullScale);
        EXPECT_EQ(a.DecimalShift, row.decimalShift);
        EXPECT_EQ(a.funcCode, row.code);
    }
}

TEST(PrepareAnalogValues, TextsCutToSevenCharacters) {
    AnalogValues a;
    MeterReading r = Reading(4096, "123456789012345", "x", 0);
    CopyCut(r.szFunc, "12345678901");
    PrepareAnalogValues(r, a);
    EXPECT_STREQ(a.display, "1234567");
    EXPECT_STREQ(a.unit, "m");
    EXPECT_STREQ(a.func, "1234567");
}

TEST(PrepareComparatorValues, ValueOrOverloadSubstitute) {
    struct Row {
        const char* name;
        const char* display;
        const char* value;
        bool posts;
        float comp;
    };
    // clang-format off
    const Row rows[] = {
        {"plain", "1.234", "1.234", true, 1.234f},
        {"negative", "-005.6", "-0.056", true, -5.6f},
        {"overload above high", " O.L ", "OL", true, 14.0f},
        {"overload below low", "- O.L ", "-OL", true, -2.0f},
        {"not a number", "abc", "abc", false, 99.0f},
        {"beyond single precision", "1e39", "1e39", false, 99.0f},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ComparatorValues c;
        c.CompValue = 99.0f;
        EXPECT_EQ(PrepareComparatorValues(Reading(6, row.display, row.value, 0), 10.0, 2.0, c),
                  row.posts);
        EXPECT_FLOAT_EQ(c.CompValue, row.comp);
        EXPECT_STREQ(c.unit, "m");
        EXPECT_STREQ(c.func, "V");
        EXPECT_EQ(c.funcCode, 6);
    }
}

TEST(ChartedValue, ParsedOrOverloadLevel) {
    struct Row {
        const char* name;
        const char* value;
        const char* range;
        int code;
        std::optional<float> expected;
    };
    // clang-format off
    const Row rows[] = {
        {"value times range", "1.234", "-3", 6, 0.001234f},
        {"leading blank", " 1.5", "0", 6, 1.5f},
        {"volts overload", "OL", "2", 6, 550.0f},
        {"negative volts overload", "-OL", "2", 6, -550.0f},
        {"ac volts", "OL", "1", 5, 55.0f},
        {"dc+ac volts", "OL", "-1", 7, 0.55f},
        {"capacitance", "OL", "-6", 8, 5.5e-6f},
        {"ohms", "OL", "3", 128, 5500.0f},
        {"amps", "OL", "0", 513, 5.5f},
        {"amps dc", "OL", "0", 514, 5.5f},
        {"amps dc+ac", "OL", "0", 515, 5.5f},
        {"frequency", "OL", "3", 1024, 5500.0f},
        {"code 20", "OL", "2", 20, 220.0f},
        {"celsius", "OL", "0", 32, 1100.0f},
        {"fahrenheit range not needed", "-OL", "x", 64, -1100.0f},
        {"dbm", "OL", "0", 8192, 1100.0f},
        {"ohms 384", "OL", "9", 384, 500.0f},
        {"percent", "OL", "0", 2048, 110.0f},
        {"percent 2050", "OL", "0", 2050, 110.0f},
        {"code 0 overload dropped", "OL", "0", 0, std::nullopt},
        {"unknown code overload dropped", "OL", "0", 4096, std::nullopt},
        {"range needed but not integer", "OL", "x", 6, std::nullopt},
        {"not a number", "abc", "0", 6, std::nullopt},
        {"blank value", "     ", "0", 6, std::nullopt},
        {"beyond single precision", "9.99", "99", 6, std::nullopt},
        {"overload beyond single precision", "OL", "99", 6, std::nullopt},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::optional<float> got = ChartedValue(row.value, row.range, row.code);
        ASSERT_EQ(got.has_value(), row.expected.has_value());
        if (got) {
            EXPECT_FLOAT_EQ(*got, *row.expected);
        }
    }
}

}  // namespace
}  // namespace dmm

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "meterlink/displaydecoder.h"
#include "meterlink/numparse.h"

namespace dmm {
namespace {

constexpr double kKept = -7.0;  // dValue before every decoding below

struct Prior {
    int shift = 0;
    int olPoint = 0;
    const char* display = "";
};

struct DecodeCase {
    const char* name;
    Prior prior;
    std::uint32_t status;
    const char* value;
    const char* range;
    const char* display;
    const char* panel;
    int shift;
    int olPoint;
    const char* unit;
    const char* func;
    double dValue;
    const char* storedValue = nullptr;  // when decoding changes the texts
    const char* storedRange = nullptr;
};

MeterReading Decode(const Prior& prior, std::uint32_t status, const std::string& value,
                    const std::string& range) {
    MeterReading r;
    r.iShift = prior.shift;
    r.iOlPoint = prior.olPoint;
    r.dValue = kKept;
    CopyCut(r.szDisplay, prior.display);
    StoreFrame(r, status, value, range);
    DecodeReading(r);
    return r;
}

TEST(DecodeReading, EveryRuleAndFallback) {
    const Prior s1{1, 1, "12.34"};
    // clang-format off
    const DecodeCase cases[] = {
        {"dc volts", {}, 6, "1.234", "0", "1.234", "1.234", 0, 0, "", "V", 1.234},
        {"dc millivolts", {}, 6, "-0.056", "-1", "-005.6", "-005.6", 2, 2, "m", "V", -0.056},
        {"dc volts shift 3", {}, 6, "1.234", "3", "1234", "1234", 3, 3, "", "V", 1.234},
        {"ac volts negative", {}, 5, "-1.234", "3", "-1234", "-1234", 3, 3, "", "V", -1.234},
        {"code 20", {}, 20, "1.234", "1", "12.34", "12.34", 1, 1, "", "V", 1.234},
        {"overload keeps point", s1, 5, "OL", "0", " O.L ", " O.L ", 1, 1, "", "V", kKept},
        {"overload negative", s1, 5, "-OL", "0", "- O.L ", "- O.L ", 1, 1, "", "V", kKept},
        {"overload point 3", {3, 3, ""}, 6, "OL", "3", " OL ", " OL ", 3, 3, "", "V", kKept},
        {"overload point 0", {0, 0, ""}, 514, "OL", "0", " .OL ", " .OL ", 0, 0, "", "A", kKept},
        {"overload without form keeps display", {5, 5, "12.34"}, 6, "OL", "5", "12.34", "12.34", 5,
         5, "", "V", kKept},
        {"negative overload without form", {5, 5, "12.34"}, 6, "-OL", "5", "-12.34", "-12.34", 5, 5,
         "", "V", kKept},
        {"no double minus", {-1, -1, "-005.6"}, 6, "-OL", "5", "-005.6", "-005.6", -1, -1, "", "V",
         kKept},
        {"volts not a number", s1, 6, "abc", "0", "abc", "abc", 1, 1, "", "V", kKept},
        {"volts range not integer", s1, 6, "1.234", "x", "1.234", "1.234", 1, 1, "", "V", kKept},
        {"volts blank value", s1, 6, " 0.", "-1", "     ", "     ", 1, 1, "m", "V", kKept, "     "},
        {"amps range -3", {}, 513, "1.234", "-3", "1234", "1234", 3, 3, "u", "A", 1.234},
        {"amps range -1", {}, 513, "0.123", "-1", "012.3", "012.3", 2, 2, "m", "A", 0.123},
        {"amps range -4", {}, 514, "-1.5", "-4", "-150.0", "-150.0", 2, 2, "u", "A", -1.5},
        {"ohms kilo", {}, 128, "1.234", "4", "12.34", "12.34", 1, 1, "K", "W", 1.234},
        {"ohms mega", {}, 128, "1.234", "6", "1.234", "1.234", 0, 0, "M", "W", 1.234},
        {"ohms range -1", {}, 384, "1.234", "-1", "0.1234", "0.1234", -1, -1, "", "W", 1.234},
        {"ohms overload", {2, 2, ""}, 128, "OL", "4", " OL. ", " OL. ", 2, 2, "K", "W", kKept},
        {"ohms overload unsigned", s1, 384, "-OL", "4", " O.L ", " O.L ", 1, 1, "K", "W", kKept},
        {"ohms overload without form", {3, 3, "1234"}, 128, "OL", "3", "1234", "1234", 3, 3, "K",
         "W", kKept},
        {"frequency", {2, 2, ""}, 1024, "1.234", "4", "12.34", "12.34", 1, 2, "K", "Hz", 1.234},
        {"frequency overload is raw", s1, 1024, "OL", "4", "OL", "OL", 1, 1, "K", "Hz", kKept},
        {"capacitance nano", {}, 8, "4.56", "-8", "45.60", "45.60", 1, 0, "n", "F", 4.56},
        {"capacitance micro", {}, 8, "0.5", "-6", "0.500", "0.500", 0, 0, "u", "F", 0.5},
        {"capacitance shift 3", {}, 8, "1.234", "-3", "1234", "1234", 3, 0, "u", "F", 1.234},
        {"capacitance unknown range", {2, 0, ""}, 8, "1.234", "-9", "123.4", "123.4", 2, 0, "", "F",
         1.234},
        {"capacitance range not integer", s1, 8, "1.234", "x", "1.234", "1.234", 1, 1, "", "F",
         kKept},
        {"capacitance overload is raw", s1, 8, "OL", "-3", "OL", "OL", 1, 1, "u", "F", kKept},
        {"celsius", {}, 32, "25.0C", "1", "025", "025", 0, 0, "", "C", 25.0, "25.0", "0"},
        {"fahrenheit scaled", {}, 64, "-12.3F", "2", "-123", "-123", 1, 0, "", "F", -123.0, "-12.3",
         "1"},
        {"celsius overload", s1, 32, "OLC", "1", "OL", "OL", 0, 1, "", "C", kKept, "OL", "0"},
        {"celsius range not integer", s1, 32, "25.0C", "x", "25.0", "25.0", 1, 1, "", "C", kKept,
         "25.0", "x"},
        {"celsius empty value", s1, 32, "", "1", "", "", 0, 1, "", "C", kKept, "", "0"},
        {"code 0", {}, 0, "1.5", "2", "0150", "0150", 2, 0, "", "", 150.0},
        {"code 0 not a number", s1, 0, "x", "2", "x", "x", 1, 1, "", "", kKept},
        {"dc+ac volts", {}, 7, "1.234", "-1", "1.234", "----", 0, 0, "m", "V", kKept},
        {"dc+ac amps", {}, 515, "-0.5", "-3", "-0.5", "----", 0, 0, "u", "A", kKept},
        {"percent", {}, 2048, "50.0", "0", "50.0", "----", 0, 0, "", "%", kKept},
        {"percent 2050", {}, 2050, "50.0", "0", "50.0", "----", 0, 0, "", "%", kKept},
        {"dbm", {}, 8192, "-12.3", "0", "-12.3", "----", 0, 0, "dB", "m", kKept},
        {"unknown code cut to field", {}, 4096, "1234567890123456789", "0", "123456789012345",
         "----", 0, 0, "", "", kKept},
        {"low battery decodes as usual", {}, 0x80000006u, "1.234", "0", "1.234", "1.234", 0, 0, "",
         "V", 1.234},
        {"absurd range stays in field", {}, 6, "1.234", "-2000000000", "0.0000000000000",
         "0.0000000000000", -1999999997, -1999999997, "", "V", 1.234},
    };
    // clang-format on
    for (const DecodeCase& c : cases) {
        SCOPED_TRACE(c.name);
        MeterReading r = Decode(c.prior, c.status, c.value, c.range);
        EXPECT_EQ(FieldString(r.szDisplay), c.display);
        EXPECT_EQ(r.dataPanelText, c.panel);
        EXPECT_EQ(r.iShift, c.shift);
        EXPECT_EQ(r.iOlPoint, c.olPoint);
        EXPECT_EQ(FieldString(r.szUnit), c.unit);
        EXPECT_EQ(FieldString(r.szFunc), c.func);
        EXPECT_DOUBLE_EQ(r.dValue, c.dValue);
        EXPECT_EQ(r.sValue, c.storedValue ? c.storedValue : c.value);
        EXPECT_EQ(r.sRange, c.storedRange ? c.storedRange : c.range);
        EXPECT_EQ(r.iFunc, static_cast<int>(c.status & 0x7FFFFFFFu));
    }
}

TEST(DecodeReading, OverloadShowsPointOfLastGoodReading) {
    MeterReading r;
    StoreFrame(r, 6, "1.234", "-2");
    DecodeReading(r);
    EXPECT_EQ(FieldString(r.szDisplay), "12.34");
    StoreFrame(r, 6, "-OL", "-2");
    DecodeReading(r);
    EXPECT_EQ(FieldString(r.szDisplay), "- O.L ");
    EXPECT_DOUBLE_EQ(r.dValue, 1.234);
}

}  // namespace
}  // namespace dmm

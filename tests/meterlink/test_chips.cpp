#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "meterlink/chips/ascii14.h"
#include "meterlink/chips/es51922.h"
#include "meterlink/chips/fs9721.h"
#include "meterlink/chips/fs9922.h"
#include "meterlink/chips/ut71x.h"
#include "meterlink/handover.h"
#include "meterlink/labels.h"
#include "meterlink/numparse.h"

namespace dmm::chips {
namespace {

// ---- Packets as the data sheets draw them ---------------------------------

// FS9721: the segments of each character, lettered a (top) clockwise to f and g
// (middle); the first byte of a digit holds its sign or point bit, e, f and a, the
// second d, c, g and b.
const std::map<char, std::string> kSegments = {
    {'0', "abcdef"}, {'1', "bc"},     {'2', "abdeg"}, {'3', "abcdg"},   {'4', "bcfg"},
    {'5', "acdfg"},  {'6', "acdefg"}, {'7', "abc"},   {'8', "abcdefg"}, {'9', "abcdfg"},
    {'L', "def"},    {' ', ""},       {'-', "g"},
};

// Annunciators: byte number (1..14) and bit.
const std::map<std::string, std::pair<int, int>> kFs9721Marks = {
    {"AC", {1, 3}},    {"DC", {1, 2}},    {"AUTO", {1, 1}},   {"RS232", {1, 0}}, {"u", {10, 3}},
    {"n", {10, 2}},    {"k", {10, 1}},    {"diode", {10, 0}}, {"m", {11, 3}},    {"%", {11, 2}},
    {"M", {11, 1}},    {"beep", {11, 0}}, {"F", {12, 3}},     {"ohm", {12, 2}},  {"REL", {12, 1}},
    {"HOLD", {12, 0}}, {"A", {13, 3}},    {"V", {13, 2}},     {"Hz", {13, 1}},   {"BAT", {13, 0}},
};

// "-12.34": an optional sign, then four characters, a point after any of the first three.
Fs9721Packet Fs9721(const std::string& lcd, const std::vector<std::string>& marks) {
    std::uint8_t nibble[14] = {};
    std::size_t at = 0;
    if (!lcd.empty() && lcd[0] == '-') {
        nibble[1] |= 8;
        at = 1;
    }
    for (int digit = 0; digit < 4; ++digit, ++at) {
        const std::string& s = kSegments.at(lcd.at(at));
        auto on = [&](char seg) { return s.find(seg) != std::string::npos; };
        const int first = 1 + 2 * digit;
        nibble[first] |= (on('e') ? 4 : 0) | (on('f') ? 2 : 0) | (on('a') ? 1 : 0);
        nibble[first + 1] |=
            (on('d') ? 8 : 0) | (on('c') ? 4 : 0) | (on('g') ? 2 : 0) | (on('b') ? 1 : 0);
        if (at + 1 < lcd.size() && lcd[at + 1] == '.') {
            nibble[first + 2] |= 8;  // the point left of the next digit
            ++at;
        }
    }
    for (const std::string& m : marks) {
        const auto [byte, bit] = kFs9721Marks.at(m);
        nibble[byte - 1] |= static_cast<std::uint8_t>(1 << bit);
    }
    Fs9721Packet p{};
    for (int i = 0; i < 14; ++i) p[i] = static_cast<std::uint8_t>(((i + 1) << 4) | nibble[i]);
    return p;
}

// FS9922: sign and digits as text, the point's code, status bytes 1..4, the bar graph.
Fs9922Packet Fs9922(const char* digits, char point, std::uint8_t s1, std::uint8_t s2,
                    std::uint8_t s3, std::uint8_t s4) {
    Fs9922Packet p{};
    for (int i = 0; i < 5; ++i) p[i] = static_cast<std::uint8_t>(digits[i]);
    p[5] = ' ';
    p[6] = static_cast<std::uint8_t>(point);
    p[7] = s1;
    p[8] = s2;
    p[9] = s3;
    p[10] = s4;
    p[11] = 12;
    p[12] = '\r';
    p[13] = '\n';
    return p;
}

// Status bits of the FS9922.
constexpr std::uint8_t kAuto = 0x20, kDc = 0x10, kAc = 0x08;  // byte 1
constexpr std::uint8_t kBat = 0x04, kNano = 0x02;             // byte 2
constexpr std::uint8_t kMicro = 0x80, kMilli = 0x40, kKilo = 0x20, kMega = 0x10, kBeep = 0x08,
                       kDiode = 0x04, kPercent = 0x02;  // byte 3
constexpr std::uint8_t kVolt = 0x80, kAmp = 0x40, kOhm = 0x20, kHfe = 0x10, kHertz = 0x08,
                       kFarad = 0x04, kCelsius = 0x02, kFahrenheit = 0x01;  // byte 4

// ---- What the program makes of them -----------------------------------------

struct Expected {
    int code;
    const char* value;
    const char* range;
    const char* display;
    const char* unit;
    const char* func;
    double number;  // the value in the base unit; ignored for an overload
    int fullScale;
    bool lowBattery = false;
};

void ExpectReading(const LcdReading& lcd, std::int32_t counts, const Expected& e) {
    MeterReading r;
    r.iNoDataCount = 2;
    r.dValue = 99;
    FillReading(lcd, counts, r);
    EXPECT_EQ(r.iFunc, e.code);
    EXPECT_EQ(r.dwStatus, static_cast<std::uint32_t>(e.code) | (e.lowBattery ? kLowBatteryBit : 0));
    EXPECT_EQ(r.sValue, e.value);
    EXPECT_EQ(r.sRange, e.range);
    EXPECT_EQ(FieldString(r.szDisplay), e.display);
    EXPECT_EQ(r.dataPanelText, e.display);
    EXPECT_EQ(FieldString(r.szUnit), e.unit);
    EXPECT_EQ(FieldString(r.szFunc), e.func);
    EXPECT_EQ(r.iFullScale, e.fullScale);
    EXPECT_EQ(r.iNoDataCount, 2) << "the no-data count is the link's";
    const std::optional<long double> v = ParseNumber(r.sValue + "E" + r.sRange);
    if (r.sValue.find('L') != std::string::npos) {
        EXPECT_FALSE(v);
        EXPECT_EQ(r.dValue, 99) << "an overload keeps the last value";
        // Charted just past the range, with the reading's sign.
        const std::optional<float> charted = ChartedValue(r.sValue, r.sRange, r.iFunc);
        if (charted) {
            EXPECT_EQ(*charted < 0, r.sValue[0] == '-');
        }
    } else {
        ASSERT_TRUE(v);
        EXPECT_NEAR(static_cast<double>(*v), e.number, std::fabs(e.number) * 1e-9);
    }
}

TEST(Fs9721, PacketsFromTheDataSheetGiveTheReadingsTheMeterShows) {
    struct Row {
        const char* name;
        const char* lcd;
        std::vector<std::string> marks;
        Expected e;
    };
    // clang-format off
    const Row rows[] = {
        {"DC volts", "1.234", {"DC", "AUTO", "RS232", "V"}, {6, "1.234", "0", "1.234", "", "V", 1.234, 4000}},
        {"negative millivolts", "-123.4", {"DC", "m", "V"}, {6, "-1.234", "-1", "-123.4", "m", "V", -0.1234, 4000}},
        {"AC mains", "230.1", {"AC", "V"}, {5, "2.301", "2", "230.1", "", "V", 230.1, 4000}},
        {"1000 V without a point", "1000", {"DC", "V"}, {6, "1.000", "3", "1000", "", "V", 1000, 4000}},
        {"diode test is DC volts", "0.512", {"diode", "V"}, {6, "0.512", "0", "0.512", "", "V", 0.512, 4000}},
        {"volts without a coupling", "3.999", {"V"}, {20, "3.999", "0", "3.999", "", "V", 3.999, 4000}},
        {"microamps, leading blank", "- 25.0", {"DC", "u", "A"}, {514, "-0.250", "-4", "-25.0", "u", "A", -25.0e-6, 4000}},
        {"AC milliamps", "399.9", {"AC", "m", "A"}, {513, "3.999", "-1", "399.9", "m", "A", 0.3999, 4000}},
        {"kilohms", "12.34", {"k", "ohm"}, {128, "1.234", "4", "12.34", "K", "W", 12340, 4000}},
        {"megohms", "3.300", {"M", "ohm"}, {128, "3.300", "6", "3.300", "M", "W", 3.3e6, 4000}},
        {"continuity is ohms", "012.3", {"beep", "ohm"}, {128, "0.123", "2", "012.3", "", "W", 12.3, 4000}},
        {"nanofarads", "4.700", {"n", "F"}, {8, "4.700", "-9", "4.700", "n", "F", 4.7e-9, 4000}},
        {"microfarads", "100.0", {"u", "F"}, {8, "1.000", "-4", "100.0", "u", "F", 100e-6, 4000}},
        {"hertz count to 9999", "50.00", {"Hz"}, {1024, "5.000", "1", "50.00", "", "Hz", 50, 10000}},
        {"megahertz", "9.999", {"M", "Hz"}, {1024, "9.999", "6", "9.999", "M", "Hz", 9.999e6, 10000}},
        {"duty cycle", " 50.0", {"%"}, {2048, "0.500", "2", "50.0", "", "%", 50, 1000}},
        {"no unit: the number as shown", "0123", {"m"}, {0, "0.123", "3", "0123", "", "", 123, 4000}},
        {"amps without a coupling have no code", "1.500", {"A"}, {0, "1.500", "0", "1.500", "", "", 1.5, 4000}},
        {"overload, point of the 400 ohm range", " 0L. ", {"ohm"}, {128, " OL ", "2", " OL. ", "", "W", 0, 4000}},
        {"overload without a point", " 0L ", {"DC", "V"}, {6, " OL ", "3", " OL ", "", "V", 0, 4000}},
        {"negative overload", "- 0.L ", {"DC", "m", "V"}, {6, "-OL", "-2", "- O.L ", "m", "V", 0, 4000}},
        {"low battery", "1.234", {"DC", "V", "BAT"}, {6, "1.234", "0", "1.234", "", "V", 1.234, 4000, true}},
        {"hold and relative change nothing", "1.234", {"DC", "V", "HOLD", "REL"}, {6, "1.234", "0", "1.234", "", "V", 1.234, 4000}},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::optional<LcdReading> lcd = DecodeFs9721(Fs9721(row.lcd, row.marks));
        ASSERT_TRUE(lcd);
        ExpectReading(*lcd, kFs9721Counts, row.e);
        EXPECT_EQ(DecodeFs9721(EncodeFs9721(*lcd)), lcd) << "the simulator's packet";
    }
}

TEST(Fs9721, PacketsTheChipCannotSendAreRefused) {
    const Fs9721Packet good = Fs9721("1.234", {"DC", "V"});
    ASSERT_TRUE(DecodeFs9721(good));
    struct Row {
        const char* name;
        Fs9721Packet packet;
    };
    Fs9721Packet shifted = good;
    shifted[6] = static_cast<std::uint8_t>(0x80 | (good[6] & 0x0F));  // index 8 at place 7
    const Row rows[] = {
        {"index out of place", shifted},
        {"AC and DC at once", Fs9721("1.234", {"AC", "DC", "V"})},
        {"two prefixes", Fs9721("1.234", {"k", "M", "ohm"})},
        {"two quantities", Fs9721("1.234", {"V", "A"})},
        {"a dash is no digit", Fs9721("1-34", {"V"})},
        {"two points", Fs9721("1.2.34", {"V"})},
        {"a blank inside the number", Fs9721("1 34", {"V"})},
        {"a blank left of the point", Fs9721(" .234", {"V"})},
        {"an L without its 0", Fs9721("  L ", {"V"})},
        {"nothing lit", Fs9721("    ", {"V"})},
    };
    for (const Row& row : rows) EXPECT_FALSE(DecodeFs9721(row.packet)) << row.name;
}

TEST(Fs9922, PacketsFromTheDataSheetGiveTheReadingsTheMeterShows) {
    struct Row {
        const char* name;
        Fs9922Packet packet;
        Expected e;
    };
    // clang-format off
    const Row rows[] = {
        {"DC volts", Fs9922("+1234", '1', kAuto | kDc, 0, 0, kVolt), {6, "1.234", "0", "1.234", "", "V", 1.234, 6000}},
        {"AC millivolts, negative", Fs9922("-5678", '4', kAc, 0, kMilli, kVolt), {5, "-5.678", "-1", "-567.8", "m", "V", -0.5678, 6000}},
        {"diode test", Fs9922("+0512", '1', 0, 0, kDiode, kVolt), {6, "0.512", "0", "0.512", "", "V", 0.512, 6000}},
        {"DC milliamps, low battery", Fs9922("-0123", '2', kDc, kBat, kMilli, kAmp), {514, "-0.123", "-2", "-01.23", "m", "A", -0.00123, 6000, true}},
        {"AC amps", Fs9922("+5999", '1', kAc, 0, 0, kAmp), {513, "5.999", "0", "5.999", "", "A", 5.999, 6000}},
        {"kilohms", Fs9922("+0123", '2', kAuto, 0, kKilo, kOhm), {128, "0.123", "4", "01.23", "K", "W", 1230, 6000}},
        {"continuity", Fs9922("+0005", '4', 0, 0, kBeep, kOhm), {128, "0.005", "2", "000.5", "", "W", 0.5, 6000}},
        {"megohm overload", Fs9922("+?0:?", '2', kAuto, 0, kMega, kOhm), {128, " OL ", "7", " O.L ", "M", "W", 0, 6000}},
        {"negative volts overload", Fs9922("-?0:?", '4', kDc, 0, 0, kVolt), {6, "-OL", "2", "- OL. ", "", "V", 0, 6000}},
        {"nanofarads", Fs9922("+4700", '2', 0, kNano, 0, kFarad), {8, "4.700", "-8", "47.00", "n", "F", 47e-9, 6000}},
        {"microfarads", Fs9922("+1234", '1', 0, 0, kMicro, kFarad), {8, "1.234", "-6", "1.234", "u", "F", 1.234e-6, 6000}},
        {"kilohertz", Fs9922("+9999", '2', 0, 0, kKilo, kHertz), {1024, "9.999", "4", "99.99", "K", "Hz", 99990, 10000}},
        {"duty cycle", Fs9922("+0500", '4', 0, 0, kPercent, 0), {2048, "0.500", "2", "050.0", "", "%", 50, 1000}},
        {"degrees Celsius", Fs9922("+0025", '0', 0, 0, 0, kCelsius), {32, "0.025", "3", "0025", "", "C", 25, 6000}},
        {"degrees Fahrenheit", Fs9922("-0004", '0', 0, 0, 0, kFahrenheit), {64, "-0.004", "3", "-0004", "", "F", -4, 6000}},
        {"hFE has no code", Fs9922("+0123", '0', 0, 0, 0, kHfe), {0, "0.123", "3", "0123", "", "", 123, 6000}},
        {"leading blanks", Fs9922("+??12", '0', kDc, 0, kMilli, kVolt), {6, "0.012", "0", "12", "m", "V", 0.012, 6000}},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::optional<LcdReading> lcd = DecodeFs9922(row.packet);
        ASSERT_TRUE(lcd);
        ExpectReading(*lcd, kFs9922Counts, row.e);
        EXPECT_EQ(DecodeFs9922(EncodeFs9922(*lcd)), lcd) << "the simulator's packet";
    }
}

TEST(Fs9922, PacketsTheChipCannotSendAreRefused) {
    Fs9922Packet noLf = Fs9922("+1234", '1', kDc, 0, 0, kVolt);
    noLf[13] = '\r';
    Fs9922Packet noBlank = Fs9922("+1234", '1', kDc, 0, 0, kVolt);
    noBlank[5] = '0';
    const std::pair<const char*, Fs9922Packet> rows[] = {
        {"no LF", noLf},
        {"no blank after the digits", noBlank},
        {"no sign", Fs9922(" 1234", '1', kDc, 0, 0, kVolt)},
        {"a letter for a digit", Fs9922("+12A4", '1', kDc, 0, 0, kVolt)},
        {"point code 3", Fs9922("+1234", '3', kDc, 0, 0, kVolt)},
        {"AC and DC at once", Fs9922("+1234", '1', kDc | kAc, 0, 0, kVolt)},
        {"two prefixes", Fs9922("+1234", '1', 0, kNano, kMilli, kFarad)},
        {"two quantities", Fs9922("+1234", '1', kDc, 0, 0, kVolt | kAmp)},
        {"percent and hertz", Fs9922("+1234", '1', 0, 0, kPercent, kHertz)},
        {"a blank inside the number", Fs9922("+1?34", '0', kDc, 0, 0, kVolt)},
        {"an L out of place", Fs9922("+0:00", '0', kDc, 0, 0, kVolt)},
    };
    for (const auto& [name, packet] : rows) EXPECT_FALSE(DecodeFs9922(packet)) << name;
}

// ES51922: range, five digits, function, status and four option bytes, each '0' + bits.
Es51922Packet Es51922(char range, const char* digits, std::uint8_t function, std::uint8_t status,
                      std::uint8_t option3, std::uint8_t option4 = 0) {
    Es51922Packet p{};
    p[0] = static_cast<std::uint8_t>(range);
    for (int i = 0; i < 5; ++i) p[1 + i] = static_cast<std::uint8_t>(digits[i]);
    p[6] = static_cast<std::uint8_t>(0x30 | function);
    p[7] = static_cast<std::uint8_t>(0x30 | status);
    p[8] = p[9] = 0x30;
    p[10] = static_cast<std::uint8_t>(0x30 | option3);
    p[11] = static_cast<std::uint8_t>(0x30 | option4);
    p[12] = '\r';
    p[13] = '\n';
    return p;
}
// Its function codes and the bits of its status and third option byte.
constexpr std::uint8_t kEsAmps22 = 0x0, kEsDiode = 0x1, kEsHertz = 0x2, kEsOhms = 0x3,
                       kEsTemperature = 0x4, kEsBeep = 0x5, kEsFarads = 0x6, kEsAmps = 0x9,
                       kEsVolts = 0xB, kEsMicroamps = 0xD, kEsAdapter = 0xE, kEsMilliamps = 0xF;
constexpr std::uint8_t kEsJudge = 8, kEsSign = 4, kEsBattery = 2, kEsOverload = 1;
constexpr std::uint8_t kEsDc = 8, kEsAc = 4, kEsAuto = 2, kEsVahz = 1;

TEST(Es51922, PacketsFromTheDataSheetGiveTheReadingsTheMeterShows) {
    struct Row {
        const char* name;
        Es51922Packet packet;
        Expected e;
    };
    // clang-format off
    const Row rows[] = {
        {"DC volts", Es51922('0', "12345", kEsVolts, 0, kEsDc | kEsAuto), {6, "1.2345", "0", "1.2345", "", "V", 1.2345, 22000}},
        {"AC millivolts, negative", Es51922('4', "12345", kEsVolts, kEsSign, kEsAc), {5, "-1.2345", "-1", "-123.45", "m", "V", -0.12345, 22000}},
        {"1000 V on the 2200.0 V range", Es51922('3', "10000", kEsVolts, 0, kEsDc), {6, "1.0000", "3", "1000.0", "", "V", 1000, 22000}},
        {"microamps, the higher range", Es51922('1', "01500", kEsMicroamps, 0, kEsDc | kEsAuto), {514, "0.1500", "-3", "0150.0", "u", "A", 150e-6, 22000}},
        {"AC milliamps", Es51922('0', "21999", kEsMilliamps, 0, kEsAc), {513, "2.1999", "-2", "21.999", "m", "A", 0.021999, 22000}},
        {"22000 A without a point", Es51922('4', "00012", kEsAmps, 0, kEsDc), {514, "0.0012", "4", "00012", "", "A", 12, 22000}},
        {"amps without a coupling have no code", Es51922('0', "12345", kEsAmps22, 0, 0), {0, "1.2345", "1", "12.345", "", "", 12.345, 22000}},
        {"kilohms", Es51922('2', "04700", kEsOhms, 0, kEsAuto), {128, "0.4700", "4", "04.700", "K", "W", 4700, 22000}},
        {"continuity is ohms", Es51922('0', "00030", kEsBeep, 0, 0), {128, "0.0030", "2", "000.30", "", "W", 0.3, 22000}},
        {"diode test is DC volts", Es51922('0', "05980", kEsDiode, 0, 0), {6, "0.5980", "0", "0.5980", "", "V", 0.598, 22000}},
        {"hertz", Es51922('0', "05000", kEsHertz, 0, 0), {1024, "0.5000", "1", "05.000", "", "Hz", 5, 22000}},
        {"megahertz", Es51922('5', "12345", kEsHertz, 0, 0), {1024, "1.2345", "6", "1.2345", "M", "Hz", 1.2345e6, 22000}},
        {"duty cycle is the judge bit", Es51922('0', "00500", kEsHertz, kEsJudge, 0), {2048, "0.0500", "3", "0050.0", "", "%", 50, 1000}},
        {"the frequency of a voltage", Es51922('1', "06000", kEsVolts, 0, kEsAc | kEsVahz), {1024, "0.6000", "2", "060.00", "", "Hz", 60, 22000}},
        {"microfarads", Es51922('2', "04700", kEsFarads, 0, 0), {8, "0.4700", "-6", "0.4700", "u", "F", 0.47e-6, 22000}},
        {"temperature", Es51922('0', "00235", kEsTemperature, 0, 0), {32, "0.0235", "3", "0023.5", "", "C", 23.5, 22000}},
        {"the adapter input has no code", Es51922('0', "12345", kEsAdapter, 0, 0), {0, "1.2345", "0", "1.2345", "", "", 1.2345, 22000}},
        {"megohm overload", Es51922('5', "22000", kEsOhms, kEsOverload, kEsAuto), {128, " OL ", "7", " O.L ", "M", "W", 0, 22000}},
        {"negative volts overload", Es51922('1', "00000", kEsVolts, kEsSign | kEsOverload, kEsDc), {6, "-OL", "1", "- O.L ", "", "V", 0, 22000}},
        {"low battery", Es51922('0', "12345", kEsVolts, kEsBattery, kEsDc), {6, "1.2345", "0", "1.2345", "", "V", 1.2345, 22000, true}},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::optional<LcdReading> lcd = DecodeEs51922(row.packet);
        ASSERT_TRUE(lcd);
        ExpectReading(*lcd, kEs51922Counts, row.e);
        if (!lcd->relative && !(row.packet[10] & kEsVahz) && lcd->quantity != Quantity::None &&
            !(lcd->quantity == Quantity::Amps && lcd->coupling == Coupling::None)) {
            const std::optional<Es51922Packet> again = EncodeEs51922(*lcd);
            ASSERT_TRUE(again) << "the simulator's packet";
            EXPECT_EQ(DecodeEs51922(*again), lcd) << "the simulator's packet";
        }
    }
}

// UT71x: five digits (':' a blank, '<' the L), range, function, two state bytes.
Ut71xPacket Ut71x(const char* digits, char range, std::uint8_t function, std::uint8_t state1,
                  std::uint8_t state2) {
    Ut71xPacket p{};
    for (int i = 0; i < 5; ++i) p[i] = static_cast<std::uint8_t>(digits[i]);
    p[5] = static_cast<std::uint8_t>(range);
    p[6] = static_cast<std::uint8_t>(0x30 | function);
    p[7] = static_cast<std::uint8_t>(0x30 | state1);
    p[8] = static_cast<std::uint8_t>(0x30 | state2);
    p[9] = '\r';
    p[10] = '\n';
    return p;
}
constexpr std::uint8_t kUtAcMillivolts = 0x0, kUtVolts = 0x1, kUtAcVolts = 0x2, kUtMillivolts = 0x3,
                       kUtOhms = 0x4, kUtFarads = 0x5, kUtCelsius = 0x6, kUtMicroamps = 0x7,
                       kUtAmps = 0x9, kUtBeep = 0xA, kUtDiode = 0xB, kUtHertz = 0xC,
                       kUtFahrenheit = 0xD, kUtPower = 0xE, kUtLoop = 0xF;
constexpr std::uint8_t kUtDc = 8, kUtAc = 4;      // state 1
constexpr std::uint8_t kUtSign = 4, kUtAuto = 2;  // state 2

TEST(Ut71x, PacketsFromTheProtocolGiveTheReadingsTheMeterShows) {
    struct Row {
        const char* name;
        Ut71xPacket packet;
        Expected e;
    };
    // clang-format off
    const Row rows[] = {
        {"DC volts", Ut71x("12345", '0', kUtVolts, kUtDc, kUtAuto), {6, "1.2345", "0", "1.2345", "", "V", 1.2345, 40000}},
        {"AC millivolts", Ut71x("12345", '0', kUtAcMillivolts, kUtAc, 0), {5, "1.2345", "-1", "123.45", "m", "V", 0.12345, 40000}},
        {"negative DC millivolts", Ut71x("01234", '0', kUtMillivolts, kUtDc, kUtSign), {6, "-0.1234", "-1", "-012.34", "m", "V", -0.01234, 40000}},
        {"AC volts, 1000 V range", Ut71x("07500", '3', kUtAcVolts, kUtAc, 0), {5, "0.7500", "3", "0750.0", "", "V", 750, 40000}},
        {"DC microamps", Ut71x("03999", '1', kUtMicroamps, kUtDc, 0), {514, "0.3999", "-3", "0399.9", "u", "A", 399.9e-6, 40000}},
        {"AC amps", Ut71x("05000", '0', kUtAmps, kUtAc, 0), {513, "0.5000", "1", "05.000", "", "A", 5, 40000}},
        {"amps without a coupling have no code", Ut71x("05000", '0', kUtAmps, 0, 0), {0, "0.5000", "1", "05.000", "", "", 5, 40000}},
        {"megohms", Ut71x("12000", '5', kUtOhms, 0, kUtAuto), {128, "1.2000", "7", "12.000", "M", "W", 12e6, 40000}},
        {"leading blank", Ut71x(":1234", '0', kUtOhms, 0, 0), {128, "0.1234", "2", "12.34", "", "W", 12.34, 40000}},
        {"nanofarads", Ut71x("04700", '0', kUtFarads, 0, 0), {8, "0.4700", "-8", "04.700", "n", "F", 4.7e-9, 40000}},
        {"kilohertz", Ut71x("10000", '3', kUtHertz, 0, 0), {1024, "1.0000", "4", "10.000", "K", "Hz", 10000, 40000}},
        {"degrees Celsius", Ut71x("00250", '0', kUtCelsius, 0, 0), {32, "0.0250", "3", "0025.0", "", "C", 25, 40000}},
        {"degrees Fahrenheit", Ut71x("00770", '0', kUtFahrenheit, 0, 0), {64, "0.0770", "3", "0077.0", "", "F", 77, 40000}},
        {"diode test is DC volts", Ut71x("05980", '0', kUtDiode, 0, 0), {6, "0.5980", "0", "0.5980", "", "V", 0.598, 40000}},
        {"continuity is ohms", Ut71x("00030", '0', kUtBeep, 0, 0), {128, "0.0030", "2", "000.30", "", "W", 0.3, 40000}},
        {"power has no code", Ut71x("12345", '0', kUtPower, 0, 0), {0, "1.2345", "0", "1.2345", "", "", 1.2345, 40000}},
        {"loop current in percent", Ut71x("05000", '0', kUtLoop, 0, 0), {2048, "0.5000", "2", "050.00", "", "%", 50, 10000}},
        {"overload", Ut71x("::0<:", '1', kUtVolts, kUtDc, 0), {6, " OL ", "1", " O.L ", "", "V", 0, 40000}},
        {"negative overload", Ut71x("::0<:", '0', kUtMillivolts, kUtDc, kUtSign), {6, "-OL", "-1", "- OL. ", "m", "V", 0, 40000}},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::optional<LcdReading> lcd = DecodeUt71x(row.packet);
        ASSERT_TRUE(lcd);
        ExpectReading(*lcd, kUt71xCounts, row.e);
        const std::optional<Ut71xPacket> again = EncodeUt71x(*lcd);
        ASSERT_TRUE(again) << "the simulator's packet";
        EXPECT_EQ(DecodeUt71x(*again), lcd) << "the simulator's packet";
    }
}

// ASCII-14: mode, the value in seven characters, the unit in four, CR.
Ascii14Packet Ascii14(const char* mode, const char* value, const char* unit) {
    std::string line = std::string(mode) + value + unit;
    line.resize(13, ' ');
    Ascii14Packet p{};
    for (std::size_t i = 0; i < 13; ++i) p[i] = static_cast<std::uint8_t>(line[i]);
    p[13] = '\r';
    return p;
}

TEST(Ascii14, LinesOfTheMetersGiveTheReadingsTheyShow) {
    struct Row {
        const char* name;
        Ascii14Packet packet;
        Expected e;
    };
    // clang-format off
    const Row rows[] = {
        {"DC volts", Ascii14("DC", " -1.234", "V"), {6, "-1.234", "0", "-1.234", "", "V", -1.234, 4000}},
        {"AC mains", Ascii14("AC", "  230.1", "V"), {5, "2.301", "2", "230.1", "", "V", 230.1, 4000}},
        {"millivolts", Ascii14("DC", "  399.9", "mV"), {6, "3.999", "-1", "399.9", "m", "V", 0.3999, 4000}},
        {"AC amps", Ascii14("AC", "  0.123", "A"), {513, "0.123", "0", "0.123", "", "A", 0.123, 4000}},
        {"microamps, a blank for a digit", Ascii14("DC", "  -12.3", "uA"), {514, "-0.123", "-4", "-12.3", "u", "A", -12.3e-6, 4000}},
        {"megohms", Ascii14("OH", "  39.99", "MOhm"), {128, "3.999", "7", "39.99", "M", "W", 39.99e6, 4000}},
        {"kilohms", Ascii14("OH", "  1.234", "kOhm"), {128, "1.234", "3", "1.234", "K", "W", 1234, 4000}},
        {"nanofarads", Ascii14("CA", "  4.700", "nF"), {8, "4.700", "-9", "4.700", "n", "F", 4.7e-9, 4000}},
        {"kilohertz count to 9999", Ascii14("FR", "  50.00", "kHz"), {1024, "5.000", "4", "50.00", "K", "Hz", 50000, 10000}},
        {"degrees Celsius", Ascii14("TE", "     23", "C"), {32, "0.023", "3", "23", "", "C", 23, 4000}},
        {"degrees Fahrenheit", Ascii14("TE", "  -12.5", "F"), {64, "-0.125", "2", "-12.5", "", "F", -12.5, 4000}},
        {"diode test is DC volts", Ascii14("DI", "  0.598", "V"), {6, "0.598", "0", "0.598", "", "V", 0.598, 4000}},
        {"hFE has no code", Ascii14("hF", "    215", ""), {0, "0.215", "3", "215", "", "", 215, 4000}},
        {"overload", Ascii14("OH", "   O.L ", "MOhm"), {128, " OL ", "7", " O.L ", "M", "W", 0, 4000}},
        {"negative overload", Ascii14("DC", "    -OL", "V"), {6, "-OL", "3", "- OL ", "", "V", 0, 4000}},
        {"a 4 1/2-digit meter", Ascii14("DC", " 1.9999", "V"), {6, "1.9999", "0", "1.9999", "", "V", 1.9999, 20000}},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::optional<LcdReading> lcd = DecodeAscii14(row.packet);
        ASSERT_TRUE(lcd);
        ExpectReading(*lcd, kAscii14Counts, row.e);
        const std::optional<Ascii14Packet> again = EncodeAscii14(*lcd);
        ASSERT_TRUE(again) << "the simulator's line";
        EXPECT_EQ(DecodeAscii14(*again), lcd) << "the simulator's line";
    }
}

TEST(TextChips, PacketsNoMeterSendsAreRefused) {
    Es51922Packet esNoLf = Es51922('0', "12345", kEsVolts, 0, kEsDc);
    esNoLf[13] = '\r';
    Es51922Packet esParity = Es51922('0', "12345", kEsVolts, 0, kEsDc);
    esParity[2] |= 0x80;  // read at 8N1: the parity bit on top
    const std::pair<const char*, Es51922Packet> es[] = {
        {"no LF", esNoLf},
        {"a byte with its eighth bit", esParity},
        {"a digit above 9", Es51922('0', "12:45", kEsVolts, 0, kEsDc)},
        {"a function that does not exist", Es51922('0', "12345", 0x7, 0, 0)},
        {"a range the function does not have", Es51922('5', "12345", kEsVolts, 0, kEsDc)},
        {"continuity has one range", Es51922('2', "12345", kEsBeep, 0, 0)},
        {"AC and DC at once", Es51922('0', "12345", kEsVolts, 0, kEsAc | kEsDc)},
    };
    for (const auto& [name, packet] : es) EXPECT_FALSE(DecodeEs51922(packet)) << "ES51922 " << name;

    Ut71xPacket utNoCr = Ut71x("12345", '0', kUtVolts, kUtDc, 0);
    utNoCr[9] = ' ';
    Ut71xPacket utParity = Ut71x("12345", '0', kUtVolts, kUtDc, 0);
    utParity[6] |= 0x80;
    const std::pair<const char*, Ut71xPacket> ut[] = {
        {"no CR", utNoCr},
        {"a byte with its eighth bit", utParity},
        {"a digit code that does not exist", Ut71x("12;45", '0', kUtVolts, kUtDc, 0)},
        {"a range the function does not have", Ut71x("12345", '4', kUtVolts, kUtDc, 0)},
        {"AC and DC at once", Ut71x("12345", '0', kUtAmps, kUtDc | kUtAc, 0)},
        {"an L out of place", Ut71x("::<0:", '1', kUtVolts, kUtDc, 0)},
        {"a blank left of the point", Ut71x(":2345", '0', kUtVolts, kUtDc, 0)},
    };
    for (const auto& [name, packet] : ut) EXPECT_FALSE(DecodeUt71x(packet)) << "UT71x " << name;

    Ascii14Packet noCr = Ascii14("DC", " -1.234", "V");
    noCr[13] = ' ';
    Ascii14Packet parity = Ascii14("DC", " -1.234", "V");
    parity[0] |= 0x80;
    const std::pair<const char*, Ascii14Packet> ascii[] = {
        {"no CR", noCr},
        {"a byte with its eighth bit", parity},
        {"an unknown mode", Ascii14("XX", " -1.234", "V")},
        {"ohms in the DC mode", Ascii14("DC", " -1.234", "Ohm")},
        {"ohms without a unit", Ascii14("OH", "  1.234", "")},
        {"an unknown unit", Ascii14("DC", "  1.234", "W")},
        {"two points", Ascii14("DC", "  1.2.3", "V")},
        {"a letter in the value", Ascii14("DC", "  1.2a3", "V")},
        {"six digits", Ascii14("DC", " 123456", "V")},
        {"a blank inside the value", Ascii14("DC", "  1 234", "V")},
        {"nothing to show", Ascii14("DC", "       ", "V")},
    };
    for (const auto& [name, packet] : ascii) {
        EXPECT_FALSE(DecodeAscii14(packet)) << "ASCII-14 " << name;
    }
}

// ---- The frame readers over a byte stream -----------------------------------

template <class Packet>
std::vector<std::uint8_t> Stream(const std::vector<Packet>& packets) {
    std::vector<std::uint8_t> bytes;
    for (const Packet& p : packets) bytes.insert(bytes.end(), p.begin(), p.end());
    return bytes;
}

struct Fs9721Family {
    using Reader = Fs9721Reader;
    static std::vector<Fs9721Packet> Packets() {
        return {Fs9721("1.234", {"DC", "V"}), Fs9721("-56.78", {"AC", "m", "A"}),
                Fs9721(" 0L. ", {"ohm", "k"}), Fs9721("4.700", {"n", "F", "BAT"})};
    }
    static std::optional<LcdReading> Decode(const Fs9721Packet& p) { return DecodeFs9721(p); }
};

struct Fs9922Family {
    using Reader = Fs9922Reader;
    static std::vector<Fs9922Packet> Packets() {
        return {Fs9922("+1234", '1', kDc, 0, 0, kVolt), Fs9922("-5678", '4', kAc, 0, kMilli, kAmp),
                Fs9922("+?0:?", '2', 0, 0, kMega, kOhm),
                Fs9922("+0500", '4', 0, kBat, kPercent, 0)};
    }
    static std::optional<LcdReading> Decode(const Fs9922Packet& p) { return DecodeFs9922(p); }
};

struct Es51922Family {
    using Reader = Es51922Reader;
    static std::vector<Es51922Packet> Packets() {
        return {Es51922('0', "12345", kEsVolts, 0, kEsDc),
                Es51922('1', "21999", kEsMilliamps, kEsSign, kEsAc),
                Es51922('5', "22000", kEsOhms, kEsOverload, kEsAuto),
                Es51922('0', "00500", kEsHertz, kEsJudge | kEsBattery, 0)};
    }
    static std::optional<LcdReading> Decode(const Es51922Packet& p) { return DecodeEs51922(p); }
};

struct Ut71xFamily {
    using Reader = Ut71xReader;
    static std::vector<Ut71xPacket> Packets() {
        return {Ut71x("12345", '0', kUtVolts, kUtDc, kUtAuto),
                Ut71x("03999", '1', kUtMicroamps, kUtAc, kUtSign),
                Ut71x("::0<:", '5', kUtOhms, 0, 0), Ut71x("00250", '0', kUtCelsius, 0, 0)};
    }
    static std::optional<LcdReading> Decode(const Ut71xPacket& p) { return DecodeUt71x(p); }
};

struct Ascii14Family {
    using Reader = Ascii14Reader;
    static std::vector<Ascii14Packet> Packets() {
        return {Ascii14("DC", " -1.234", "V"), Ascii14("AC", "  399.9", "mA"),
                Ascii14("OH", "   O.L ", "MOhm"), Ascii14("TE", "   23.5", "C")};
    }
    static std::optional<LcdReading> Decode(const Ascii14Packet& p) { return DecodeAscii14(p); }
};

// Each check runs for every family (see the tests after them).
template <class TypeParam>
void EverySplitOfTheStreamGivesEveryPacketOnce() {
    const auto packets = TypeParam::Packets();
    std::vector<LcdReading> expected;
    for (const auto& p : packets) expected.push_back(*TypeParam::Decode(p));
    const std::vector<std::uint8_t> bytes = Stream(packets);
    const std::size_t n = bytes.size();
    for (std::size_t i = 0; i <= n; ++i) {
        for (std::size_t j = i; j <= n; ++j) {
            typename TypeParam::Reader reader;
            std::vector<LcdReading> out;
            reader.feed(bytes.data(), i, out);
            reader.feed(bytes.data() + i, j - i, out);
            reader.feed(bytes.data() + j, n - j, out);
            ASSERT_EQ(out, expected) << "cut at " << i << " and " << j;
            ASSERT_EQ(reader.dropped(), 0u);
            ASSERT_EQ(reader.accepted(), packets.size());
        }
    }
}

template <class TypeParam>
void GarbageAndCutPacketsAreDroppedAndCountedAndTheNextPacketIsRead() {
    const auto packets = TypeParam::Packets();
    std::mt19937 rng(7);
    for (int round = 0; round < 200; ++round) {
        std::vector<std::uint8_t> bytes;
        std::uniform_int_distribution<int> len(1, 40), byte(0, 255);
        for (int k = len(rng); k > 0; --k) bytes.push_back(static_cast<std::uint8_t>(byte(rng)));
        // A packet cut off anywhere (a meter switched off mid-packet), then whole ones.
        const auto& cut = packets[round % packets.size()];
        const auto cutAt = static_cast<std::ptrdiff_t>(1 + round % (cut.size() - 2));
        bytes.insert(bytes.end(), cut.begin(), cut.begin() + cutAt);
        const std::vector<std::uint8_t> tail = Stream(packets);
        bytes.insert(bytes.end(), tail.begin(), tail.end());

        typename TypeParam::Reader reader;
        std::vector<LcdReading> out;
        reader.feed(bytes.data(), bytes.size(), out);
        ASSERT_GE(out.size(), packets.size());
        // Whatever the garbage held, the whole packets after it all come out, last.
        for (std::size_t k = 0; k < packets.size(); ++k) {
            ASSERT_EQ(out[out.size() - packets.size() + k], *TypeParam::Decode(packets[k]))
                << "round " << round;
        }
        EXPECT_GE(reader.dropped(), 1u) << "round " << round;
    }
}

template <class TypeParam>
void AFlippedBitNeverCostsTheNextPacket() {
    const auto packets = TypeParam::Packets();
    const std::vector<std::uint8_t> clean = Stream(packets);
    int refused = 0;
    for (std::size_t bit = 0; bit < 8 * packets[0].size(); ++bit) {
        std::vector<std::uint8_t> bytes = clean;
        bytes[bit / 8] ^= static_cast<std::uint8_t>(1u << (bit % 8));
        typename TypeParam::Reader reader;
        std::vector<LcdReading> out;
        reader.feed(bytes.data(), bytes.size(), out);
        ASSERT_GE(out.size(), packets.size() - 1) << "bit " << bit;
        ASSERT_LE(out.size(), packets.size()) << "bit " << bit;
        if (out.size() < packets.size()) {
            ++refused;
            EXPECT_GE(reader.dropped(), 1u);
        }
        for (std::size_t k = 1; k < packets.size(); ++k) {
            ASSERT_EQ(out[out.size() - packets.size() + k], *TypeParam::Decode(packets[k]))
                << "bit " << bit;
        }
    }
    // Without a check sum some flips make another display the chip can show; most
    // (every index nibble, terminator and layout byte) are caught.
    EXPECT_GT(refused, static_cast<int>(4 * packets[0].size()));
}

TEST(FrameReader, EverySplitOfTheStreamGivesEveryPacketOnce) {
    EverySplitOfTheStreamGivesEveryPacketOnce<Fs9721Family>();
    EverySplitOfTheStreamGivesEveryPacketOnce<Fs9922Family>();
    EverySplitOfTheStreamGivesEveryPacketOnce<Es51922Family>();
    EverySplitOfTheStreamGivesEveryPacketOnce<Ut71xFamily>();
    EverySplitOfTheStreamGivesEveryPacketOnce<Ascii14Family>();
}

TEST(FrameReader, GarbageAndCutPacketsAreDroppedAndCountedAndTheNextPacketIsRead) {
    GarbageAndCutPacketsAreDroppedAndCountedAndTheNextPacketIsRead<Fs9721Family>();
    GarbageAndCutPacketsAreDroppedAndCountedAndTheNextPacketIsRead<Fs9922Family>();
    GarbageAndCutPacketsAreDroppedAndCountedAndTheNextPacketIsRead<Es51922Family>();
    GarbageAndCutPacketsAreDroppedAndCountedAndTheNextPacketIsRead<Ut71xFamily>();
    GarbageAndCutPacketsAreDroppedAndCountedAndTheNextPacketIsRead<Ascii14Family>();
}

TEST(FrameReader, AFlippedBitNeverCostsTheNextPacket) {
    AFlippedBitNeverCostsTheNextPacket<Fs9721Family>();
    AFlippedBitNeverCostsTheNextPacket<Fs9922Family>();
    AFlippedBitNeverCostsTheNextPacket<Es51922Family>();
    AFlippedBitNeverCostsTheNextPacket<Ut71xFamily>();
    AFlippedBitNeverCostsTheNextPacket<Ascii14Family>();
}

// ---- The 9600-baud ASCII-14 meters: four lines for each request ---------------

TEST(Ascii14Set, OnlyTheFirstLineOfAWholeSetAfterTheRequestIsTheReading) {
    const Ascii14Packet main = Ascii14("DC", " -1.234", "V");
    const Ascii14Packet ac = Ascii14("AC", "  230.1", "V");
    const Ascii14Packet hz = Ascii14("FR", "  50.00", "kHz");
    const Ascii14Packet ohms = Ascii14("OH", "   O.L ", "MOhm");
    const Ascii14Packet blank = Ascii14("  ", "       ", "");
    using Bytes = std::vector<std::uint8_t>;
    const Bytes set = Stream(std::vector{main, ac, hz, ohms});
    const Bytes next = Stream(std::vector{hz, ohms, main, ac});  // another display first
    const Bytes cut(set.begin(), set.begin() + 14 + 9);
    Bytes garbled = set;
    garbled[30] = 0x00;  // inside the third line
    Bytes longLine = set;
    longLine.insert(longLine.begin() + 20, ' ');  // the second line one byte too long
    Bytes shortLine = set;
    shortLine.erase(shortLine.begin() + 20);
    // A step: bytes, or (empty) the request; kReset forgets what was begun.
    const Bytes ask{};
    const Bytes kReset{0xFF, 0xFF};
    struct Row {
        const char* name;
        std::vector<Bytes> steps;
        std::vector<Ascii14Packet> taken;  // the lines that became readings
    };
    const Row rows[] = {
        {"the answer's first line", {ask, set}, {main}},
        {"nothing before the first request", {set}, {}},
        {"a set unasked after a whole one, counted in fours", {ask, set, next}, {main, hz}},
        {"a set cut short gives nothing, the next request's does", {ask, cut, ask, set}, {main}},
        {"three lines, then the next request",
         {ask, Bytes(set.begin(), set.end() - 14), ask, set},
         {main}},
        {"a first line that is no display: the others are not taken for it",
         {ask, Stream(std::vector{blank, main, ac, hz}), set},
         {}},
        {"garbage in a set, and nothing after it until asked again",
         {ask, garbled, set, next, ask, next},
         {hz}},
        {"a line too long", {ask, longLine, set}, {}},
        {"a line too short", {ask, shortLine, set}, {}},
        {"reset forgets the set begun and waits for a request",
         {ask, Bytes(set.begin(), set.begin() + 30), kReset, Bytes(set.begin() + 30, set.end()),
          set},
         {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        for (bool byByte : {false, true}) {
            SCOPED_TRACE(byByte ? "a byte at a time" : "each step at once");
            Ascii14SetReader reader;
            std::vector<LcdReading> out;
            std::size_t fed = 0;
            for (const Bytes& step : row.steps) {
                if (step.empty()) {
                    reader.requestSent();
                } else if (step == kReset) {
                    reader.reset();
                } else if (byByte) {
                    for (std::uint8_t b : step) reader.feed(&b, 1, out);
                } else {
                    reader.feed(step.data(), step.size(), out);
                }
                fed += step == kReset ? 0 : step.size() / kAscii14PacketSize;
            }
            std::vector<LcdReading> expected;
            for (const Ascii14Packet& p : row.taken) expected.push_back(*DecodeAscii14(p));
            EXPECT_EQ(out, expected);
            EXPECT_EQ(reader.accepted(), out.size());
            EXPECT_EQ(reader.dropped() == 0, fed == kAscii14SetLines * out.size())
                << "every line not used is counted";
        }
    }
}

// ---- The analog meter's scale for a meter with its own count ------------------

TEST(ChipAnalogValues, TheRangesFullScaleSetsTheNeedleScaleAndMultiplier) {
    struct Row {
        const char* name;
        LcdReading lcd;
        std::int32_t counts;
        int count, fullScale, shift, top;
    };
    LcdReading volts;
    volts.digits = {'1', '2', '3', '4'};
    volts.point = 3;
    volts.quantity = Quantity::Volts;
    volts.coupling = Coupling::Dc;
    LcdReading duty = volts;
    duty.digits = {' ', '5', '0', '0'};
    duty.quantity = Quantity::Percent;
    LcdReading hertz = volts;
    hertz.point = 1;
    hertz.quantity = Quantity::Hertz;
    LcdReading over = volts;
    over.digits = {' ', '0', 'L', ' '};
    LcdReading five = volts;  // 2.1999 V of 2.2000
    five.digits = "21999";
    five.point = 1;
    five.fullScale = kEs51922Counts;
    LcdReading fiveOver = five;
    fiveOver.digits = " 0L  ";
    const Row rows[] = {
        {"123.4 V of 400.0", volts, kFs9721Counts, 1234, 4000, 2, 4},
        {"123.4 V of 600.0", volts, kFs9922Counts, 1234, 6000, 2, 6},
        {"50.0 % of 100 on a 0-10 scale times 10", duty, kFs9721Counts, 500, 1000, 1, 10},
        {"1.234 Hz of 9.999", hertz, kFs9922Counts, 1234, 10000, 0, 10},
        {"overload a tenth past the end", over, kFs9721Counts, 4400, 4000, 2, 4},
        {"22000 counts on the 0-4 dial of 40000", five, kFs9721Counts, 21999, 40000, 0, 4},
        {"its overload past that dial's end", fiveOver, kFs9721Counts, 44000, 40000, 0, 4},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        MeterReading r;
        FillReading(row.lcd, row.counts, r);
        AnalogValues a;
        PrepareAnalogValues(r, a);
        EXPECT_EQ(a.NeedleCount, row.count);
        EXPECT_EQ(a.FullScale, row.fullScale);
        EXPECT_EQ(a.DecimalShift, row.shift);
        EXPECT_EQ(a.iFullScale, row.fullScale);
        EXPECT_EQ(ScaleTop(a.FullScale), row.top);
    }
    EXPECT_EQ(ScaleTop(0), 0);
    EXPECT_EQ(ScaleTop(3000), 0);
    EXPECT_EQ(ScaleTop(2000), 20);
    EXPECT_EQ(DialFullScale(22000), 40000);
    EXPECT_EQ(DialFullScale(40000), 40000);
    EXPECT_EQ(DialFullScale(3000), 4000);
    EXPECT_EQ(DialFullScale(0), 0);
}

}  // namespace
}  // namespace dmm::chips

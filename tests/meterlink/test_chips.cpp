#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "meterlink/chips/fs9721.h"
#include "meterlink/chips/fs9922.h"
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

// Each check runs for both families (see the tests after them).
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
        bytes.insert(bytes.end(), cut.begin(), cut.begin() + 1 + round % 12);
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
}

TEST(FrameReader, GarbageAndCutPacketsAreDroppedAndCountedAndTheNextPacketIsRead) {
    GarbageAndCutPacketsAreDroppedAndCountedAndTheNextPacketIsRead<Fs9721Family>();
    GarbageAndCutPacketsAreDroppedAndCountedAndTheNextPacketIsRead<Fs9922Family>();
}

TEST(FrameReader, AFlippedBitNeverCostsTheNextPacket) {
    AFlippedBitNeverCostsTheNextPacket<Fs9721Family>();
    AFlippedBitNeverCostsTheNextPacket<Fs9922Family>();
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
    const Row rows[] = {
        {"123.4 V of 400.0", volts, kFs9721Counts, 1234, 4000, 2, 4},
        {"123.4 V of 600.0", volts, kFs9922Counts, 1234, 6000, 2, 6},
        {"50.0 % of 100 on a 0-10 scale times 10", duty, kFs9721Counts, 500, 1000, 1, 10},
        {"1.234 Hz of 9.999", hertz, kFs9922Counts, 1234, 10000, 0, 10},
        {"overload a tenth past the end", over, kFs9721Counts, 4400, 4000, 2, 4},
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
}

}  // namespace
}  // namespace dmm::chips

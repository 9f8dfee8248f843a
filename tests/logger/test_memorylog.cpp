// The meter's stored log: header, record count and placement, and every rule of
// turning six nibbles into a logger record.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "logger/import/memorylog.h"
#include "tools/dmm-sim/storedlog.h"

namespace dmm {
namespace {

using sim::StoredReading;
using Bytes = std::vector<std::uint8_t>;

// A header block alone, every byte with a high nibble the decoder must ignore.
Bytes Header(int lastBank, int lastAddress, int mode = 2, int flags = 0) {
    Bytes h(kHeaderSize, 0xA0);
    for (int n = 0; n < 4; ++n)
        h[kLastAddressOffset + n] = static_cast<std::uint8_t>(0xA0 | ((lastAddress >> 4 * n) & 15));
    h[kLastBankOffset] = static_cast<std::uint8_t>(0xA0 | (lastBank & 15));
    h[kLastBankOffset + 1] = static_cast<std::uint8_t>(0xA0 | ((lastBank >> 4) & 15));
    h[kModeFlagsOffset] = static_cast<std::uint8_t>(0xA0 | flags);
    h[kModeOffset] = static_cast<std::uint8_t>(0xA0 | mode);
    return h;
}

StoredReading Stored(int count, int range = 0, int code = 1, bool negative = false,
                     bool overload = false) {
    StoredReading s;
    s.count = count, s.rangeNibble = range, s.intervalCode = code;
    s.negative = negative, s.overload = overload;
    return s;
}

MemoryImageDecode Decode(const std::vector<StoredReading>& readings, int mode, int flags = 0) {
    const Bytes image = sim::BuildStreamImage(readings, mode, flags);
    Result<MemoryImageDecode> d = DecodeMemoryImage(image.data(), image.size());
    EXPECT_TRUE(d.ok()) << d.reason();
    return d ? std::move(d).value() : MemoryImageDecode{};
}

// The one record of a log holding one reading.
LogRecord One(const StoredReading& s, int mode, int flags = 0) {
    MemoryImageDecode d = Decode({s}, mode, flags);
    EXPECT_EQ(d.log.records.size(), 1u) << d.log.firstProblem;
    return d.log.records.empty() ? LogRecord() : d.log.records[0];
}

TEST(MemoryLogFunction, FromModeAndFlags) {
    const int table[][3] = {{1, 0, 5},   {2, 0, 6},    {3, 0, 6},   {3, 1, 5},   {4, 0, 8},
                            {4, 1, 20},  {5, 0, 32},   {5, 1, 64},  {6, 0, 128}, {6, 1, 384},
                            {7, 0, 514}, {8, 1, 513},  {9, 0, 514}, {0, 0, 0},   {10, 1, 0},
                            {15, 0, 0},  {2, 8, 1024}, {0, 9, 1024}};
    for (const auto& row : table)
        EXPECT_EQ(LogFunctionCode(row[0], row[1]), row[2]) << row[0] << " " << row[1];
}

TEST(MemoryLogHeader, CountsAndBlocks) {
    // The first record of bank 0 alone.
    MemoryHeader h = ReadMemoryHeader(Header(0, 112).data());
    EXPECT_EQ(h.recordCount, 1);
    EXPECT_EQ(h.streamLength, 230);
    EXPECT_EQ(h.blockCount, 1);
    EXPECT_TRUE(CheckMemoryHeader(h).ok());

    // The first record of bank 2: every record of banks 0 and 1 before it.
    h = ReadMemoryHeader(Header(2, 1).data());
    EXPECT_EQ(h.recordCount, 10885 + 10922 + 1);
    EXPECT_EQ(h.blockCount, (2 * 1 + 0x20000 + 6 + 511) / 512);
    EXPECT_EQ(h.blockCount, 257);

    // A full memory.
    h = ReadMemoryHeader(Header(3, 1 + 3 * 10921, 6, 1).data());
    EXPECT_EQ(h.recordCount, kMaxStoredRecords);
    EXPECT_EQ(h.blockCount, 512);
    EXPECT_EQ(h.mode, 6);
    EXPECT_EQ(h.funcCode, 384);
    EXPECT_TRUE(CheckMemoryHeader(h).ok());
}

TEST(MemoryLogHeader, RefusesLogsTheMemoryCannotHold) {
    struct Case {
        int bank, address;
        const char* says;
    };
    const Case cases[] = {
        {4, 1, "bank 4"},
        {255, 40000, "bank 255"},
        {0, 111, "address 111"},
        {0, 0, "address 0"},
        {1, 0, "address 0"},
        {0, 112 + 3 * 10885, "10886 records"},
        {1, 32766, "past the end of bank 1"},
        {3, 65535, "past the end of bank 3"},
    };
    for (const Case& c : cases) {
        const MemoryHeader h = ReadMemoryHeader(Header(c.bank, c.address).data());
        const std::string why = CheckMemoryHeader(h).reason();
        EXPECT_NE(why.find(c.says), std::string::npos) << c.bank << "/" << c.address << ": " << why;
        // Nothing is unpacked from a refused header, whatever the stream holds.
        Bytes stream(kMaxStreamSize, 0x01);
        EXPECT_TRUE(UnpackRecords(stream.data(), stream.size(), h).empty());
    }
    // The last record that fits a bank is taken.
    EXPECT_TRUE(CheckMemoryHeader(ReadMemoryHeader(Header(1, 32765).data())).ok());
    EXPECT_TRUE(CheckMemoryHeader(ReadMemoryHeader(Header(0, 112 + 3 * 10884).data())).ok());
}

TEST(MemoryLogImage, RefusesImagesShorterThanTheirHeader) {
    Bytes image = sim::BuildStreamImage(std::vector<StoredReading>(200, Stored(1)), 2, 0);
    ASSERT_EQ(image.size(), 3 * 512u);
    Result<MemoryImageDecode> d = DecodeMemoryImage(image.data(), 2 * 512);
    EXPECT_EQ(d.code(), StatusCode::LogRefused);  // and nothing decoded
    EXPECT_NE(d.reason().find("1024 bytes"), std::string::npos) << d.reason();
    d = DecodeMemoryImage(image.data(), 100);
    EXPECT_FALSE(d.reason().empty());
}

TEST(MemoryLogUnpack, BanksInMemoryOrderWithHighNibblesCleared) {
    // Readings numbered by their count, across the first two banks and into the third.
    const int n = 10885 + 10922 + 5;
    std::vector<StoredReading> readings;
    for (int i = 0; i < n; ++i) readings.push_back(Stored(i % 10000, i % 3, 1 + i % 7));
    const Bytes image = sim::BuildStreamImage(readings, 2, 0);
    const MemoryHeader h = ReadMemoryHeader(image.data());
    ASSERT_EQ(h.lastBank, 2);
    ASSERT_EQ(h.recordCount, n);
    const std::vector<StoredRecord> stored = UnpackRecords(image.data(), image.size(), h);
    ASSERT_EQ(stored.size(), static_cast<std::size_t>(n));
    for (int i : {0, 1, 10884, 10885, 10886, 21806, 21807, n - 1}) {
        const StoredRecord& s = stored[static_cast<std::size_t>(i)];
        const int count = s.nibble[2] | s.nibble[3] << 4 | s.nibble[4] << 8;
        EXPECT_EQ(count, i % 10000) << i;
        EXPECT_EQ(s.nibble[0], i % 3) << i;
        EXPECT_EQ(s.nibble[1], 1 + i % 7) << i;
        for (std::uint8_t b : s.nibble) EXPECT_LT(b, 16);
    }
}

TEST(MemoryLogDecode, ValueTextSignAndOverload) {
    LogRecord r = One(Stored(56), 2);
    EXPECT_STREQ(r.szValue, "0.056");
    r = One(Stored(56, 0, 1, true), 2);
    EXPECT_STREQ(r.szValue, "-0.056");
    r = One(Stored(16383), 2);
    EXPECT_STREQ(r.szValue, "1.6383");  // the point goes after the first digit
    r = One(Stored(1234, 0, 1, false, true), 2);
    EXPECT_STREQ(r.szValue, "OL");
    r = One(Stored(0, 0, 1, true, true), 2);
    EXPECT_STREQ(r.szValue, "-OL");
    // Temperatures: three digits; the unit letter stays off the stored value text.
    r = One(Stored(235, 7), 5);
    EXPECT_STREQ(r.szValue, "2.35");
    EXPECT_STREQ(r.szRange, "2");
    EXPECT_STREQ(r.szDisplay, "235");
    EXPECT_FLOAT_EQ(r.fValue, 235);
    EXPECT_EQ(r.iFunc, 32);
    r = One(Stored(5, 0, 1, true), 5, 1);
    EXPECT_STREQ(r.szValue, "-0.05");
    EXPECT_STREQ(r.szDisplay, "-05");
    EXPECT_EQ(r.iFunc, 64);
    r = One(Stored(0, 0, 1, false, true), 5);
    EXPECT_STREQ(r.szValue, "OL");
    EXPECT_STREQ(r.szDisplay, "OL");
    EXPECT_FLOAT_EQ(r.fValue, 1000);
}

TEST(MemoryLogDecode, RangeTextByMode) {
    struct Case {
        int mode, flags, nibble;
        const char* range;
    };
    const Case cases[] = {
        {1, 0, 3, "3"},  {2, 0, 0, "0"},  {7, 0, 2, "2"},  {0, 0, 4, "4"},  {12, 0, 9, "9"},
        {3, 0, 0, "-2"}, {3, 1, 1, "-1"}, {4, 0, 0, "-2"}, {4, 1, 0, "0"},  {5, 0, 9, "2"},
        {5, 1, 0, "2"},  {6, 0, 0, "1"},  {6, 1, 4, "5"},  {8, 0, 1, "-1"}, {9, 0, 0, "-4"},
        {9, 1, 3, "-1"}, {2, 8, 6, "6"},  {3, 8, 5, "5"},
    };
    for (const Case& c : cases) {
        const LogRecord r = One(Stored(1234, c.nibble), c.mode, c.flags);
        EXPECT_STREQ(r.szRange, c.range) << c.mode << "/" << c.flags << "/" << c.nibble;
    }
}

TEST(MemoryLogDecode, DisplayValueByFunction) {
    struct Case {
        int mode, flags, nibble, count;
        bool negative;
        const char* display;
    };
    const Case cases[] = {
        // Volts: k = e, or e + 3 below 0.
        {2, 0, 0, 1234, false, "1.234"},
        {2, 0, 1, 1234, false, "12.34"},
        {2, 0, 1, 1234, true, "-12.34"},
        {2, 0, 3, 1234, false, "1234"},
        {2, 0, 3, 1234, true, "-1234"},
        {3, 0, 0, 56, false, "00.56"},
        {3, 1, 1, 56, true, "-005.6"},
        {4, 1, 2, 1234, false, "123.4"},
        // Amps: e rem 3 + 3 below 0.
        {8, 0, 0, 1234, false, "12.34"},
        {8, 0, 1, 1234, false, "123.4"},
        {9, 0, 1, 1234, false, "1234"},
        {7, 1, 0, 1234, false, "1.234"},
        // Capacitance: 3 at e = 3, else (e + 3) rem 3.
        {4, 0, 0, 1234, false, "12.34"},
        {4, 0, 2, 1234, false, "1.234"},
        {4, 0, 5, 1234, false, "1234"},
        // Ohms: e rem 3.
        {6, 0, 0, 1234, false, "12.34"},
        {6, 0, 2, 1234, false, "1.234"},
        {6, 1, 4, 1234, false, "123.4"},
        // Frequency: width and precision from the value text.
        {2, 8, 0, 1234, false, "1.234"},
        {2, 8, 1, 1234, false, "12.34"},
        {2, 8, 5, 1234, false, "123.4"},
        // No function: the value text.
        {0, 0, 2, 1234, true, "-1.234"},
    };
    for (const Case& c : cases) {
        const LogRecord r = One(Stored(c.count, c.nibble, 1, c.negative), c.mode, c.flags);
        EXPECT_STREQ(r.szDisplay, c.display)
            << c.mode << "/" << c.flags << "/" << c.nibble << "/" << c.count;
    }
}

TEST(MemoryLogDecode, FiveDigitCountsAreRoundedAsTheirBinaryValue) {
    // Counts above 9999 have a digit more than the display shows: printf rounds the double,
    // so a 5 in the last place goes either way.
    struct Case {
        int mode, flags, nibble, count;
        bool negative;
        const char* display;
        float chart;
    };
    const Case cases[] = {
        {2, 0, 0, 16383, false, "1.638", 1.6383f},    {2, 0, 0, 10005, false, "1.000", 1.0005f},
        {2, 0, 0, 10015, true, "-1.002", -1.0015f},   {6, 0, 0, 12345, false, "12.34", 12.345f},
        {4, 0, 0, 10015, false, "10.02", 0.010015f},  {8, 0, 0, 10025, false, "10.02", 0.010025f},
        {5, 0, 0, 16383, true, "-164", -163.83f},     {2, 8, 0, 12345, false, "1.2345", 1.2345f},
        {2, 8, 1, 10015, true, "-10.0150", -10.015f}, {2, 8, 1, 1234, true, "-12.340", -12.34f},
    };
    for (const Case& c : cases) {
        const LogRecord r = One(Stored(c.count, c.nibble, 1, c.negative), c.mode, c.flags);
        EXPECT_STREQ(r.szDisplay, c.display) << c.mode << "/" << c.nibble << "/" << c.count;
        EXPECT_FLOAT_EQ(r.fValue, c.chart) << c.mode << "/" << c.nibble << "/" << c.count;
    }
}

TEST(MemoryLogDecode, RecordsOfALogSharingARangeKeepTheirOwnSignAndTime) {
    // Overloads of either sign and readings, all at range 1, eight minutes apart.
    std::vector<StoredReading> readings;
    for (int i = 0; i < 76; ++i) {
        const bool overload = i % 4 < 2;
        readings.push_back(Stored(overload ? 0 : 56, 1, 7, i % 2 == 1, overload));
    }
    const MemoryImageDecode d = Decode(readings, 2);
    ASSERT_EQ(d.log.records.size(), 76u);
    const struct {
        const char* value;
        const char* display;
        float chart;
    } expected[] = {{"OL", "O.L", 55},
                    {"-OL", "O.L", -55},
                    {"0.056", "00.56", 0.56f},
                    {"-0.056", "-00.56", -0.56f}};
    for (std::size_t i = 0; i < 8; ++i) {
        const LogRecord& r = d.log.records[i];
        EXPECT_STREQ(r.szValue, expected[i % 4].value) << i;
        EXPECT_STREQ(r.szDisplay, expected[i % 4].display) << i;
        EXPECT_FLOAT_EQ(r.fValue, expected[i % 4].chart) << i;
        EXPECT_STREQ(r.szRange, "1");
    }
    EXPECT_STREQ(d.log.records[74].szTime, "9:52'0.000\"");
    EXPECT_STREQ(d.log.records[75].szTime, "10:00'0.000\"");
}

TEST(MemoryLogDecode, OverloadDisplayAndChartLevels) {
    struct Case {
        int mode, flags, nibble;
        bool negative;
        const char* display;
        float chart;
    };
    const Case cases[] = {
        {3, 1, 0, false, "O.L", 0.055f},  // function 5 at range -2: k = 1
        {3, 1, 0, true, "O.L", -0.055f}, {2, 0, 0, false, ".OL", 5.5f},
        {2, 0, 2, false, "OL.", 550},    {2, 0, 3, false, "OL", 5500},
        {2, 0, 5, false, "OL", 550000},  // k = 5 has no place for the point
        {3, 0, 1, true, "OL.", -0.55f},  {4, 1, 0, false, ".OL", 2.2f},
        {4, 0, 5, false, "OL", 5500},    {6, 0, 0, false, "O.L", 55},
        {6, 1, 0, false, "O.L", 550},    {9, 0, 0, false, "OL.", 5.5e-4f},
        {5, 1, 0, true, "-OL", -1000},   {2, 8, 2, false, "OL", 550},
    };
    for (const Case& c : cases) {
        const LogRecord r = One(Stored(0, c.nibble, 1, c.negative, true), c.mode, c.flags);
        EXPECT_STREQ(r.szDisplay, c.display) << c.mode << "/" << c.flags << "/" << c.nibble;
        EXPECT_FLOAT_EQ(r.fValue, c.chart) << c.mode << "/" << c.flags << "/" << c.nibble;
    }
}

TEST(MemoryLogDecode, ChartValueAndLabels) {
    LogRecord r = One(Stored(1234, 0), 3);  // 1.234 at range -2
    EXPECT_FLOAT_EQ(r.fValue, 0.01234f);
    r = One(Stored(56, 0, 1, true), 2);
    EXPECT_FLOAT_EQ(r.fValue, -0.056f);
    r = One(Stored(1234, 2), 6);  // 1.234 at range 3
    EXPECT_FLOAT_EQ(r.fValue, 1234);
    EXPECT_STREQ(r.szFunc, "W");  // the symbol font's ohm sign
    EXPECT_STREQ(r.szUnit, "K");
    r = One(Stored(1234, 0), 2);
    EXPECT_STREQ(r.szFunc, "V");
    EXPECT_STREQ(r.szUnit, "");
}

TEST(MemoryLogDecode, ElapsedTime) {
    // The first record is the start whatever its code.
    EXPECT_STREQ(One(Stored(1, 0, 7), 2).szTime, "0:00'0.000\"");

    // Code 0 by function; whole seconds up to an hour; the other codes.
    auto times = [](int mode, int flags, std::vector<int> codes) {
        std::vector<StoredReading> readings;
        for (int code : codes) readings.push_back(Stored(1, 0, code));
        std::vector<std::string> out;
        for (const LogRecord& r : Decode(readings, mode, flags).log.records)
            out.push_back(r.szTime);
        return out;
    };
    using V = std::vector<std::string>;
    EXPECT_EQ(times(2, 0, {0, 0, 0}), (V{"0:00'0.000\"", "0:00'0.050\"", "0:00'0.100\""}));
    EXPECT_EQ(times(8, 1, {0, 0}), (V{"0:00'0.000\"", "0:00'0.050\""}));
    EXPECT_EQ(times(2, 8, {0, 0}), (V{"0:00'0.000\"", "0:00'0.400\""}));
    EXPECT_EQ(times(6, 0, {0, 0}), (V{"0:00'0.000\"", "0:00'0.200\""}));
    EXPECT_EQ(times(2, 0, {1, 1, 2, 3, 4, 5, 6, 7}),
              (V{"0:00'0.000\"", "0:00'1.000\"", "0:00'21.000\"", "0:01'1.000\"", "0:02'1.000\"",
                 "0:04'1.000\"", "0:08'1.000\"", "0:16'1.000\""}));
    // Codes 8 to 15 repeat the last known interval; before one is known, code 0's.
    EXPECT_EQ(times(2, 0, {9, 15, 3, 8, 12}), (V{"0:00'0.000\"", "0:00'0.050\"", "0:00'40.050\"",
                                                 "0:01'20.050\"", "0:02'0.050\""}));

    std::vector<StoredReading> hour(3601, Stored(1, 0, 1));
    const MemoryImageDecode d = Decode(hour, 2);
    ASSERT_EQ(d.log.records.size(), 3601u);
    EXPECT_STREQ(d.log.records[3599].szTime, "0:59'59.000\"");
    EXPECT_STREQ(d.log.records[3600].szTime, "1:00'0.000\"");
}

TEST(MemoryLogDecode, UndecodableRecordsAreLeftOutAndTheTimeRunsOn) {
    // Mode 3 knows range nibbles 0 and 1 only; record 2 has none.
    MemoryImageDecode d = Decode({Stored(1, 0, 1), Stored(2, 2, 1), Stored(3, 1, 1)}, 3);
    ASSERT_EQ(d.log.records.size(), 2u);
    EXPECT_EQ(d.log.skipped, 1);
    EXPECT_STREQ(d.log.records[1].szValue, "0.003");
    EXPECT_STREQ(d.log.records[1].szTime, "0:00'2.000\"");
    EXPECT_NE(d.log.firstProblem.find("record 2"), std::string::npos) << d.log.firstProblem;
    const std::string detail = SkippedRecordsDetail(d.log, d.storedCount);
    EXPECT_NE(detail.find("1 of 3"), std::string::npos) << detail;

    // An overload of a log without a function has no level to chart at.
    d = Decode({Stored(1, 0), Stored(0, 0, 1, false, true)}, 0);
    EXPECT_EQ(d.log.records.size(), 1u);
    EXPECT_NE(d.log.firstProblem.find("record 2"), std::string::npos) << d.log.firstProblem;
    EXPECT_EQ(SkippedRecordsDetail(DecodedLog{}, 5), "");
}

TEST(MemoryLogDecode, AbortBeforeARecordDropsEverything) {
    std::vector<StoredReading> readings(10, Stored(1));
    const Bytes image = sim::BuildStreamImage(readings, 2, 0);
    const MemoryHeader h = ReadMemoryHeader(image.data());
    const std::vector<StoredRecord> stored = UnpackRecords(image.data(), image.size(), h);
    std::vector<std::size_t> asked;
    const DecodedLog log = DecodeStoredRecords(stored, h, [&](std::size_t r) {
        asked.push_back(r);
        return r < 4;
    });
    EXPECT_TRUE(log.aborted);
    EXPECT_TRUE(log.records.empty());
    EXPECT_EQ(asked, (std::vector<std::size_t>{0, 1, 2, 3, 4}));
}

}  // namespace
}  // namespace dmm

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "logger/data/datalist.h"
#include "logger/data/logrecord.h"
#include "meterlink/numparse.h"

namespace dmm {
namespace {

TEST(LogRecordTest, FileBytesAreLittleEndianWithZerosAfterEachText) {
    unsigned char b[kLogRecordSize];
    std::memset(b, 0xAA, sizeof b);
    EncodeLogRecord(LogRecord("1.234", "-3", 384, " 14:05:09.3  ", "1.234", "K", "W", 1.5f), b);
    std::string want(kLogRecordSize, '\0');
    want.replace(0, 5, "1.234");
    want.replace(8, 2, "-3");
    want.replace(12, 2, "\x80\x01");
    want.replace(16, 13, " 14:05:09.3  ");
    want.replace(32, 5, "1.234");
    want.replace(48, 1, "K");
    want.replace(56, 1, "W");
    want.replace(66, 2, "\xC0\x3F");  // 1.5f = 0x3FC00000
    EXPECT_TRUE(std::memcmp(b, want.data(), sizeof b) == 0);
}

TEST(LogRecordTest, TextsWithoutRoomForTheTerminatorAreCut) {
    LogRecord r("123456789", "12345", 6, std::string(20, 't'), std::string(20, 'd'), "unitunitu",
                "funcfuncf", 1);
    unsigned char noTerminators[kLogRecordSize];
    std::memset(noTerminators, 'x', sizeof noTerminators);
    LogRecord d = DecodeLogRecord(noTerminators);
    for (const LogRecord* p : {&r, &d}) {
        EXPECT_EQ(FieldString(p->szValue).size(), 7u);
        EXPECT_EQ(FieldString(p->szRange).size(), 3u);
        EXPECT_EQ(FieldString(p->szTime).size(), 15u);
        EXPECT_EQ(FieldString(p->szDisplay).size(), 15u);
        EXPECT_EQ(FieldString(p->szUnit).size(), 7u);
        EXPECT_EQ(FieldString(p->szFunc).size(), 7u);
    }
    EXPECT_EQ(FieldString(r.szValue), "1234567");
}

TEST(LogRecordTest, RandomRecordsSurviveEncodeAndDecode) {
    std::mt19937 rng(7);
    auto text = [&](char* field, std::size_t n) {
        for (std::size_t i = 0, len = rng() % n; i < len; ++i)
            field[i] = static_cast<char>(1 + rng() % 255);
    };
    for (int round = 0; round < 1000; ++round) {
        LogRecord r;
        text(r.szValue, 8), text(r.szRange, 4), text(r.szTime, 16);
        text(r.szDisplay, 16), text(r.szUnit, 8), text(r.szFunc, 8);
        r.iFunc = static_cast<std::int32_t>(rng());
        std::uint32_t bits = rng();
        std::memcpy(&r.fValue, &bits, 4);
        unsigned char b[kLogRecordSize];
        EncodeLogRecord(r, b);
        LogRecord back = DecodeLogRecord(b);
        ASSERT_EQ(std::memcmp(&back, &r, sizeof r), 0) << "round " << round;
    }
}

TEST(SampleReadingTest, ChartedValueTimeLabelAndTexts) {
    struct Row {
        const char* value;
        const char* range;
        int func;
        bool taken;
        float fValue;
    };
    const Row rows[] = {{"1.234", "-3", 6, true, 0.001234f},
                        {" OL  ", "2", 6, true, 550.0f},
                        {"-OL  ", "2", 6, true, -550.0f},
                        {" OL  ", "2", 0, false, 0},
                        {"abc", "0", 6, false, 0}};
    for (const Row& row : rows) {
        MeterReading m;
        m.sValue = row.value, m.sRange = row.range, m.iFunc = row.func;
        CopyCut(m.szDisplay, "1.234"), CopyCut(m.szUnit, "m"), CopyCut(m.szFunc, "V");
        std::optional<LogRecord> r = SampleReading(m, {9, 8, 7, 650});
        ASSERT_EQ(r.has_value(), row.taken) << row.value << "E" << row.range;
        if (!r) continue;
        EXPECT_FLOAT_EQ(r->fValue, row.fValue);
        EXPECT_EQ(FieldString(r->szValue), row.value);
        EXPECT_EQ(FieldString(r->szRange), row.range);
        EXPECT_EQ(FieldString(r->szTime), "  9:08:07.6  ");
        EXPECT_EQ(FieldString(r->szDisplay) + FieldString(r->szUnit) + FieldString(r->szFunc),
                  "1.234mV");
    }
    EXPECT_EQ(TimeLabel({14, 5, 9, 375}), " 14:05:09.3  ");
}

TEST(DataListTest, LinesAndSheets) {
    LogRecord ohms("1.234", "3", 384, "t", "1.234", "K", "W", 1234);
    EXPECT_EQ(DataListLine(4, ohms), "5,t,1.234K Ohm");
    EXPECT_EQ(DataListLine(0, LogRecord("1", "0", 6, "t", "1.000", "", "V", 1)), "1,t,1.000V");

    EXPECT_EQ(SheetOfRecord(31999), 1);  // line 32000
    EXPECT_EQ(SheetOfRecord(32000), 2);  // line 32001
    EXPECT_EQ(SheetCount(31999), 1);
    EXPECT_EQ(SheetCount(32000), 2);  // a full sheet is followed at once by an empty one
    struct Case {
        int sheet;
        std::size_t lines, first, count;
    };
    const Case cases[] = {
        {1, 32000, 0, 32000}, {2, 32000, 32000, 0}, {2, 32001, 32000, 1}, {3, 32001, 32001, 0}};
    for (const Case& c : cases) {
        RecordRange r = SheetRange(c.sheet, c.lines);
        EXPECT_EQ(r.first, c.first) << c.sheet << "/" << c.lines;
        EXPECT_EQ(r.count, c.count) << c.sheet << "/" << c.lines;
    }
}

}  // namespace
}  // namespace dmm

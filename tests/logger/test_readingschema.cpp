// The reading schema: fields of a reading's texts, the time column of records, CSV and JSON.
#include "logger/data/readingschema.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "logger/data/schemaexport.h"
#include "meterlink/labels.h"

namespace dmm {
namespace {

TEST(ReadingSchema, FieldsOfEveryKindOfReading) {
    struct Case {
        const char *value, *range;
        int code;
        const char *display, *unitText;
        std::optional<double> expected;
        const char *unit, *prefix, *function;
        bool overload;
    };
    const Case cases[] = {
        {"1.234", "0", 6, " 1.234", "", 1.234, "V", "", "volts_dc", false},
        {"-0.056", "-1", 5, "-005.6", "m", -0.0056, "V", "m", "volts_ac", false},
        {"1.234", "4", 128, "12.34", "K", 12340, "\u03A9", "K", "ohms", false},
        {"1.234", "7", 384, "12.34", "M", 12340000, "\u03A9", "M", "ohms", false},
        {"-10.5", "0", 8192, "-10.5", "dB", -10.5, "dBm", "", "dbm", false},
        {"25.0", "0", 64, "025", "", 25, "\u00B0F", "", "fahrenheit", false},
        {"1.000", "0", 2050, "1.000", "", 1, "%", "", "percent", false},
        {" O.L ", "2", 514, "O.L", "", std::nullopt, "A", "", "amps_dc", true},
        {"-O.L", "2", 7, "-O.L", "", std::nullopt, "V", "", "volts_acdc", true},
        {"abc", "0", 20, "abc", "", std::nullopt, "V", "", "volts", false},
        {"1", "0", 0, "1", "", 1, "", "", "none", false},
        {"1", "0", 99, "1", "", 1, "", "", "unknown", false},
        {"1", "999999", 6, "1", "", std::nullopt, "V", "", "volts_dc", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.value) + " " + std::to_string(c.code));
        const SchemaReading r = SchemaOfTexts(c.value, c.range, c.code, c.display, c.unitText);
        EXPECT_EQ(r.value.has_value(), c.expected.has_value());
        if (r.value && c.expected) {
            EXPECT_DOUBLE_EQ(*r.value, *c.expected);
        }
        EXPECT_EQ(r.unit, c.unit);
        EXPECT_EQ(r.prefix, c.prefix);
        EXPECT_EQ(r.function, c.function);
        EXPECT_EQ(r.overload, c.overload);
        EXPECT_EQ(r.display.front(), c.display[c.display[0] == ' ' ? 1 : 0]);
    }
    MeterReading low;
    low.sValue = "1.000";
    low.sRange = "0";
    low.iFunc = 6;
    low.dwStatus = 6 | kLowBatteryBit;
    EXPECT_TRUE(SchemaOfReading(low).lowBattery);
}

TEST(ReadingSchema, CsvAndJsonQuoteWhatNeedsItAndStayValidUtf8) {
    SchemaReading r;
    r.run = "r";
    r.seq = 3;
    r.time = "12:00:00.0";
    r.value = 1.5e-6;
    r.unit = "F";
    r.prefix = "u";
    r.display = "a,\"b\"\\\x01";
    r.function = "farads";
    std::string csv;
    AppendCsvRow(csv, r);
    EXPECT_EQ(csv, "r,3,,12:00:00.0,1.5e-06,F,u,\"a,\"\"b\"\"\\\x01\",farads,false,false\r\n");
    EXPECT_EQ(JsonObject(r),
              "{\"run\":\"r\",\"seq\":3,\"sample\":null,\"time\":\"12:00:00.0\",\"value\":1.5e-06,"
              "\"unit\":\"F\",\"prefix\":\"u\",\"display\":\"a,\\\"b\\\"\\\\\\u0001\","
              "\"function\":\"farads\",\"overload\":false,\"low_battery\":false}");
    // A stray byte from a damaged file is its Latin-1 character.
    EXPECT_EQ(SchemaOfTexts("1", "0", 6, "\xB5", "").display, "\u00B5");
}

TEST(ReadingSchema, RecordTimesRollTheDateOverAtMidnight) {
    struct Case {
        std::optional<CalendarDate> date;
        std::vector<const char*> labels;
        std::vector<const char*> times;
    };
    const Case cases[] = {
        {std::nullopt, {"  7:05:09.3  ", "23:59:59.9"}, {"07:05:09.3", "23:59:59.9"}},
        {CalendarDate{2024, 2, 28},
         {" 23:59:59.9  ", "  0:00:00.0  ", "  0:00:00.0  ", "23:00:00.0", "1:00:00.0"},
         {"2024-02-28T23:59:59.9", "2024-02-29T00:00:00.0", "2024-02-29T00:00:00.0",
          "2024-02-29T23:00:00.0", "2024-03-01T01:00:00.0"}},
        {CalendarDate{2026, 12, 31},
         {"12:00:00.0", "0:00'1.000\"", "25:00:00.0", "1:00:00.0"},
         {"2026-12-31T12:00:00.0", "0:00'1.000\"", "25:00:00.0", "2027-01-01T01:00:00.0"}},
    };
    for (const Case& c : cases) {
        RecordTimes times(c.date);
        std::vector<std::string> got;
        for (const char* label : c.labels) got.push_back(times.Next(label));
        EXPECT_EQ(got, std::vector<std::string>(c.times.begin(), c.times.end()));
    }
    // Records skipped by a page range still move the date.
    const LogList list = {{"1", "0", 6, "22:00:00.0", "1", "", "V", 1},
                          {"1", "0", 6, " 1:00:00.0", "1", "", "V", 1},
                          {"1", "0", 6, " 2:00:00.0", "1", "", "V", 1}};
    RecordReadings readings(list, CalendarDate{2026, 3, 1});
    const SchemaReading third = readings.At(2);
    EXPECT_EQ(third.time, "2026-03-02T02:00:00.0");
    EXPECT_EQ(third.seq, 3);
    EXPECT_EQ(third.sample, 3);
    EXPECT_EQ(third.run, FileRunId(list));
    EXPECT_NE(FileRunId(list), FileRunId(LogList(list.begin() + 1, list.end())));
}

TEST(ReadingSchema, OnlyRealDatesParse) {
    EXPECT_TRUE(ParseIsoDate("2024-02-29"));
    for (const char* bad :
         {"2023-02-29", "2024-13-01", "2024-1-01", "2024-01-01x", " 2024-01-1", "", "abcd-ef-gh"})
        EXPECT_FALSE(ParseIsoDate(bad)) << bad;
}

}  // namespace
}  // namespace dmm

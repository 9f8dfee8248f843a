// A reading as other programs read it: one set of fields for every output that leaves the
// program (CSV and JSON lines of dmmlog, the messages to an MQTT broker).
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "logger/data/logrecord.h"
#include "meterlink/meterreading.h"

namespace dmm {

struct SchemaReading {
    std::string run;                  // which run of the program, or which file
    long long seq = 0;                // 1, 2, ... within the run
    std::optional<long long> sample;  // the sample number, when the reading became a sample
    std::string time;                 // ISO 8601, or the time of day a record holds
    std::optional<double> value;      // in the base unit; empty on overload or no number
    std::string unit;      // "V", "A", "Ω", "F", "Hz", "%", "°C", "°F", "dBm" or empty
    std::string prefix;    // the unit text as the display shows it
    std::string display;   // the display text, blanks around it dropped
    std::string function;  // FunctionToken of the function code
    bool overload = false;
    bool lowBattery = false;
};

// A stable name of a function code: "volts_dc", "volts_ac", "volts_acdc", "volts",
// "amps_dc", "amps_ac", "amps_acdc", "ohms", "farads", "hertz", "percent", "celsius",
// "fahrenheit", "dbm"; "none" for code 0 and "unknown" for codes the program does not know.
std::string FunctionToken(int funcCode);
// The base unit of a function code in UTF-8 (the ohm sign, never the stored "W"); empty
// when the code has none.
std::string SchemaUnit(int funcCode);

// The fields a reading's texts give: value, unit, prefix, display, function, overload. The
// value is value text times ten to the range text, in double precision.
SchemaReading SchemaOfTexts(std::string_view valueText, std::string_view rangeText, int funcCode,
                            std::string_view displayText, std::string_view unitText);
// The same of a live reading, with the low-battery bit of its status word.
SchemaReading SchemaOfReading(const MeterReading& reading);
// The same of a record; a record keeps no low-battery bit.
SchemaReading SchemaOfRecord(const LogRecord& record);

// A time as ISO 8601 in local time with milliseconds and the zone's offset:
// "2026-12-08T17:22:29.123+01:00".
std::string IsoLocalTime(std::chrono::system_clock::time_point t);

// An id for a live run: the start in UTC and a random part, "20261208T172229Z-4f1c".
std::string NewRunId(std::chrono::system_clock::time_point start);
// An id for a logger file: the same for every file that starts with the same record, so
// that an export and a replay of one file, or of a file with records appended, agree.
std::string FileRunId(const LogList& list);

// A date "YYYY-MM-DD" that exists; empty otherwise.
struct CalendarDate {
    int year = 0;
    unsigned month = 0;
    unsigned day = 0;
};
std::optional<CalendarDate> ParseIsoDate(std::string_view text);

// The time column of records: a time label such as " 17:05:09.3  " becomes "17:05:09.3";
// given the date of the first record, "2026-12-08T17:05:09.3", the date moving on by a day
// each time a record's time of day is earlier than the one before it. A time that is no
// time of day (an imported record's elapsed time) is given as it stands, blanks dropped.
class RecordTimes {
public:
    explicit RecordTimes(std::optional<CalendarDate> firstDate = std::nullopt);
    // Call in record order.
    std::string Next(std::string_view timeLabel);

private:
    std::optional<CalendarDate> date_;
    long long lastTenths_ = -1;
};

// "run,seq,sample,time,value,unit,prefix,display,function,overload,low_battery" and CR LF.
std::string CsvHeader();
// One row: RFC 4180 quoting, "." decimals, an empty value on overload, CR LF.
void AppendCsvRow(std::string& out, const SchemaReading& r);
// One JSON object and a line feed; null for a missing value or sample.
void AppendJsonLine(std::string& out, const SchemaReading& r);
// The object without the line feed.
std::string JsonObject(const SchemaReading& r);
// A JSON string literal of UTF-8 text, quotes included.
std::string JsonString(std::string_view text);
// The shortest text that reads back as the same double, "." as decimal point.
std::string FormatRoundTrip(double value);

}  // namespace dmm

#include "logger/data/readingschema.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <random>

#include "meterlink/labels.h"
#include "meterlink/numparse.h"

namespace dmm {

namespace {

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

// The meter's texts are ASCII; a stray byte above 127 (a damaged file) is taken as the
// Latin-1 character it stands for, so every output stays valid UTF-8.
std::string Utf8Of(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            out += c;
        } else {
            out += static_cast<char>(0xC0 | (b >> 6));
            out += static_cast<char>(0x80 | (b & 0x3F));
        }
    }
    return out;
}

bool NeedsQuotes(std::string_view field) {
    return field.find_first_of(",\"\r\n") != std::string_view::npos;
}

void AppendCsvField(std::string& out, std::string_view field) {
    if (!NeedsQuotes(field)) {
        out += field;
        return;
    }
    out += '"';
    for (char c : field) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

const char* Bool(bool b) {
    return b ? "true" : "false";
}

std::uint64_t Fnv1a(const unsigned char* data, std::size_t n) {
    std::uint64_t h = 1469598103934665603ull;
    for (std::size_t i = 0; i < n; ++i) {
        h ^= data[i];
        h *= 1099511628211ull;
    }
    return h;
}

}  // namespace

std::string FunctionToken(int funcCode) {
    switch (funcCode) {
        case func::None:
            return "none";
        case func::VoltsAc:
            return "volts_ac";
        case func::VoltsDc:
            return "volts_dc";
        case func::VoltsAcDc:
            return "volts_acdc";
        case func::Volts20:
            return "volts";
        case func::Capacitance:
            return "farads";
        case func::Celsius:
            return "celsius";
        case func::Fahrenheit:
            return "fahrenheit";
        case func::Ohms:
        case func::Ohms384:
            return "ohms";
        case func::AmpsAc:
            return "amps_ac";
        case func::AmpsDc:
            return "amps_dc";
        case func::AmpsAcDc:
            return "amps_acdc";
        case func::Frequency:
            return "hertz";
        case func::Percent:
        case func::Percent2050:
            return "percent";
        case func::DecibelMilliwatt:
            return "dbm";
        default:
            return "unknown";
    }
}

std::string SchemaUnit(int funcCode) {
    switch (funcCode) {
        case func::Ohms:
        case func::Ohms384:
            return "\u03A9";
        case func::Celsius:
            return "\u00B0C";
        case func::Fahrenheit:
            return "\u00B0F";
        case func::DecibelMilliwatt:
            return "dBm";
        default:
            // "V", "A", "F", "Hz", "%" are the function text as stored.
            return FuncText(funcCode);
    }
}

SchemaReading SchemaOfTexts(std::string_view valueText, std::string_view rangeText, int funcCode,
                            std::string_view displayText, std::string_view unitText) {
    SchemaReading r;
    std::string number(valueText);
    number += 'E';
    number += rangeText;
    if (const std::optional<long double> v = ParseNumber(number)) {
        if (std::isfinite(static_cast<double>(*v))) r.value = static_cast<double>(*v);
    } else {
        r.overload = valueText.find('L') != std::string_view::npos;
    }
    r.unit = SchemaUnit(funcCode);
    // dBm shows "dB" before the "m": both belong to the unit, there is no prefix.
    r.prefix = funcCode == func::DecibelMilliwatt ? std::string() : Utf8Of(Trimmed(unitText));
    r.display = Utf8Of(Trimmed(displayText));
    r.function = FunctionToken(funcCode);
    return r;
}

SchemaReading SchemaOfReading(const MeterReading& reading) {
    SchemaReading r = SchemaOfTexts(reading.sValue, reading.sRange, reading.iFunc,
                                    FieldString(reading.szDisplay), FieldString(reading.szUnit));
    r.lowBattery = (reading.dwStatus & kLowBatteryBit) != 0;
    return r;
}

SchemaReading SchemaOfRecord(const LogRecord& record) {
    return SchemaOfTexts(FieldString(record.szValue), FieldString(record.szRange), record.iFunc,
                         FieldString(record.szDisplay), FieldString(record.szUnit));
}

std::string IsoLocalTime(std::chrono::system_clock::time_point t) {
    const std::time_t secs = std::chrono::system_clock::to_time_t(t);
    const long long ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(t.time_since_epoch()).count() % 1000;
    std::tm tm{};
    localtime_r(&secs, &tm);
    char date[32];
    std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &tm);
    const long offset = tm.tm_gmtoff / 60;
    const long absOffset = offset < 0 ? -offset : offset;
    return Format("%s.%03lld%c%02ld:%02ld", date, ms < 0 ? ms + 1000 : ms, offset < 0 ? '-' : '+',
                  absOffset / 60, absOffset % 60);
}

std::string NewRunId(std::chrono::system_clock::time_point start) {
    const std::time_t secs = std::chrono::system_clock::to_time_t(start);
    std::tm tm{};
    gmtime_r(&secs, &tm);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%dT%H%M%SZ", &tm);
    std::random_device random;
    return Format("%s-%04x", stamp, random() & 0xFFFFu);
}

std::string FileRunId(const LogList& list) {
    unsigned char first[kLogRecordSize] = {};
    if (!list.empty()) EncodeLogRecord(list.front(), first);
    return Format("file-%016llx",
                  static_cast<unsigned long long>(Fnv1a(first, list.empty() ? 0 : sizeof first)));
}

std::optional<CalendarDate> ParseIsoDate(std::string_view text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
    const std::optional<int> y = ParseInteger(text.substr(0, 4));
    const std::optional<int> m = ParseInteger(text.substr(5, 2));
    const std::optional<int> d = ParseInteger(text.substr(8, 2));
    for (std::size_t i : {0u, 1u, 2u, 3u, 5u, 6u, 8u, 9u})
        if (text[i] < '0' || text[i] > '9') return std::nullopt;
    if (!y || !m || !d) return std::nullopt;
    const std::chrono::year_month_day ymd{std::chrono::year(*y),
                                          std::chrono::month(static_cast<unsigned>(*m)),
                                          std::chrono::day(static_cast<unsigned>(*d))};
    if (!ymd.ok()) return std::nullopt;
    return CalendarDate{*y, static_cast<unsigned>(*m), static_cast<unsigned>(*d)};
}

RecordTimes::RecordTimes(std::optional<CalendarDate> firstDate) : date_(firstDate) {}

std::string RecordTimes::Next(std::string_view timeLabel) {
    const std::string text(Trimmed(timeLabel));
    int h = -1, m = -1, s = -1, tenth = -1, used = 0;
    if (std::sscanf(text.c_str(), "%d:%d:%d.%d%n", &h, &m, &s, &tenth, &used) != 4 ||
        used != static_cast<int>(text.size()) || h < 0 || h > 23 || m < 0 || m > 59 || s < 0 ||
        s > 59 || tenth < 0 || tenth > 9) {
        return Utf8Of(text);
    }
    std::string time = Format("%02d:%02d:%02d.%d", h, m, s, tenth);
    if (!date_) return time;
    const long long tenths = ((h * 60LL + m) * 60 + s) * 10 + tenth;
    if (lastTenths_ >= 0 && tenths < lastTenths_) {
        const std::chrono::sys_days next =
            std::chrono::sys_days(std::chrono::year_month_day{std::chrono::year(date_->year),
                                                              std::chrono::month(date_->month),
                                                              std::chrono::day(date_->day)}) +
            std::chrono::days(1);
        const std::chrono::year_month_day ymd(next);
        date_ = CalendarDate{static_cast<int>(ymd.year()), static_cast<unsigned>(ymd.month()),
                             static_cast<unsigned>(ymd.day())};
    }
    lastTenths_ = tenths;
    return Format("%04d-%02u-%02uT", date_->year, date_->month, date_->day) + time;
}

std::string CsvHeader() {
    return "run,seq,sample,time,value,unit,prefix,display,function,overload,low_battery\r\n";
}

std::string FormatRoundTrip(double value) {
    char buf[32];
    const auto end = std::to_chars(buf, buf + sizeof buf, value).ptr;
    return std::string(buf, end);
}

void AppendCsvRow(std::string& out, const SchemaReading& r) {
    AppendCsvField(out, r.run);
    out += ',';
    out += std::to_string(r.seq);
    out += ',';
    if (r.sample) out += std::to_string(*r.sample);
    out += ',';
    AppendCsvField(out, r.time);
    out += ',';
    if (r.value) out += FormatRoundTrip(*r.value);
    out += ',';
    AppendCsvField(out, r.unit);
    out += ',';
    AppendCsvField(out, r.prefix);
    out += ',';
    AppendCsvField(out, r.display);
    out += ',';
    AppendCsvField(out, r.function);
    out += ',';
    out += Bool(r.overload);
    out += ',';
    out += Bool(r.lowBattery);
    out += "\r\n";
}

std::string JsonString(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (b < 0x20) {
            out += Format("\\u%04x", b);
        } else {
            out += c;
        }
    }
    out += '"';
    return out;
}

std::string JsonObject(const SchemaReading& r) {
    std::string out = "{\"run\":" + JsonString(r.run);
    out += ",\"seq\":" + std::to_string(r.seq);
    out += ",\"sample\":" + (r.sample ? std::to_string(*r.sample) : std::string("null"));
    out += ",\"time\":" + JsonString(r.time);
    out += ",\"value\":" + (r.value ? FormatRoundTrip(*r.value) : std::string("null"));
    out += ",\"unit\":" + JsonString(r.unit);
    out += ",\"prefix\":" + JsonString(r.prefix);
    out += ",\"display\":" + JsonString(r.display);
    out += ",\"function\":" + JsonString(r.function);
    out += ",\"overload\":";
    out += Bool(r.overload);
    out += ",\"low_battery\":";
    out += Bool(r.lowBattery);
    out += '}';
    return out;
}

void AppendJsonLine(std::string& out, const SchemaReading& r) {
    out += JsonObject(r);
    out += '\n';
}

}  // namespace dmm

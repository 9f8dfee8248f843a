#include "logger/data/logrecord.h"

#include <bit>
#include <cstdio>
#include <cstring>

#include "meterlink/handover.h"
#include "meterlink/numparse.h"

namespace dmm {
namespace {

void PutU32(unsigned char* out, std::uint32_t v) {
    out[0] = static_cast<unsigned char>(v);
    out[1] = static_cast<unsigned char>(v >> 8);
    out[2] = static_cast<unsigned char>(v >> 16);
    out[3] = static_cast<unsigned char>(v >> 24);
}

std::uint32_t GetU32(const unsigned char* in) {
    return static_cast<std::uint32_t>(in[0]) | static_cast<std::uint32_t>(in[1]) << 8 |
           static_cast<std::uint32_t>(in[2]) << 16 | static_cast<std::uint32_t>(in[3]) << 24;
}

// Copies a text field up to its terminator (at most N - 1 characters) and zero-fills the rest.
template <std::size_t N>
void PutText(unsigned char* out, const char (&field)[N]) {
    std::size_t n = 0;
    while (n < N - 1 && field[n] != '\0') ++n;
    std::memcpy(out, field, n);
    std::memset(out + n, 0, N - n);
}

template <std::size_t N>
void GetText(char (&field)[N], const unsigned char* in) {
    std::size_t n = 0;
    while (n < N - 1 && in[n] != 0) ++n;
    std::memcpy(field, in, n);
    std::memset(field + n, 0, N - n);
}

}  // namespace

LogRecord::LogRecord(std::string_view valueText, std::string_view rangeText, std::int32_t funcCode,
                     std::string_view timeText, std::string_view displayText,
                     std::string_view unitText, std::string_view funcText, float chartValue)
    : iFunc(funcCode), fValue(chartValue) {
    CopyCut(szValue, valueText);
    CopyCut(szRange, rangeText);
    CopyCut(szTime, timeText);
    CopyCut(szDisplay, displayText);
    CopyCut(szUnit, unitText);
    CopyCut(szFunc, funcText);
}

void EncodeLogRecord(const LogRecord& r, unsigned char* out) {
    PutText(out + offsetof(LogRecord, szValue), r.szValue);
    PutText(out + offsetof(LogRecord, szRange), r.szRange);
    PutU32(out + offsetof(LogRecord, iFunc), static_cast<std::uint32_t>(r.iFunc));
    PutText(out + offsetof(LogRecord, szTime), r.szTime);
    PutText(out + offsetof(LogRecord, szDisplay), r.szDisplay);
    PutText(out + offsetof(LogRecord, szUnit), r.szUnit);
    PutText(out + offsetof(LogRecord, szFunc), r.szFunc);
    PutU32(out + offsetof(LogRecord, fValue), std::bit_cast<std::uint32_t>(r.fValue));
}

LogRecord DecodeLogRecord(const unsigned char* in) {
    LogRecord r;
    GetText(r.szValue, in + offsetof(LogRecord, szValue));
    GetText(r.szRange, in + offsetof(LogRecord, szRange));
    r.iFunc = static_cast<std::int32_t>(GetU32(in + offsetof(LogRecord, iFunc)));
    GetText(r.szTime, in + offsetof(LogRecord, szTime));
    GetText(r.szDisplay, in + offsetof(LogRecord, szDisplay));
    GetText(r.szUnit, in + offsetof(LogRecord, szUnit));
    GetText(r.szFunc, in + offsetof(LogRecord, szFunc));
    r.fValue = std::bit_cast<float>(GetU32(in + offsetof(LogRecord, fValue)));
    return r;
}

std::string TimeLabel(const LocalTime& t) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%3d:%02d:%02d.%-3d", t.hour, t.minute, t.second,
                  t.millisecond / 100);
    return buf;
}

std::optional<LogRecord> SampleReading(const MeterReading& reading, const LocalTime& time) {
    std::optional<float> value = ChartedValue(reading.sValue, reading.sRange, reading.iFunc);
    if (!value) return std::nullopt;
    return LogRecord(reading.sValue, reading.sRange, reading.iFunc, TimeLabel(time),
                     FieldString(reading.szDisplay), FieldString(reading.szUnit),
                     FieldString(reading.szFunc), *value);
}

}  // namespace dmm

// One logger sample: the same 68 bytes in memory, in the temporary files and in
// logger data files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "logger/data/clock.h"
#include "meterlink/meterreading.h"

namespace dmm {

struct LogRecord {
    char szValue[8] = {};     // value text of the reading
    char szRange[4] = {};     // range text: signed decimal exponent
    std::int32_t iFunc = 0;   // function code
    char szTime[16] = {};     // time label of the sample
    char szDisplay[16] = {};  // display text
    char szUnit[8] = {};      // unit text (prefix)
    char szFunc[8] = {};      // function text (symbol)
    float fValue = 0;         // charted value

    LogRecord() = default;
    // Texts longer than their field less the terminator are cut.
    LogRecord(std::string_view valueText, std::string_view rangeText, std::int32_t funcCode,
              std::string_view timeText, std::string_view displayText, std::string_view unitText,
              std::string_view funcText, float chartValue);
};

constexpr std::size_t kLogRecordSize = 68;

static_assert(std::is_trivially_copyable_v<LogRecord>);
static_assert(std::is_standard_layout_v<LogRecord>);
static_assert(sizeof(LogRecord) == kLogRecordSize);
static_assert(offsetof(LogRecord, szValue) == 0);
static_assert(offsetof(LogRecord, szRange) == 8);
static_assert(offsetof(LogRecord, iFunc) == 12);
static_assert(offsetof(LogRecord, szTime) == 16);
static_assert(offsetof(LogRecord, szDisplay) == 32);
static_assert(offsetof(LogRecord, szUnit) == 48);
static_assert(offsetof(LogRecord, szFunc) == 56);
static_assert(offsetof(LogRecord, fValue) == 64);

// The recorder's buffer, oldest record first: 68 bytes a sample, in one block.
using LogList = std::vector<LogRecord>;

// The file form of a record: numbers little-endian, each text up to its
// terminator and zeros after it. A text without a terminator is cut so that one fits.
void EncodeLogRecord(const LogRecord& record, unsigned char* out);

// The record held in 68 file bytes. Texts are taken up to their terminator; a
// field that holds none is cut to its length less one, so every text of the
// result is terminated whatever the input.
LogRecord DecodeLogRecord(const unsigned char* in);

// "%3d:%02d:%02d.%-3d" of hour, minute, second and tenths of a second.
std::string TimeLabel(const LocalTime& time);

// The record the recorder takes from a reading at the given time; nothing when
// the reading gives no value to chart (the sample is dropped).
std::optional<LogRecord> SampleReading(const MeterReading& reading, const LocalTime& time);

}  // namespace dmm

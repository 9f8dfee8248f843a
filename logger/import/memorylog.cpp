#include "logger/import/memorylog.h"
#include "resources/strnum.h"

#include <cmath>
#include <cstdio>
#include <optional>

#include "meterlink/handover.h"
#include "meterlink/labels.h"
#include "meterlink/numparse.h"
#include "resources/strings.h"

namespace dmm {

namespace {

int Nibble(const std::uint8_t* stream, std::size_t offset) {
    return stream[offset] & 0x0F;
}

int FirstAddress(int bank) {
    return bank == 0 ? kBank0FirstAddress : kBankFirstAddress;
}

std::size_t BankStart(int bank) {
    return static_cast<std::size_t>(bank) * kBankStreamSize +
           2 * static_cast<std::size_t>(FirstAddress(bank));
}

bool IsTemperature(int funcCode) {
    return funcCode == func::Celsius || funcCode == func::Fahrenheit;
}

// Seconds of interval code 0, which depends on the function of the log.
double CodeZeroInterval(int funcCode) {
    switch (funcCode) {
        case func::VoltsAc:
        case func::VoltsDc:
        case func::AmpsAc:
        case func::AmpsDc:
            return 0.05;
        case func::Frequency:
            return 0.4;
        default:
            return 0.2;
    }
}

// Seconds of interval codes 1 to 7.
constexpr double kIntervalSeconds[8] = {0, 1, 20, 40, 60, 120, 240, 480};

// Overloads of stored readings are charted at levels of their own.
std::optional<OverloadLevel> ImportOverloadLevel(int funcCode) {
    switch (funcCode) {
        case func::VoltsAc:
        case func::VoltsDc:
        case func::Capacitance:
        case func::Ohms:
        case func::AmpsAc:
        case func::AmpsDc:
        case func::AmpsAcDc:
        case func::Frequency:
            return OverloadLevel{5.5L, true};
        case func::Volts20:
            return OverloadLevel{2.2L, true};
        case func::Celsius:
        case func::Fahrenheit:
            return OverloadLevel{1000, false};
        case func::Ohms384:
            return OverloadLevel{550, false};
        case func::Percent:
        case func::Percent2050:
            return OverloadLevel{110, false};
        case func::DecibelMilliwatt:
            return OverloadLevel{1100, false};
        default:
            return std::nullopt;
    }
}

std::string ElapsedText(double t) {
    const int hours = static_cast<int>(t / 60 / 60);
    const int minutes = static_cast<int>((t - 3600.0 * hours) / 60);
    // The meter's own software keeps the seconds in single precision.
    const float seconds = static_cast<float>(t - 3600.0 * hours - 60.0 * minutes);
    char text[48];
    std::snprintf(text, sizeof text, "%d:%02d'%4.3f\"", hours, minutes,
                  static_cast<double>(seconds));
    return text;
}

// The value text as the meter's display reads it, unit letter and sign included.
std::string ValueText(const StoredRecord& s, int funcCode) {
    const int count = s.nibble[2] | s.nibble[3] << 4 | s.nibble[4] << 8 | (s.nibble[5] & 3) << 12;
    const bool negative = (s.nibble[5] & 0x4) != 0;
    const bool overload = (s.nibble[5] & 0x8) != 0;
    std::string text;
    if (overload) {
        text = "OL";
    } else {
        // Three digits for temperatures, four otherwise, the point after the first.
        char digits[16];
        if (IsTemperature(funcCode))
            std::snprintf(digits, sizeof digits, "%.3i", count);
        else
            std::snprintf(digits, sizeof digits, "%.4i", count);
        text = digits;
        text.insert(1, ".");
    }
    if (funcCode == func::Celsius) text += 'C';
    if (funcCode == func::Fahrenheit) text += 'F';
    if (negative) text.insert(0, "-");
    return text;
}

// The range text of a record; empty optional when the mode gives the nibble none.
std::optional<std::string> RangeText(int rangeNibble, int mode, int modeFlags, int funcCode) {
    int range = rangeNibble;
    if (funcCode != func::Frequency) {
        switch (mode) {
            case 3:
                if (rangeNibble > 1) return std::nullopt;
                range = rangeNibble == 0 ? -2 : -1;
                break;
            case 4:
                if (!(modeFlags & kModeAlternate)) range = rangeNibble - 2;
                break;
            case 5:
                range = 2;
                break;
            case 6:
                range = rangeNibble + 1;
                break;
            case 8:
                range = rangeNibble - 2;
                break;
            case 9:
                range = rangeNibble - 4;
                break;
            default:
                break;
        }
    }
    return std::to_string(range);
}

// The display value: the value scaled by the decimal shift its function and range give.
std::string DisplayValue(const std::string& valueText, int e, int funcCode) {
    enum class Style { Volts, Capacitance, Temperature, Ohms, Frequency };
    int k = 0;
    Style style;
    switch (funcCode) {
        case func::VoltsAc:
        case func::VoltsDc:
        case func::Volts20:
            k = e < 0 ? e + 3 : e;
            style = Style::Volts;
            break;
        case func::AmpsAc:
        case func::AmpsDc:
        case func::AmpsAcDc:
            k = e >= 0 ? e : e % 3 + 3;
            style = Style::Volts;
            break;
        case func::Capacitance:
            k = e == 3 ? 3 : (e + 3) % 3;
            style = Style::Capacitance;
            break;
        case func::Celsius:
        case func::Fahrenheit:
            k = e;
            style = Style::Temperature;
            break;
        case func::Ohms:
        case func::Ohms384:
            k = e % 3;
            style = Style::Ohms;
            break;
        case func::Frequency:
            k = e % 3;
            style = Style::Frequency;
            break;
        default:
            return valueText;
    }
    const bool negative = valueText.find('-') != std::string::npos;
    const std::optional<long double> x = ParseNumber(valueText);
    if (!x) {
        if (style == Style::Temperature || style == Style::Frequency) return valueText;
        if (valueText.find('L') == std::string::npos) return valueText;
        // Where the display's decimal point would stand.
        switch (k) {
            case 0:
                return ".OL";
            case 1:
                return "O.L";
            case 2:
                return "OL.";
            default:
                return "OL";
        }
    }
    const double q = static_cast<double>(*x) * std::pow(10.0, k);
    const int precision = 3 - k;
    char text[64];
    switch (style) {
        case Style::Volts:
            if (negative) {
                if (k == 3)
                    std::snprintf(text, sizeof text, "%05.*f", precision, q);
                else
                    std::snprintf(text, sizeof text, "%06.*f", precision, q);
            } else {
                if (k == 3)
                    std::snprintf(text, sizeof text, "%04.*f", precision, q);
                else
                    std::snprintf(text, sizeof text, "%05.*f", precision, q);
            }
            break;
        case Style::Capacitance:
            if (k == 3)
                std::snprintf(text, sizeof text, "%04.0f", q);
            else
                std::snprintf(text, sizeof text, "%05.*f", precision, q);
            break;
        case Style::Temperature:
            std::snprintf(text, sizeof text, "%03.0f", q);
            break;
        case Style::Ohms:
            std::snprintf(text, sizeof text, "%05.*f", precision, q);
            break;
        case Style::Frequency: {
            const int length = static_cast<int>(valueText.size());
            std::snprintf(text, sizeof text, "%0*.*f", length - 1, length - 2 - k, q);
            break;
        }
    }
    return text;
}

}  // namespace

int LogFunctionCode(int mode, int modeFlags) {
    if (modeFlags & kModeFrequency) return func::Frequency;
    const bool alternate = (modeFlags & kModeAlternate) != 0;
    switch (mode) {
        case 1:
            return func::VoltsAc;
        case 2:
            return func::VoltsDc;
        case 3:
            return alternate ? func::VoltsAc : func::VoltsDc;
        case 4:
            return alternate ? func::Volts20 : func::Capacitance;
        case 5:
            return alternate ? func::Fahrenheit : func::Celsius;
        case 6:
            return alternate ? func::Ohms384 : func::Ohms;
        case 7:
        case 8:
        case 9:
            return alternate ? func::AmpsAc : func::AmpsDc;
        default:
            return func::None;
    }
}

MemoryHeader ReadMemoryHeader(const std::uint8_t* header) {
    MemoryHeader h;
    h.lastAddress =
        Nibble(header, kLastAddressOffset) | Nibble(header, kLastAddressOffset + 1) << 4 |
        Nibble(header, kLastAddressOffset + 2) << 8 | Nibble(header, kLastAddressOffset + 3) << 12;
    h.lastBank = Nibble(header, kLastBankOffset) | Nibble(header, kLastBankOffset + 1) << 4;
    h.modeFlags = Nibble(header, kModeFlagsOffset);
    h.mode = Nibble(header, kModeOffset);
    h.funcCode = LogFunctionCode(h.mode, h.modeFlags);
    const long long m = h.lastAddress;
    const long long l = h.lastBank;
    // The division truncates toward zero, as the meter's software does.
    if (l == 0)
        h.recordCount = (m - kBank0FirstAddress) / kStoredRecordBytes + 1;
    else
        h.recordCount = (m - 1) / kStoredRecordBytes + (l - 1) * kBankRecords + kBank0Records + 1;
    h.streamLength = 2 * m + static_cast<long long>(kBankStreamSize) * l + 2LL * kStoredRecordBytes;
    h.blockCount = (h.streamLength + static_cast<long long>(kStreamBlockSize) - 1) /
                   static_cast<long long>(kStreamBlockSize);
    return h;
}

Status CheckMemoryHeader(const MemoryHeader& h) {
    const auto refused = [](std::string why) {
        return Status::Fail(StatusCode::LogRefused, std::move(why));
    };
    if (h.lastBank < 0 || h.lastBank >= kMemoryBanks)
        return refused(Format(LoadStr(str::BadBank).c_str(), h.lastBank));
    if (h.lastAddress < FirstAddress(h.lastBank))
        return refused(Format(LoadStr(str::AddressBeforeFirst).c_str(), h.lastAddress, h.lastBank));
    if (h.recordCount <= 0) return refused(Format(LoadStr(str::NoRecords).c_str(), h.recordCount));
    if (h.lastBank == 0 && h.recordCount > kBank0Records)
        return refused(Format(LoadStr(str::Bank0Overfull).c_str(), h.recordCount));
    // Records do not cross the end of their bank.
    if (h.lastAddress + kStoredRecordBytes > kBankSize)
        return refused(Format(LoadStr(str::PastBankEnd).c_str(), h.lastAddress, h.lastBank));
    return Status::Ok();
}

std::vector<StoredRecord> UnpackRecords(const std::uint8_t* stream, std::size_t size,
                                        const MemoryHeader& h) {
    std::vector<StoredRecord> out;
    if (!CheckMemoryHeader(h)) return out;
    out.reserve(static_cast<std::size_t>(h.recordCount));
    auto take = [&](int bank, long long count) {
        const std::size_t start = BankStart(bank);
        for (long long j = 0; j < count; ++j) {
            const std::size_t at = start + static_cast<std::size_t>(j) * 6;
            if (at + 6 > size) return false;
            StoredRecord r;
            for (std::size_t n = 0; n < 6; ++n) r.nibble[n] = stream[at + n] & 0x0F;
            out.push_back(r);
        }
        return true;
    };
    if (h.lastBank == 0) {
        take(0, h.recordCount);
        return out;
    }
    long long left = h.recordCount;
    for (int bank = 0; bank < h.lastBank; ++bank) {
        const long long full = bank == 0 ? kBank0Records : kBankRecords;
        if (!take(bank, full)) return out;
        left -= full;
    }
    take(h.lastBank, left);
    return out;
}

StoredRecordDecoder::StoredRecordDecoder(const MemoryHeader& h)
    : mode_(h.mode),
      modeFlags_(h.modeFlags),
      funcCode_(h.funcCode),
      interval_(CodeZeroInterval(h.funcCode)) {}

bool StoredRecordDecoder::Next(const StoredRecord& s, LogRecord& out, std::string* why) {
    // Codes 8 to 15 repeat the previous record's interval; before any is known, code 0's.
    const int code = s.nibble[1];
    if (code == 0)
        interval_ = CodeZeroInterval(funcCode_);
    else if (code < 8)
        interval_ = kIntervalSeconds[code];
    // The first record is the start of the log, whatever its code.
    if (index_ > 0) elapsed_ += interval_;
    const int number = ++index_;  // counted from 1, as the data list counts

    const std::optional<std::string> range = RangeText(s.nibble[0], mode_, modeFlags_, funcCode_);
    if (!range) {
        if (why) *why = Format(LoadStr(str::NoRangeInMode3).c_str(), number, s.nibble[0]);
        return false;
    }
    std::string value = ValueText(s, funcCode_);
    // Temperatures keep their unit letter on the display only.
    if (IsTemperature(funcCode_)) value.pop_back();
    const std::optional<float> chart = ChartedValue(value, *range, funcCode_, ImportOverloadLevel);
    if (!chart) {
        if (why) {
            *why = value.find('L') != std::string::npos
                       ? Format(LoadStr(str::OverloadWithoutLevel).c_str(), number, funcCode_)
                       : Format(LoadStr(str::NoChartValue).c_str(), number, value.c_str(),
                                range->c_str());
        }
        return false;
    }
    const int e = ParseInteger(*range).value_or(0);
    const int unitExp = GetUnitExp(funcCode_, *range);
    out = LogRecord(value, *range, funcCode_, ElapsedText(elapsed_),
                    DisplayValue(value, e, funcCode_), UnitText(funcCode_, unitExp),
                    FuncText(funcCode_), *chart);
    return true;
}

DecodedLog DecodeStoredRecords(const std::vector<StoredRecord>& stored, const MemoryHeader& header,
                               const std::function<bool(std::size_t)>& beforeRecord) {
    DecodedLog log;
    log.records.reserve(stored.size());
    StoredRecordDecoder decoder(header);
    std::string why;
    for (std::size_t r = 0; r < stored.size(); ++r) {
        if (beforeRecord && !beforeRecord(r)) {
            log.records.clear();
            log.records.shrink_to_fit();
            log.aborted = true;
            return log;
        }
        LogRecord record;
        // Only the first problem is told: later ones are counted, not worded.
        if (decoder.Next(stored[r], record, log.skipped == 0 ? &why : nullptr)) {
            log.records.push_back(record);
        } else {
            if (log.skipped == 0) log.firstProblem = why;
            ++log.skipped;
        }
    }
    return log;
}

std::string SkippedRecordsDetail(const DecodedLog& log, std::size_t storedCount) {
    if (log.skipped == 0) return {};
    return log.firstProblem + "\n" +
           Format(LoadStr(str::RecordsLeftOutCount).c_str(), log.skipped,
                  static_cast<int>(storedCount));
}

Result<MemoryHeader> CheckMemoryImage(const std::uint8_t* stream, std::size_t size) {
    const auto tooShort = [size](long long described) {
        return Status::Fail(
            StatusCode::LogRefused,
            Format(LoadStr(str::ImageTooShort).c_str(), static_cast<long long>(size), described));
    };
    if (size < kHeaderSize) return tooShort(static_cast<long long>(kHeaderSize));
    const MemoryHeader header = ReadMemoryHeader(stream);
    if (Status checked = CheckMemoryHeader(header); !checked) return checked;
    if (static_cast<long long>(size) < header.streamLength) return tooShort(header.streamLength);
    return header;
}

Result<MemoryImageDecode> DecodeMemoryImage(const std::uint8_t* stream, std::size_t size) {
    Result<MemoryHeader> checked = CheckMemoryImage(stream, size);
    if (!checked) return checked.status();
    MemoryImageDecode result;
    result.header = *checked;
    const std::vector<StoredRecord> stored = UnpackRecords(stream, size, result.header);
    result.storedCount = stored.size();
    result.log = DecodeStoredRecords(stored, result.header);
    return result;
}

}  // namespace dmm

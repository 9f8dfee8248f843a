#include "logger/import/memorylog.h"
#include "resources/strnum.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string_view>

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

// Writes the decimal digits of v at p and returns the end.
char* PutDigits(char* p, std::uint64_t v) {
    char digits[20];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v != 0);
    while (n > 0) *p++ = digits[--n];
    return p;
}

// "%d:%02d'%4.3f\"" of hours, minutes and seconds, written into text.
std::string_view ElapsedText(double t, char (&text)[48]) {
    const int hours = static_cast<int>(t / 60 / 60);
    const int minutes = static_cast<int>((t - 3600.0 * hours) / 60);
    // The meter's own software keeps the seconds in single precision.
    const float seconds = static_cast<float>(t - 3600.0 * hours - 60.0 * minutes);
    // A float times 1000 is exact in a double, so rounding that to a whole number (to even,
    // as printf does) gives printf's milliseconds without printf's cost, record after record.
    const double millis = static_cast<double>(seconds) * 1000.0;
    if (hours < 0 || minutes < 0 || minutes > 99 || std::signbit(seconds) || !(millis < 1e9)) {
        const int n = std::snprintf(text, sizeof text, "%d:%02d'%4.3f\"", hours, minutes,
                                    static_cast<double>(seconds));
        return {text, n < 0 ? 0 : std::min(static_cast<std::size_t>(n), sizeof text - 1)};
    }
    const auto whole = static_cast<unsigned>(std::nearbyint(millis));
    char* p = PutDigits(text, static_cast<unsigned>(hours));
    *p++ = ':';
    *p++ = static_cast<char>('0' + minutes / 10);
    *p++ = static_cast<char>('0' + minutes % 10);
    *p++ = '\'';
    p = PutDigits(p, whole / 1000);
    *p++ = '.';
    *p++ = static_cast<char>('0' + whole / 100 % 10);
    *p++ = static_cast<char>('0' + whole / 10 % 10);
    *p++ = static_cast<char>('0' + whole % 10);
    *p++ = '"';
    return {text, static_cast<std::size_t>(p - text)};
}

// A stored reading as the display reads it: the value text ("OL", or the count's digits with
// the point after the first, and the sign; temperatures keep their unit letter on the
// display only) and the count it was written from.
struct StoredValue {
    char text[12];
    std::size_t length = 0;
    bool negative = false;
    bool overload = false;
    int count = 0;
    int digits = 0;  // of the count as written: three for temperatures, four otherwise, or more

    std::string_view Text() const { return {text, length}; }
};

StoredValue ReadStoredValue(const StoredRecord& s, int funcCode) {
    StoredValue v;
    v.count = s.nibble[2] | s.nibble[3] << 4 | s.nibble[4] << 8 | (s.nibble[5] & 3) << 12;
    v.negative = (s.nibble[5] & 0x4) != 0;
    v.overload = (s.nibble[5] & 0x8) != 0;
    char* p = v.text;
    if (v.negative) *p++ = '-';
    if (v.overload) {
        *p++ = 'O';
        *p++ = 'L';
    } else {
        // Five digits at most (even with high nibbles set), and leading zeros up to the width.
        const int c = v.count;
        const char five[5] = {
            static_cast<char>('0' + c / 10000), static_cast<char>('0' + c / 1000 % 10),
            static_cast<char>('0' + c / 100 % 10), static_cast<char>('0' + c / 10 % 10),
            static_cast<char>('0' + c % 10)};
        if (c >= 10000)
            v.digits = 5;
        else if (c >= 1000 || !IsTemperature(funcCode))
            v.digits = 4;
        else
            v.digits = 3;
        const char* first = five + 5 - v.digits;
        *p++ = first[0];
        *p++ = '.';
        std::memcpy(p, first + 1, static_cast<std::size_t>(v.digits - 1));
        p += v.digits - 1;
    }
    v.length = static_cast<std::size_t>(p - v.text);
    *p = '\0';
    return v;
}

// Powers of ten that a long double holds exactly.
constexpr long double kPowersOfTen[] = {1e0L,  1e1L,  1e2L,  1e3L,  1e4L,  1e5L,  1e6L,
                                        1e7L,  1e8L,  1e9L,  1e10L, 1e11L, 1e12L, 1e13L,
                                        1e14L, 1e15L, 1e16L, 1e17L, 1e18L, 1e19L};
constexpr int kMaxExactPower = 19;

// count times ten to exponent, rounded once: what reading its decimal text gives. Empty when
// the power is beyond the table (the text is read then).
std::optional<long double> ScaledCount(int count, int exponent, bool negative) {
    if (exponent > kMaxExactPower || exponent < -kMaxExactPower) return std::nullopt;
    const auto c = static_cast<long double>(count);
    const long double x = exponent >= 0 ? c * kPowersOfTen[exponent] : c / kPowersOfTen[-exponent];
    return negative ? -x : x;
}

// The range of a record; empty optional when the mode gives the nibble none.
std::optional<int> RangeOf(int rangeNibble, int mode, int modeFlags, int funcCode) {
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
    return range;
}

// printf's "%0*.*f" of count / 10^scale, written into text, where the digits alone decide
// it: every decimal is kept, or the ones cut are not exactly half a unit (a double near such a
// value is far from the midpoint), and the value has few enough digits for a double's error
// not to show. 0 otherwise: printf of the double itself decides.
std::size_t FixedFromDigits(bool negative, int count, int scale, int width, int places,
                            char (&text)[64]) {
    if (count < 0 || places < 0 || places > 6 || places - scale > 12 || scale - places > 5 ||
        width < 0 || width > 32)
        return 0;
    // m: the value times 10^places, rounded to a whole number.
    auto m = static_cast<std::uint64_t>(count);
    if (scale <= places) {
        for (int i = scale; i < places; ++i) m *= 10;
    } else {
        std::uint64_t unit = 1;
        for (int i = places; i < scale; ++i) unit *= 10;
        const std::uint64_t cut = m % unit;
        m /= unit;
        if (2 * cut == unit) return 0;
        if (2 * cut > unit) ++m;
    }
    if (m >= 10'000'000'000'000ULL) return 0;
    char digits[24];
    const auto used = static_cast<int>(PutDigits(digits, m) - digits);
    const int shown = std::max(used, places + 1);  // at least one digit before the point
    const int length = (negative ? 1 : 0) + shown + (places > 0 ? 1 : 0);
    char* p = text;
    if (negative) *p++ = '-';
    for (int pad = length; pad < width; ++pad) *p++ = '0';
    for (int d = 0; d < shown; ++d) {
        if (d == shown - places) *p++ = '.';
        *p++ = d < shown - used ? '0' : digits[d - (shown - used)];
    }
    *p = '\0';
    return static_cast<std::size_t>(p - text);
}

// The display value: the value scaled by the decimal shift its function and range give.
// x is the value text's number, if it has one; the text is written into text when it
// is not the value text or a fixed one.
std::string_view DisplayValue(const StoredValue& value, std::optional<long double> x, int e,
                              int funcCode, char (&text)[64]) {
    const std::string_view valueText = value.Text();
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
    const bool negative = value.negative;
    if (!x) {
        if (style == Style::Temperature || style == Style::Frequency) return valueText;
        if (valueText.find('L') == std::string_view::npos) return valueText;
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
    int width = 5;
    int places = 3 - k;
    switch (style) {
        case Style::Volts:
            width = (negative ? 6 : 5) - (k == 3 ? 1 : 0);
            break;
        case Style::Capacitance:
            if (k == 3) {
                width = 4;
                places = 0;
            }
            break;
        case Style::Temperature:
            width = 3;
            places = 0;
            break;
        case Style::Ohms:
            break;
        case Style::Frequency:
            width = static_cast<int>(valueText.size()) - 1;
            places = static_cast<int>(valueText.size()) - 2 - k;
            break;
    }
    // Mostly the display only moves the value's point, or cuts a digit: no printf for that.
    if (!value.overload && value.digits > 0) {
        if (const std::size_t n = FixedFromDigits(value.negative, value.count, value.digits - 1 - k,
                                                  width, places, text))
            return {text, n};
    }
    const double q = static_cast<double>(*x) * std::pow(10.0, k);
    std::snprintf(text, sizeof text, "%0*.*f", width, places, q);
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
    // Takes the bank's first count records, as many as lie within size; false when not all do.
    auto take = [&](int bank, long long count) {
        if (count <= 0) return true;
        const std::size_t start = BankStart(bank);
        const std::size_t fit = size > start ? (size - start) / 6 : 0;
        const std::size_t n = std::min(static_cast<std::size_t>(count), fit);
        const std::size_t first = out.size();
        out.resize(first + n);
        const std::uint8_t* from = stream + start;
        for (StoredRecord* r = out.data() + first; r != out.data() + out.size(); ++r, from += 6) {
            r->nibble[0] = from[0] & 0x0F;
            r->nibble[1] = from[1] & 0x0F;
            r->nibble[2] = from[2] & 0x0F;
            r->nibble[3] = from[3] & 0x0F;
            r->nibble[4] = from[4] & 0x0F;
            r->nibble[5] = from[5] & 0x0F;
        }
        return n == static_cast<std::size_t>(count);
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

StoredRecordDecoder::RangeCase StoredRecordDecoder::MakeRangeCase(int rangeNibble) const {
    RangeCase c;
    c.made = true;
    const std::optional<int> range = RangeOf(rangeNibble, mode_, modeFlags_, funcCode_);
    if (!range) return c;
    c.known = true;
    c.range = *range;
    const std::string text = std::to_string(*range);
    CopyCut(c.text, text);
    c.fields = LogRecord({}, text, funcCode_, {}, {},
                         UnitText(funcCode_, GetUnitExp(funcCode_, text)), FuncText(funcCode_), 0);
    return c;
}

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

    // What follows from the range nibble alone is worked out once a log, when first needed.
    std::optional<RangeCase> other;  // for a nibble with its high bits set
    RangeCase* found = nullptr;
    if (s.nibble[0] < 16) {
        found = &ranges_[s.nibble[0]];
        if (!found->made) *found = MakeRangeCase(s.nibble[0]);
    } else {
        found = &other.emplace(MakeRangeCase(s.nibble[0]));
    }
    RangeCase& range = *found;
    if (!range.known) {
        if (why) *why = Format(LoadStr(str::NoRangeInMode3).c_str(), number, s.nibble[0]);
        return false;
    }
    // The value is taken from the count rather than read back from its text: the same
    // number, one rounding from the exact decimal value.
    const StoredValue value = ReadStoredValue(s, funcCode_);
    const std::string_view valueText = value.Text();
    std::optional<long double> shown;
    std::optional<float> chart;
    if (value.overload) {
        const int sign = value.negative ? 1 : 0;
        if (!range.overloadMade[sign]) {
            range.overload[sign] =
                ChartedValue(sign ? "-OL" : "OL", range.text, funcCode_, ImportOverloadLevel);
            range.overloadMade[sign] = true;
        }
        chart = range.overload[sign];
    } else {
        shown = ScaledCount(value.count, 1 - value.digits, value.negative);
        if (!shown) shown = ParseNumber(valueText);
        const std::optional<long double> charted =
            ScaledCount(value.count, range.range + 1 - value.digits, value.negative);
        if (charted)
            chart = ToFloat(*charted);
        else
            chart =
                ChartedValue(std::string(valueText), range.text, funcCode_, ImportOverloadLevel);
    }
    if (!chart) {
        if (why) {
            *why = valueText.find('L') != std::string_view::npos
                       ? Format(LoadStr(str::OverloadWithoutLevel).c_str(), number, funcCode_)
                       : Format(LoadStr(str::NoChartValue).c_str(), number, value.text, range.text);
        }
        return false;
    }
    char time[48];
    char display[64];
    out = range.fields;
    CopyCut(out.szValue, valueText);
    CopyCut(out.szTime, ElapsedText(elapsed_, time));
    CopyCut(out.szDisplay, DisplayValue(value, shown, range.range, funcCode_, display));
    out.fValue = *chart;
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
        // Decoded in its place; only the first problem is told, later ones are counted.
        if (!decoder.Next(stored[r], log.records.emplace_back(),
                          log.skipped == 0 ? &why : nullptr)) {
            log.records.pop_back();
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

#include "meterlink/chips/es51922.h"

namespace dmm::chips {

namespace {

constexpr std::uint8_t kCr = 0x0D;
constexpr std::uint8_t kLf = 0x0A;

enum Byte : std::size_t {
    kRange = 0,
    kDigit1 = 1,
    kFunction = 6,
    kStatus = 7,    // judge, sign, low battery, overload
    kOption1 = 8,   // MAX, MIN, REL, RMR
    kOption2 = 9,   // UL, PMAX, PMIN, 0
    kOption3 = 10,  // DC, AC, AUTO, VAHZ (the frequency of a voltage or current)
    kOption4 = 11,  // 0, VBAR, HOLD, LPF
    kCrAt = 12,
    kLfAt = 13,
};

// The function byte's low four bits.
enum Function : std::uint8_t {
    kAmps22 = 0x0,
    kDiode = 0x1,
    kFrequency = 0x2,
    kOhms = 0x3,
    kTemperature = 0x4,
    kContinuity = 0x5,
    kCapacitance = 0x6,
    kAmpsManual = 0x9,
    kVolts = 0xB,
    kMicroamps = 0xD,
    kAdapter = 0xE,
    kMilliamps = 0xF,
};

// A range as the LCD shows it: the digits left of the point (0: none) and the prefix.
struct Range {
    int point;
    int prefix;
};
struct RangeTable {
    std::uint8_t function;
    Quantity quantity;
    std::array<std::optional<Range>, 8> ranges;
};

const RangeTable kTables[] = {
    {kVolts, Quantity::Volts, {Range{1, 0}, Range{2, 0}, Range{3, 0}, Range{4, 0}, Range{3, -3}}},
    {kMicroamps, Quantity::Amps, {Range{3, -6}, Range{4, -6}}},
    {kMilliamps, Quantity::Amps, {Range{2, -3}, Range{3, -3}}},
    {kAmps22, Quantity::Amps, {Range{2, 0}}},
    {kAmpsManual,
     Quantity::Amps,
     {Range{1, 0}, Range{2, 0}, Range{3, 0}, Range{4, 0}, Range{0, 0}}},
    {kAdapter, Quantity::None, {Range{1, 0}, Range{2, 0}, Range{3, 0}, Range{4, 0}, Range{0, 0}}},
    {kOhms,
     Quantity::Ohms,
     {Range{3, 0}, Range{1, 3}, Range{2, 3}, Range{3, 3}, Range{1, 6}, Range{2, 6}, Range{3, 6}}},
    {kContinuity, Quantity::Ohms, {Range{3, 0}}},
    {kDiode, Quantity::Volts, {Range{1, 0}}},
    {kFrequency,
     Quantity::Hertz,
     {Range{2, 0}, Range{3, 0}, Range{1, 3}, Range{2, 3}, Range{3, 3}, Range{1, 6}, Range{2, 6},
      Range{3, 6}}},
    {kCapacitance,
     Quantity::Farads,
     {Range{2, -9}, Range{3, -9}, Range{1, -6}, Range{2, -6}, Range{3, -6}, Range{1, -3},
      Range{2, -3}, Range{3, -3}}},
    {kTemperature, Quantity::Celsius, {Range{4, 0}}},
};

// The duty cycle (the judge bit in the frequency function) shows 0.1 %.
constexpr Range kDutyRange{4, 0};
constexpr std::int32_t kDutyCounts = 1000;

const RangeTable* TableOf(std::uint8_t function) {
    for (const RangeTable& t : kTables) {
        if (t.function == function) return &t;
    }
    return nullptr;
}

const RangeTable& FrequencyTable() {
    return *TableOf(kFrequency);
}

bool HasTag(std::uint8_t b) {
    return (b & 0xF0) == 0x30;
}

// The overload display's digits; the chip's own digits mean nothing then.
const char* const kOverloadDigits = " 0L  ";

}  // namespace

std::optional<LcdReading> DecodeEs51922(const Es51922Packet& p) {
    if (p[kCrAt] != kCr || p[kLfAt] != kLf) return std::nullopt;
    for (std::size_t i = 0; i < kCrAt; ++i) {
        if (!HasTag(p[i])) return std::nullopt;
    }
    const std::uint8_t function = p[kFunction] & 0x0F;
    const std::uint8_t range = p[kRange] & 0x0F;
    const std::uint8_t status = p[kStatus], option3 = p[kOption3];
    const bool dc = option3 & 0x08, ac = option3 & 0x04, vahz = option3 & 0x01;
    if (ac && dc) return std::nullopt;
    const RangeTable* table = TableOf(function);
    if (!table || range >= table->ranges.size()) return std::nullopt;

    LcdReading lcd;
    lcd.digits.assign(5, '0');
    for (std::size_t d = 0; d < 5; ++d) {
        const std::uint8_t c = p[kDigit1 + d];
        if (c > '9') return std::nullopt;
        lcd.digits[d] = static_cast<char>(c);
    }
    const bool judge = status & 0x08;
    std::optional<Range> shown = table->ranges[range];
    lcd.quantity = table->quantity;
    lcd.fullScale = kEs51922Counts;
    if (function == kFrequency && judge) {
        if (!shown) return std::nullopt;
        shown = kDutyRange;
        lcd.quantity = Quantity::Percent;
        lcd.fullScale = kDutyCounts;
    } else if (vahz && (table->quantity == Quantity::Volts || table->quantity == Quantity::Amps) &&
               function != kDiode) {
        // The frequency of the voltage or current on the input, on the counter's ranges.
        shown = FrequencyTable().ranges[range];
        lcd.quantity = Quantity::Hertz;
    } else if (function != kFrequency && function != kCapacitance && function != kOhms &&
               function != kContinuity && function != kDiode && function != kTemperature) {
        lcd.coupling = ac ? Coupling::Ac : dc ? Coupling::Dc : Coupling::None;
    }
    if (!shown) return std::nullopt;
    lcd.point = shown->point;
    lcd.prefix = shown->prefix;
    lcd.diode = function == kDiode;
    lcd.continuity = function == kContinuity;
    lcd.negative = status & 0x04;
    lcd.lowBattery = status & 0x02;
    if (status & 0x01) lcd.digits = kOverloadDigits;
    lcd.relative = p[kOption1] & 0x02;
    lcd.autoRange = option3 & 0x02;
    lcd.hold = p[kOption4] & 0x02;
    return lcd;
}

std::optional<Es51922Packet> EncodeEs51922(const LcdReading& lcd) {
    // The function whose table shows the quantity at this point and prefix.
    std::uint8_t function = 0;
    std::optional<std::size_t> range;
    bool judge = false;
    const Range wanted{lcd.point, lcd.prefix};
    auto find = [&](const RangeTable& t) -> std::optional<std::size_t> {
        for (std::size_t r = 0; r < t.ranges.size(); ++r) {
            if (t.ranges[r] && t.ranges[r]->point == wanted.point &&
                t.ranges[r]->prefix == wanted.prefix) {
                return r;
            }
        }
        return std::nullopt;
    };
    if (lcd.quantity == Quantity::Percent) {
        if (wanted.point != kDutyRange.point || wanted.prefix != kDutyRange.prefix) {
            return std::nullopt;
        }
        function = kFrequency;
        range = 0;
        judge = true;
    } else {
        for (const RangeTable& t : kTables) {
            if (t.quantity != lcd.quantity || (t.function == kDiode) != lcd.diode ||
                (t.function == kContinuity) != lcd.continuity) {
                continue;
            }
            // Amps without a coupling come from the manual ranges, as the meter shows them.
            if (lcd.quantity == Quantity::Amps && t.function == kAmps22) continue;
            if ((range = find(t))) {
                function = t.function;
                break;
            }
        }
    }
    if (!range) return std::nullopt;
    if (lcd.digits.size() != 5) return std::nullopt;

    Es51922Packet p{};
    p[kRange] = static_cast<std::uint8_t>(0x30 | *range);
    const bool overload = IsOverload(lcd);
    for (std::size_t d = 0; d < 5; ++d) {
        const char c = lcd.digits[d];
        p[kDigit1 + d] = overload || c < '0' || c > '9' ? '0' : static_cast<std::uint8_t>(c);
    }
    p[kFunction] = static_cast<std::uint8_t>(0x30 | function);
    p[kStatus] = static_cast<std::uint8_t>(0x30 | (judge ? 0x08 : 0) | (lcd.negative ? 0x04 : 0) |
                                           (lcd.lowBattery ? 0x02 : 0) | (overload ? 0x01 : 0));
    p[kOption1] = static_cast<std::uint8_t>(0x30 | (lcd.relative ? 0x02 : 0));
    p[kOption2] = 0x30;
    p[kOption3] = static_cast<std::uint8_t>(0x30 | (lcd.coupling == Coupling::Dc ? 0x08 : 0) |
                                            (lcd.coupling == Coupling::Ac ? 0x04 : 0) |
                                            (lcd.autoRange ? 0x02 : 0));
    p[kOption4] = static_cast<std::uint8_t>(0x30 | (lcd.hold ? 0x02 : 0));
    p[kCrAt] = kCr;
    p[kLfAt] = kLf;
    return p;
}

}  // namespace dmm::chips

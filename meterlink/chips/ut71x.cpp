#include "meterlink/chips/ut71x.h"

namespace dmm::chips {

namespace {

constexpr std::uint8_t kCr = 0x0D;
constexpr std::uint8_t kLf = 0x0A;
constexpr std::uint8_t kBlankCode = ':';
constexpr std::uint8_t kOverloadCode = '<';

enum Byte : std::size_t {
    kDigit1 = 0,
    kRange = 5,
    kFunction = 6,
    kState1 = 7,  // DC, AC
    kState2 = 8,  // the sign, auto range
    kCrAt = 9,
    kLfAt = 10,
};

enum Function : std::uint8_t {
    kAcMillivolts = 0x0,
    kDcVolts = 0x1,
    kAcVolts = 0x2,
    kDcMillivolts = 0x3,
    kOhms = 0x4,
    kCapacitance = 0x5,
    kCelsius = 0x6,
    kMicroamps = 0x7,
    kMilliamps = 0x8,
    kAmps = 0x9,
    kContinuity = 0xA,
    kDiode = 0xB,
    kFrequency = 0xC,
    kFahrenheit = 0xD,
    kPower = 0xE,        // the UT71E's power ranges: shown as sent, without a unit
    kLoopPercent = 0xF,  // 4-20 mA as 0..100 %
};

// Both members are read through the tables' optionals, which cppcheck does not follow.
struct Range {
    // cppcheck-suppress unusedStructMember
    int point;
    // cppcheck-suppress unusedStructMember
    int prefix;
};
struct RangeTable {
    std::uint8_t function;
    Quantity quantity;
    Coupling coupling;  // None: the state byte's, where it has one
    std::array<std::optional<Range>, 8> ranges;
};

const RangeTable kTables[] = {
    {kDcVolts, Quantity::Volts, Coupling::Dc, {Range{1, 0}, Range{2, 0}, Range{3, 0}, Range{4, 0}}},
    {kAcVolts, Quantity::Volts, Coupling::Ac, {Range{1, 0}, Range{2, 0}, Range{3, 0}, Range{4, 0}}},
    {kDcMillivolts, Quantity::Volts, Coupling::Dc, {Range{3, -3}}},
    {kAcMillivolts, Quantity::Volts, Coupling::Ac, {Range{3, -3}}},
    {kMicroamps, Quantity::Amps, Coupling::None, {Range{3, -6}, Range{4, -6}}},
    {kMilliamps, Quantity::Amps, Coupling::None, {Range{2, -3}, Range{3, -3}}},
    {kAmps, Quantity::Amps, Coupling::None, {Range{2, 0}}},
    {kOhms,
     Quantity::Ohms,
     Coupling::None,
     {Range{3, 0}, Range{1, 3}, Range{2, 3}, Range{3, 3}, Range{1, 6}, Range{2, 6}}},
    {kContinuity, Quantity::Ohms, Coupling::None, {Range{3, 0}}},
    {kDiode, Quantity::Volts, Coupling::None, {Range{1, 0}}},
    {kCapacitance,
     Quantity::Farads,
     Coupling::None,
     {Range{2, -9}, Range{3, -9}, Range{1, -6}, Range{2, -6}, Range{3, -6}, Range{1, -3},
      Range{2, -3}}},
    {kFrequency,
     Quantity::Hertz,
     Coupling::None,
     {Range{2, 0}, Range{3, 0}, Range{1, 3}, Range{2, 3}, Range{3, 3}, Range{1, 6}, Range{2, 6},
      Range{3, 6}}},
    {kCelsius, Quantity::Celsius, Coupling::None, {Range{4, 0}}},
    {kFahrenheit, Quantity::Fahrenheit, Coupling::None, {Range{4, 0}}},
    {kPower, Quantity::None, Coupling::None, {Range{1, 0}, Range{2, 0}, Range{3, 0}, Range{4, 0}}},
    {kLoopPercent, Quantity::Percent, Coupling::None, {Range{3, 0}}},
};

// 100.00 % of the loop current.
constexpr std::int32_t kPercentCounts = 10000;

const RangeTable* TableOf(std::uint8_t function) {
    for (const RangeTable& t : kTables) {
        if (t.function == function) return &t;
    }
    return nullptr;
}

bool HasTag(std::uint8_t b) {
    return (b & 0xF0) == 0x30;
}

}  // namespace

std::optional<LcdReading> DecodeUt71x(const Ut71xPacket& p) {
    if (p[kCrAt] != kCr || p[kLfAt] != kLf) return std::nullopt;
    for (std::size_t i = 0; i < kCrAt; ++i) {
        if (!HasTag(p[i])) return std::nullopt;
    }
    const RangeTable* table = TableOf(p[kFunction] & 0x0F);
    const std::uint8_t range = p[kRange] & 0x0F;
    if (!table || range >= table->ranges.size() || !table->ranges[range]) return std::nullopt;
    const bool dc = p[kState1] & 0x08, ac = p[kState1] & 0x04;
    if (ac && dc) return std::nullopt;

    LcdReading lcd;
    lcd.digits.assign(5, kBlankDigit);
    for (std::size_t d = 0; d < 5; ++d) {
        const std::uint8_t c = p[kDigit1 + d];
        if (c <= '9') {
            lcd.digits[d] = static_cast<char>(c);
        } else if (c == kBlankCode) {
            lcd.digits[d] = kBlankDigit;
        } else if (c == kOverloadCode) {
            lcd.digits[d] = kOverloadDigit;
        } else {
            return std::nullopt;
        }
    }
    lcd.point = table->ranges[range]->point;
    lcd.prefix = table->ranges[range]->prefix;
    if (!DigitsShowable(lcd.digits, lcd.point)) return std::nullopt;
    lcd.quantity = table->quantity;
    lcd.coupling = table->coupling;
    if (table->quantity == Quantity::Amps) {
        lcd.coupling = ac ? Coupling::Ac : dc ? Coupling::Dc : Coupling::None;
    }
    lcd.diode = table->function == kDiode;
    lcd.continuity = table->function == kContinuity;
    lcd.negative = p[kState2] & 0x04;
    lcd.autoRange = p[kState2] & 0x02;
    lcd.fullScale = table->quantity == Quantity::Percent ? kPercentCounts : kUt71xCounts;
    return lcd;
}

std::optional<Ut71xPacket> EncodeUt71x(const LcdReading& lcd) {
    if (lcd.digits.size() != 5) return std::nullopt;
    for (const RangeTable& t : kTables) {
        if (t.quantity != lcd.quantity || (t.function == kDiode) != lcd.diode ||
            (t.function == kContinuity) != lcd.continuity) {
            continue;
        }
        if (t.coupling != Coupling::None && t.coupling != lcd.coupling) continue;
        for (std::size_t r = 0; r < t.ranges.size(); ++r) {
            if (!t.ranges[r] || t.ranges[r]->point != lcd.point ||
                t.ranges[r]->prefix != lcd.prefix) {
                continue;
            }
            Ut71xPacket p{};
            for (std::size_t d = 0; d < 5; ++d) {
                const char c = lcd.digits[d];
                p[kDigit1 + d] = c == kOverloadDigit ? kOverloadCode
                                 : c == kBlankDigit  ? kBlankCode
                                                     : static_cast<std::uint8_t>(c);
            }
            p[kRange] = static_cast<std::uint8_t>(0x30 | r);
            p[kFunction] = static_cast<std::uint8_t>(0x30 | t.function);
            const Coupling c = t.coupling != Coupling::None ? t.coupling : lcd.coupling;
            p[kState1] = static_cast<std::uint8_t>(0x30 | (c == Coupling::Dc ? 0x08 : 0) |
                                                   (c == Coupling::Ac ? 0x04 : 0));
            p[kState2] = static_cast<std::uint8_t>(0x30 | (lcd.negative ? 0x04 : 0) |
                                                   (lcd.autoRange ? 0x02 : 0));
            p[kCrAt] = kCr;
            p[kLfAt] = kLf;
            return p;
        }
    }
    return std::nullopt;
}

}  // namespace dmm::chips

#include "meterlink/chips/fs9922.h"

#include <algorithm>
#include <initializer_list>

namespace dmm::chips {

namespace {

constexpr std::uint8_t kCr = 0x0D;
constexpr std::uint8_t kLf = 0x0A;
constexpr std::uint8_t kOverloadCode = ':';
constexpr std::uint8_t kBlankCode = '?';

enum Byte : std::size_t {
    kSign = 0,
    kDigit1 = 1,
    kSpace = 5,
    kPoint = 6,
    kStatus1 = 7,   // -, -, AUTO, DC, AC, REL, HOLD, bar graph negative
    kStatus2 = 8,   // Z1, Z2, MAX, MIN, APO, low battery, n, Z3
    kStatus3 = 9,   // u, m, k, M, beep, diode, %, Z4
    kStatus4 = 10,  // V, A, ohm, hFE, Hz, F, degrees C, degrees F
    kBar = 11,
    kCrAt = 12,
    kLfAt = 13,
};

int Count(std::initializer_list<bool> bits) {
    int n = 0;
    for (bool b : bits) n += b ? 1 : 0;
    return n;
}

}  // namespace

std::optional<LcdReading> DecodeFs9922(const Fs9922Packet& p) {
    if (p[kCrAt] != kCr || p[kLfAt] != kLf || p[kSpace] != ' ') return std::nullopt;
    if (p[kSign] != '+' && p[kSign] != '-') return std::nullopt;
    LcdReading lcd;
    lcd.negative = p[kSign] == '-';
    for (std::size_t d = 0; d < 4; ++d) {
        const std::uint8_t c = p[kDigit1 + d];
        if (c >= '0' && c <= '9') {
            lcd.digits[d] = static_cast<char>(c);
        } else if (c == kOverloadCode) {
            lcd.digits[d] = kOverloadDigit;
        } else if (c == kBlankCode) {
            lcd.digits[d] = kBlankDigit;
        } else {
            return std::nullopt;
        }
    }
    switch (p[kPoint]) {
        case '0':
            lcd.point = 0;
            break;
        case '1':
            lcd.point = 1;
            break;
        case '2':
            lcd.point = 2;
            break;
        case '4':
            lcd.point = 3;
            break;
        default:
            return std::nullopt;
    }
    if (!DigitsShowable(lcd.digits, lcd.point)) return std::nullopt;

    const std::uint8_t s1 = p[kStatus1], s2 = p[kStatus2], s3 = p[kStatus3], s4 = p[kStatus4];
    const bool ac = s1 & 0x08, dc = s1 & 0x10;
    if (ac && dc) return std::nullopt;
    lcd.coupling = ac ? Coupling::Ac : dc ? Coupling::Dc : Coupling::None;
    lcd.autoRange = s1 & 0x20;
    lcd.relative = s1 & 0x04;
    lcd.hold = s1 & 0x02;
    lcd.lowBattery = s2 & 0x04;

    const bool nano = s2 & 0x02, micro = s3 & 0x80, milli = s3 & 0x40, kilo = s3 & 0x20,
               mega = s3 & 0x10;
    if (Count({nano, micro, milli, kilo, mega}) > 1) return std::nullopt;
    lcd.prefix = nano ? -9 : micro ? -6 : milli ? -3 : kilo ? 3 : mega ? 6 : 0;
    lcd.continuity = s3 & 0x08;
    lcd.diode = s3 & 0x04;

    const bool percent = s3 & 0x02, volts = s4 & 0x80, amps = s4 & 0x40, ohms = s4 & 0x20,
               hfe = s4 & 0x10, hertz = s4 & 0x08, farads = s4 & 0x04, celsius = s4 & 0x02,
               fahrenheit = s4 & 0x01;
    if (Count({percent, volts, amps, ohms, hfe, hertz, farads, celsius, fahrenheit}) > 1) {
        return std::nullopt;
    }
    lcd.quantity = percent      ? Quantity::Percent
                   : volts      ? Quantity::Volts
                   : amps       ? Quantity::Amps
                   : ohms       ? Quantity::Ohms
                   : hfe        ? Quantity::Hfe
                   : hertz      ? Quantity::Hertz
                   : farads     ? Quantity::Farads
                   : celsius    ? Quantity::Celsius
                   : fahrenheit ? Quantity::Fahrenheit
                                : Quantity::None;
    return lcd;
}

Fs9922Packet EncodeFs9922(const LcdReading& lcd) {
    Fs9922Packet p{};
    p[kSign] = lcd.negative ? '-' : '+';
    int count = 0;
    for (std::size_t d = 0; d < 4; ++d) {
        const char c = lcd.digits[d];
        p[kDigit1 + d] = c == kOverloadDigit ? kOverloadCode
                         : c == kBlankDigit  ? kBlankCode
                                             : static_cast<std::uint8_t>(c);
        count = count * 10 + (c >= '0' && c <= '9' ? c - '0' : 0);
    }
    p[kSpace] = ' ';
    p[kPoint] = lcd.point == 3 ? '4' : static_cast<std::uint8_t>('0' + lcd.point);
    const Quantity q = lcd.quantity;
    p[kStatus1] = static_cast<std::uint8_t>(
        (lcd.autoRange ? 0x20 : 0) | (lcd.coupling == Coupling::Dc ? 0x10 : 0) |
        (lcd.coupling == Coupling::Ac ? 0x08 : 0) | (lcd.relative ? 0x04 : 0) |
        (lcd.hold ? 0x02 : 0) | (lcd.negative ? 0x01 : 0));
    p[kStatus2] =
        static_cast<std::uint8_t>((lcd.lowBattery ? 0x04 : 0) | (lcd.prefix == -9 ? 0x02 : 0));
    p[kStatus3] = static_cast<std::uint8_t>(
        (lcd.prefix == -6 ? 0x80 : 0) | (lcd.prefix == -3 ? 0x40 : 0) |
        (lcd.prefix == 3 ? 0x20 : 0) | (lcd.prefix == 6 ? 0x10 : 0) | (lcd.continuity ? 0x08 : 0) |
        (lcd.diode ? 0x04 : 0) | (q == Quantity::Percent ? 0x02 : 0));
    p[kStatus4] = static_cast<std::uint8_t>(
        (q == Quantity::Volts ? 0x80 : 0) | (q == Quantity::Amps ? 0x40 : 0) |
        (q == Quantity::Ohms ? 0x20 : 0) | (q == Quantity::Hfe ? 0x10 : 0) |
        (q == Quantity::Hertz ? 0x08 : 0) | (q == Quantity::Farads ? 0x04 : 0) |
        (q == Quantity::Celsius ? 0x02 : 0) | (q == Quantity::Fahrenheit ? 0x01 : 0));
    p[kBar] = static_cast<std::uint8_t>(IsOverload(lcd) ? 0 : std::min(count / 100, 60));
    p[kCrAt] = kCr;
    p[kLfAt] = kLf;
    return p;
}

}  // namespace dmm::chips

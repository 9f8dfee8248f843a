#include "meterlink/chips/fs9721.h"

#include <initializer_list>

namespace dmm::chips {

namespace {

// A digit's seven segments as two nibbles make them: the high three bits are the
// low bits of the first byte (e, f, a), the low four the second byte (d, c, g, b).
struct Glyph {
    std::uint8_t segments;
    char digit;
};
constexpr Glyph kGlyphs[] = {
    {0x7D, '0'}, {0x05, '1'}, {0x5B, '2'}, {0x1F, '3'}, {0x27, '4'}, {0x3E, '5'},
    {0x7E, '6'}, {0x15, '7'}, {0x7F, '8'}, {0x3F, '9'}, {0x68, 'L'}, {0x00, ' '},
};

std::optional<char> DigitOf(std::uint8_t segments) {
    for (const Glyph& g : kGlyphs) {
        if (g.segments == segments) return g.digit;
    }
    return std::nullopt;
}

std::uint8_t SegmentsOf(char digit) {
    for (const Glyph& g : kGlyphs) {
        if (g.digit == digit) return g.segments;
    }
    return 0;
}

// Low nibbles by byte index (0-based).
enum Byte : std::size_t {
    kFlags = 0,  // AC, DC, AUTO, RS232
    kDigit1 = 1,
    kPrefix = 9,    // u, n, k, diode
    kPrefix2 = 10,  // m, %, M, beep
    kUnits = 11,    // F, ohm, REL, HOLD
    kUnits2 = 12,   // A, V, Hz, low battery
};

int Count(std::initializer_list<bool> bits) {
    int n = 0;
    for (bool b : bits) n += b ? 1 : 0;
    return n;
}

}  // namespace

std::optional<LcdReading> DecodeFs9721(const Fs9721Packet& packet) {
    std::array<std::uint8_t, kFs9721PacketSize> n{};
    for (std::size_t i = 0; i < packet.size(); ++i) {
        if (static_cast<std::size_t>(packet[i] >> 4) != i + 1) return std::nullopt;
        n[i] = packet[i] & 0x0F;
    }
    LcdReading lcd;
    const bool ac = n[kFlags] & 8;
    const bool dc = n[kFlags] & 4;
    if (ac && dc) return std::nullopt;
    lcd.coupling = ac ? Coupling::Ac : dc ? Coupling::Dc : Coupling::None;
    lcd.autoRange = n[kFlags] & 2;
    lcd.negative = n[kDigit1] & 8;

    int points = 0;
    for (std::size_t d = 0; d < 4; ++d) {
        const std::size_t at = kDigit1 + 2 * d;
        const auto segments = static_cast<std::uint8_t>(((n[at] & 7) << 4) | n[at + 1]);
        const std::optional<char> digit = DigitOf(segments);
        if (!digit) return std::nullopt;
        lcd.digits[d] = *digit;
        // The point bit of digits 2..4 is the point left of that digit.
        if (d > 0 && (n[at] & 8)) {
            lcd.point = static_cast<int>(d);
            ++points;
        }
    }
    if (points > 1 || !DigitsShowable(lcd.digits, lcd.point)) return std::nullopt;

    const bool micro = n[kPrefix] & 8, nano = n[kPrefix] & 4, kilo = n[kPrefix] & 2;
    const bool milli = n[kPrefix2] & 8, mega = n[kPrefix2] & 2;
    if (Count({micro, nano, kilo, milli, mega}) > 1) return std::nullopt;
    lcd.prefix = micro ? -6 : nano ? -9 : kilo ? 3 : milli ? -3 : mega ? 6 : 0;
    lcd.diode = n[kPrefix] & 1;
    lcd.continuity = n[kPrefix2] & 1;

    const bool percent = n[kPrefix2] & 4, farads = n[kUnits] & 8, ohms = n[kUnits] & 4;
    const bool amps = n[kUnits2] & 8, volts = n[kUnits2] & 4, hertz = n[kUnits2] & 2;
    if (Count({percent, farads, ohms, amps, volts, hertz}) > 1) return std::nullopt;
    lcd.quantity = percent  ? Quantity::Percent
                   : farads ? Quantity::Farads
                   : ohms   ? Quantity::Ohms
                   : amps   ? Quantity::Amps
                   : volts  ? Quantity::Volts
                   : hertz  ? Quantity::Hertz
                            : Quantity::None;
    lcd.relative = n[kUnits] & 2;
    lcd.hold = n[kUnits] & 1;
    lcd.lowBattery = n[kUnits2] & 1;
    return lcd;
}

Fs9721Packet EncodeFs9721(const LcdReading& lcd) {
    std::array<std::uint8_t, kFs9721PacketSize> n{};
    n[kFlags] = static_cast<std::uint8_t>((lcd.coupling == Coupling::Ac ? 8 : 0) |
                                          (lcd.coupling == Coupling::Dc ? 4 : 0) |
                                          (lcd.autoRange ? 2 : 0) | 1);
    for (std::size_t d = 0; d < 4; ++d) {
        const std::size_t at = kDigit1 + 2 * d;
        const std::uint8_t segments = SegmentsOf(lcd.digits[d]);
        const bool mark = d == 0 ? lcd.negative : lcd.point == static_cast<int>(d);
        n[at] = static_cast<std::uint8_t>((mark ? 8 : 0) | (segments >> 4));
        n[at + 1] = segments & 0x0F;
    }
    n[kPrefix] = static_cast<std::uint8_t>((lcd.prefix == -6 ? 8 : 0) | (lcd.prefix == -9 ? 4 : 0) |
                                           (lcd.prefix == 3 ? 2 : 0) | (lcd.diode ? 1 : 0));
    n[kPrefix2] = static_cast<std::uint8_t>((lcd.prefix == -3 ? 8 : 0) |
                                            (lcd.quantity == Quantity::Percent ? 4 : 0) |
                                            (lcd.prefix == 6 ? 2 : 0) | (lcd.continuity ? 1 : 0));
    n[kUnits] = static_cast<std::uint8_t>((lcd.quantity == Quantity::Farads ? 8 : 0) |
                                          (lcd.quantity == Quantity::Ohms ? 4 : 0) |
                                          (lcd.relative ? 2 : 0) | (lcd.hold ? 1 : 0));
    n[kUnits2] = static_cast<std::uint8_t>(
        (lcd.quantity == Quantity::Amps ? 8 : 0) | (lcd.quantity == Quantity::Volts ? 4 : 0) |
        (lcd.quantity == Quantity::Hertz ? 2 : 0) | (lcd.lowBattery ? 1 : 0));
    Fs9721Packet packet{};
    for (std::size_t i = 0; i < packet.size(); ++i) {
        packet[i] = static_cast<std::uint8_t>(((i + 1) << 4) | n[i]);
    }
    return packet;
}

void Fs9721Reader::feed(const std::uint8_t* data, std::size_t n, std::vector<LcdReading>& out) {
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint8_t b = data[i];
        const std::size_t index = b >> 4;
        if (index != have_ + 1) {
            // Out of step: what was held is lost, and only a first byte starts again.
            if (have_ > 0) {
                ++dropped_;
                have_ = 0;
                inGarbage_ = true;
            }
            if (index != 1) {
                if (!inGarbage_) ++dropped_;
                inGarbage_ = true;
                continue;
            }
        }
        packet_[have_++] = b;
        if (have_ < kFs9721PacketSize) continue;
        have_ = 0;
        inGarbage_ = false;
        if (std::optional<LcdReading> lcd = DecodeFs9721(packet_)) {
            ++accepted_;
            out.push_back(*lcd);
        } else {
            ++dropped_;
        }
    }
}

void Fs9721Reader::reset() {
    have_ = 0;
    inGarbage_ = false;
}

}  // namespace dmm::chips

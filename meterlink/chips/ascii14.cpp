#include "meterlink/chips/ascii14.h"

#include <string>
#include <string_view>

namespace dmm::chips {

namespace {

constexpr std::uint8_t kCr = 0x0D;
constexpr std::size_t kModeAt = 0, kValueAt = 2, kValueSize = 7, kUnitAt = 9, kUnitSize = 4;

// A mode and the quantities its units may name.
struct Mode {
    const char* code;
    Coupling coupling;
    Quantity first;
    Quantity second;  // None: just the first
};
const Mode kModes[] = {
    {"DC", Coupling::Dc, Quantity::Volts, Quantity::Amps},
    {"AC", Coupling::Ac, Quantity::Volts, Quantity::Amps},
    {"OH", Coupling::None, Quantity::Ohms, Quantity::None},
    {"CA", Coupling::None, Quantity::Farads, Quantity::None},
    {"FR", Coupling::None, Quantity::Hertz, Quantity::None},
    {"TE", Coupling::None, Quantity::Celsius, Quantity::Fahrenheit},
    {"DI", Coupling::None, Quantity::Volts, Quantity::None},  // diode test
    {"hF", Coupling::None, Quantity::Hfe, Quantity::None},
    {"LO", Coupling::None, Quantity::None, Quantity::None},  // logic level
};

struct Unit {
    const char* text;
    Quantity quantity;
    int prefix;
};
// The first of a quantity and prefix is the one a line is written with.
const Unit kUnits[] = {
    {"mV", Quantity::Volts, -3},  {"V", Quantity::Volts, 0},    {"uA", Quantity::Amps, -6},
    {"mA", Quantity::Amps, -3},   {"A", Quantity::Amps, 0},     {"Ohm", Quantity::Ohms, 0},
    {"kOhm", Quantity::Ohms, 3},  {"KOhm", Quantity::Ohms, 3},  {"MOhm", Quantity::Ohms, 6},
    {"nF", Quantity::Farads, -9}, {"uF", Quantity::Farads, -6}, {"mF", Quantity::Farads, -3},
    {"Hz", Quantity::Hertz, 0},   {"kHz", Quantity::Hertz, 3},  {"KHz", Quantity::Hertz, 3},
    {"MHz", Quantity::Hertz, 6},  {"C", Quantity::Celsius, 0},  {"F", Quantity::Fahrenheit, 0},
    {"", Quantity::None, 0},
};

std::string_view Trim(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The value field as the LCD's digits: a sign, then up to five digits with at
// most one point, or the overload display "OL" with its point.
bool ReadValue(std::string_view text, LcdReading& lcd) {
    text = Trim(text);
    if (!text.empty() && text.front() == '-') {
        lcd.negative = true;
        text.remove_prefix(1);
    }
    if (text == "OL" || text == ".OL" || text == "O.L" || text == "OL.") {
        lcd.digits = " 0L ";
        const std::size_t dot = text.find('.');
        lcd.point = dot == std::string_view::npos ? 0 : static_cast<int>(dot) + 1;
        return true;
    }
    std::string digits;
    int left = -1;  // digits left of the point
    for (char c : text) {
        if (IsDigit(c)) {
            digits += c;
        } else if (c == '.' && left < 0) {
            left = static_cast<int>(digits.size());
        } else {
            return false;
        }
    }
    if (digits.empty() || digits.size() > 5 || left == 0) return false;
    const std::size_t width = digits.size() < 4 ? 4 : digits.size();
    const std::size_t pad = width - digits.size();
    lcd.digits = std::string(pad, kBlankDigit) + digits;
    lcd.point = left < 0 ? 0 : static_cast<int>(pad) + left;
    // A point after the last digit is no point the LCD has.
    return lcd.point < static_cast<int>(width) && DigitsShowable(lcd.digits, lcd.point);
}

}  // namespace

std::optional<LcdReading> DecodeAscii14(const Ascii14Packet& p) {
    if (p[kAscii14PacketSize - 1] != kCr) return std::nullopt;
    std::string line;
    for (std::size_t i = 0; i + 1 < p.size(); ++i) {
        if (p[i] < 0x20 || p[i] > 0x7E) return std::nullopt;
        line += static_cast<char>(p[i]);
    }
    const std::string_view text(line);
    const Mode* mode = nullptr;
    for (const Mode& m : kModes) {
        if (text.substr(kModeAt, 2) == m.code) mode = &m;
    }
    if (!mode) return std::nullopt;
    const std::string_view unitText = Trim(text.substr(kUnitAt, kUnitSize));
    const Unit* unit = nullptr;
    for (const Unit& u : kUnits) {
        if (unitText == u.text) {
            unit = &u;
            break;
        }
    }
    if (!unit) return std::nullopt;
    const Quantity q = unit->quantity;
    const bool diode = mode->first == Quantity::Volts && mode->coupling == Coupling::None;
    // A blank unit belongs to the modes without one (hFE, logic) and the diode test.
    const bool fits = q == Quantity::None
                          ? mode->first == Quantity::Hfe || mode->first == Quantity::None || diode
                          : q == mode->first || q == mode->second;
    if (!fits) return std::nullopt;

    LcdReading lcd;
    if (!ReadValue(text.substr(kValueAt, kValueSize), lcd)) return std::nullopt;
    // The diode test's blank unit is volts all the same.
    lcd.quantity = mode->first == Quantity::Hfe ? Quantity::Hfe : diode ? Quantity::Volts : q;
    lcd.prefix = unit->prefix;
    lcd.coupling = mode->coupling;
    lcd.diode = diode;
    lcd.fullScale = lcd.digits.size() == 5 ? kAscii14FiveDigitCounts : 0;
    return lcd;
}

std::optional<Ascii14Packet> EncodeAscii14(const LcdReading& lcd) {
    const Mode* mode = nullptr;
    for (const Mode& m : kModes) {
        const bool diode = m.first == Quantity::Volts && m.coupling == Coupling::None;
        if (diode != lcd.diode || m.coupling != lcd.coupling) continue;
        if (m.first == lcd.quantity || (m.second != Quantity::None && m.second == lcd.quantity)) {
            mode = &m;
            break;
        }
    }
    if (!mode) return std::nullopt;
    // hFE and logic have no unit to carry a prefix.
    const bool unitless = lcd.quantity == Quantity::Hfe || lcd.quantity == Quantity::None;
    if (unitless && lcd.prefix != 0) return std::nullopt;
    const Unit* unit = nullptr;
    for (const Unit& u : kUnits) {
        const Quantity q = unitless ? Quantity::None : lcd.quantity;
        if (u.quantity == q && u.prefix == lcd.prefix) {
            unit = &u;
            break;
        }
    }
    if (!unit) return std::nullopt;

    std::string value = lcd.negative ? "-" : "";
    if (IsOverload(lcd)) {
        value += lcd.point == 1 ? ".OL" : lcd.point == 2 ? "O.L" : lcd.point == 3 ? "OL." : "OL";
    } else {
        for (std::size_t i = 0; i < lcd.digits.size(); ++i) {
            if (lcd.digits[i] != kBlankDigit) value += lcd.digits[i];
            if (lcd.point > 0 && i + 1 == static_cast<std::size_t>(lcd.point)) value += '.';
        }
    }
    if (value.size() > kValueSize) return std::nullopt;
    std::string line =
        std::string(mode->code) + std::string(kValueSize - value.size(), ' ') + value + unit->text;
    line.resize(kAscii14PacketSize - 1, ' ');
    Ascii14Packet p{};
    for (std::size_t i = 0; i < line.size(); ++i) p[i] = static_cast<std::uint8_t>(line[i]);
    p[kAscii14PacketSize - 1] = kCr;
    return p;
}

void Ascii14SetReader::feed(const std::uint8_t* data, std::size_t n, std::vector<LcdReading>& out) {
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint8_t b = data[i];
        if (b == kCr) {
            endLine(out);
        } else if (b < 0x20 || b > 0x7E || have_ + 1 >= kAscii14PacketSize) {
            badLine_ = true;  // the rest up to the CR is given up with it
        } else if (!badLine_) {
            line_[have_++] = b;
        }
    }
}

void Ascii14SetReader::endLine(std::vector<LcdReading>& out) {
    const bool whole = !badLine_ && have_ + 1 == kAscii14PacketSize;
    have_ = 0;
    badLine_ = false;
    if (!whole || !inStep_) {
        giveUp(lines_ + 1);
        return;
    }
    if (lines_ == 0) {
        line_[kAscii14PacketSize - 1] = kCr;
        main_ = DecodeAscii14(line_);
        if (!main_) {
            giveUp(1);
            return;
        }
    }
    if (++lines_ < kAscii14SetLines) return;
    out.push_back(*main_);
    ++accepted_;
    lines_ = 0;
    main_.reset();
}

void Ascii14SetReader::giveUp(std::size_t lines) {
    dropped_ += lines;
    lines_ = 0;
    main_.reset();
    inStep_ = false;
}

void Ascii14SetReader::requestSent() {
    const bool begun = have_ > 0 || badLine_;
    if (lines_ > 0 || begun) giveUp(lines_ + (begun ? 1 : 0));
    have_ = 0;
    badLine_ = false;
    inStep_ = true;
}

void Ascii14SetReader::reset() {
    have_ = 0;
    badLine_ = false;
    lines_ = 0;
    main_.reset();
    inStep_ = false;
}

}  // namespace dmm::chips

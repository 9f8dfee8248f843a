#include "meterlink/chips/lcd.h"

#include <algorithm>
#include <optional>
#include <string>

#include "meterlink/displaydecoder.h"
#include "meterlink/labels.h"
#include "meterlink/numparse.h"

namespace dmm::chips {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::size_t FirstShown(std::string_view digits) {
    std::size_t i = 0;
    while (i < digits.size() && digits[i] == kBlankDigit) ++i;
    return i;
}

}  // namespace

bool DigitsShowable(std::string_view digits, int point) {
    if (digits.size() < 4 || digits.size() > 5) return false;
    if (point < 0 || point >= static_cast<int>(digits.size())) return false;
    const std::size_t first = FirstShown(digits);
    if (first == digits.size()) return false;
    if (digits[first] == '0' && first + 1 < digits.size() && digits[first + 1] == kOverloadDigit) {
        for (std::size_t i = first + 2; i < digits.size(); ++i) {
            if (digits[i] != kBlankDigit) return false;
        }
        return true;
    }
    for (std::size_t i = first; i < digits.size(); ++i) {
        if (!IsDigit(digits[i])) return false;
    }
    // A blank where the point needs a digit on its left is no number.
    return point == 0 || first <= static_cast<std::size_t>(point - 1);
}

bool IsOverload(const LcdReading& lcd) {
    for (char c : lcd.digits) {
        if (c == kOverloadDigit) return true;
    }
    return false;
}

int ChipFunctionCode(const LcdReading& lcd) {
    Quantity q = lcd.quantity;
    // Diode test and continuity measure volts and ohms even where the chip lights
    // only their own symbol.
    if (q == Quantity::None && lcd.diode) q = Quantity::Volts;
    if (q == Quantity::None && lcd.continuity) q = Quantity::Ohms;
    switch (q) {
        case Quantity::Volts:
            if (lcd.diode || lcd.coupling == Coupling::Dc) return func::VoltsDc;
            return lcd.coupling == Coupling::Ac ? func::VoltsAc : func::Volts20;
        case Quantity::Amps:
            if (lcd.coupling == Coupling::Dc) return func::AmpsDc;
            return lcd.coupling == Coupling::Ac ? func::AmpsAc : func::None;
        case Quantity::Ohms:
            return func::Ohms;
        case Quantity::Farads:
            return func::Capacitance;
        case Quantity::Hertz:
            return func::Frequency;
        case Quantity::Percent:
            return func::Percent;
        case Quantity::Celsius:
            return func::Celsius;
        case Quantity::Fahrenheit:
            return func::Fahrenheit;
        case Quantity::Hfe:
        case Quantity::None:
            break;
    }
    return func::None;
}

std::int32_t FullScaleCount(const LcdReading& lcd, std::int32_t chipCounts) {
    if (lcd.fullScale > 0) return lcd.fullScale;
    switch (lcd.quantity) {
        case Quantity::Hertz:
            return 10000;
        case Quantity::Percent:
            return 1000;
        default:
            return chipCounts;
    }
}

void FillReading(const LcdReading& lcd, std::int32_t chipCounts, MeterReading& r) {
    const int code = ChipFunctionCode(lcd);
    r.iFunc = code;
    r.dwStatus = static_cast<std::uint32_t>(code) | (lcd.lowBattery ? kLowBatteryBit : 0u);
    // A function without a code has no unit to put a prefix on: the number as shown.
    const int prefix = code == func::None ? 0 : lcd.prefix;
    // The digits left of the point, less one; the adaptor's display rules call it the shift.
    const int width = static_cast<int>(lcd.digits.size());
    const int shift = lcd.point == 0 ? width - 1 : lcd.point - 1;
    // The shift as a four-digit display's (value = count x 10^(shift - 3)), which
    // the analog meter's multiplier is worked out from.
    r.iShift = shift - (width - 4);
    r.iOlPoint = std::min(shift, 3);
    r.iUnitExp = prefix;
    r.iFullScale = FullScaleCount(lcd, chipCounts);
    // The range is the exponent of the first digit, as in the adaptor's value texts
    // ("1.234" and -1 for 123.4 mV), so that the chart's overload level follows the range.
    r.sRange = std::to_string(shift + prefix);

    std::string display = lcd.negative ? "-" : "";
    if (IsOverload(lcd)) {
        r.sValue = lcd.negative ? "-OL" : " OL ";
        display += kOverloadForms[std::min(shift, 3)];
    } else {
        std::string mantissa = lcd.negative ? "-" : "";
        const std::size_t first = FirstShown(lcd.digits);
        for (std::size_t i = 0; i < lcd.digits.size(); ++i) {
            const char c = lcd.digits[i];
            mantissa += c == kBlankDigit ? '0' : c;
            if (i == 0) mantissa += '.';
            if (i >= first) display += c;
            if (lcd.point > 0 && i + 1 == static_cast<std::size_t>(lcd.point)) display += '.';
        }
        r.sValue = mantissa;
        const long double m = ParseNumber(mantissa).value_or(0);
        const bool scaled = code == func::None || code == func::Celsius || code == func::Fahrenheit;
        long double value = m;
        if (scaled) {
            for (int k = 0; k < shift; ++k) value *= 10;
        }
        r.dValue = static_cast<double>(value);
    }
    CopyCut(r.szDisplay, display);
    r.dataPanelText = FieldString(r.szDisplay);
    CopyCut(r.szUnit, UnitText(code, prefix));
    CopyCut(r.szFunc, FuncText(code));
}

}  // namespace dmm::chips

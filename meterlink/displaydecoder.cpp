#include "meterlink/displaydecoder.h"

#include <climits>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string_view>

#include "meterlink/labels.h"
#include "meterlink/numparse.h"

namespace dmm {

const char* const kOverloadForms[4] = {" .OL ", " O.L ", " OL. ", " OL "};

namespace {

// printf would happily build a string millions of characters long for an absurd
// precision; the display holds 15 characters, so anything past this is never seen.
constexpr long long kMaxPrecision = 64;

bool Contains(std::string_view text, char c) {
    return text.find(c) != std::string_view::npos;
}

// m x 10^k in extended precision; a negative k divides so that 10^-k stays exact.
long double Scaled(long double m, long long k) {
    long double p = std::pow(10.0L, static_cast<long double>(k < 0 ? -k : k));
    return k < 0 ? m / p : m * p;
}

// Decimals shown for a decimal shift: 3 - shift. A negative precision means
// printf's default, as with any printf.
int Precision(int shift) {
    long long p = 3LL - shift;
    // cppcheck-suppress knownConditionTrueFalse ; a reply's range of -65 or less gets here
    return static_cast<int>(p > kMaxPrecision ? kMaxPrecision : p);
}

void ShowDisplay(MeterReading& r, std::string_view text) {
    CopyCut(r.szDisplay, text);
    r.dataPanelText = FieldString(r.szDisplay);
}

// The value text as the meter sent it.
void ShowRaw(MeterReading& r) {
    CopyCut(r.szDisplay, r.sValue);
    r.dataPanelText = r.sValue;
}

// Overload with a sign: the form puts the decimal point where the last good
// reading had it. A position without a form keeps the previous display.
void OverloadRuleA(MeterReading& r) {
    if (!Contains(r.sValue, 'L')) {
        ShowRaw(r);
        return;
    }
    std::string text = (r.iOlPoint >= 0 && r.iOlPoint <= 3)
                           ? std::string(kOverloadForms[r.iOlPoint])
                           : FieldString(r.szDisplay);
    // A kept display that already shows the minus must not get a second one.
    if (Contains(r.sValue, '-') && (text.empty() || text[0] != '-')) text.insert(0, 1, '-');
    ShowDisplay(r, text);
}

// Overload without a sign (resistance): only the first three forms apply.
void OverloadRuleB(MeterReading& r) {
    if (!Contains(r.sValue, 'L')) {
        ShowRaw(r);
        return;
    }
    if (r.iOlPoint >= 0 && r.iOlPoint <= 2) {
        ShowDisplay(r, kOverloadForms[r.iOlPoint]);
    } else {
        r.dataPanelText = FieldString(r.szDisplay);
    }
}

std::string FormatSigned(long double m, int shift, bool sign) {
    long double v = Scaled(m, shift);
    int p = Precision(shift);
    if (sign) return shift == 3 ? Format("%05.*Lf", p, v) : Format("%06.*Lf", p, v);
    return shift == 3 ? Format("%04.*Lf", p, v) : Format("%05.*Lf", p, v);
}

// Voltage (5, 6, 20) and current (513, 514).
void DecodeSigned(MeterReading& r, bool current) {
    std::optional<long double> m = ParseNumber(r.sValue);
    std::optional<int> range = m ? ParseInteger(r.sRange) : std::nullopt;
    if (!m || !range) {
        OverloadRuleA(r);
        return;
    }
    int shift;
    if (*range < 0) {
        shift = (current ? *range % 3 : *range) + 3;
    } else {
        shift = *range;
    }
    r.iShift = shift;
    r.iOlPoint = shift;
    r.dValue = static_cast<double>(*m);
    ShowDisplay(r, FormatSigned(*m, shift, Contains(r.sValue, '-')));
}

// Resistance (128, 384) and frequency (1024): the prefix takes whole decades of three.
void DecodeDecades(MeterReading& r, bool resistance) {
    std::optional<long double> m = ParseNumber(r.sValue);
    std::optional<int> range = m ? ParseInteger(r.sRange) : std::nullopt;
    if (!m || !range) {
        if (resistance) {
            OverloadRuleB(r);
        } else {
            ShowRaw(r);
        }
        return;
    }
    r.iShift = *range % 3;
    if (resistance) r.iOlPoint = r.iShift;
    r.dValue = static_cast<double>(*m);
    ShowDisplay(r, Format("%05.*Lf", Precision(r.iShift), Scaled(*m, r.iShift)));
}

void DecodeCapacitance(MeterReading& r) {
    std::optional<int> range = ParseInteger(r.sRange);
    std::optional<long double> m = range ? ParseNumber(r.sValue) : std::nullopt;
    if (!range || !m) {
        ShowRaw(r);
        return;
    }
    switch (*range) {
        case -8:
            r.iShift = 1;
            break;
        case -7:
            r.iShift = 2;
            break;
        case -6:
            r.iShift = 0;
            break;
        case -5:
            r.iShift = 1;
            break;
        case -4:
            r.iShift = 2;
            break;
        case -3:
            r.iShift = 3;
            break;
        default:
            break;  // unknown range: the display keeps its decimal point
    }
    r.dValue = static_cast<double>(*m);
    if (r.iShift == 3) {
        ShowDisplay(r, Format("%04.0Lf", Scaled(*m, 3)));
    } else {
        ShowDisplay(r, Format("%05.*Lf", Precision(r.iShift), Scaled(*m, r.iShift)));
    }
}

// Temperature (32, 64): the value text ends in the unit letter, and the range
// text is one decade above the value's exponent.
void DecodeTemperature(MeterReading& r) {
    if (!r.sValue.empty()) r.sValue.pop_back();
    std::optional<int> range = ParseInteger(r.sRange);
    if (!range || *range == INT_MIN) {
        ShowRaw(r);
        return;
    }
    r.iShift = *range - 1;
    r.sRange = std::to_string(r.iShift);
    std::optional<long double> m = ParseNumber(r.sValue);
    if (!m) {
        ShowRaw(r);
        return;
    }
    r.dValue = static_cast<double>(Scaled(*m, r.iShift));
    ShowDisplay(r, Format("%03.0f", r.dValue));
}

void DecodeCode0(MeterReading& r) {
    std::optional<int> range = ParseInteger(r.sRange);
    std::optional<long double> m = range ? ParseNumber(r.sValue) : std::nullopt;
    if (!range || !m) {
        ShowRaw(r);
        return;
    }
    r.iShift = *range;
    r.dValue = static_cast<double>(Scaled(*m, *range));
    ShowDisplay(r, Format("%04.0f", r.dValue));
}

}  // namespace

void StoreFrame(MeterReading& r, std::uint32_t status, const std::string& value,
                const std::string& range) {
    r.dwStatus = status;
    r.sValue = value == " 0." ? "     " : value;
    r.sRange = range;
    r.iFunc = FunctionCode(status);
    r.iFullScale = 0;  // the analog meter's own scale rules
}

void DecodeReading(MeterReading& r) {
    switch (r.iFunc) {
        case func::VoltsAc:
        case func::VoltsDc:
        case func::Volts20:
            DecodeSigned(r, false);
            break;
        case func::AmpsAc:
        case func::AmpsDc:
            DecodeSigned(r, true);
            break;
        case func::Ohms:
        case func::Ohms384:
            DecodeDecades(r, true);
            break;
        case func::Frequency:
            DecodeDecades(r, false);
            break;
        case func::Capacitance:
            DecodeCapacitance(r);
            break;
        case func::Celsius:
        case func::Fahrenheit:
            DecodeTemperature(r);
            break;
        case func::None:
            DecodeCode0(r);
            break;
        default:
            // No display rule: the value text is kept for the recorder and the
            // other windows, the digital meter shows dashes.
            CopyCut(r.szDisplay, r.sValue);
            r.dataPanelText = "----";
            break;
    }
    r.iUnitExp = GetUnitExp(r.iFunc, r.sRange);
    CopyCut(r.szUnit, UnitText(r.iFunc, r.iUnitExp));
    CopyCut(r.szFunc, FuncText(r.iFunc));
}

}  // namespace dmm

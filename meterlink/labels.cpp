#include "meterlink/labels.h"

#include <cstring>

#include "meterlink/numparse.h"

namespace dmm {

namespace {

const char* FuncSymbol(int funcCode) {
    switch (funcCode) {
        case func::VoltsAc:
        case func::VoltsDc:
        case func::VoltsAcDc:
        case func::Volts20:
            return "V";
        case func::Capacitance:
        case func::Fahrenheit:
            return "F";
        case func::Celsius:
            return "C";
        case func::Ohms:
        case func::Ohms384:
            return "W";  // drawn as the ohm sign
        case func::AmpsAc:
        case func::AmpsDc:
        case func::AmpsAcDc:
            return "A";
        case func::Frequency:
            return "Hz";
        case func::Percent:
        case func::Percent2050:
            return "%";
        case func::DecibelMilliwatt:
            return "m";  // after the unit text "dB"
        default:
            return "";
    }
}

const char* UnitPrefix(int funcCode, int unitExp) {
    switch (unitExp) {
        case -9:
            return "n";
        case -6:
            return "u";
        case -3:
            return funcCode == func::DecibelMilliwatt ? "dB" : "m";
        case 3:
            return "K";
        case 6:
            return "M";
        default:
            return "";
    }
}

int CopyOut(const char* text, char* out) {
    std::size_t n = std::strlen(text);
    std::memcpy(out, text, n + 1);
    return static_cast<int>(n);
}

}  // namespace

int GetUnitExp(int funcCode, std::string_view rangeText) {
    // dBm always carries the "dB" prefix, whatever the meter puts in the range field.
    if (funcCode == func::DecibelMilliwatt) return -3;

    std::optional<int> parsed = ParseInteger(rangeText);
    if (!parsed) return 0;
    int r = *parsed;
    switch (funcCode) {
        case func::VoltsAc:
        case func::VoltsDc:
        case func::VoltsAcDc:
            // 1 is no prefix exponent at all and so shows no prefix.
            return (r == -2 || r == -1) ? -3 : 1;
        case func::Capacitance:
            if (r == -8 || r == -7) return -9;
            if (r >= -6 && r <= -3) return -6;
            return 0;
        case func::Ohms:
        case func::Ohms384:
        case func::Frequency:
            return (r / 3) * 3;
        case func::AmpsAc:
        case func::AmpsDc:
        case func::AmpsAcDc:
            if (r == -4 || r == -3) return -6;
            if (r == -2 || r == -1) return -3;
            return 0;
        default:
            return 0;
    }
}

int GetUnitStr(int funcCode, int unitExp, char* out) {
    return CopyOut(UnitPrefix(funcCode, unitExp), out);
}

int GetFuncStr(std::uint32_t status, char* out) {
    return CopyOut(FuncSymbol(FunctionCode(status)), out);
}

std::string UnitText(int funcCode, int unitExp) {
    return UnitPrefix(funcCode, unitExp);
}

std::string FuncText(int funcCode) {
    return FuncSymbol(funcCode);
}

std::string AcDcLabel(int funcCode) {
    switch (funcCode) {
        case func::VoltsAcDc:
        case func::AmpsAcDc:
            return "DC+AC";
        case func::VoltsDc:
        case func::AmpsDc:
            return "DC";
        case func::VoltsAc:
        case func::AmpsAc:
            return "AC";
        default:
            return "";
    }
}

PanelStyle UnitPanelStyle(int funcCode) {
    PanelStyle style;
    if (funcCode == func::Celsius || funcCode == func::Fahrenheit) {
        style.symbolFont = true;
        style.align = PanelAlign::Right;
    }
    return style;
}

PanelStyle FuncPanelStyle(int funcCode) {
    PanelStyle style;
    if (funcCode == func::Celsius || funcCode == func::Fahrenheit) style.align = PanelAlign::Left;
    if (funcCode == func::Ohms || funcCode == func::Ohms384) style.symbolFont = true;
    return style;
}

std::string PanelText(std::string_view text, const PanelStyle& style) {
    if (!style.symbolFont) return std::string(text);
    std::string out;
    out.reserve(text.size() + 2);
    for (char c : text) {
        if (c == 'W') {
            out += "\u03A9";
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace dmm

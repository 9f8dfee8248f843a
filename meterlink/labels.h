// Function codes and the unit (prefix) and function (symbol) texts beside every value.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace dmm {

// Function codes the program knows; any other value has no labels.
namespace func {
constexpr int None = 0;
constexpr int VoltsAc = 5;
constexpr int VoltsDc = 6;
constexpr int VoltsAcDc = 7;
constexpr int Capacitance = 8;
constexpr int Volts20 = 20;
constexpr int Celsius = 32;
constexpr int Fahrenheit = 64;
constexpr int Ohms = 128;
constexpr int Ohms384 = 384;
constexpr int AmpsAc = 513;
constexpr int AmpsDc = 514;
constexpr int AmpsAcDc = 515;
constexpr int Frequency = 1024;
constexpr int Percent = 2048;
constexpr int Percent2050 = 2050;
constexpr int DecibelMilliwatt = 8192;
}  // namespace func

constexpr std::uint32_t kLowBatteryBit = 0x80000000u;

// The function code of a status word: bit 31 (low battery) cleared.
inline int FunctionCode(std::uint32_t status) {
    return static_cast<int>(status & ~kLowBatteryBit);
}

// Prefix exponent of a reading from its function code and range text; 0 when the range text is
// not an integer. dBm (8192) is -3 whatever the range text.
int GetUnitExp(int funcCode, std::string_view rangeText);
// Copies the unit text (prefix) into out (at least 8 characters) and returns its length.
int GetUnitStr(int funcCode, int unitExp, char* out);
// Copies the function text (symbol) of the status word into out (at least 12 characters) and
// returns its length.
int GetFuncStr(std::uint32_t status, char* out);

std::string UnitText(int funcCode, int unitExp);
std::string FuncText(int funcCode);

// "DC+AC", "DC", "AC" or empty: the AC/DC strip of the digital meter.
std::string AcDcLabel(int funcCode);

// How a unit or function text is drawn beside a value. The symbol font shows the
// function text "W" as the ohm sign; the windows draw "Ω" instead of switching font.
enum class PanelAlign { Left, Center, Right };
struct PanelStyle {
    bool symbolFont = false;
    PanelAlign align = PanelAlign::Center;
};
PanelStyle UnitPanelStyle(int funcCode);
PanelStyle FuncPanelStyle(int funcCode);
// The text a panel shows for a stored text: "W" becomes "Ω" (UTF-8) under the symbol font.
std::string PanelText(std::string_view text, const PanelStyle& style);

}  // namespace dmm

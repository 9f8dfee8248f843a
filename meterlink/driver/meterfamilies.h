// The kinds of meter the program can talk to, by the names the settings file, the
// command line and the port dialog use: the RS-232 adaptor's protocol, and the
// families of meters built on a measuring chip.
#pragma once

#include <memory>
#include <span>
#include <string_view>

#include "meterlink/driver/meterdriver.h"

namespace dmm {

constexpr std::string_view kAdaptorMeter = "adaptor";
constexpr std::string_view kFs9721Meter = "fs9721";
constexpr std::string_view kFs9922Meter = "fs9922";
constexpr std::string_view kEs51922Meter = "es51922";
constexpr std::string_view kAscii14Meter = "ascii14";  // 1200 baud
constexpr std::string_view kAscii14At600Meter = "ascii14-600";
constexpr std::string_view kAscii14At2400Meter = "ascii14-2400";
// The 9600-baud meters, which answer with four lines.
constexpr std::string_view kAscii14At9600Meter = "ascii14-9600";
constexpr std::string_view kUt71xMeter = "ut71x";

// Every name, the adaptor first.
std::span<const std::string_view> MeterNames();
bool IsMeterName(std::string_view name);
// The driver for a name; null for a name that is none of MeterNames().
std::unique_ptr<MeterDriver> MakeMeterDriver(std::string_view name);
// Whether the meter keeps a log in its memory that the program can import: only the
// adaptor's meter does.
bool MeterImportsMemory(std::string_view name);

}  // namespace dmm

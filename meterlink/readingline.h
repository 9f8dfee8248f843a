// Readings as text lines for the command line: one reading per line, tab-separated.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "meterlink/meterreading.h"

namespace dmm {

// function code, value text, range text, display text, unit text, function text,
// charted value ("%.9g" of the single-precision value, "-" when it would not be sampled).
std::string ReadingFields(const MeterReading& r);

// Bytes of a line of hexadecimal byte values; blanks anywhere between the digits
// are allowed ("0600000031" or "06 00 00 00 31"). Empty optional when the line holds
// anything else or an odd number of digits.
std::optional<std::vector<std::uint8_t>> ParseHexBytes(std::string_view line);

}  // namespace dmm

// UNI-T UT71A..E and their relabelled twins: 40,000-count meters (20,000 on the
// UT71A and B) that stream 11 bytes of 7-bit text at 2400 baud 7O1: five digits,
// the range, the function, two state bytes (AC or DC; auto range and the sign),
// CR and LF. A digit is '0'..'9', ':' a blank and '<' the "L" of the overload
// display ("::0<:"). Low battery, hold and the bar graph are not sent. There is
// no check sum: a packet is taken only when its terminator, digits, function and
// the range of that function are all ones the meter sends.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "meterlink/chips/lcd.h"
#include "meterlink/chips/packetreader.h"
#include "meterlink/meterline.h"

namespace dmm::chips {

constexpr std::size_t kUt71xPacketSize = 11;
using Ut71xPacket = std::array<std::uint8_t, kUt71xPacketSize>;
constexpr std::int32_t kUt71xCounts = 40000;

// The optical cable is powered by DTR.
constexpr LineSettings kUt71xLine{2400, 7, Parity::Odd, StopBits::One, true, false};

// The display of a packet; empty when the packet is not one the meter sends.
std::optional<LcdReading> DecodeUt71x(const Ut71xPacket& packet);
// The packet showing a display; empty when the meter has no range that shows it.
std::optional<Ut71xPacket> EncodeUt71x(const LcdReading& lcd);

class Ut71xReader : public TerminatedPacketReader<kUt71xPacketSize> {
public:
    Ut71xReader() : TerminatedPacketReader(DecodeUt71x, "\r\n") {}
};

}  // namespace dmm::chips

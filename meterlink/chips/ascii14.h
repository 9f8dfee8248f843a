// Meters that answer the request "D" with their display as a 14-byte line of
// 7-bit text (Metex, Voltcraft ME and M series and their twins): bytes 0-1 the
// mode, 2-8 the value, 9-12 the unit, then CR, as in "DC" " -1.234" "V   " CR.
// Most of them talk at 1200 baud 7N2; some at 600, 2400 or 9600. A few send the
// line unasked, which the reader takes as well. There is no low-battery flag
// and no check sum: a line is taken only when its mode, value and unit are ones
// a meter sends and fit each other.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "meterlink/chips/lcd.h"
#include "meterlink/chips/packetreader.h"
#include "meterlink/meterline.h"

namespace dmm::chips {

constexpr std::size_t kAscii14PacketSize = 14;
using Ascii14Packet = std::array<std::uint8_t, kAscii14PacketSize>;
// 3 3/4-digit meters count to 4000; a five-digit value is a 4 1/2-digit meter's 20000.
constexpr std::int32_t kAscii14Counts = 4000;
constexpr std::int32_t kAscii14FiveDigitCounts = 20000;

// What the meter is asked with.
constexpr std::uint8_t kAscii14Request = 'D';
// The most common setting; the others some meters use.
constexpr LineSettings kAscii14Line{1200, 7, Parity::None, StopBits::Two, true, false};
constexpr int kAscii14Bauds[] = {1200, 600, 2400, 9600};

// The display of a line; empty when the line is not one a meter sends.
std::optional<LcdReading> DecodeAscii14(const Ascii14Packet& packet);
// The line showing a display; empty when the format has no mode or unit for it.
std::optional<Ascii14Packet> EncodeAscii14(const LcdReading& lcd);

class Ascii14Reader : public TerminatedPacketReader<kAscii14PacketSize> {
public:
    Ascii14Reader() : TerminatedPacketReader(DecodeAscii14, "\r") {}
};

}  // namespace dmm::chips

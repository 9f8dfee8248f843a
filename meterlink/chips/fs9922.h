// Fortune FS9922-DMM3 / FS9922-DMM4: meters that stream their display as text,
// 14 bytes a packet at 2400 baud 8N1: the sign, four digits, a blank, the
// decimal point's place, four status bytes, the bar graph, CR and LF. A digit is
// '0' + its code: 10 is the "L" of the overload display (':'), 15 a blank ('?').
// There is no check sum: a packet is taken only when its terminator, sign,
// blank, digits, point, prefix and unit are all ones the chip sends.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "meterlink/chips/lcd.h"
#include "meterlink/chips/packetreader.h"

namespace dmm::chips {

constexpr std::size_t kFs9922PacketSize = 14;
using Fs9922Packet = std::array<std::uint8_t, kFs9922PacketSize>;

// The display of a packet; empty when the packet is not one the chip sends.
std::optional<LcdReading> DecodeFs9922(const Fs9922Packet& packet);
// The packet showing a display (which must be one DecodeFs9922 accepts); the bar
// graph byte is the bar's length, the display's count in hundreds.
Fs9922Packet EncodeFs9922(const LcdReading& lcd);

class Fs9922Reader : public TerminatedPacketReader<kFs9922PacketSize> {
public:
    Fs9922Reader() : TerminatedPacketReader(DecodeFs9922, "\r\n") {}
};

}  // namespace dmm::chips

// Cyrustek ES51922: 22,000-count meters (UNI-T UT61E among them) that stream
// their display as 14 bytes of 7-bit text at 19230 baud 7O1: the range, five
// digits, the function, the status, four option bytes, CR and LF. Every byte but
// the terminator is 0x30 + four bits. There is no check sum: a packet is taken
// only when its terminator, digits, function and the range of that function are
// all ones the chip sends, and it is not AC and DC at once.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "meterlink/chips/lcd.h"
#include "meterlink/chips/packetreader.h"
#include "meterlink/meterline.h"

namespace dmm::chips {

constexpr std::size_t kEs51922PacketSize = 14;
using Es51922Packet = std::array<std::uint8_t, kEs51922PacketSize>;
constexpr std::int32_t kEs51922Counts = 22000;

// 19230 baud, which a port set to 19200 receives; the cable is powered by DTR.
constexpr LineSettings kEs51922Line{19200, 7, Parity::Odd, StopBits::One, true, false};

// The display of a packet; empty when the packet is not one the chip sends.
std::optional<LcdReading> DecodeEs51922(const Es51922Packet& packet);
// The packet showing a display; empty when the chip has no range that shows it.
std::optional<Es51922Packet> EncodeEs51922(const LcdReading& lcd);

class Es51922Reader : public TerminatedPacketReader<kEs51922PacketSize> {
public:
    Es51922Reader() : TerminatedPacketReader(DecodeEs51922, "\r\n") {}
};

}  // namespace dmm::chips

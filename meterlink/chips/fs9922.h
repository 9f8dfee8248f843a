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
#include <vector>

#include "meterlink/chips/lcd.h"

namespace dmm::chips {

constexpr std::size_t kFs9922PacketSize = 14;
using Fs9922Packet = std::array<std::uint8_t, kFs9922PacketSize>;

// The display of a packet; empty when the packet is not one the chip sends.
std::optional<LcdReading> DecodeFs9922(const Fs9922Packet& packet);
// The packet showing a display (which must be one DecodeFs9922 accepts); the bar
// graph byte is the bar's length, the display's count in hundreds.
Fs9922Packet EncodeFs9922(const LcdReading& lcd);

// Picks packets out of the byte stream, however it is cut into reads: a packet is
// the 14 bytes that end in CR LF, so the reader is back in step at the first
// whole packet after any garbage, a cut packet included.
class Fs9922Reader {
public:
    // Appends the display of every valid packet these bytes complete to out.
    void feed(const std::uint8_t* data, std::size_t n, std::vector<LcdReading>& out);
    // Packets (or runs of stray bytes) given up since the start.
    std::uint64_t dropped() const { return dropped_; }
    std::uint64_t accepted() const { return accepted_; }
    void reset();

private:
    Fs9922Packet window_{};  // the last bytes since the last terminator
    std::size_t have_ = 0;
    std::size_t counted_ = 0;  // bytes at the front already counted as a dropped packet
    bool stray_ = false;       // uncounted bytes were pushed out of the window
    std::uint64_t dropped_ = 0;
    std::uint64_t accepted_ = 0;
};

}  // namespace dmm::chips

// Fortune FS9721_LP3 / FS9721B: 4000-count meters that stream their LCD segments,
// 14 bytes a packet at 2400 baud 8N1, each byte's index 1..14 in its high nibble
// and four segments or annunciators in its low nibble. There is no check sum: a
// packet is taken only when every index is in place and every digit, point,
// prefix and unit is one the LCD can show.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "meterlink/chips/lcd.h"

namespace dmm::chips {

constexpr std::size_t kFs9721PacketSize = 14;
using Fs9721Packet = std::array<std::uint8_t, kFs9721PacketSize>;

// The display of a packet; empty when the packet is not one the chip sends.
std::optional<LcdReading> DecodeFs9721(const Fs9721Packet& packet);
// The packet showing a display (which must be one DecodeFs9721 accepts).
Fs9721Packet EncodeFs9721(const LcdReading& lcd);

// Picks packets out of the byte stream, however it is cut into reads. A byte out
// of its place ends the packet it was to continue; one with index 1 starts the
// next, so the reader is back in step at the next packet after any garbage.
class Fs9721Reader {
public:
    // Appends the display of every valid packet these bytes complete to out.
    void feed(const std::uint8_t* data, std::size_t n, std::vector<LcdReading>& out);
    // Packets (or runs of stray bytes) given up since the start.
    std::uint64_t dropped() const { return dropped_; }
    std::uint64_t accepted() const { return accepted_; }
    void reset();

private:
    Fs9721Packet packet_{};
    std::size_t have_ = 0;
    bool inGarbage_ = false;  // a stray byte was already counted
    std::uint64_t dropped_ = 0;
    std::uint64_t accepted_ = 0;
};

}  // namespace dmm::chips

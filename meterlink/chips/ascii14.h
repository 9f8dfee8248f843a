// Meters that answer the request "D" with their display as a 14-byte line of
// 7-bit text (Metex, Voltcraft ME and M series and their twins): bytes 0-1 the
// mode, 2-8 the value, 9-12 the unit, then CR, as in "DC" " -1.234" "V   " CR.
// Most of them talk at 1200 baud 7N2; some at 600 or 2400, and the 9600-baud
// ones answer with four lines (Ascii14SetReader). A few send the line unasked,
// which the readers take as well. There is no low-battery flag and no check sum:
// a line is taken only when its mode, value and unit are ones a meter sends and
// fit each other.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

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
// The line at a baud rate: 7 data bits, no parity, two stop bits, the cable powered
// by DTR on with RTS off.
constexpr LineSettings Ascii14Line(int baud) {
    return {baud, 7, Parity::None, StopBits::Two, true, false};
}
// The most common setting; the meter names for the others are in meterfamilies.h.
constexpr LineSettings kAscii14Line = Ascii14Line(1200);
// The lines a 9600-baud meter answers each request with.
constexpr std::size_t kAscii14SetLines = 4;

// The display of a line; empty when the line is not one a meter sends.
std::optional<LcdReading> DecodeAscii14(const Ascii14Packet& packet);
// The line showing a display; empty when the format has no mode or unit for it.
std::optional<Ascii14Packet> EncodeAscii14(const LcdReading& lcd);

class Ascii14Reader : public TerminatedPacketReader<kAscii14PacketSize> {
public:
    Ascii14Reader() : TerminatedPacketReader(DecodeAscii14, "\r") {}
};

// The reader of the 9600-baud meters (Metex M-4660 and its Voltcraft twins), which
// answer each request with four lines back to back, the main display first. The lines
// carry no mark of their own: they are told apart only by their place after the
// request, so a set counts only when it comes whole and in step. Whole: four lines of
// 13 printable characters and a CR each, and a first line that is a display a meter
// shows; the first line is then the reading, and the other three are never used for
// it. A set with garbage in it, a line too long or too short, or one cut short by the
// next request, gives nothing; and since the lines after such a fault could begin
// anywhere in a set, nothing more is taken until the meter is asked again. Sets that
// follow a whole one unasked are read too, counted in fours from the request.
class Ascii14SetReader {
public:
    // Appends the main display of every whole set these bytes complete to out.
    void feed(const std::uint8_t* data, std::size_t n, std::vector<LcdReading>& out);
    // The meter has just been asked: the next line begins a set, and a set or line
    // begun before is given up.
    void requestSent();
    // Forgets a set begun; nothing is taken until the next request.
    void reset();
    // Lines (or runs of stray bytes up to a CR) given up, and sets taken.
    std::uint64_t dropped() const { return dropped_; }
    std::uint64_t accepted() const { return accepted_; }

private:
    void endLine(std::vector<LcdReading>& out);
    void giveUp(std::size_t lines);

    Ascii14Packet line_{};
    std::size_t have_ = 0;
    bool badLine_ = false;   // a byte no line holds, or too many before the CR
    std::size_t lines_ = 0;  // whole lines of the set so far
    bool inStep_ = false;    // the next line begins a set
    std::optional<LcdReading> main_;
    std::uint64_t dropped_ = 0;
    std::uint64_t accepted_ = 0;
};

}  // namespace dmm::chips

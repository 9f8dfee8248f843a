// The simulated meter and its RS-232 adaptor: command frames in, reply bytes out.
// Everything here is pure logic; main.cpp moves the bytes between a Simulator and
// a pseudo-terminal.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "meterlink/chips/lcd.h"
#include "meterlink/protocol.h"
#include "resources/status.h"

namespace dmm::sim {

// What --short sends: status word and value text, the range text cut off.
constexpr std::size_t kShortDisplayPayloadSize = 12;

// What a chip's display shows beside the function code: the adaptor's replies
// have no room for it and leave it out.
enum class SimMark { None, Diode, Continuity, Hfe };

// One display of the meter, as a "B" reply carries it.
struct SimReading {
    std::uint32_t status = 0;  // function code in bits 0..30, bit 31 = low battery
    std::string value;         // value text, at most 8 characters
    std::string range;         // range text, at most 2 characters
    SimMark mark = SimMark::None;

    bool operator==(const SimReading&) const = default;
};

// Picks command frames (DLE STX cmd a a a DLE ETX) out of a byte stream that
// arrives in pieces of any size and may carry noise. The three argument bytes
// are zero in every frame the logger sends; they are accepted whatever they
// hold. After a mismatch the reader slides forward one byte at a time, so a
// frame that starts inside a broken one is still found.
class CommandFrameReader {
public:
    // Returns the command bytes of the frames that these bytes complete, in order.
    std::vector<std::uint8_t> feed(const std::uint8_t* data, std::size_t n);
    // Bytes held as the possible start of a frame.
    std::size_t pending() const { return window_.size(); }
    void reset() { window_.clear(); }

private:
    std::vector<std::uint8_t> window_;
};

// Check byte of a reply: the sum of the payload bytes, modulo 256. The logger
// reads it and never verifies it.
std::uint8_t ReplyCheckByte(const std::vector<std::uint8_t>& payload);

// DLE STX <unused> <N> <payload> <check> DLE ETX. A check byte of 0x10 goes out
// as DLE followed by the check byte itself; forceDle sends that escape for any
// check byte. Throws std::invalid_argument for a payload above 255 bytes.
std::vector<std::uint8_t> BuildReplyFrame(std::uint8_t unused,
                                          const std::vector<std::uint8_t>& payload,
                                          bool forceDle = false);

// The 15-byte display payload: status word little-endian, value text in 8 bytes,
// one unused zero byte, range text in 2 bytes; texts zero padded and cut to
// their fields.
std::vector<std::uint8_t> BuildDisplayPayload(const SimReading& reading);

// The meter's stored log, as the block commands "N" (first block) and "R"
// (next block) send it: raw 512-byte blocks without framing.
class MemoryImage {
public:
    static constexpr std::size_t kBlockSize = 512;

    virtual ~MemoryImage() = default;
    virtual std::size_t blockCount() const = 0;
    // Block index (0-based) of the stream, exactly kBlockSize bytes.
    virtual std::vector<std::uint8_t> block(std::size_t index) const = 0;
};

// Behaviour switches; main.cpp flips some of them at run time on signals.
struct SimModes {
    bool silent = false;        // answer nothing at all
    bool lowBattery = false;    // set bit 31 in every display status word
    bool checkDle = false;      // send every check byte through the DLE escape
    bool shortPayload = false;  // cut display payloads to kShortDisplayPayloadSize bytes
    bool garbage = false;       // send random bytes in place of each reply
    // Answer this many frames, then fall silent for silentFor frames (0: for good).
    std::optional<std::uint64_t> silentAfter;
    std::uint64_t silentFor = 0;
    // Send this many bytes of memory blocks in all, then answer no block command
    // again (the last block sent may be cut short).
    std::optional<std::uint64_t> memoryStallAfter;
};

// What the adaptor does with one command frame.
struct SimAnswer {
    std::uint8_t command = 0;
    std::uint64_t frameNumber = 0;    // 1 for the first frame received
    std::vector<std::uint8_t> bytes;  // what goes out on the line; empty: no answer
    std::string note;                 // one line for the verbose log
};

// What a command handler sends back; nullopt means no answer.
struct SimReply {
    std::vector<std::uint8_t> bytes;
    std::string note;
};

class Simulator {
public:
    using Handler = std::function<std::optional<SimReply>(Simulator&)>;

    // An empty scenario answers "B" with the default scenario instead.
    explicit Simulator(std::vector<SimReading> scenario = {});

    // Feeds bytes received from the client; returns one answer per completed frame.
    std::vector<SimAnswer> feed(const std::uint8_t* data, std::size_t n);
    std::vector<SimAnswer> feed(const std::vector<std::uint8_t>& data) {
        return feed(data.data(), data.size());
    }
    // Runs one command as if its frame had just arrived.
    SimAnswer handleCommand(std::uint8_t command);

    // Installs or replaces the handler of a command byte; an empty handler removes it.
    void setHandler(std::uint8_t command, Handler handler);
    bool hasHandler(std::uint8_t command) const { return handlers_.contains(command); }

    SimModes& modes() { return modes_; }
    const SimModes& modes() const { return modes_; }

    // Identity byte of the "F" reply (1 unless set); setEmptyIdentity sends no byte.
    void setIdentity(std::uint8_t identity) { identityPayload_ = {identity}; }
    void setEmptyIdentity() { identityPayload_.clear(); }

    void setSeed(std::uint32_t seed) { rng_.seed(seed); }

    const std::vector<SimReading>& scenario() const { return scenario_; }
    // Index of the reading the next "B" answer sends.
    std::size_t position() const { return position_; }
    // Returns the next reading of the scenario, cycling, with the low-battery mode applied.
    SimReading nextReading();

    // Frames a payload with the current check-byte mode.
    std::vector<std::uint8_t> frame(std::uint8_t command,
                                    const std::vector<std::uint8_t>& payload) const;

    // The stored log the block commands send: "N" sends block 0 and starts over,
    // "R" sends the next block, and past the last block nothing answers. Without a
    // log (null) the block commands get no answer.
    void setMemoryImage(std::shared_ptr<const MemoryImage> image);
    const MemoryImage* memoryImage() const { return memory_.get(); }
    // Bytes of memory blocks sent so far.
    std::uint64_t memoryBytesSent() const { return memorySent_; }

private:
    bool silencedNow() const;
    std::optional<SimReply> answerDisplay();
    std::optional<SimReply> answerIdentity();
    std::optional<SimReply> answerBlock();

    CommandFrameReader reader_;
    std::map<std::uint8_t, Handler> handlers_;
    SimModes modes_;
    std::vector<SimReading> scenario_;
    std::size_t position_ = 0;
    std::vector<std::uint8_t> identityPayload_{1};
    std::uint64_t frames_ = 0;
    std::mt19937 rng_{0x5eed};
    std::shared_ptr<const MemoryImage> memory_;
    std::size_t nextBlock_ = 0;
    std::uint64_t memorySent_ = 0;
};

// Reads one reading "code;value;range[;mark]": a decimal function code or a 0x
// status word, the value text, the range text and, for the chip protocols, one of
// the marks "diode", "continuity" or "hfe"; fields separated by ';' or a tab.
// Blanks around a field are dropped unless the field is in double quotes (" OL ").
// A failure (InputInvalid) describes the problem.
Result<SimReading> ParseReadingLine(std::string_view line);

// A scenario file: one reading per line as above; blank lines and '#' comments
// are skipped. Errors name the line ("line 4: ..."). A file without readings fails.
Result<std::vector<SimReading>> ParseScenario(std::string_view text);

// Readings for a live demonstration: a long, slowly swinging DC voltage, then a
// tour of every function the logger knows, overloads and temperatures included.
std::vector<SimReading> DefaultScenario();

// Short description of a reading for logs: "6 '1.234' '0'" or "0x80000006 ...".
std::string DescribeReading(const SimReading& reading);

// ---- Meters that stream their display ---------------------------------------

// Ascii14 answers "D" at 1200 baud, Ascii14At600 and Ascii14At2400 the same at their
// baud rates, Ascii14At9600 with four lines.
enum class Protocol {
    Adaptor,
    Fs9721,
    Fs9922,
    Es51922,
    Ascii14,
    Ascii14At600,
    Ascii14At2400,
    Ascii14At9600,
    Ut71x
};

// "adaptor", "fs9721", "fs9922", "es51922", "ascii14", "ascii14-600", "ascii14-2400",
// "ascii14-9600" or "ut71x"; anything else fails (InputInvalid).
Result<Protocol> ParseProtocol(std::string_view name);
const char* ProtocolName(Protocol protocol);
// A meter that answers "D" with ASCII-14 lines, at any of its settings.
bool IsAscii14(Protocol protocol);

// A serial line's framing: baud, data bits, parity ('N', 'E' or 'O'), stop bits.
struct LineFormat {
    int baud = 0;
    int dataBits = 8;
    char parity = 'N';
    int stopBits = 1;

    friend bool operator==(const LineFormat&, const LineFormat&) = default;
};

// The chips send at 2400 baud, 8N1.
constexpr LineFormat kChipLine{2400, 8, 'N', 1};
// A packet about every 400 ms, two or three a second as the chips measure.
constexpr int kChipPeriodMs = 400;

// The line of each family: the Fortune chips' above, 19200 7O1 (the ES51922's
// 19230 baud, which a port at 19200 reads), 1200 7N2 (ascii14; 600, 2400 and 9600 7N2
// for the others of its kind), 2400 7O1 (ut71x).
LineFormat ChipLine(Protocol protocol);
// The time between two packets of a family that streams its display; 0 for the
// ASCII-14 meters, which answer each "D" they read.
int ChipPeriodMs(Protocol protocol);
// The time one character takes on the line: start bit, data bits, parity, stop bits.
double CharacterSeconds(const LineFormat& format);

// What a client set on the pseudo-terminal, as far as the terminal tells. A
// pseudo-terminal keeps the baud rate, the stop bits and the parity's sense
// (PARODD, which a serial port library sets for odd parity only) of what its
// client sets, but reports 8 data bits without parity whatever was set. From such
// a report (seen: 8 data bits, no parity) the parity is odd where parityOdd is
// set and none otherwise, and the data bits count as the meter's; any other
// report stands as it is.
LineFormat ClientLine(const LineFormat& seen, bool parityOdd, const LineFormat& meter);

// "2400 8N1".
std::string DescribeLine(const LineFormat& format);

// What a receiver set to rx reads of bytes sent back to back at tx: it waits for
// a start bit, samples each bit in its middle at its own rate, skips a parity bit
// and wants every stop bit it expects; a character without them (a framing error)
// reads as 0, as a terminal that does not mark errors hands it over. With rx equal
// to tx the bytes come out as they went in.
std::vector<std::uint8_t> Reframe(const std::vector<std::uint8_t>& bytes, const LineFormat& tx,
                                  const LineFormat& rx);

// The display a chip family shows for a reading: four digits (five for the
// es51922 and ut71x) with the point and prefix the range puts them at (the range text is the
// exponent of the first digit, as in the adaptor's value texts; temperatures drop their unit letter
// and lower the range by one), the unit and coupling of the function code, the mark, low battery
// from bit 31. Empty when the family has nothing to show it with: DC+AC, dBm and codes it does not
// know; degrees and hFE on the FS9721; what the family has no range or unit for; a value of more
// digits than the display's or out of the function's prefixes.
std::optional<chips::LcdReading> ChipDisplay(Protocol protocol, const SimReading& reading);

// One packet of the family showing the display (of ascii14-9600, its first line).
std::vector<std::uint8_t> ChipPacket(Protocol protocol, const chips::LcdReading& lcd);

// What --short leaves of a chip's packet.
constexpr std::size_t kShortChipPacketSize = 9;

// Plays a scenario as a chip family streams it: one packet at each call, cycling
// through the readings the family can show, with the fault modes applied
// (silence, low battery, short packets, garbage; silentAfter counts packets). For
// ascii14-9600 a packet is the set of four lines: the reading, then the three readings
// after it as the other lines show them; --short cuts the set 9 bytes into its
// second line.
class ChipStreamer {
public:
    // The default scenario when the scenario is empty.
    ChipStreamer(Protocol protocol, const std::vector<SimReading>& scenario);

    Protocol protocol() const { return protocol_; }
    // Readings played and readings the family cannot show.
    std::size_t playable() const { return displays_.size(); }
    std::size_t skipped() const { return skipped_; }

    SimModes& modes() { return modes_; }
    void setSeed(std::uint32_t seed) { rng_.seed(seed); }

    // The next packet; no bytes while silent. Only when playable() is not 0.
    SimReply next();
    std::uint64_t packets() const { return packets_; }

private:
    Protocol protocol_;
    std::vector<chips::LcdReading> displays_;
    std::vector<std::string> notes_;
    std::size_t skipped_ = 0;
    std::size_t position_ = 0;
    SimModes modes_;
    std::uint64_t packets_ = 0;
    std::mt19937 rng_{0x5eed};
};

}  // namespace dmm::sim

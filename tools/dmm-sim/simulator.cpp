#include "tools/dmm-sim/simulator.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "meterlink/chips/ascii14.h"
#include "meterlink/chips/es51922.h"
#include "meterlink/chips/fs9721.h"
#include "meterlink/chips/fs9922.h"
#include "meterlink/chips/ut71x.h"
#include "meterlink/labels.h"
#include "meterlink/numparse.h"
#include "meterlink/protocol.h"

namespace dmm::sim {

namespace {

// Expected byte at each position of a command frame; -1 = any byte.
constexpr int kFramePattern[kCommandFrameSize] = {kDle, kStx, -1, -1, -1, -1, kDle, kEtx};

bool IsFramePrefix(const std::vector<std::uint8_t>& bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (kFramePattern[i] >= 0 && bytes[i] != kFramePattern[i]) return false;
    }
    return true;
}

std::string Printf(const char* format, double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

std::string HexByte(std::uint8_t b) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "0x%02X", b);
    return buffer;
}

std::string CommandName(std::uint8_t command) {
    if (command >= 0x21 && command <= 0x7E) return std::string(1, static_cast<char>(command));
    return HexByte(command);
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

Status Invalid(std::string reason) {
    return Status::Fail(StatusCode::InputInvalid, std::move(reason));
}

// Splits a line into fields at ';' and tabs outside double quotes, stopping at
// a '#' outside quotes. Quoted fields keep their blanks; others are trimmed.
Result<std::vector<std::string>> SplitFields(std::string_view line) {
    std::vector<std::string> fields;
    std::string current;
    bool quoted = false;      // inside "..."
    bool wasQuoted = false;   // this field had a quoted part
    bool afterQuote = false;  // a closing quote was seen; only blanks may follow
    auto finish = [&]() {
        fields.push_back(wasQuoted ? current : std::string(Trim(current)));
        current.clear();
        wasQuoted = afterQuote = false;
    };
    for (char c : line) {
        if (quoted) {
            if (c == '"') {
                quoted = false;
                afterQuote = true;
            } else {
                current += c;
            }
            continue;
        }
        if (c == ';' || c == '\t') {
            finish();
        } else if (c == '#') {
            break;
        } else if (c == '"') {
            if (wasQuoted || !Trim(current).empty()) {
                return Invalid("a quote may only enclose a whole field");
            }
            current.clear();
            quoted = wasQuoted = true;
        } else if (afterQuote) {
            if (!IsBlank(c)) {
                return Invalid("unexpected text after a closing quote");
            }
        } else {
            current += c;
        }
    }
    if (quoted) {
        return Invalid("missing closing quote");
    }
    finish();
    return fields;
}

Result<std::uint32_t> ParseStatus(std::string_view text) {
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const std::string_view digits = hex ? text.substr(2) : text;
    const unsigned base = hex ? 16 : 10;
    std::uint64_t v = 0;
    bool ok = !digits.empty();
    for (char c : digits) {
        unsigned d;
        if (c >= '0' && c <= '9') {
            d = static_cast<unsigned>(c - '0');
        } else if (hex && c >= 'a' && c <= 'f') {
            d = static_cast<unsigned>(c - 'a' + 10);
        } else if (hex && c >= 'A' && c <= 'F') {
            d = static_cast<unsigned>(c - 'A' + 10);
        } else {
            ok = false;
            break;
        }
        v = v * base + d;
        if (v > 0xFFFFFFFFu) {
            ok = false;
            break;
        }
    }
    if (!ok)
        return Invalid("'" + std::string(text) +
                       "' is neither a function code nor a 0x status word");
    // A decimal number is a function code and cannot reach into the battery bit.
    if (!hex && v > 0x7FFFFFFFu) {
        return Invalid("function code " + std::string(text) +
                       " does not fit in 31 bits (write a 0x status word to set bit 31)");
    }
    return static_cast<std::uint32_t>(v);
}

}  // namespace

std::vector<std::uint8_t> CommandFrameReader::feed(const std::uint8_t* data, std::size_t n) {
    std::vector<std::uint8_t> commands;
    for (std::size_t i = 0; i < n; ++i) {
        window_.push_back(data[i]);
        // Drop leading bytes until what is left could still begin a frame.
        while (!window_.empty() && !IsFramePrefix(window_)) window_.erase(window_.begin());
        if (window_.size() == kCommandFrameSize) {
            commands.push_back(window_[2]);
            window_.clear();
        }
    }
    return commands;
}

std::uint8_t ReplyCheckByte(const std::vector<std::uint8_t>& payload) {
    unsigned sum = 0;
    for (std::uint8_t b : payload) sum += b;
    return static_cast<std::uint8_t>(sum & 0xFF);
}

std::vector<std::uint8_t> BuildReplyFrame(std::uint8_t unused,
                                          const std::vector<std::uint8_t>& payload, bool forceDle) {
    if (payload.size() > 255) throw std::invalid_argument("reply payload above 255 bytes");
    std::vector<std::uint8_t> frame;
    frame.reserve(payload.size() + 8);
    for (std::uint8_t b : {kDle, kStx, unused, static_cast<std::uint8_t>(payload.size())})
        frame.push_back(b);
    // Byte by byte: GCC 12 warns falsely about a range insert here.
    for (std::uint8_t b : payload) frame.push_back(b);
    const std::uint8_t check = ReplyCheckByte(payload);
    // The reader takes the byte after a DLE as the check byte, so a check byte
    // that is itself DLE must be escaped.
    if (forceDle || check == kDle) frame.push_back(kDle);
    frame.push_back(check);
    frame.push_back(kDle);
    frame.push_back(kEtx);
    return frame;
}

std::vector<std::uint8_t> BuildDisplayPayload(const SimReading& reading) {
    std::vector<std::uint8_t> payload(kDisplayPayloadSize, 0);
    for (int i = 0; i < 4; ++i) payload[i] = static_cast<std::uint8_t>(reading.status >> (8 * i));
    for (std::size_t i = 0; i < kValueFieldSize && i < reading.value.size(); ++i)
        payload[4 + i] = static_cast<std::uint8_t>(reading.value[i]);
    for (std::size_t i = 0; i < kRangeFieldSize && i < reading.range.size(); ++i)
        payload[13 + i] = static_cast<std::uint8_t>(reading.range[i]);
    return payload;
}

Simulator::Simulator(std::vector<SimReading> scenario)
    : scenario_(scenario.empty() ? DefaultScenario() : std::move(scenario)) {
    handlers_[kCmdDisplay] = [](Simulator& s) { return s.answerDisplay(); };
    handlers_[kCmdIdentify] = [](Simulator& s) { return s.answerIdentity(); };
}

void Simulator::setHandler(std::uint8_t command, Handler handler) {
    if (handler) {
        handlers_[command] = std::move(handler);
    } else {
        handlers_.erase(command);
    }
}

std::vector<SimAnswer> Simulator::feed(const std::uint8_t* data, std::size_t n) {
    std::vector<SimAnswer> answers;
    for (std::uint8_t command : reader_.feed(data, n)) answers.push_back(handleCommand(command));
    return answers;
}

bool Simulator::silencedNow() const {
    if (modes_.silent) return true;
    if (!modes_.silentAfter) return false;
    const std::uint64_t after = *modes_.silentAfter;
    if (frames_ <= after) return false;
    return modes_.silentFor == 0 || frames_ - after <= modes_.silentFor;
}

SimAnswer Simulator::handleCommand(std::uint8_t command) {
    SimAnswer answer;
    answer.command = command;
    answer.frameNumber = ++frames_;
    const std::string name = CommandName(command);
    if (silencedNow()) {
        answer.note = name + ": silent, no answer";
        return answer;
    }
    auto it = handlers_.find(command);
    if (it == handlers_.end()) {
        answer.note = name + ": unknown command, no answer";
        return answer;
    }
    std::optional<SimReply> reply = it->second(*this);
    if (!reply) {
        answer.note = name + ": no answer";
        return answer;
    }
    answer.bytes = std::move(reply->bytes);
    answer.note = name + ": " + reply->note;
    if (modes_.garbage && !answer.bytes.empty()) {
        std::uniform_int_distribution<int> byte(0, 255);
        for (std::uint8_t& b : answer.bytes) b = static_cast<std::uint8_t>(byte(rng_));
        answer.note = name + ": garbage in place of " + reply->note;
    }
    answer.note += " (" + std::to_string(answer.bytes.size()) + " bytes)";
    return answer;
}

SimReading Simulator::nextReading() {
    SimReading reading = scenario_[position_];
    position_ = (position_ + 1) % scenario_.size();
    if (modes_.lowBattery) reading.status |= kLowBatteryBit;
    return reading;
}

std::vector<std::uint8_t> Simulator::frame(std::uint8_t command,
                                           const std::vector<std::uint8_t>& payload) const {
    // The byte after the length is not used by the logger; echoing the command
    // makes captured traffic easier to read.
    return BuildReplyFrame(command, payload, modes_.checkDle);
}

std::optional<SimReply> Simulator::answerDisplay() {
    const SimReading reading = nextReading();
    std::vector<std::uint8_t> payload = BuildDisplayPayload(reading);
    std::string note = DescribeReading(reading);
    if (modes_.shortPayload) {
        payload.resize(kShortDisplayPayloadSize);
        note += ", cut to " + std::to_string(payload.size()) + " payload bytes";
    }
    return SimReply{frame(kCmdDisplay, payload), note};
}

std::optional<SimReply> Simulator::answerIdentity() {
    std::string note = identityPayload_.empty() ? std::string("identity, empty payload")
                                                : "identity " + std::to_string(identityPayload_[0]);
    return SimReply{frame(kCmdIdentify, identityPayload_), note};
}

void Simulator::setMemoryImage(std::shared_ptr<const MemoryImage> image) {
    memory_ = std::move(image);
    nextBlock_ = 0;
    if (!memory_) {
        handlers_.erase(kCmdFirstBlock);
        handlers_.erase(kCmdNextBlock);
        return;
    }
    handlers_[kCmdFirstBlock] = [](Simulator& s) {
        s.nextBlock_ = 0;
        return s.answerBlock();
    };
    handlers_[kCmdNextBlock] = [](Simulator& s) { return s.answerBlock(); };
}

std::optional<SimReply> Simulator::answerBlock() {
    if (!memory_ || nextBlock_ >= memory_->blockCount()) return std::nullopt;
    const std::size_t index = nextBlock_++;
    std::vector<std::uint8_t> bytes = memory_->block(index);
    std::string note =
        "memory block " + std::to_string(index) + " of " + std::to_string(memory_->blockCount());
    if (modes_.memoryStallAfter) {
        const std::uint64_t budget =
            *modes_.memoryStallAfter > memorySent_ ? *modes_.memoryStallAfter - memorySent_ : 0;
        if (budget == 0) return std::nullopt;
        if (bytes.size() > budget) {
            bytes.resize(static_cast<std::size_t>(budget));
            note += ", stalled after " + std::to_string(*modes_.memoryStallAfter) + " bytes";
        }
    }
    memorySent_ += bytes.size();
    return SimReply{std::move(bytes), note};
}

namespace {

std::optional<SimMark> MarkOf(std::string_view text) {
    if (text == "diode") return SimMark::Diode;
    if (text == "continuity") return SimMark::Continuity;
    if (text == "hfe") return SimMark::Hfe;
    return std::nullopt;
}

}  // namespace

Result<SimReading> ParseReadingLine(std::string_view line) {
    Result<std::vector<std::string>> split = SplitFields(line);
    if (!split) return split.status();
    const std::vector<std::string>& fields = *split;
    constexpr const char* kExpected = "expected 3 fields (code; value text; range text)";
    constexpr const char* kMarks = " and an optional mark (diode, continuity, hfe), found ";
    if (fields.size() < 3) {
        return Invalid(std::string(kExpected) + ", found " + std::to_string(fields.size()));
    }
    if (fields.size() > 4) {
        return Invalid(std::string(kExpected) + kMarks + std::to_string(fields.size()));
    }
    if (fields[0].empty()) return Invalid("the function code is missing");
    const Result<std::uint32_t> status = ParseStatus(fields[0]);
    if (!status) return status.status();
    if (fields[1].size() > kValueFieldSize) {
        return Invalid("value text '" + fields[1] + "' is longer than 8 characters");
    }
    if (fields[2].size() > kRangeFieldSize) {
        return Invalid("range text '" + fields[2] + "' is longer than 2 characters");
    }
    SimReading reading{*status, fields[1], fields[2]};
    if (fields.size() == 4) {
        const std::optional<SimMark> mark = MarkOf(fields[3]);
        if (!mark) return Invalid(std::string(kExpected) + kMarks + "'" + fields[3] + "'");
        reading.mark = *mark;
    }
    return reading;
}

Result<std::vector<SimReading>> ParseScenario(std::string_view text) {
    std::vector<SimReading> readings;
    std::size_t lineNumber = 0;
    while (!text.empty()) {
        ++lineNumber;
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        const std::string_view trimmed = Trim(line);
        if (trimmed.empty() || trimmed.front() == '#') continue;
        Result<SimReading> reading = ParseReadingLine(line);
        if (!reading)
            return Invalid("line " + std::to_string(lineNumber) + ": " + reading.reason());
        readings.push_back(std::move(reading).value());
    }
    if (readings.empty()) return Invalid("no readings (every line is blank or a comment)");
    return readings;
}

std::vector<SimReading> DefaultScenario() {
    std::vector<SimReading> s;
    constexpr double kTwoPi = 6.283185307179586;

    // Mantissa texts as the meter sends them: four digits, "%.3f" of value / 10^range.
    auto mantissa = [](double v, const char* format = "%.3f") {
        std::string t = Printf(format, v);
        if (t.find_first_not_of("-0.") == std::string::npos && t[0] == '-') t.erase(0, 1);
        return t;
    };
    // A few readings of one function drifting around a centre value.
    auto walk = [&](int code, double centre, double wobble, const char* range, int count,
                    const char* format = "%.3f", const char* suffix = "") {
        for (int k = 0; k < count; ++k) {
            const double v = centre + wobble * std::sin(1.7 * k + 0.4);
            s.push_back({static_cast<std::uint32_t>(code), mantissa(v, format) + suffix, range});
        }
    };

    // DC voltage on the 4 V range, swinging slowly through zero with a little ripple.
    for (int k = 0; k < 160; ++k) {
        const double v =
            0.5 + 1.8 * std::sin(kTwoPi * k / 100.0) + 0.12 * std::sin(kTwoPi * k / 13.0);
        s.push_back({func::VoltsDc, mantissa(v), "0"});
    }
    // Millivolts on the 400 mV range, positive and negative, then overloads.
    walk(func::VoltsDc, 1.234, 0.004, "-1", 3);
    walk(func::VoltsDc, -0.056, 0.003, "-1", 3);
    s.push_back({func::VoltsDc, " OL ", "0"});
    s.push_back({func::VoltsDc, " OL ", "0"});
    s.push_back({func::VoltsDc, "-OL", "0"});
    walk(func::VoltsAc, 2.301, 0.004, "2", 5);    // mains, about 230 V
    walk(func::VoltsAcDc, 1.234, 0.003, "1", 4);  // 12.34 V
    walk(func::Volts20, 1.500, 0.002, "0", 4);    // 1.500 V
    walk(func::AmpsDc, -0.250, 0.002, "-1", 4);   // -25.0 mA
    walk(func::AmpsAc, 1.234, 0.005, "-1", 4);    // 123.4 mA
    walk(func::AmpsAcDc, 1.000, 0.004, "0", 4);   // 1.000 A
    walk(func::Ohms, 4.700, 0.002, "3", 4);       // 4.700 kOhm
    s.push_back({func::Ohms, " OL ", "3"});       // open leads
    s.push_back({func::Ohms, " OL ", "3"});
    walk(func::Ohms, 1.000, 0.001, "6", 3);          // 1.000 MOhm
    walk(func::Ohms384, 0.512, 0.001, "2", 4);       // 51.2 Ohm
    walk(func::Capacitance, 4.700, 0.003, "-7", 4);  // 470.0 nF
    walk(func::Capacitance, 1.000, 0.002, "-5", 3);  // 10.00 uF
    walk(func::Frequency, 5.000, 0.002, "1", 4);     // 50.00 Hz
    walk(func::Frequency, 1.000, 0.001, "3", 3);     // 1.000 kHz
    walk(func::Celsius, 24.0, 0.8, "1", 5, "%.1f", "C");
    walk(func::Celsius, -5.0, 0.5, "1", 2, "%.1f", "C");
    walk(func::Fahrenheit, 75.2, 1.0, "1", 5, "%.1f", "F");
    walk(func::Percent, 50.0, 0.3, "0", 4, "%.1f");
    walk(func::Percent2050, 25.0, 0.2, "0", 3, "%.1f");
    walk(func::DecibelMilliwatt, -12.5, 0.3, "0", 4, "%.1f");
    walk(func::None, 0.056, 0.001, "3", 3);
    // What only the chips' displays tell apart; the adaptor plays them as plain readings.
    s.push_back({func::VoltsDc, "0.598", "0", SimMark::Diode});    // a silicon diode
    s.push_back({func::Ohms, "0.003", "2", SimMark::Continuity});  // 0.3 Ohm, beeping
    s.push_back({func::None, "0.215", "3", SimMark::Hfe});         // hFE 215
    return s;
}

std::string DescribeReading(const SimReading& reading) {
    std::string code;
    if (reading.status & kLowBatteryBit) {
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "0x%08X", static_cast<unsigned>(reading.status));
        code = buffer;
    } else {
        code = std::to_string(reading.status);
    }
    std::string text = code + " '" + reading.value + "' '" + reading.range + "'";
    switch (reading.mark) {
        case SimMark::Diode:
            return text + " diode";
        case SimMark::Continuity:
            return text + " continuity";
        case SimMark::Hfe:
            return text + " hfe";
        case SimMark::None:
            break;
    }
    return text;
}

Result<Protocol> ParseProtocol(std::string_view name) {
    if (name == "adaptor") return Protocol::Adaptor;
    if (name == "fs9721") return Protocol::Fs9721;
    if (name == "fs9922") return Protocol::Fs9922;
    if (name == "es51922") return Protocol::Es51922;
    if (name == "ascii14") return Protocol::Ascii14;
    if (name == "ascii14-600") return Protocol::Ascii14At600;
    if (name == "ascii14-2400") return Protocol::Ascii14At2400;
    if (name == "ascii14-9600") return Protocol::Ascii14At9600;
    if (name == "ut71x") return Protocol::Ut71x;
    return Invalid("unknown protocol '" + std::string(name) +
                   "' (adaptor, fs9721, fs9922, es51922, ascii14, ascii14-600, ascii14-2400, "
                   "ascii14-9600 or ut71x)");
}

bool IsAscii14(Protocol protocol) {
    return protocol == Protocol::Ascii14 || protocol == Protocol::Ascii14At600 ||
           protocol == Protocol::Ascii14At2400 || protocol == Protocol::Ascii14At9600;
}

const char* ProtocolName(Protocol protocol) {
    switch (protocol) {
        case Protocol::Fs9721:
            return "fs9721";
        case Protocol::Fs9922:
            return "fs9922";
        case Protocol::Es51922:
            return "es51922";
        case Protocol::Ascii14:
            return "ascii14";
        case Protocol::Ascii14At600:
            return "ascii14-600";
        case Protocol::Ascii14At2400:
            return "ascii14-2400";
        case Protocol::Ascii14At9600:
            return "ascii14-9600";
        case Protocol::Ut71x:
            return "ut71x";
        case Protocol::Adaptor:
            break;
    }
    return "adaptor";
}

LineFormat ChipLine(Protocol protocol) {
    switch (protocol) {
        case Protocol::Es51922:
            return {19200, 7, 'O', 1};
        case Protocol::Ascii14:
            return {1200, 7, 'N', 2};
        case Protocol::Ascii14At600:
            return {600, 7, 'N', 2};
        case Protocol::Ascii14At2400:
            return {2400, 7, 'N', 2};
        case Protocol::Ascii14At9600:
            return {9600, 7, 'N', 2};
        case Protocol::Ut71x:
            return {2400, 7, 'O', 1};
        case Protocol::Fs9721:
        case Protocol::Fs9922:
        case Protocol::Adaptor:
            break;
    }
    return kChipLine;
}

int ChipPeriodMs(Protocol protocol) {
    switch (protocol) {
        case Protocol::Ascii14:
        case Protocol::Ascii14At600:
        case Protocol::Ascii14At2400:
        case Protocol::Ascii14At9600:
            return 0;
        case Protocol::Es51922:
        case Protocol::Ut71x:
            return 500;  // about two a second
        case Protocol::Fs9721:
        case Protocol::Fs9922:
        case Protocol::Adaptor:
            break;
    }
    return kChipPeriodMs;
}

double CharacterSeconds(const LineFormat& format) {
    if (format.baud <= 0) return 0;
    const int bits = 1 + format.dataBits + (format.parity == 'N' ? 0 : 1) + format.stopBits;
    return static_cast<double>(bits) / format.baud;
}

LineFormat ClientLine(const LineFormat& seen, bool parityOdd, const LineFormat& meter) {
    if (seen.dataBits != 8 || seen.parity != 'N') return seen;
    LineFormat client = seen;
    client.dataBits = meter.dataBits;
    client.parity = parityOdd ? 'O' : 'N';
    return client;
}

std::string DescribeLine(const LineFormat& format) {
    return std::to_string(format.baud) + " " + std::to_string(format.dataBits) + format.parity +
           std::to_string(format.stopBits);
}

std::vector<std::uint8_t> Reframe(const std::vector<std::uint8_t>& bytes, const LineFormat& tx,
                                  const LineFormat& rx) {
    std::vector<std::uint8_t> out;
    if (tx.baud <= 0 || rx.baud <= 0 || rx.dataBits < 1 || rx.dataBits > 8) return out;
    // The line, one entry per bit time of the sender, idle (1) around the bytes.
    constexpr std::size_t kIdle = 24;
    std::vector<std::uint8_t> line(kIdle, 1);
    for (std::uint8_t b : bytes) {
        line.push_back(0);
        int ones = 0;
        for (int k = 0; k < tx.dataBits; ++k) {
            const int bit = (b >> k) & 1;
            ones += bit;
            line.push_back(static_cast<std::uint8_t>(bit));
        }
        if (tx.parity == 'E') line.push_back(static_cast<std::uint8_t>(ones % 2));
        if (tx.parity == 'O') line.push_back(static_cast<std::uint8_t>(1 - ones % 2));
        for (int k = 0; k < tx.stopBits; ++k) line.push_back(1);
    }
    line.insert(line.end(), kIdle, 1);

    // One bit of the receiver in bit times of the sender.
    const double ratio = static_cast<double>(tx.baud) / rx.baud;
    auto level = [&](double t) {
        const double at = std::floor(t);
        if (at < 0 || at >= static_cast<double>(line.size())) return 1;
        return static_cast<int>(line[static_cast<std::size_t>(at)]);
    };
    const int framed = 1 + rx.dataBits + (rx.parity == 'N' ? 0 : 1);
    std::size_t i = 1;
    while (i < line.size()) {
        // A start bit begins where the line falls.
        if (!(line[i] == 0 && line[i - 1] == 1)) {
            ++i;
            continue;
        }
        const double start = static_cast<double>(i);
        if (level(start + 0.5 * ratio) != 0) {
            ++i;  // a glitch, not a start bit
            continue;
        }
        int value = 0;
        for (int k = 0; k < rx.dataBits; ++k) {
            if (level(start + (1.5 + k) * ratio)) value |= 1 << k;
        }
        bool stopped = true;
        for (int k = 0; k < rx.stopBits; ++k) {
            if (!level(start + (framed + k + 0.5) * ratio)) stopped = false;
        }
        out.push_back(stopped ? static_cast<std::uint8_t>(value) : 0);
        const double resume = start + (framed + rx.stopBits - 0.5) * ratio;
        i = std::max(i + 1, static_cast<std::size_t>(std::ceil(resume)));
    }
    return out;
}

namespace {

// Prefix exponents a function's ranges use, smallest first.
std::vector<int> PrefixesOf(chips::Quantity q) {
    switch (q) {
        case chips::Quantity::Volts:
            return {-3, 0};
        case chips::Quantity::Amps:
            return {-6, -3, 0};
        case chips::Quantity::Ohms:
        case chips::Quantity::Hertz:
            return {0, 3, 6};
        case chips::Quantity::Farads:
            return {-9, -6, -3};
        default:
            return {0};
    }
}

// The digits of a plain decimal text: sign, integer digits, fraction digits.
struct DecimalText {
    bool negative = false;
    std::string integer;
    std::string fraction;
};

std::optional<DecimalText> SplitDecimal(std::string_view text) {
    DecimalText d;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        d.negative = text[0] == '-';
        text.remove_prefix(1);
    }
    bool point = false;
    for (char c : text) {
        if (c == '.' && !point) {
            point = true;
        } else if (c >= '0' && c <= '9') {
            (point ? d.fraction : d.integer) += c;
        } else {
            return std::nullopt;
        }
    }
    if (d.integer.empty() && d.fraction.empty()) return std::nullopt;
    if (d.integer.empty()) d.integer = "0";
    return d;
}

}  // namespace

namespace {

// The families that show five digits, or whose ranges are fixed: the display is
// the one their packet shows it in, the first (with the fewest leading digits)
// that the family has a range for.
std::optional<chips::LcdReading> FitDisplay(Protocol protocol, chips::LcdReading lcd,
                                            const std::string& digits, bool overload, int lead) {
    const int width = IsAscii14(protocol) ? 4 : 5;
    for (int top = lead; top < lead + width; ++top) {
        for (int prefix : {6, 3, 0, -3, -6, -9}) {
            const int shift = top - prefix;
            if (shift < 0 || shift >= width) continue;
            lcd.prefix = prefix;
            lcd.point = shift < width - 1 ? shift + 1 : 0;
            if (overload) {
                lcd.digits = width == 4 ? " 0L " : " 0L  ";
            } else {
                // Zeros in front down to the value's first digit, then its digits.
                std::string shown(static_cast<std::size_t>(top - lead), '0');
                shown += digits;
                shown.resize(static_cast<std::size_t>(width), '0');
                if (IsAscii14(protocol)) {
                    // A text meter writes no zeros in front of the digit left of the point.
                    const std::size_t keep =
                        lcd.point == 0 ? shown.size() - 1 : static_cast<std::size_t>(lcd.point - 1);
                    for (std::size_t i = 0; i < keep && shown[i] == '0'; ++i) shown[i] = ' ';
                }
                lcd.digits = shown;
            }
            std::optional<chips::LcdReading> sent;
            if (protocol == Protocol::Es51922) {
                if (const auto p = chips::EncodeEs51922(lcd)) sent = chips::DecodeEs51922(*p);
            } else if (protocol == Protocol::Ut71x) {
                if (const auto p = chips::EncodeUt71x(lcd)) sent = chips::DecodeUt71x(*p);
            } else if (const auto p = chips::EncodeAscii14(lcd)) {
                sent = chips::DecodeAscii14(*p);
            }
            if (sent) {
                sent->lowBattery = lcd.lowBattery;
                return sent;
            }
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<chips::LcdReading> ChipDisplay(Protocol protocol, const SimReading& reading) {
    using chips::Coupling;
    using chips::Quantity;
    if (protocol == Protocol::Adaptor) return std::nullopt;
    const bool fs9721 = protocol == Protocol::Fs9721;
    chips::LcdReading lcd;
    lcd.lowBattery = (reading.status & kLowBatteryBit) != 0;
    lcd.autoRange = true;
    const int code = FunctionCode(reading.status);
    switch (code) {
        case func::VoltsAc:
        case func::VoltsDc:
        case func::Volts20:
            lcd.quantity = Quantity::Volts;
            lcd.coupling = code == func::VoltsAc   ? Coupling::Ac
                           : code == func::VoltsDc ? Coupling::Dc
                                                   : Coupling::None;
            if (reading.mark == SimMark::Diode) {
                lcd.diode = true;
                lcd.coupling = Coupling::None;
            }
            break;
        case func::AmpsAc:
        case func::AmpsDc:
            lcd.quantity = Quantity::Amps;
            lcd.coupling = code == func::AmpsAc ? Coupling::Ac : Coupling::Dc;
            break;
        case func::Ohms:
        case func::Ohms384:
            lcd.quantity = Quantity::Ohms;
            lcd.continuity = reading.mark == SimMark::Continuity;
            break;
        case func::Capacitance:
            lcd.quantity = Quantity::Farads;
            break;
        case func::Frequency:
            lcd.quantity = Quantity::Hertz;
            break;
        case func::Percent:
        case func::Percent2050:
            lcd.quantity = Quantity::Percent;
            break;
        case func::Celsius:
        case func::Fahrenheit:
            if (fs9721) return std::nullopt;
            lcd.quantity = code == func::Celsius ? Quantity::Celsius : Quantity::Fahrenheit;
            break;
        case func::None:
            if (reading.mark == SimMark::Hfe && fs9721) return std::nullopt;
            lcd.quantity = reading.mark == SimMark::Hfe ? Quantity::Hfe : Quantity::None;
            break;
        default:
            return std::nullopt;
    }

    std::string text(Trim(reading.value));
    int rangeShift = 0;
    if ((code == func::Celsius || code == func::Fahrenheit) && !text.empty() &&
        (text.back() == 'C' || text.back() == 'F')) {
        text.pop_back();
        rangeShift = -1;
    }
    const std::optional<int> range = ParseInteger(reading.range);
    if (!range) return std::nullopt;
    const bool overload = text.find('L') != std::string::npos;
    int lead = *range + rangeShift;  // exponent of the first digit shown
    std::string digits;
    const bool fortune = protocol == Protocol::Fs9721 || protocol == Protocol::Fs9922;
    if (overload) {
        lcd.negative = text.find('-') != std::string::npos;
        digits = " 0L ";
    } else {
        const std::optional<DecimalText> d = SplitDecimal(Trim(text));
        if (!d || d->integer.size() > (fortune ? 4u : 5u)) return std::nullopt;
        lcd.negative = d->negative;
        lead += static_cast<int>(d->integer.size()) - 1;
        digits = d->integer + d->fraction;
        if (fortune) digits.resize(4, '0');
    }
    if (!fortune) return FitDisplay(protocol, lcd, digits, overload, lead);
    std::optional<int> prefix;
    for (int p : PrefixesOf(lcd.quantity)) {
        if (p <= lead && lead - p <= 3) prefix = p;
    }
    if (!prefix) return std::nullopt;
    lcd.prefix = *prefix;
    const int shift = lead - *prefix;
    lcd.point = shift < 3 ? shift + 1 : 0;
    std::copy(digits.begin(), digits.end(), lcd.digits.begin());
    return lcd;
}

std::vector<std::uint8_t> ChipPacket(Protocol protocol, const chips::LcdReading& lcd) {
    auto bytes = [](const auto& packet) -> std::vector<std::uint8_t> {
        if (!packet) return {};
        return {packet->begin(), packet->end()};
    };
    switch (protocol) {
        case Protocol::Es51922:
            return bytes(chips::EncodeEs51922(lcd));
        case Protocol::Ascii14:
        case Protocol::Ascii14At600:
        case Protocol::Ascii14At2400:
        case Protocol::Ascii14At9600:
            return bytes(chips::EncodeAscii14(lcd));
        case Protocol::Ut71x:
            return bytes(chips::EncodeUt71x(lcd));
        case Protocol::Fs9721: {
            const chips::Fs9721Packet p = chips::EncodeFs9721(lcd);
            return {p.begin(), p.end()};
        }
        case Protocol::Fs9922:
        case Protocol::Adaptor:
            break;
    }
    const chips::Fs9922Packet p = chips::EncodeFs9922(lcd);
    return {p.begin(), p.end()};
}

ChipStreamer::ChipStreamer(Protocol protocol, const std::vector<SimReading>& scenario)
    : protocol_(protocol) {
    for (const SimReading& r : scenario.empty() ? DefaultScenario() : scenario) {
        if (std::optional<chips::LcdReading> lcd = ChipDisplay(protocol, r)) {
            displays_.push_back(*lcd);
            notes_.push_back(DescribeReading(r));
        } else {
            ++skipped_;
        }
    }
}

SimReply ChipStreamer::next() {
    const std::uint64_t number = ++packets_;
    bool silent = modes_.silent;
    if (!silent && modes_.silentAfter && number > *modes_.silentAfter) {
        silent = modes_.silentFor == 0 || number - *modes_.silentAfter <= modes_.silentFor;
    }
    if (silent || displays_.empty()) return SimReply{{}, "silent"};

    chips::LcdReading lcd = displays_[position_];
    std::string note = notes_[position_];
    position_ = (position_ + 1) % displays_.size();
    if (modes_.lowBattery) {
        lcd.lowBattery = true;
        note += ", low battery";
    }
    std::vector<std::uint8_t> bytes = ChipPacket(protocol_, lcd);
    const bool set = protocol_ == Protocol::Ascii14At9600;
    if (set) {
        // The other lines show what comes next, so that a reader that takes one of
        // them for the reading is caught out.
        for (std::size_t k = 0; k + 1 < chips::kAscii14SetLines; ++k) {
            const std::vector<std::uint8_t> other =
                ChipPacket(protocol_, displays_[(position_ + k) % displays_.size()]);
            bytes.insert(bytes.end(), other.begin(), other.end());
        }
    }
    if (modes_.shortPayload) {
        bytes.resize(set ? chips::kAscii14PacketSize + kShortChipPacketSize : kShortChipPacketSize);
        note += ", cut to " + std::to_string(bytes.size()) + " bytes";
    }
    if (modes_.garbage) {
        std::uniform_int_distribution<int> byte(0, 255);
        for (std::uint8_t& b : bytes) b = static_cast<std::uint8_t>(byte(rng_));
        note = "garbage in place of " + note;
    }
    return SimReply{std::move(bytes), note};
}

}  // namespace dmm::sim

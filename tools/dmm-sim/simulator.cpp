#include "tools/dmm-sim/simulator.h"

#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "meterlink/labels.h"
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

Result<SimReading> ParseReadingLine(std::string_view line) {
    Result<std::vector<std::string>> split = SplitFields(line);
    if (!split) return split.status();
    const std::vector<std::string>& fields = *split;
    if (fields.size() != 3) {
        return Invalid("expected 3 fields (code; value text; range text), found " +
                       std::to_string(fields.size()));
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
    return SimReading{*status, fields[1], fields[2]};
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
    return code + " '" + reading.value + "' '" + reading.range + "'";
}

}  // namespace dmm::sim

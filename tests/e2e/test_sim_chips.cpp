// dmm-sim as a meter built on a measuring chip: it streams packets (or answers
// "D") a reader of the chip decodes, but only while the terminal is set to the
// chip's line.
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "meterlink/chips/ascii14.h"
#include "meterlink/chips/es51922.h"
#include "meterlink/chips/fs9721.h"
#include "meterlink/chips/fs9922.h"
#include "meterlink/chips/ut71x.h"
#include "meterlink/numparse.h"
#include "support/sim.h"

namespace dmm::test {
namespace {

using namespace std::chrono_literals;

// The client's end of the terminal, set up as a program sets up a serial port.
class Port {
public:
    explicit Port(const std::string& path)
        : fd_(open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK)) {}
    ~Port() {
        if (fd_ >= 0) close(fd_);
    }
    Port(const Port&) = delete;
    Port& operator=(const Port&) = delete;
    bool ok() const { return fd_ >= 0; }

    void set(speed_t speed, tcflag_t framing = CS8) {
        termios tio{};
        tcgetattr(fd_, &tio);
        cfmakeraw(&tio);
        cfsetispeed(&tio, speed);
        cfsetospeed(&tio, speed);
        tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB);
        tio.c_cflag |= framing | CLOCAL | CREAD;
        tcsetattr(fd_, TCSANOW, &tio);
    }

    void write(const std::string& bytes) {
        if (::write(fd_, bytes.data(), bytes.size()) < 0) ADD_FAILURE() << "write failed";
    }

    // Everything that arrives in the next span.
    std::vector<std::uint8_t> read(std::chrono::milliseconds span) {
        std::vector<std::uint8_t> bytes;
        const auto end = std::chrono::steady_clock::now() + span;
        for (auto now = std::chrono::steady_clock::now(); now < end;
             now = std::chrono::steady_clock::now()) {
            pollfd pfd{fd_, POLLIN, 0};
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - now);
            if (poll(&pfd, 1, static_cast<int>(left.count()) + 1) <= 0) continue;
            std::uint8_t buffer[256];
            const ssize_t n = ::read(fd_, buffer, sizeof buffer);
            if (n > 0) bytes.insert(bytes.end(), buffer, buffer + n);
        }
        return bytes;
    }

private:
    int fd_;
};

using Setting = std::pair<speed_t, tcflag_t>;
constexpr tcflag_t k7O1 = CS7 | PARENB | PARODD;

struct Family {
    const char* name;
    std::vector<chips::LcdReading> (*decode)(const std::vector<std::uint8_t>&);
    std::set<std::pair<int, std::string>> shown;  // function code and display text
    Setting right;
    std::vector<std::pair<const char*, Setting>> wrong;
    std::int32_t counts;
};

template <class Reader>
std::vector<chips::LcdReading> Decode(const std::vector<std::uint8_t>& bytes) {
    Reader reader;
    std::vector<chips::LcdReading> out;
    reader.feed(bytes.data(), bytes.size(), out);
    return out;
}

// DC volts, continuity, DC milliamps, dBm (which no chip shows) and a temperature
// (which the FS9721 does not show).
const char* const kScenario =
    "6;1.234;0\n128;0.003;2;continuity\n514;-0.250;-1\n8192;-12.5;0\n32;25.0C;1\n";

std::set<std::pair<int, std::string>> Shown(const Family& f,
                                            const std::vector<std::uint8_t>& bytes) {
    std::set<std::pair<int, std::string>> seen;
    for (const chips::LcdReading& lcd : f.decode(bytes)) {
        MeterReading r;
        chips::FillReading(lcd, f.counts, r);
        seen.insert({r.iFunc, FieldString(r.szDisplay)});
    }
    return seen;
}

// A pseudo-terminal keeps 8 data bits without parity whatever the client sets, so
// the baud rate, the stop bits and odd parity are what it can get wrong.
const std::vector<std::pair<const char*, Setting>> kFortuneWrong = {
    {"9600 baud", {B9600, CS8}},
    {"1200 baud", {B1200, CS8}},
    {"2 stop bits", {B2400, CS8 | CSTOPB}},
    {"odd parity", {B2400, k7O1}}};

TEST(SimChips, StreamsTheScenarioAtTheChipsLineAndGarbageAtAnyOtherSetting) {
    const Family families[] = {
        {"fs9721",
         Decode<chips::Fs9721Reader>,
         {{6, "1.234"}, {128, "000.3"}, {514, "-025.0"}},
         {B2400, CS8},
         kFortuneWrong,
         chips::kFs9721Counts},
        {"fs9922",
         Decode<chips::Fs9922Reader>,
         {{6, "1.234"}, {128, "000.3"}, {514, "-025.0"}, {32, "25.00"}},
         {B2400, CS8},
         kFortuneWrong,
         chips::kFs9922Counts},
        {"es51922",
         Decode<chips::Es51922Reader>,
         {{6, "1.2340"}, {128, "000.30"}, {514, "-025.00"}, {32, "0025.0"}},
         {B19200, k7O1},
         {{"9600 baud", {B9600, k7O1}},
          {"no parity", {B19200, CS8}},
          {"2 stop bits", {B19200, k7O1 | CSTOPB}}},
         chips::kEs51922Counts},
        {"ut71x",
         Decode<chips::Ut71xReader>,
         {{6, "1.2340"}, {128, "000.30"}, {514, "-025.00"}, {32, "0025.0"}},
         {B2400, k7O1},
         {{"9600 baud", {B9600, k7O1}}, {"no parity", {B2400, CS8}}, {"1200 baud", {B1200, k7O1}}},
         chips::kUt71xCounts},
    };
    for (const Family& f : families) {
        SCOPED_TRACE(f.name);
        TempDir dir;
        Sim sim({"--protocol", f.name, "--scenario", WriteScenario(dir.path(), kScenario)});
        ASSERT_FALSE(sim.device().empty());
        Port port(sim.device());
        ASSERT_TRUE(port.ok());

        port.set(f.right.first, f.right.second);
        port.read(100ms);  // what was sent before
        // A packet every 400 or 500 ms: every reading of the cycle.
        EXPECT_EQ(Shown(f, port.read(2500ms)), f.shown);

        for (const auto& [what, setting] : f.wrong) {
            SCOPED_TRACE(what);
            port.set(setting.first, setting.second);
            port.read(300ms);  // a packet under way when the setting changed
            const std::vector<std::uint8_t> bytes = port.read(1100ms);
            EXPECT_FALSE(bytes.empty()) << "a real cable still delivers something";
            EXPECT_TRUE(Shown(f, bytes).empty());
        }

        port.set(f.right.first, f.right.second);
        port.read(300ms);
        EXPECT_FALSE(Shown(f, port.read(1100ms)).empty()) << "back in step";
    }
}

// The lines of one answer: the display of its only line, or of the first of four.
std::vector<chips::LcdReading> DecodeAnswer(std::size_t lines,
                                            const std::vector<std::uint8_t>& bytes) {
    if (lines == 1) return Decode<chips::Ascii14Reader>(bytes);
    chips::Ascii14SetReader reader;
    reader.requestSent();
    std::vector<chips::LcdReading> out;
    reader.feed(bytes.data(), bytes.size(), out);
    return out;
}

TEST(SimChips, Ascii14AnswersEachDAtItsOwnSettingAndNothingAtOtherSettings) {
    struct Row {
        const char* name;
        Setting right;
        std::vector<std::pair<const char*, Setting>> wrong;
        std::size_t lines;               // in each answer
        std::chrono::milliseconds wait;  // for an answer: a line takes 10 bit times a byte
    };
    const Row rows[] = {
        {"ascii14",
         {B1200, CS7 | CSTOPB},
         {{"9600 baud", {B9600, CS7 | CSTOPB}},
          {"2400 baud", {B2400, CS7 | CSTOPB}},
          {"600 baud", {B600, CS7 | CSTOPB}}},
         1,
         250ms},
        {"ascii14-600",
         {B600, CS7 | CSTOPB},
         {{"1200 baud", {B1200, CS7 | CSTOPB}}, {"2400 baud", {B2400, CS7 | CSTOPB}}},
         1,
         400ms},
        {"ascii14-2400",
         {B2400, CS7 | CSTOPB},
         {{"1200 baud", {B1200, CS7 | CSTOPB}}, {"9600 baud", {B9600, CS7 | CSTOPB}}},
         1,
         250ms},
        {"ascii14-9600",
         {B9600, CS7 | CSTOPB},
         {{"1200 baud", {B1200, CS7 | CSTOPB}}, {"2400 baud", {B2400, CS7 | CSTOPB}}},
         chips::kAscii14SetLines,
         250ms},
    };
    // The scenario's readings in turn: each answer's first line is the next one.
    const std::vector<std::pair<int, std::string>> cycle = {
        {6, "1.234"}, {128, "0.3"}, {514, "-25.0"}, {32, "25.00"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TempDir dir;
        Sim sim({"--protocol", row.name, "--scenario", WriteScenario(dir.path(), kScenario)});
        ASSERT_FALSE(sim.device().empty());
        Port port(sim.device());
        ASSERT_TRUE(port.ok());

        // Asks, then waits for the answer; the displays the answers show, in order.
        auto ask = [&](int times, std::size_t* bytes = nullptr) {
            std::vector<std::pair<int, std::string>> shown;
            for (int i = 0; i < times; ++i) {
                port.write("D");
                const std::vector<std::uint8_t> got = port.read(row.wait);
                if (bytes) *bytes += got.size();
                for (const chips::LcdReading& lcd : DecodeAnswer(row.lines, got)) {
                    MeterReading r;
                    chips::FillReading(lcd, chips::kAscii14Counts, r);
                    shown.emplace_back(r.iFunc, FieldString(r.szDisplay));
                }
            }
            return shown;
        };
        port.set(row.right.first, row.right.second);
        EXPECT_TRUE(port.read(600ms).empty()) << "the meter speaks only when asked";
        std::size_t bytes = 0;
        std::vector<std::pair<int, std::string>> expected = cycle;
        expected.insert(expected.end(), cycle.begin(), cycle.end());
        EXPECT_EQ(ask(8, &bytes), expected);
        EXPECT_EQ(bytes, 8 * row.lines * chips::kAscii14PacketSize) << "an answer for each D";

        for (const auto& [what, setting] : row.wrong) {
            SCOPED_TRACE(what);
            port.set(setting.first, setting.second);
            EXPECT_TRUE(ask(4).empty());
        }
        port.set(row.right.first, row.right.second);
        port.read(300ms);
        EXPECT_FALSE(ask(2).empty()) << "back in step";
    }
}

TEST(SimChips, RefusesWhatBelongsToTheAdaptorAndUnknownProtocols) {
    const std::vector<std::vector<std::string>> refused = {
        {"--protocol", "fs9999"},
        {"--protocol", "fs9721", "--check-dle"},
        {"--protocol", "fs9922", "--identity", "3"},
        {"--protocol", "fs9721", "--memory-log", "10"},
        {"--protocol", "fs9721", "--reading", "8192;-12.5;0"},  // nothing it can show
    };
    for (const auto& args : refused) {
        Process p(DMM_SIM_PATH, args);
        const std::optional<std::string> line = p.readErrLine(5s);
        ASSERT_TRUE(line) << args[1];
        EXPECT_EQ(line->rfind("dmm-sim: ", 0), 0u) << *line;
        EXPECT_EQ(p.wait(5s), 2) << *line;
    }
}

}  // namespace
}  // namespace dmm::test

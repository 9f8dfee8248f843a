// dmm-sim as a meter built on a measuring chip: it streams packets a reader of
// the chip decodes, but only while the terminal is set to the chip's 2400 8N1.
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

#include "meterlink/chips/fs9721.h"
#include "meterlink/chips/fs9922.h"
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

struct Family {
    const char* name;
    std::int32_t counts;
    std::vector<chips::LcdReading> (*decode)(const std::vector<std::uint8_t>&);
    std::set<std::pair<int, std::string>> shown;  // function code and display text
};

template <class Reader>
std::vector<chips::LcdReading> Decode(const std::vector<std::uint8_t>& bytes) {
    Reader reader;
    std::vector<chips::LcdReading> out;
    reader.feed(bytes.data(), bytes.size(), out);
    return out;
}

// DC volts, continuity, DC milliamps and dBm (which neither chip shows); the FS9922
// shows the temperature too.
const char* const kScenario =
    "6;1.234;0\n128;0.003;2;continuity\n514;-0.250;-1\n8192;-12.5;0\n32;25.0C;1\n";

TEST(SimChips, StreamsTheScenarioAt2400Baud8N1AndGarbageAtAnyOtherSetting) {
    const Family families[] = {
        {"fs9721",
         chips::kFs9721Counts,
         Decode<chips::Fs9721Reader>,
         {{6, "1.234"}, {128, "000.3"}, {514, "-025.0"}}},
        {"fs9922",
         chips::kFs9922Counts,
         Decode<chips::Fs9922Reader>,
         {{6, "1.234"}, {128, "000.3"}, {514, "-025.0"}, {32, "25.00"}}},
    };
    for (const Family& f : families) {
        SCOPED_TRACE(f.name);
        TempDir dir;
        Sim sim({"--protocol", f.name, "--scenario", WriteScenario(dir.path(), kScenario)});
        ASSERT_FALSE(sim.device().empty());
        Port port(sim.device());
        ASSERT_TRUE(port.ok());

        auto shown = [&](const std::vector<std::uint8_t>& bytes) {
            std::set<std::pair<int, std::string>> seen;
            for (const chips::LcdReading& lcd : f.decode(bytes)) {
                MeterReading r;
                chips::FillReading(lcd, f.counts, r);
                EXPECT_EQ(r.iFullScale, f.counts);
                seen.insert({r.iFunc, FieldString(r.szDisplay)});
            }
            return seen;
        };

        port.set(B2400);
        port.read(100ms);  // what was sent before
        // A packet every 400 ms: every reading of the cycle.
        EXPECT_EQ(shown(port.read(2500ms)), f.shown);

        // A pseudo-terminal keeps 8 data bits without parity whatever the client sets,
        // so the baud rate and the stop bits are what it can get wrong.
        const std::pair<const char*, std::pair<speed_t, tcflag_t>> wrong[] = {
            {"9600 baud", {B9600, CS8}},
            {"1200 baud", {B1200, CS8}},
            {"2 stop bits", {B2400, CS8 | CSTOPB}}};
        for (const auto& [what, setting] : wrong) {
            SCOPED_TRACE(what);
            port.set(setting.first, setting.second);
            port.read(300ms);  // a packet under way when the setting changed
            const std::vector<std::uint8_t> bytes = port.read(900ms);
            EXPECT_FALSE(bytes.empty()) << "a real cable still delivers something";
            EXPECT_TRUE(shown(bytes).empty());
        }

        port.set(B2400);
        port.read(300ms);
        EXPECT_FALSE(shown(port.read(1000ms)).empty()) << "back in step";
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

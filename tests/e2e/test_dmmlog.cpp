// dmmlog against dmm-sim on a pseudo-terminal.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/process.h"
#include "support/sim.h"

using namespace std::chrono_literals;
using dmm::test::Process;
using dmm::test::Sim;
using dmm::test::TempDir;
using dmm::test::WriteScenario;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab - start));
        if (tab == std::string::npos) return fields;
        start = tab + 1;
    }
}

}  // namespace

TEST(DmmlogRead, PrintsOneDecodedLinePerReading) {
    TempDir dir;
    Sim sim({"--scenario", WriteScenario(dir.path(),
                                         "6\t1.234\t0\n"
                                         "6\t-0.056\t-1\n"
                                         "32\t25.0C\t1\n")});
    ASSERT_FALSE(sim.device().empty());
    Process read(DMMLOG_PATH, {"read", "--port", sim.device(), "--count", "3", "--interval", "0"});
    std::vector<std::vector<std::string>> lines;
    for (int i = 0; i < 3; ++i) {
        auto line = read.readLine(10s);
        ASSERT_TRUE(line) << "reading " << i << " missing; stderr: " << read.drainErr();
        lines.push_back(SplitTabs(*line));
    }
    EXPECT_EQ(read.wait(5s), 0);
    // time, code, value, range, display, unit, function, charted value
    ASSERT_EQ(lines[0].size(), 8u);
    EXPECT_EQ(std::vector<std::string>(lines[0].begin() + 1, lines[0].end()),
              (std::vector<std::string>{"6", "1.234", "0", "1.234", "", "V", "1.23399997"}));
    EXPECT_EQ(std::vector<std::string>(lines[1].begin() + 1, lines[1].end()),
              (std::vector<std::string>{"6", "-0.056", "-1", "-005.6", "m", "V", "-0.0055999998"}));
    // Temperature: the unit letter is dropped and the range text lowered by one.
    EXPECT_EQ(std::vector<std::string>(lines[2].begin() + 1, lines[2].end()),
              (std::vector<std::string>{"32", "25.0", "0", "025", "", "C", "25"}));
}

TEST(DmmlogRead, WarnsAfterThreeSilentPollsAndGoesOnPolling) {
    TempDir dir;
    Sim sim({"--silent", "--scenario", WriteScenario(dir.path(), "6\t1.000\t0\n")});
    ASSERT_FALSE(sim.device().empty());
    Process read(DMMLOG_PATH, {"read", "--port", sim.device(), "--count", "1", "--interval", "0"});
    // Three polls of about 3.25 s each go unanswered before the warning.
    auto warning = read.readErrLine(20s);
    ASSERT_TRUE(warning);
    EXPECT_NE(warning->find("Warning[W8004] No data received."), std::string::npos) << *warning;
    EXPECT_NE(warning->find("Will re-try automatically in 3 seconds."), std::string::npos);
    sim.process().signal(SIGUSR1);  // the meter answers again
    auto line = read.readLine(15s);
    ASSERT_TRUE(line);
    EXPECT_EQ(SplitTabs(*line).at(4), "1.000");
    EXPECT_EQ(read.wait(5s), 0);
}

TEST(DmmlogRead, WarnsOfLowBatteryOnEveryFrameAndStillDecodes) {
    TempDir dir;
    Sim sim({"--low-battery", "--scenario", WriteScenario(dir.path(), "514\t1.500\t-3\n")});
    Process read(DMMLOG_PATH, {"read", "--port", sim.device(), "--count", "2", "--interval", "0"});
    for (int i = 0; i < 2; ++i) {
        auto line = read.readLine(10s);
        ASSERT_TRUE(line);
        auto f = SplitTabs(*line);
        EXPECT_EQ(f.at(1), "514");  // the low-battery bit is not part of the function code
        EXPECT_EQ(f.at(4), "1500");
        EXPECT_EQ(f.at(5), "u");
        EXPECT_EQ(f.at(6), "A");
    }
    EXPECT_EQ(read.wait(5s), 0);
    std::string err = read.drainErr();
    std::size_t count = 0;
    for (std::size_t pos = 0; (pos = err.find("Warning[W8000]", pos)) != std::string::npos; ++pos)
        ++count;
    EXPECT_EQ(count, 2u) << err;
}

TEST(DmmlogRead, ResolvesAComLinkInTheCurrentFolder) {
    TempDir dir;
    Sim sim({"--link", "COM3", "--scenario", WriteScenario(dir.path(), "128\t1.234\t4\n")},
            dir.path().string());
    ASSERT_FALSE(sim.device().empty());
    ASSERT_TRUE(fs::is_symlink(dir.path() / "COM3"));

    Process ports(DMMLOG_PATH, {"ports"}, dir.path().string());
    EXPECT_EQ(ports.wait(30s), 0);
    std::string listing = ports.drainOut();
    EXPECT_NE(listing.find("COM3\t" + (dir.path() / "COM3").string() + "\topens"),
              std::string::npos)
        << listing;

    Process read(DMMLOG_PATH, {"read", "--port", "com3", "--count", "1", "--interval", "0"},
                 dir.path().string());
    auto line = read.readLine(10s);
    ASSERT_TRUE(line) << read.drainErr();
    auto f = SplitTabs(*line);
    EXPECT_EQ(f.at(4), "12.34");
    EXPECT_EQ(f.at(5), "K");
    EXPECT_EQ(f.at(6), "W");
    EXPECT_EQ(read.wait(5s), 0);
}

TEST(DmmlogRead, SaysTheDeviceIsGoneWhenTheSimulatorDies) {
    TempDir dir;
    Sim sim({"--scenario", WriteScenario(dir.path(), "6\t1.000\t0\n")});
    ASSERT_FALSE(sim.device().empty());
    Process read(DMMLOG_PATH, {"read", "--port", sim.device(), "--interval", "0"});
    ASSERT_TRUE(read.readLine(10s)) << read.drainErr();
    sim.process().signal(SIGKILL);
    ASSERT_EQ(sim.process().wait(5s), 128 + SIGKILL);
    EXPECT_EQ(read.wait(15s), 1);
    std::string err = read.drainErr();
    EXPECT_NE(err.find("dmmlog read: device gone: "), std::string::npos) << err;
    // At the first failed read, not as counted failures after three unanswered polls.
    EXPECT_EQ(err.find("No data received."), std::string::npos) << err;
}

TEST(DmmlogRead, ReportsAPortThatCannotBeOpened) {
    Process read(DMMLOG_PATH, {"read", "--port", "/dev/does-not-exist", "--count", "1"});
    EXPECT_EQ(read.wait(10s), 1);
    EXPECT_NE(read.drainErr().find("The specified serial port open error."), std::string::npos);
}

TEST(DmmlogDecode, DecodesPayloadsInOrderAndReportsBadLines) {
    Process decode(DMMLOG_PATH, {"decode"});
    decode.writeStdin(
        "# code 5, 1.234 range -1\n"
        "05000000 312e323334000000 00 2d31\n"
        "\n"
        "not hex\n"
        "05000000 204f2e4c00000000 00 2d31\n"  // overload after iShift 2
        "050000\n"
        "06000000 312e323334000000 00 3000\n");
    decode.closeStdin();
    EXPECT_EQ(decode.wait(5s), 1);
    std::string out = decode.drainOut();
    std::string err = decode.drainErr();
    EXPECT_EQ(out,
              "5\t1.234\t-1\t123.4\tm\tV\t0.123400003\n"
              "5\t O.L\t-1\t OL. \tm\tV\t0.550000012\n"
              "6\t1.234\t0\t1.234\t\tV\t1.23399997\n");
    EXPECT_NE(err.find("line 4"), std::string::npos) << err;
    EXPECT_NE(err.find("line 6"), std::string::npos) << err;
}

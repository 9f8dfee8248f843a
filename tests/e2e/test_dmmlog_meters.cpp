// dmmlog read --meter against dmm-sim streaming a chip's packets: the readings of
// the scenario come through the family's driver, and a meter spoken to in another
// family's protocol reads nothing.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "support/process.h"
#include "support/sim.h"

namespace dmm::test {
namespace {

using namespace std::chrono_literals;

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab - start));
        if (tab == std::string::npos) return fields;
        start = tab + 1;
    }
}

// DC volts and DC milliamps, negative.
const char* const kScenario = "6;1.234;0\n514;-0.250;-1\n";

TEST(DmmlogMeters, ReadsEachFamilyThroughItsDriver) {
    // function code, display text, unit text, function text
    using Shown = std::vector<std::string>;
    struct Family {
        const char* family;
        std::set<Shown> shown;
        bool asked = false;  // answers each poll: the readings come in the scenario's order
    };
    const Family families[] = {
        {"fs9721", {{"6", "1.234", "", "V"}, {"514", "-025.0", "m", "A"}}},
        {"fs9922", {{"6", "1.234", "", "V"}, {"514", "-025.0", "m", "A"}}},
        {"es51922", {{"6", "1.2340", "", "V"}, {"514", "-025.00", "m", "A"}}},
        {"ut71x", {{"6", "1.2340", "", "V"}, {"514", "-025.00", "m", "A"}}},
        {"ascii14", {{"6", "1.234", "", "V"}, {"514", "-25.0", "m", "A"}}, true},
        {"ascii14-600", {{"6", "1.234", "", "V"}, {"514", "-25.0", "m", "A"}}, true},
        // Four lines for each "D", the next reading second: only the first is read.
        {"ascii14-9600", {{"6", "1.234", "", "V"}, {"514", "-25.0", "m", "A"}}, true},
    };
    for (const Family& row : families) {
        const char* family = row.family;
        const std::set<Shown>& expected = row.shown;
        SCOPED_TRACE(family);
        TempDir dir;
        Sim sim({"--protocol", family, "--scenario", WriteScenario(dir.path(), kScenario)});
        ASSERT_FALSE(sim.device().empty());
        // Polls back to back follow the meter's pace: each packet is printed once.
        Process read(DMMLOG_PATH, {"read", "--port", sim.device(), "--meter", family, "--count",
                                   "4", "--interval", "0"});
        std::set<Shown> seen;
        for (int i = 0; i < 4; ++i) {
            const std::optional<std::string> line = read.readLine(std::chrono::seconds(10));
            ASSERT_TRUE(line) << "reading " << i << " missing; stderr: " << read.drainErr();
            const std::vector<std::string> f = SplitTabs(*line);
            ASSERT_EQ(f.size(), 8u) << *line;
            seen.insert({f[1], f[4], f[5], f[6]});
            if (row.asked) {
                EXPECT_EQ(f[1], i % 2 == 0 ? "6" : "514") << "reading " << i;
            }
        }
        EXPECT_EQ(read.wait(5s), 0);
        EXPECT_EQ(seen, expected);
        EXPECT_EQ(read.drainErr(), "") << "no warning while the meter streams";
    }
}

TEST(DmmlogMeters, TheWrongMeterReadsNothingAndAnUnknownOneIsRefused) {
    struct Case {
        const char* simProtocol;  // empty: the adaptor's
        const char* meter;
    };
    const Case cases[] = {
        {"fs9721", "fs9922"}, {"fs9922", "fs9721"}, {"", "fs9721"}, {"ascii14-9600", "ascii14"}};
    TempDir dir;
    const std::string scenario = WriteScenario(dir.path(), kScenario);
    // All at once: each takes three failed polls before its warning.
    std::vector<std::unique_ptr<Sim>> sims;
    std::vector<std::unique_ptr<Process>> reads;
    for (const Case& c : cases) {
        std::vector<std::string> args = {"--scenario", scenario};
        if (*c.simProtocol) args.insert(args.end(), {"--protocol", c.simProtocol});
        sims.push_back(std::make_unique<Sim>(args));
        ASSERT_FALSE(sims.back()->device().empty());
        reads.push_back(std::make_unique<Process>(
            DMMLOG_PATH, std::vector<std::string>{"read", "--port", sims.back()->device(),
                                                  "--meter", c.meter, "--interval", "0"}));
    }
    for (std::size_t i = 0; i < reads.size(); ++i) {
        SCOPED_TRACE(std::string(cases[i].meter) + " on " + cases[i].simProtocol);
        Process& read = *reads[i];
        const std::optional<std::string> warning = read.readErrLine(20s);
        ASSERT_TRUE(warning);
        EXPECT_NE(warning->find("Warning[W8004] No data received."), std::string::npos) << *warning;
        read.signal(SIGTERM);
        EXPECT_EQ(read.wait(5s), 0);
        EXPECT_EQ(read.drainOut(), "") << "nothing was read";
    }

    const Finished unknown =
        RunToEnd(DMMLOG_PATH, {"read", "--port", sims[0]->device(), "--meter", "FS9721"});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_EQ(
        unknown.err.rfind("dmmlog read: --meter must be one of adaptor, fs9721, fs9922, es51922, "
                          "ascii14, ascii14-600, ascii14-2400, ascii14-9600, ut71x, auto, "
                          "not 'FS9721'\n",
                          0),
        0u)
        << unknown.err;
}

// Waits for the end before reading what it printed: a probe takes seconds.
Finished RunProbe(const std::vector<std::string>& args) {
    Process p(DMMLOG_PATH, args);
    Finished r;
    r.status = p.wait(20s);
    r.out = p.drainOut();
    r.err = p.drainErr();
    return r;
}

// One family at a time, so that the probes of different families run side by side.
class DmmlogDetection : public ::testing::TestWithParam<const char*> {};

TEST_P(DmmlogDetection, NamesTheFamilyAndReadsIt) {
    const std::string family = GetParam();
    TempDir dir;
    std::vector<std::string> args = {"--scenario", WriteScenario(dir.path(), kScenario)};
    if (family != "adaptor") args.insert(args.end(), {"--protocol", family});
    Sim sim(args);
    ASSERT_FALSE(sim.device().empty());
    const Finished detect = RunProbe({"ports", "--detect", sim.device()});
    EXPECT_EQ(detect.status, 0) << detect.err;
    EXPECT_EQ(detect.out, sim.device() + "\t" + family + "\n");
    const Finished read = RunProbe(
        {"read", "--port", sim.device(), "--meter", "auto", "--count", "1", "--interval", "0"});
    EXPECT_EQ(read.status, 0) << read.err;
    EXPECT_EQ(std::count(read.out.begin(), read.out.end(), '\n'), 1) << read.out;
}

INSTANTIATE_TEST_SUITE_P(EveryProtocol, DmmlogDetection,
                         ::testing::Values("adaptor", "fs9721", "fs9922", "es51922", "ascii14",
                                           "ut71x", "ascii14-9600"));

TEST(DmmlogMeters, DetectionFindsNothingWhereNothingAnswersAndLeavesTheLineAsItWas) {
    Sim silent({"--silent"});
    ASSERT_FALSE(silent.device().empty());
    // The probe leaves the line's settings as it found them.
    const int fd = ::open(silent.device().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    termios before{};
    ASSERT_EQ(tcgetattr(fd, &before), 0);
    cfsetspeed(&before, B4800);
    ASSERT_EQ(tcsetattr(fd, TCSANOW, &before), 0);
    ASSERT_EQ(tcgetattr(fd, &before), 0);
    const auto start = std::chrono::steady_clock::now();
    const Finished none = RunProbe({"ports", "--detect", silent.device()});
    // Every setting tried for 1.5 s, and the program's start and end.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(13));
    termios after{};
    ASSERT_EQ(tcgetattr(fd, &after), 0);
    ::close(fd);
    EXPECT_EQ(cfgetospeed(&after), B4800);
    EXPECT_EQ(std::memcmp(&before, &after, sizeof before), 0) << "the line's settings restored";
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.out, silent.device() + "\tno meter found\n");
    const Finished read = RunProbe({"read", "--port", silent.device(), "--meter", "auto"});
    EXPECT_EQ(read.status, 1);
    EXPECT_EQ(read.err, "dmmlog read: " + silent.device() + ": no meter found\n");
}

}  // namespace
}  // namespace dmm::test

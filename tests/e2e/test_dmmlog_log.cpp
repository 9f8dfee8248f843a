// dmmlog log against dmm-sim: samples land in the logger file as whole records.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "logger/data/logrecord.h"
#include "support/loggerrecords.h"
#include "support/process.h"
#include "support/sim.h"

using namespace std::chrono_literals;
using dmm::LogRecord;
using dmm::test::Process;
using dmm::test::ReadBytes;
using dmm::test::ReadRecords;
using dmm::test::Sim;
using dmm::test::TempDir;
using dmm::test::WriteScenario;
namespace fs = std::filesystem;

namespace {

bool WaitForSize(const fs::path& path, std::uintmax_t size, std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < end) {
        std::error_code ec;
        if (fs::file_size(path, ec) >= size && !ec) return true;
        std::this_thread::sleep_for(20ms);
    }
    return false;
}

Process Log(const Sim& sim, const fs::path& out, std::vector<std::string> more) {
    std::vector<std::string> args{"log", "--port", sim.device(), "--out", out.string()};
    args.insert(args.end(), more.begin(), more.end());
    return Process(DMMLOG_PATH, args);
}

TEST(DmmlogLog, WritesTheCountedSamplesAsDecodedRecords) {
    TempDir dir;
    Sim sim({"--scenario", WriteScenario(dir.path(),
                                         "6;1.234;0\n"
                                         "128;1.234;4\n")});
    ASSERT_FALSE(sim.device().empty());
    const fs::path out = dir.path() / "run.g26";
    Process log = Log(sim, out, {"--count", "5", "--full-speed"});
    ASSERT_EQ(log.wait(30s), 0) << log.drainErr();
    EXPECT_EQ(fs::file_size(out), 5 * dmm::kLogRecordSize);

    const std::vector<LogRecord> r = ReadRecords(out);
    ASSERT_EQ(r.size(), 5u);
    struct Expected {
        int func;
        const char *range, *display, *unit, *symbol;
        float value;
    };
    const Expected kinds[] = {{6, "0", "1.234", "", "V", 1.234f},
                              {128, "4", "12.34", "K", "W", 12340.0f}};
    const std::regex timeLabel(R"([ 0-9]{2}[0-9]:[0-9]{2}:[0-9]{2}\.[0-9]  )");
    for (std::size_t i = 0; i < r.size(); ++i) {
        SCOPED_TRACE(i);
        const Expected& e = kinds[i % 2];
        EXPECT_TRUE(std::regex_match(std::string(r[i].szTime), timeLabel)) << r[i].szTime;
        EXPECT_STREQ(r[i].szValue, "1.234");
        EXPECT_EQ(r[i].iFunc, e.func);
        EXPECT_STREQ(r[i].szRange, e.range);
        EXPECT_STREQ(r[i].szDisplay, e.display);
        EXPECT_STREQ(r[i].szUnit, e.unit);
        EXPECT_STREQ(r[i].szFunc, e.symbol);
        EXPECT_FLOAT_EQ(r[i].fValue, e.value);
    }
}

TEST(DmmlogLog, OverloadIsChartedAsItsSubstituteAndUnreadableReadingsAreDropped) {
    TempDir dir;
    Sim sim({"--scenario", WriteScenario(dir.path(),
                                         "6;1.234;0\n"
                                         "6;\" O.L \";2\n"
                                         "6;abc;0\n"            // no number, no overload
                                         "0;\" O.L \";2\n")});  // overload of a code without one
    const fs::path out = dir.path() / "ol.g26";
    Process log = Log(sim, out, {"--count", "3"});
    ASSERT_EQ(log.wait(30s), 0) << log.drainErr();
    const std::vector<LogRecord> r = ReadRecords(out);
    ASSERT_EQ(r.size(), 3u);
    EXPECT_FLOAT_EQ(r[0].fValue, 1.234f);
    EXPECT_EQ(r[1].iFunc, 6);
    EXPECT_FLOAT_EQ(r[1].fValue, 550.0f);
    EXPECT_STREQ(r[2].szValue, "1.234");
}

// A run ended from outside leaves whole records only, however it ends.
class DmmlogLogStopped : public ::testing::TestWithParam<int> {};

TEST_P(DmmlogLogStopped, LeavesOnlyWholeRecords) {
    const int sig = GetParam();
    TempDir dir;
    Sim sim({"--reading", "6;1.234;0"});
    const fs::path out = dir.path() / "stopped.g26";
    Process log = Log(sim, out, {});
    ASSERT_TRUE(WaitForSize(out, 2 * dmm::kLogRecordSize, 15s)) << log.drainErr();
    log.signal(sig);
    const int status = log.wait(10s);
    if (sig == SIGTERM) {
        EXPECT_EQ(status, 0);
        EXPECT_NE(log.drainErr().find("samples written to"), std::string::npos);
    } else {
        EXPECT_EQ(status, 128 + sig);
    }
    const std::vector<LogRecord> r = ReadRecords(out);
    EXPECT_GE(r.size(), 2u);
    for (const LogRecord& rec : r) {
        EXPECT_EQ(rec.iFunc, 6);
        EXPECT_STREQ(rec.szValue, "1.234");
        EXPECT_FLOAT_EQ(rec.fValue, 1.234f);
    }
}

INSTANTIATE_TEST_SUITE_P(Signals, DmmlogLogStopped, ::testing::Values(SIGTERM, SIGKILL),
                         [](const auto& p) { return p.param == SIGTERM ? "Term" : "Kill"; });

TEST(DmmlogLog, ExistingFileIsKeptUnlessAppendOrForceIsGivenAndOpenFailuresAreReported) {
    TempDir dir;
    Sim sim({"--reading", "6;1.234;0"});
    const fs::path out = dir.path() / "earlier.g26";
    const std::string earlier(dmm::kLogRecordSize, 'x');
    std::ofstream(out, std::ios::binary) << earlier;

    Process refused = Log(sim, out, {"--count", "1"});
    EXPECT_EQ(refused.wait(10s), 1);
    EXPECT_NE(refused.drainErr().find("--force"), std::string::npos);
    EXPECT_EQ(ReadBytes(out), earlier);

    Process appended = Log(sim, out, {"--count", "1", "--append"});
    ASSERT_EQ(appended.wait(10s), 0) << appended.drainErr();
    EXPECT_EQ(ReadBytes(out).substr(0, earlier.size() + 5), earlier + "1.234");

    Process forced = Log(sim, out, {"--count", "1", "--force"});
    ASSERT_EQ(forced.wait(10s), 0) << forced.drainErr();
    const std::vector<LogRecord> r = ReadRecords(out);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_STREQ(r[0].szValue, "1.234");

    Process uncreatable = Log(sim, dir.path() / "missing" / "run.g26", {"--count", "1"});
    EXPECT_EQ(uncreatable.wait(10s), 1);
    EXPECT_NE(uncreatable.drainErr().find("No such file or directory"), std::string::npos);
}

TEST(DmmlogLog, IntervalSpacesTheSamplesAndDurationEndsTheRun) {
    TempDir dir;
    Sim sim({"--reading", "6;1.234;0"});
    const fs::path out = dir.path() / "slow.g26";
    const auto start = std::chrono::steady_clock::now();
    Process log = Log(sim, out, {"--interval", "2", "--duration", "4.5"});
    ASSERT_EQ(log.wait(20s), 0) << log.drainErr();
    // Never sooner than asked (how much later depends on the machine: the wait above bounds it).
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(4500));
    // About five polls: one sample at the start and one after each 2-second tick.
    const std::size_t n = ReadRecords(out).size();
    EXPECT_GE(n, 2u);
    EXPECT_LE(n, 3u);
}

// The adaptor unplugged and plugged back: the simulator dies and a new one takes the
// same COM1 link. Logging goes on into the same file, every sample kept.
TEST(DmmlogLog, GoesOnIntoTheSameFileWhenTheAdaptorComesBack) {
    TempDir dir;
    const fs::path out = dir.path() / "replug.g26";
    auto sim = std::make_unique<Sim>(
        std::vector<std::string>{"--link", "COM1", "--reading", "6;1.234;0"}, dir.path().string());
    ASSERT_FALSE(sim->device().empty());
    Process log(DMMLOG_PATH, {"log", "--port", "COM1", "--out", out.string(), "--full-speed"},
                dir.path().string());
    ASSERT_TRUE(WaitForSize(out, 3 * dmm::kLogRecordSize, 15s)) << log.drainErr();

    sim->process().signal(SIGKILL);
    ASSERT_EQ(sim->process().wait(5s), 128 + SIGKILL);
    std::optional<std::string> lost;
    while ((lost = log.readErrLine(10s)) && lost->find("W8400") == std::string::npos) {
    }
    ASSERT_TRUE(lost) << "no word of the lost adaptor";
    EXPECT_NE(lost->find("The connection to the DMM adaptor was lost."), std::string::npos);
    EXPECT_NE(lost->find("device gone: "), std::string::npos) << *lost;
    const std::uintmax_t before = fs::file_size(out);

    sim = std::make_unique<Sim>(
        std::vector<std::string>{"--link", "COM1", "--reading", "6;2.000;0"}, dir.path().string());
    ASSERT_FALSE(sim->device().empty());
    ASSERT_TRUE(WaitForSize(out, before + 3 * dmm::kLogRecordSize, 20s)) << log.drainErr();
    log.signal(SIGTERM);
    ASSERT_EQ(log.wait(10s), 0);
    const std::string err = log.drainErr();
    EXPECT_NE(err.find("The connection to the DMM adaptor is back. (COM1: "), std::string::npos)
        << err;

    const std::vector<LogRecord> r = ReadRecords(out);
    EXPECT_NE(err.find(std::to_string(r.size()) + " samples written"), std::string::npos) << err;
    const std::size_t first = before / dmm::kLogRecordSize;
    ASSERT_GT(r.size(), first);
    for (std::size_t i = 0; i < r.size(); ++i)
        EXPECT_STREQ(r[i].szValue, i < first ? "1.234" : "2.000") << i;
    EXPECT_NE(std::string(r[first - 1].szTime), std::string(r[first].szTime));
}

// A disk that is full: the run ends at the first sample that cannot be written, says why
// and fails, rather than polling on as if the samples were kept.
TEST(DmmlogLog, AFullDiskEndsTheRunWithTheReason) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    Sim sim({"--reading", "6;1.234;0"});
    Process log = Log(sim, "/dev/full", {"--force", "--count", "3", "--full-speed"});
    EXPECT_EQ(log.wait(20s), 1);
    const std::string err = log.drainErr();
    EXPECT_NE(err.find("No space left on device"), std::string::npos) << err;
    EXPECT_NE(err.find("0 samples written"), std::string::npos) << err;
}

TEST(DmmlogLog, BadUsageTouchesNothing) {
    TempDir dir;
    const std::string out = (dir.path() / "never.g26").string();
    for (const std::string flag : {"--full-speed", "--force"}) {
        Process log(DMMLOG_PATH, {"log", "--port", "/dev/null", "--out", out, "--interval", "2",
                                  "--append", flag});
        EXPECT_EQ(log.wait(10s), 2) << flag;
    }
    EXPECT_FALSE(fs::exists(out));
}

}  // namespace

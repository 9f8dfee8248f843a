// dmmlog import against dmm-sim's stored log: the file holds what the log decodes
// to, and every failure leaves no file behind.
#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "logger/data/logrecord.h"
#include "logger/import/memorylog.h"
#include "support/loggerrecords.h"
#include "support/process.h"
#include "support/sim.h"
#include "tools/dmm-sim/storedlog.h"

using namespace std::chrono_literals;
using dmm::LogRecord;
using dmm::test::Process;
using dmm::test::ReadBytes;
using dmm::test::ReadRecords;
using dmm::test::Sim;
using dmm::test::TempDir;
namespace fs = std::filesystem;

namespace {

Process Import(std::vector<std::string> args) {
    args.insert(args.begin(), "import");
    return Process(DMMLOG_PATH, args);
}

// What the generated log of --memory-log K:MODE:FLAGS decodes to.
std::vector<LogRecord> Expected(int count, int mode, int flags) {
    const std::vector<std::uint8_t> image =
        dmm::sim::BuildStreamImage(dmm::sim::PatternLog(count, mode, flags), mode, flags);
    return dmm::DecodeMemoryImage(image.data(), image.size()).value_or({}).log.records;
}

void ExpectSameRecords(const std::vector<LogRecord>& got, const std::vector<LogRecord>& want) {
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t i = 0; i < got.size(); ++i)
        ASSERT_EQ(std::memcmp(&got[i], &want[i], sizeof(LogRecord)), 0) << "record " << i;
}

TEST(DmmlogImport, WritesTheStoredLogAndItsImage) {
    TempDir dir;
    Sim sim({"--memory-log", "700:6:1"});
    ASSERT_FALSE(sim.device().empty());
    const fs::path out = dir.path() / "memory.g26";
    const fs::path image = dir.path() / "memory.img";
    Process p =
        Import({"--port", sim.device(), "--out", out.string(), "--save-image", image.string()});
    ASSERT_EQ(p.wait(60s), 0);
    const std::string err = p.drainErr();
    EXPECT_NE(err.find("bytes read 4608 of 4608"), std::string::npos) << err;
    EXPECT_NE(err.find("700 records written"), std::string::npos) << err;

    const std::vector<LogRecord> want = Expected(700, 6, 1);
    ExpectSameRecords(ReadRecords(out), want);
    EXPECT_STREQ(ReadRecords(out)[0].szTime, "0:00'0.000\"");
    EXPECT_EQ(ReadRecords(out)[0].iFunc, 384);
    // The image is the stream as sent; decoded offline it gives the same file.
    EXPECT_EQ(fs::file_size(image), 9 * 512u);
    const fs::path again = dir.path() / "again.g26";
    Process offline = Import({"--image", image.string(), "--out", again.string()});
    ASSERT_EQ(offline.wait(30s), 0) << offline.drainErr();
    EXPECT_EQ(ReadBytes(again), ReadBytes(out));
    // No temporary file is left beside the output.
    int files = 0;
    for (const auto& e : fs::directory_iterator(dir.path())) files += e.is_regular_file();
    EXPECT_EQ(files, 3);
}

TEST(DmmlogImport, ExistingOutputIsKeptUnlessForced) {
    TempDir dir;
    Sim sim({"--memory-log", "20"});
    const fs::path out = dir.path() / "keep.g26";
    std::ofstream(out) << "mine";
    Process refused = Import({"--port", sim.device(), "--out", out.string()});
    EXPECT_EQ(refused.wait(30s), 1);
    EXPECT_NE(refused.drainErr().find("--force"), std::string::npos);
    EXPECT_EQ(ReadBytes(out), "mine");

    Process forced = Import({"--port", sim.device(), "--out", out.string(), "--force"});
    ASSERT_EQ(forced.wait(30s), 0) << forced.drainErr();
    ExpectSameRecords(ReadRecords(out), Expected(20, 2, 0));
}

struct FailureCase {
    // cppcheck-suppress unusedStructMember ; the test's name, given to the suite below
    const char* name;
    std::vector<std::string> simArgs;
    const char* says;
};

class DmmlogImportFails : public ::testing::TestWithParam<FailureCase> {};

TEST_P(DmmlogImportFails, WithTheReasonAndNoFile) {
    const FailureCase& c = GetParam();
    TempDir dir;
    Sim sim(c.simArgs);
    const fs::path out = dir.path() / "none.g26";
    Process p = Import({"--port", sim.device(), "--out", out.string()});
    EXPECT_EQ(p.wait(60s), 1);
    const std::string err = p.drainErr();
    EXPECT_NE(err.find(c.says), std::string::npos) << err;
    EXPECT_FALSE(fs::exists(out));
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DmmlogImportFails,
    ::testing::Values(FailureCase{"NoAnswer",
                                  {"--memory-log", "20", "--silent"},
                                  "Error[E9010] No data received."},
                      FailureCase{"NoLogging",
                                  {"--memory-log", "20", "--identity", "13"},
                                  "Error[E9014] The DMM connected to this PC does not support"},
                      FailureCase{"NoMemory", {}, "Error[E9010] No data received. Please check"},
                      FailureCase{"Stall",
                                  {"--memory-log", "300", "--memory-stall-after", "1300"},
                                  "Error[E9012] Transmission/connection error. (Byte 789 of 2048"}),
    [](const ::testing::TestParamInfo<FailureCase>& c) { return std::string(c.param.name); });

TEST(DmmlogImport, CtrlCLeavesNoFile) {
    TempDir dir;
    Sim sim({"--memory-log", "43651"});
    const fs::path out = dir.path() / "full.g26";
    Process p = Import({"--port", sim.device(), "--out", out.string()});
    bool reading = false;
    for (int i = 0; i < 20 && !reading; ++i) {
        const auto line = p.readErrLine(5s);
        reading = line && line->rfind("bytes read", 0) == 0;
    }
    ASSERT_TRUE(reading);
    p.signal(SIGINT);
    EXPECT_EQ(p.wait(10s), 1);
    EXPECT_NE(p.drainErr().find("interrupted; nothing written"), std::string::npos);
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST(DmmlogImport, Usage) {
    Process none = Import({});
    EXPECT_EQ(none.wait(10s), 2);
    Process both = Import({"--port", "COM1", "--image", "x", "--out", "y"});
    EXPECT_EQ(both.wait(10s), 2);
    Process help = Import({"--help"});
    EXPECT_EQ(help.wait(10s), 0);
    EXPECT_NE(help.drainOut().find("--save-image"), std::string::npos);
    TempDir dir;
    std::ofstream(dir.path() / "short.img") << std::string(100, '\0');
    Process shortImage = Import(
        {"--image", (dir.path() / "short.img").string(), "--out", (dir.path() / "x.g26").string()});
    EXPECT_EQ(shortImage.wait(10s), 1);
    EXPECT_NE(shortImage.drainErr().find("100 bytes"), std::string::npos);
}

}  // namespace

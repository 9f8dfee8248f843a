// dmmlog recover on a folder with left-over temporary files, and the version
// every program reports.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "logger/data/loggerfile.h"
#include "support/process.h"
#include "support/tempdir.h"

using namespace std::chrono_literals;
using dmm::test::Process;
using dmm::test::TempDir;
namespace fs = std::filesystem;

namespace {

struct Outcome {
    int status;
    std::string out, err;
};

Outcome RunProgram(const std::string& program, const std::vector<std::string>& args,
                   const std::string& cwd = {}) {
    Process p(program, args, cwd);
    const int status = p.wait(20s);
    return {status, p.drainOut(), p.drainErr()};
}

dmm::LogList Records(int n, const char* firstTime, const char* lastTime) {
    dmm::LogList list;
    for (int i = 0; i < n; ++i) {
        const char* time = i == 0 ? firstTime : i == n - 1 ? lastTime : " 12:00:00.0  ";
        list.emplace_back("1.234", "0", 6, time, "1.234", "", "V", static_cast<float>(i));
    }
    return list;
}

class DmmlogRecover : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(
            dmm::SaveLoggerFile(dir / "~NDMDL1.TMP", Records(3, "  9:05:00.1  ", "  9:05:01.6  ")));
        fs::last_write_time(dir.path() / "~NDMDL1.TMP",
                            fs::file_time_type::clock::now() - std::chrono::hours(1));
        ASSERT_TRUE(dmm::SaveLoggerFile(dir / "~NDMDL2.TMP",
                                        Records(250, " 14:10:00.0  ", " 14:12:05.5  ")));
        // A crash in mid-write leaves part of a record at the end.
        dmm::test::WriteBytes(dir / "~NDMDL2.TMP",
                              dmm::test::ReadBytes(dir / "~NDMDL2.TMP") + "partial");
        // What a running recorder is writing.
        ASSERT_TRUE(dmm::SaveLoggerFile(dir / "~NDMDL3.TMP", Records(1, "x", "x")));
        held_ = open((dir / "~NDMDL3.TMP").c_str(), O_RDONLY);
        ASSERT_EQ(flock(held_, LOCK_EX), 0);
    }
    void TearDown() override { close(held_); }

    TempDir dir;
    int held_ = -1;
};

TEST_F(DmmlogRecover, ListsTheLeftOversNewestFirstAndPassesByTheOneInUse) {
    Outcome r = RunProgram(DMMLOG_PATH, {"recover"}, dir.path().string());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "~NDMDL2.TMP\t250\t14:10:00.0\t14:12:05.5\n"
              "~NDMDL1.TMP\t3\t9:05:00.1\t9:05:01.6\n");
    EXPECT_NE(r.err.find("1 temporary file(s) in use"), std::string::npos) << r.err;

    // The folder as an argument gives the same.
    EXPECT_EQ(RunProgram(DMMLOG_PATH, {"recover", dir.path().string()}).out, r.out);
    EXPECT_EQ(RunProgram(DMMLOG_PATH, {"recover", (dir.path() / "missing").string()}).status, 1);
}

TEST_F(DmmlogRecover, SavesOneAsALoggerFileAndLeavesTheTemporaryFileInPlace) {
    const std::string out = dir / "run.g26";
    Outcome r = RunProgram(DMMLOG_PATH,
                           {"recover", dir.path().string(), "--file", "~NDMDL2.TMP", "--out", out});
    ASSERT_EQ(r.status, 0) << r.err;
    dmm::LogList saved, left;
    ASSERT_TRUE(dmm::ReadLoggerFile(out, saved));
    ASSERT_TRUE(dmm::ReadLoggerFile(dir / "~NDMDL2.TMP", left));
    ASSERT_EQ(saved.size(), 250u);
    EXPECT_EQ(std::string(saved.back().szTime), " 14:12:05.5  ");
    EXPECT_EQ(dmm::test::ReadBytes(out),
              dmm::test::ReadBytes(dir / "~NDMDL2.TMP").substr(0, 250 * 68));
    EXPECT_TRUE(fs::exists(dir.path() / "~NDMDL2.TMP"));

    // An existing file is only replaced on request.
    r = RunProgram(DMMLOG_PATH, {"recover", "--file", "~NDMDL1.TMP", "--out", out},
                   dir.path().string());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(fs::file_size(out), 250u * 68);
    r = RunProgram(DMMLOG_PATH, {"recover", "--file", "~NDMDL1.TMP", "--out", out, "--force"},
                   dir.path().string());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(fs::file_size(out), 3u * 68);
}

TEST_F(DmmlogRecover, RefusesFilesInUseOthersAndBadUsage) {
    const std::string out = dir / "run.g26";
    Outcome r = RunProgram(DMMLOG_PATH, {"recover", "--file", "~NDMDL3.TMP", "--out", out},
                           dir.path().string());
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("in use"), std::string::npos) << r.err;
    EXPECT_EQ(RunProgram(DMMLOG_PATH, {"recover", "--file", "~NDMDL9.TMP", "--out", out},
                         dir.path().string())
                  .status,
              1);
    EXPECT_EQ(RunProgram(DMMLOG_PATH, {"recover", "--file", "../run.g26", "--out", out},
                         dir.path().string())
                  .status,
              1);
    EXPECT_FALSE(fs::exists(out));
    EXPECT_EQ(RunProgram(DMMLOG_PATH, {"recover", "--file", "~NDMDL1.TMP"}).status, 2);
    EXPECT_EQ(RunProgram(DMMLOG_PATH, {"recover", "a", "b"}).status, 2);
    EXPECT_EQ(RunProgram(DMMLOG_PATH, {"recover", "--help"}).status, 0);
}

#ifdef DMMLOGGER_PATH
// Whether the process handles the signal itself yet (its handler is installed).
bool Catches(pid_t pid, int signal) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("SigCgt:", 0) == 0)
            return (std::stoull(line.substr(7), nullptr, 16) >> (signal - 1)) & 1;
    }
    return false;
}

// A desktop session's end reaches the program while a start-up message is still up: the
// settings file is missing, so the program says it cannot open it.
TEST(DesktopProgramEnd, AStopSignalAtStartUpEndsItWithStatusZeroAndWritesTheSettings) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    for (int signal : {SIGTERM, SIGHUP, SIGINT}) {
        SCOPED_TRACE(signal);
        TempDir dir;
        Process program(DMMLOGGER_PATH, {}, dir.path().string());
        ASSERT_TRUE(program.started());
        for (int i = 0; i < 1000 && !Catches(program.pid(), signal); ++i) usleep(10000);
        ASSERT_TRUE(Catches(program.pid(), signal));
        program.signal(signal);
        EXPECT_EQ(program.wait(20s), 0) << program.drainErr();
        std::ifstream settings(dir / "NRVDL.ini", std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(settings)), {});
        EXPECT_EQ(text, "iPort=1\r\nfHiLimit=0\r\nfLowLimit=0\r\n");
    }
}
#endif

TEST(ProgramVersion, EveryProgramReportsTheBuildsVersion) {
    std::vector<std::pair<std::string, std::string>> programs = {
        {DMMLOG_PATH, "dmmlog (dmmlogger) "},
        {DMM_SIM_PATH, "dmm-sim (dmmlogger) "},
    };
#ifdef DMMLOGGER_PATH
    programs.emplace_back(DMMLOGGER_PATH, "dmmlogger ");
#endif
    for (const auto& [path, name] : programs) {
        // No display is needed to ask the desktop program.
        Outcome r = RunProgram(path, {"--version"});
        EXPECT_EQ(r.status, 0) << path;
        EXPECT_EQ(r.out.substr(0, r.out.find('\n')), name + DMM_EXPECTED_VERSION) << path;
        EXPECT_NE(r.out.find("GPL-3.0-or-later"), std::string::npos) << path;
    }
}

}  // namespace

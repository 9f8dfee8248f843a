// Left-over temporary files: which are found, which are passed by because a
// running program holds them, and the question that offers them back.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "logger/data/loggerfile.h"
#include "logger/data/recovery.h"
#include "logger/data/tempfiles.h"
#include "resources/strnum.h"
#include "support/tempdir.h"

namespace dmm {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

LogList Records(int n, int firstSecond = 0) {
    LogList list;
    for (int i = 0; i < n; ++i) {
        const int s = firstSecond + i;
        const std::string time = TimeLabel({11, 38 + s / 60, s % 60, 300});
        list.emplace_back("1.234", "0", 6, time, "1.234", "", "V", 1.234f);
    }
    return list;
}

// Writes n records to folder/name and dates the file `age` back from now.
fs::path WriteTemp(const test::TempDir& dir, const std::string& name, int n,
                   fs::file_time_type::duration age, int firstSecond = 0) {
    const fs::path path = dir.path() / name;
    EXPECT_TRUE(SaveLoggerFile(path.string(), Records(n, firstSecond)));
    fs::last_write_time(path, fs::file_time_type::clock::now() - age);
    return path;
}

// A child process that holds the lock of a file, as a running recorder does,
// until the object goes.
class LockingProcess {
public:
    explicit LockingProcess(const fs::path& path) {
        int ready[2], release[2];
        EXPECT_EQ(pipe(ready), 0);
        EXPECT_EQ(pipe(release), 0);
        pid_ = fork();
        if (pid_ == 0) {
            close(ready[0]);
            close(release[1]);  // the parent's close of its end is the release
            const int fd = open(path.c_str(), O_RDONLY);
            const char ok = (fd >= 0 && flock(fd, LOCK_EX) == 0) ? 'y' : 'n';
            (void)!write(ready[1], &ok, 1);
            char c;
            (void)!read(release[0], &c, 1);
            _exit(0);
        }
        close(ready[1]);
        close(release[0]);
        release_ = release[1];
        char ok = 0;
        EXPECT_EQ(read(ready[0], &ok, 1), 1);
        EXPECT_EQ(ok, 'y');
        close(ready[0]);
    }
    ~LockingProcess() {
        close(release_);
        int status = 0;
        waitpid(pid_, &status, 0);
    }

private:
    pid_t pid_ = -1;
    int release_ = -1;
};

TEST(RecoveryTest, OnlyTheRecordersTemporaryFileNamesCount) {
    int n = 0;
    EXPECT_TRUE(IsTempFileName("~NDMDL1.TMP", &n));
    EXPECT_EQ(n, 1);
    EXPECT_TRUE(IsTempFileName("~NDMDL305.TMP", &n));
    EXPECT_EQ(n, 305);
    for (const char* other : {"~NDMDL.TMP", "~NDMDLx.TMP", "~ndmdl1.tmp", "~NDMDL1.TMP.bak",
                              "NDMDL1.TMP", "~NDMDL-1.TMP", "~NDMDL99999999999.TMP", ""})
        EXPECT_FALSE(IsTempFileName(other)) << other;
}

TEST(RecoveryTest, FindsLeftOversNewestFirstWithTheirCountsAndTimes) {
    test::TempDir dir;
    WriteTemp(dir, "~NDMDL1.TMP", 3, 2h);
    const fs::path newest = WriteTemp(dir, "~NDMDL2.TMP", 120, 1min, 5);
    WriteTemp(dir, "~NDMDL3.TMP", 0, 1h);
    WriteTemp(dir, "run.g26", 4, 0s);
    fs::create_directory(dir.path() / "~NDMDL4.TMP");
    fs::create_symlink(newest, dir.path() / "~NDMDL5.TMP");
    // Half a record after the last whole one, as a crash in mid-write could leave.
    test::WriteBytes(dir / "~NDMDL1.TMP", test::ReadBytes(dir / "~NDMDL1.TMP") + "tail");
    fs::last_write_time(dir.path() / "~NDMDL1.TMP", fs::file_time_type::clock::now() - 2h);

    const LeftOverScan scan = FindLeftOverFiles(dir.path());
    ASSERT_TRUE(scan.status);
    EXPECT_EQ(scan.inUse, 0);
    ASSERT_EQ(scan.files.size(), 3u);
    EXPECT_EQ(scan.files[0].name, "~NDMDL2.TMP");
    EXPECT_EQ(scan.files[0].path, newest);
    EXPECT_EQ(scan.files[0].records, 120u);
    EXPECT_EQ(scan.files[0].firstTime, "11:38:05.3");
    EXPECT_EQ(scan.files[0].lastTime, "11:40:04.3");
    EXPECT_EQ(scan.files[1].name, "~NDMDL3.TMP");
    EXPECT_EQ(scan.files[1].records, 0u);
    EXPECT_EQ(scan.files[1].firstTime, "");
    EXPECT_EQ(scan.files[2].name, "~NDMDL1.TMP");
    EXPECT_EQ(scan.files[2].records, 3u);
    EXPECT_EQ(scan.files[2].lastTime, "11:38:02.3");

    EXPECT_FALSE(FindLeftOverFiles(dir.path() / "missing").status);
}

TEST(RecoveryTest, AFileAnotherProcessHoldsIsPassedByUntilItEnds) {
    test::TempDir dir;
    const fs::path held = WriteTemp(dir, "~NDMDL1.TMP", 5, 0s);
    {
        LockingProcess writer(held);
        EXPECT_TRUE(TempFileInUse(held));
        const LeftOverScan scan = FindLeftOverFiles(dir.path());
        EXPECT_TRUE(scan.files.empty());
        EXPECT_EQ(scan.inUse, 1);
        EXPECT_FALSE(LeftOverNamed(dir.path(), "~NDMDL1.TMP"));
    }
    // The lock goes with the process: a crashed run's file is offered.
    EXPECT_FALSE(TempFileInUse(held));
    ASSERT_EQ(FindLeftOverFiles(dir.path()).files.size(), 1u);
    EXPECT_EQ(LeftOverNamed(dir.path(), "~NDMDL1.TMP")->records, 5u);
}

TEST(RecoveryTest, TheRecordersOwnFilesStayHeldAfterStopUntilTheyAreDeleted) {
    test::TempDir dir;
    {
        TempFileSet set(dir.path());
        ASSERT_TRUE(set.CreateNext());
        ASSERT_TRUE(set.Append(Records(1)[0]));
        set.Close();  // Stop
        ASSERT_TRUE(set.CreateNext());
        ASSERT_TRUE(set.Append(Records(1)[0]));
        const LeftOverScan scan = FindLeftOverFiles(dir.path());
        EXPECT_TRUE(scan.files.empty());
        EXPECT_EQ(scan.inUse, 2);
    }
    EXPECT_TRUE(FindLeftOverFiles(dir.path()).files.empty());
    EXPECT_FALSE(fs::exists(dir.path() / "~NDMDL1.TMP"));
}

TEST(RecoveryTest, TheQuestionNamesTheFilesWithSamplesAndOffersTheNewestOfThem) {
    std::vector<LeftOverFile> files(2);
    files[0].name = "~NDMDL4.TMP";  // newest, but empty
    files[1].name = "~NDMDL2.TMP";
    files[1].path = "/lab/~NDMDL2.TMP";
    files[1].records = 120;
    files[1].firstTime = "11:38:05.3";
    files[1].lastTime = "11:39:05.1";
    EXPECT_FALSE(RecoveryQuestionFor({}));
    EXPECT_FALSE(RecoveryQuestionFor({files[0]}));

    const auto q = RecoveryQuestionFor(files);
    ASSERT_TRUE(q);
    EXPECT_EQ(q->textNumber, str::LeftoverFound);
    EXPECT_EQ(q->newest, fs::path("/lab/~NDMDL2.TMP"));
    EXPECT_EQ(q->text,
              "Data of an acquisition that did not end normally was found in temporary files.\n"
              "\n"
              "~NDMDL2.TMP : 120 sample(s) from 11:38:05.3 to 11:39:05.1\n"
              "\n"
              "The files stay in the program folder until you delete them.\n"
              "Do you want to open the newest file into the buffer ?");
    EXPECT_EQ(LeftOverLine(files[0]), "~NDMDL4.TMP : 0 sample(s)");

    // A long list is cut after ten files.
    std::vector<LeftOverFile> many(13, files[1]);
    const auto cut = RecoveryQuestionFor(many);
    ASSERT_TRUE(cut);
    EXPECT_NE(cut->text.find("... and 3 more file(s)"), std::string::npos);
    std::size_t lines = 0;
    for (std::size_t at = 0; (at = cut->text.find(" sample(s) from ", at)) != std::string::npos;
         ++at)
        ++lines;
    EXPECT_EQ(lines, 10u);
}

}  // namespace
}  // namespace dmm

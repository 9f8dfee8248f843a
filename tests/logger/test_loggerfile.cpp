#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>

#include "logger/data/loggerfile.h"
#include "logger/data/tempfiles.h"
#include "logger/data/textexport.h"
#include "meterlink/numparse.h"
#include "support/tempdir.h"

namespace dmm {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;
namespace fs = std::filesystem;

LogList MakeRecords(int n) {
    LogList list;
    for (int i = 0; i < n; ++i)
        list.emplace_back(std::to_string(i), "-3", 6, "t", "d", "m", "V", static_cast<float>(i));
    return list;
}

// Fails the chosen call; the failing write may first let `partial` bytes through.
class FaultyOps : public FileOps {
public:
    int failWriteAt = -1;  // 0-based index of the write that fails
    std::size_t partial = 0;
    bool failFsync = false, failClose = false, failRename = false;
    int writes = 0;
    int openError = 0;  // every open fails with it

    int Open(const char* path, int flags, mode_t mode) override {
        return openError != 0 ? (errno = openError, -1) : FileOps::Open(path, flags, mode);
    }

    ssize_t Write(int fd, const void* buf, std::size_t n) override {
        if (writes++ != failWriteAt) return FileOps::Write(fd, buf, n);
        if (partial == 0) return errno = ENOSPC, -1;
        failWriteAt = writes;  // the rest fails
        return FileOps::Write(fd, buf, std::exchange(partial, 0));
    }
    int Fsync(int fd) override { return failFsync ? (errno = EIO, -1) : FileOps::Fsync(fd); }
    int Close(int fd) override {
        int rc = FileOps::Close(fd);
        return failClose ? (errno = EIO, -1) : rc;
    }
    int Rename(const char* a, const char* b) override {
        return failRename ? (errno = EXDEV, -1) : FileOps::Rename(a, b);
    }
};

std::size_t FilesIn(const fs::path& dir) {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), {}));
}

TEST(LoggerFileTest, FailedSaveKeepsTheOldFileAndLeavesNothingBehind) {
    struct Case {
        const char* name;
        int failWriteAt;
        std::size_t partial;
        bool fsync, close, rename;
    };
    const Case cases[] = {
        {"first write", 0, 0, false, false, false},     {"later write", 1, 0, false, false, false},
        {"partial write", 1, 100, false, false, false}, {"fsync", -1, 0, true, false, false},
        {"close", -1, 0, false, true, false},           {"rename", -1, 0, false, false, true}};
    for (const Case& c : cases) {
        TempDir dir;
        WriteBytes(dir / "a.g26", "old contents");
        FaultyOps ops;
        ops.failWriteAt = c.failWriteAt, ops.partial = c.partial;
        ops.failFsync = c.fsync, ops.failClose = c.close, ops.failRename = c.rename;
        Status st = SaveLoggerFile(dir / "a.g26", MakeRecords(3000), ops);
        EXPECT_FALSE(st) << c.name;
        EXPECT_NE(st.reason().find(std::strerror(st.systemError())), std::string::npos)
            << st.reason();
        EXPECT_TRUE(ReadBytes(dir / "a.g26") == "old contents") << c.name;
        EXPECT_EQ(FilesIn(dir.path()), 1u) << c.name;
    }
}

TEST(LoggerFileTest, SaveIntoReadOnlyFolderFailsNamingTheFolder) {
    TempDir dir;
    WriteBytes(dir / "a.g26", "old");
    const std::string told = "create a new file in the folder " + dir.path().string() + ": ";
    FaultyOps refusing;
    refusing.openError = EROFS;
    EXPECT_EQ(SaveLoggerFile(dir / "a.g26", MakeRecords(2), refusing).reason(),
              told + std::strerror(EROFS));
    if (geteuid() == 0) GTEST_SKIP() << "permissions do not apply to root";
    fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec);
    const Status st = SaveLoggerFile(dir / "a.g26", MakeRecords(2));
    EXPECT_EQ(st.systemError(), EACCES);
    EXPECT_EQ(st.reason(), told + std::strerror(EACCES));
    EXPECT_EQ(ReadBytes(dir / "a.g26"), "old");
}

// Logger files and text exports replace what a link points to and keep its permissions.
TEST(LoggerFileTest, SavesKeepLinksAndPermissions) {
    const std::function<Status(const std::string&)> saves[] = {
        [](const std::string& path) { return SaveLoggerFile(path, MakeRecords(2)); },
        [](const std::string& path) { return SaveTextExport(path, MakeRecords(2), 200, 1, 1, 1); }};
    for (const auto& save : saves) {
        TempDir dir;
        fs::create_directory(dir / "data");
        WriteBytes(dir / "data/real", "old");
        fs::permissions(dir / "data/real",
                        fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
        fs::create_symlink("data/real", dir / "link");
        ASSERT_TRUE(save(dir / "link"));
        EXPECT_TRUE(fs::is_symlink(dir / "link"));
        EXPECT_NE(ReadBytes(dir / "data/real"), "old");
        EXPECT_EQ(fs::status(dir / "data/real").permissions(),
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
        EXPECT_EQ(FilesIn(dir / "data"), 1u);
        // A link to a file not there yet creates it where it points.
        fs::create_symlink("data/new", dir / "ahead");
        ASSERT_TRUE(save(dir / "ahead"));
        EXPECT_TRUE(fs::is_symlink(dir / "ahead") && fs::is_regular_file(dir / "data/new"));
    }
}

TEST(LoggerFileTest, RecordCountIsSizeOver68) {
    TempDir dir;
    for (auto [bytes, records] : {std::pair{0, 0}, {67, 0}, {68, 1}, {70, 1}, {136, 2}}) {
        WriteBytes(dir / "f", std::string(static_cast<std::size_t>(bytes), '\0'));
        LogList out;
        ASSERT_TRUE(ReadLoggerFile(dir / "f", out)) << bytes;
        EXPECT_EQ(out.size(), static_cast<std::size_t>(records)) << bytes;
    }
    LogList out;
    EXPECT_EQ(ReadLoggerFile(dir.path().string(), out).systemError(), EISDIR);
}

TEST(LoggerFileTest, FileShorterThanWhenOpenedIsAnError) {
    TempDir dir;
    ASSERT_TRUE(SaveLoggerFile(dir / "a.g26", MakeRecords(10)));
    LoggerFileReader reader;
    ASSERT_TRUE(reader.Open(dir / "a.g26"));
    fs::resize_file(dir / "a.g26", 5 * 68);
    LogList out = MakeRecords(1);
    EXPECT_FALSE(reader.ReadAll(out, {}, 4));
    EXPECT_EQ(out.size(), 1u);  // put back as it was
}

TEST(LoggerFileTest, ReadsInChunksAndStopsWhenTheStepSaysSo) {
    TempDir dir;
    ASSERT_TRUE(SaveLoggerFile(dir / "a.g26", MakeRecords(2500)));
    LoggerFileReader reader;
    ASSERT_TRUE(reader.Open(dir / "a.g26"));
    std::vector<std::size_t> seen;
    LogList out;
    ASSERT_TRUE(reader.ReadAll(
        out, [&](std::size_t done, std::size_t) { return seen.push_back(done), true; }, 1000));
    EXPECT_EQ(seen, (std::vector<std::size_t>{0, 1000, 2000, 2500}));

    ASSERT_TRUE(reader.Open(dir / "a.g26"));
    out.clear();
    auto stopAt1000 = [](std::size_t done, std::size_t) { return done < 1000; };
    EXPECT_EQ(reader.ReadAll(out, stopAt1000, 1000).systemError(), ECANCELED);
    EXPECT_TRUE(out.empty());
}

TEST(TempFilesTest, NumberingSkipsLeftOversAndDeletesOnlyItsOwnFiles) {
    TempDir dir;
    WriteBytes(dir / "~NDMDL1.TMP", "left over");
    {
        TempFileSet set(dir.path());
        ASSERT_TRUE(set.CreateNext());
        EXPECT_EQ(set.OpenPath(), dir / "~NDMDL2.TMP");
        ASSERT_TRUE(set.Append(MakeRecords(1)[0]));
        ASSERT_TRUE(set.CreateNext());  // closes file 2 first
        EXPECT_EQ(set.OpenPath(), dir / "~NDMDL3.TMP");
        EXPECT_EQ(fs::file_size(dir / "~NDMDL2.TMP"), 68u);
    }
    EXPECT_FALSE(fs::exists(dir / "~NDMDL2.TMP") || fs::exists(dir / "~NDMDL3.TMP"));
    EXPECT_EQ(ReadBytes(dir / "~NDMDL1.TMP"), "left over");

    TempFileSet missing(dir.path() / "missing");
    EXPECT_EQ(missing.CreateNext().systemError(), ENOENT);
    EXPECT_TRUE(missing.Append(MakeRecords(1)[0]));  // nothing open: nothing to write
}

TEST(TempFilesTest, AFailedWriteLeavesOnlyWholeRecords) {
    TempDir dir;
    FaultyOps ops;
    TempFileSet set(dir.path(), ops);
    ASSERT_TRUE(set.CreateNext());
    LogList records = MakeRecords(3);
    ASSERT_TRUE(set.Append(records[0]));
    ops.failWriteAt = 1, ops.partial = 30;
    EXPECT_FALSE(set.Append(records[1]));
    ASSERT_TRUE(set.Append(records[2]));
    LogList back;
    ASSERT_TRUE(ReadLoggerFile(set.OpenPath(), back));
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(FieldString(back[1].szValue), "2");
    EXPECT_EQ(fs::file_size(set.OpenPath()), 136u);
}

TEST(LogAppendFileTest, AppendsToWholeRecordFilesAndRefusesOthers) {
    TempDir dir;
    ASSERT_TRUE(SaveLoggerFile(dir / "a.g26", MakeRecords(2)));
    LogAppendFile file;
    ASSERT_TRUE(file.Open(dir / "a.g26"));
    ASSERT_TRUE(file.Append(MakeRecords(3)[2]));
    ASSERT_TRUE(file.Close());
    LogList back;
    ASSERT_TRUE(ReadLoggerFile(dir / "a.g26", back));
    ASSERT_EQ(back.size(), 3u);
    EXPECT_EQ(FieldString(back[2].szValue), "2");

    WriteBytes(dir / "text.txt", "hello");
    EXPECT_EQ(file.Open(dir / "text.txt").systemError(), EINVAL);
    EXPECT_EQ(ReadBytes(dir / "text.txt"), "hello");
}

}  // namespace
}  // namespace dmm

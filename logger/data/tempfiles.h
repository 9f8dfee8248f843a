// Files that records are appended to as they are taken: the recorder's
// numbered temporary files and the target file of the command-line logger.
// Each record reaches the operating system with one write of its 68 bytes, so
// whatever happens to the program afterwards, the file holds every record taken.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "logger/data/fileops.h"
#include "logger/data/logrecord.h"

namespace dmm {

// An open file that records are appended to.
class RecordAppender {
public:
    explicit RecordAppender(FileOps& ops = SystemFileOps()) : ops_(ops) {}
    ~RecordAppender() { Close(); }
    RecordAppender(const RecordAppender&) = delete;
    RecordAppender& operator=(const RecordAppender&) = delete;

    // Takes over an open descriptor whose file already holds `size` bytes.
    void Attach(int fd, std::string path, off_t size);
    bool IsOpen() const { return fd_ >= 0; }
    const std::string& Path() const { return path_; }

    // One write of the record's 68 bytes. When the system takes only part of
    // them and the rest cannot follow, the file is cut back to its last whole
    // record, so that later records stay aligned.
    Status Append(const LogRecord& record);

    // Closes the file; a failed close is reported (the data may not have reached the disk).
    Status Close();

private:
    FileOps& ops_;
    int fd_ = -1;
    std::string path_;
    off_t size_ = 0;
};

// "~NDMDL" + n + ".TMP"
std::string TempFileName(int number);

// The recorder's temporary files in the program folder. A run never touches a
// file it did not create: numbering skips every name that exists already (a
// left-over of an earlier run, or another instance's file), and only the
// files created here are deleted, from the newest down, when the set goes.
// Each file created here holds an advisory lock (flock) until it is deleted,
// after Stop as well, so that an instance looking for left-overs of a crashed
// run passes it by; the system drops the lock when the program dies.
class TempFileSet {
public:
    explicit TempFileSet(std::filesystem::path folder, FileOps& ops = SystemFileOps());
    ~TempFileSet() { DeleteAll(); }
    TempFileSet(const TempFileSet&) = delete;
    TempFileSet& operator=(const TempFileSet&) = delete;

    // Closes the open file, if any, and creates the next free numbered file.
    Status CreateNext();
    bool IsOpen() const { return file_.IsOpen(); }
    // Appends to the open file; does nothing when none is open.
    Status Append(const LogRecord& record);
    void Close() { file_.Close(); }

    // Deletes every file created here, the newest first; a file that cannot be
    // deleted is tried once more after the open file is closed.
    void DeleteAll();
    // Closes the open file and lets every file created here stay, for the next start to
    // offer back; the set deletes none of them any more.
    void KeepAll();

    const std::vector<std::filesystem::path>& Created() const { return created_; }
    const std::string& OpenPath() const { return file_.Path(); }

private:
    std::filesystem::path folder_;
    FileOps& ops_;
    RecordAppender file_;
    int nextNumber_ = 1;
    std::vector<std::filesystem::path> created_;
    std::vector<int> locks_;  // descriptors holding the locks of the created files
};

// A logger file that records are appended to, created when missing. A file
// whose size is not a whole number of records is refused: records appended
// after a stray byte would all be read back shifted.
class LogAppendFile {
public:
    explicit LogAppendFile(FileOps& ops = SystemFileOps()) : file_(ops), ops_(ops) {}

    Status Open(const std::string& path);
    Status Append(const LogRecord& record) { return file_.Append(record); }
    Status Close() { return file_.Close(); }
    bool IsOpen() const { return file_.IsOpen(); }

private:
    RecordAppender file_;
    FileOps& ops_;
};

}  // namespace dmm

// Logger data files: a headerless sequence of 68-byte records, oldest first.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "logger/data/fileops.h"
#include "logger/data/logrecord.h"

namespace dmm {

// Writes the records to path without ever leaving a half-written file there:
// they go to a new file beside it, which is synced and then renamed over the
// target. On any failure the new file is removed, an existing target is left
// as it was, and the status names the failing step and the system's reason.
Status SaveLoggerFile(const std::string& path, const LogRecord* records, std::size_t count,
                      FileOps& ops = SystemFileOps());
inline Status SaveLoggerFile(const std::string& path, const LogList& list,
                             FileOps& ops = SystemFileOps()) {
    return SaveLoggerFile(path, list.data(), list.size(), ops);
}

// Called before the first chunk and after every chunk with the records read so
// far and the file's record count; returning false aborts the read.
using ReadStep = std::function<bool(std::size_t done, std::size_t total)>;

// Reads a logger file in chunks. The record count is the file size / 68; bytes
// after the last whole record are ignored.
class LoggerFileReader {
public:
    explicit LoggerFileReader(FileOps& ops = SystemFileOps()) : ops_(ops) {}
    ~LoggerFileReader();
    LoggerFileReader(const LoggerFileReader&) = delete;
    LoggerFileReader& operator=(const LoggerFileReader&) = delete;

    Status Open(const std::string& path);
    std::size_t RecordCount() const { return count_; }

    // Appends every record of the file to out. A file that ends before the
    // size it had when opened is an error. On error or abort (ECANCELED) out
    // is put back to the size it had.
    Status ReadAll(LogList& out, const ReadStep& step = {}, std::size_t chunkRecords = 1024);

    void Close();

private:
    FileOps& ops_;
    int fd_ = -1;
    std::string path_;
    std::size_t count_ = 0;
};

// Open and ReadAll in one.
Status ReadLoggerFile(const std::string& path, LogList& out, const ReadStep& step = {},
                      FileOps& ops = SystemFileOps());

}  // namespace dmm

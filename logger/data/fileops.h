// The few file system calls the logger makes, behind a seam so that tests can
// make any of them fail. Each behaves like the POSIX call of the same name:
// -1 with errno set on failure.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <string>

namespace dmm {

class FileOps {
public:
    virtual ~FileOps() = default;
    virtual int Open(const char* path, int flags, mode_t mode);
    virtual ssize_t Read(int fd, void* buf, std::size_t count);
    virtual ssize_t Write(int fd, const void* buf, std::size_t count);
    virtual int Fstat(int fd, struct stat* st);
    virtual int Fsync(int fd);
    virtual int Ftruncate(int fd, off_t length);
    virtual int Close(int fd);
    virtual int Rename(const char* from, const char* to);
    virtual int Unlink(const char* path);
};

// The real calls.
FileOps& SystemFileOps();

// Outcome of a file operation: the operating system's error number (0 when it
// worked) and a text naming what failed and why.
struct IoStatus {
    int error = 0;
    std::string message;

    bool ok() const { return error == 0; }
    explicit operator bool() const { return ok(); }

    static IoStatus Ok() { return {}; }
    // "<what> <path>: <reason of err>"
    static IoStatus Fail(int err, const std::string& what, const std::string& path);
};

// Writes all count bytes, going on after partial writes and interruptions.
IoStatus WriteAll(FileOps& ops, int fd, const void* data, std::size_t count,
                  const std::string& path);

// Gives the next piece of a file's content in chunk (replacing what it held); false once
// there is no more.
using ChunkSource = std::function<bool(std::string& chunk)>;

// Writes a file without ever leaving a half-written file at path: the content goes to a
// new file beside it, which is synced and then renamed over the target. On any failure the
// new file is removed, an existing target is left as it was, and the status names the
// failing step and the system's reason.
IoStatus SaveFileAtomically(const std::string& path, const ChunkSource& next,
                            FileOps& ops = SystemFileOps());

}  // namespace dmm

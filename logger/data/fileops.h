// The few file system calls the logger makes, behind a seam so that tests can
// make any of them fail. Each behaves like the POSIX call of the same name:
// -1 with errno set on failure.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <string>

#include "resources/status.h"

namespace dmm {

class FileOps {
public:
    virtual ~FileOps() = default;
    virtual int Open(const char* path, int flags, mode_t mode);
    virtual ssize_t Read(int fd, void* buf, std::size_t count);
    virtual ssize_t Write(int fd, const void* buf, std::size_t count);
    virtual int Fstat(int fd, struct stat* st);
    virtual int Fchmod(int fd, mode_t mode);
    virtual int Fsync(int fd);
    virtual int Ftruncate(int fd, off_t length);
    virtual int Close(int fd);
    virtual int Rename(const char* from, const char* to);
    virtual int Unlink(const char* path);
};

// The real calls.
FileOps& SystemFileOps();

// A failed file operation: FileFailed with the operating system's error number (EIO for
// none) and a reason naming what failed, "<what> <path>: <reason of err>".
Status FileFailure(int err, const std::string& what, const std::string& path);
// The same with a reason of its own.
Status FileFailure(int err, std::string reason);

// Writes all count bytes, going on after partial writes and interruptions.
Status WriteAll(FileOps& ops, int fd, const void* data, std::size_t count, const std::string& path);

// Gives the next piece of a file's content in chunk (replacing what it held); false once
// there is no more.
using ChunkSource = std::function<bool(std::string& chunk)>;

// Writes a file without ever leaving a half-written file at requested: the content goes to a
// new file beside it, which is synced and then renamed over the target. A path that is a
// symbolic link replaces the file it points to and stays a link; the new file takes the
// permissions of the file it replaces. On any failure the new file is removed, an existing
// target is left as it was, and the status names the failing step and the system's reason
// (a folder that takes no new file is named as such).
Status SaveFileAtomically(const std::string& requested, const ChunkSource& next,
                          FileOps& ops = SystemFileOps());

}  // namespace dmm

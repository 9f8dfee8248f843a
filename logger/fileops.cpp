#include "logger/fileops.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace dmm {

int FileOps::Open(const char* path, int flags, mode_t mode) {
    return ::open(path, flags, mode);
}
ssize_t FileOps::Read(int fd, void* buf, std::size_t count) {
    return ::read(fd, buf, count);
}
ssize_t FileOps::Write(int fd, const void* buf, std::size_t count) {
    return ::write(fd, buf, count);
}
int FileOps::Fstat(int fd, struct stat* st) {
    return ::fstat(fd, st);
}
int FileOps::Fsync(int fd) {
    return ::fsync(fd);
}
int FileOps::Ftruncate(int fd, off_t length) {
    return ::ftruncate(fd, length);
}
int FileOps::Close(int fd) {
    return ::close(fd);
}
int FileOps::Rename(const char* from, const char* to) {
    return ::rename(from, to);
}
int FileOps::Unlink(const char* path) {
    return ::unlink(path);
}

FileOps& SystemFileOps() {
    static FileOps ops;
    return ops;
}

IoStatus IoStatus::Fail(int err, const std::string& what, const std::string& path) {
    IoStatus s;
    s.error = err != 0 ? err : EIO;
    s.message = what + " " + path + ": " + std::strerror(s.error);
    return s;
}

IoStatus WriteAll(FileOps& ops, int fd, const void* data, std::size_t count,
                  const std::string& path) {
    const auto* p = static_cast<const unsigned char*>(data);
    while (count > 0) {
        ssize_t n = ops.Write(fd, p, count);
        if (n < 0) {
            if (errno == EINTR) continue;
            return IoStatus::Fail(errno, "write", path);
        }
        // A write that takes nothing and reports no error would loop forever.
        if (n == 0) return IoStatus::Fail(ENOSPC, "write", path);
        p += n;
        count -= static_cast<std::size_t>(n);
    }
    return IoStatus::Ok();
}

}  // namespace dmm

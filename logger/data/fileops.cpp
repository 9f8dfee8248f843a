#include "logger/data/fileops.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

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
int FileOps::Fchmod(int fd, mode_t mode) {
    return ::fchmod(fd, mode);
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

Status FileFailure(int err, const std::string& what, const std::string& path) {
    if (err == 0) err = EIO;
    return FileFailure(err, what + " " + path + ": " + std::strerror(err));
}

Status FileFailure(int err, std::string reason) {
    return Status::Fail(StatusCode::FileFailed, std::move(reason), err != 0 ? err : EIO);
}

Status WriteAll(FileOps& ops, int fd, const void* data, std::size_t count,
                const std::string& path) {
    const auto* p = static_cast<const unsigned char*>(data);
    while (count > 0) {
        ssize_t n = ops.Write(fd, p, count);
        if (n < 0) {
            if (errno == EINTR) continue;
            return FileFailure(errno, "write", path);
        }
        // A write that takes nothing and reports no error would loop forever.
        if (n == 0) return FileFailure(ENOSPC, "write", path);
        p += n;
        count -= static_cast<std::size_t>(n);
    }
    return Status::Ok();
}

namespace {

// Best effort: makes the rename itself durable.
void SyncFolderOf(const std::string& path, FileOps& ops) {
    std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (folder.empty()) folder = ".";
    int fd = ops.Open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
    if (fd < 0) return;
    ops.Fsync(fd);
    ops.Close(fd);
}

// The file a save replaces: the one a symbolic link leads to (through a chain of links, to
// a file that may not exist yet), or path itself.
std::string SaveTarget(const std::string& path) {
    namespace fs = std::filesystem;
    fs::path target(path);
    std::error_code ec;
    if (!fs::is_symlink(target, ec)) return path;
    for (int hops = 0; hops < 40 && fs::is_symlink(target, ec); ++hops) {
        const fs::path next = fs::read_symlink(target, ec);
        if (ec) return path;
        target = next.is_absolute() ? next : target.parent_path() / next;
    }
    return target.lexically_normal().string();
}

}  // namespace

Status SaveFileAtomically(const std::string& requested, const ChunkSource& next, FileOps& ops) {
    const std::string path = SaveTarget(requested);
    // A fresh name beside the target; O_EXCL never reuses an existing file.
    std::string partPath;
    int fd = -1;
    for (int n = 0; n < 100 && fd < 0; ++n) {
        partPath = path + "." + std::to_string(n) + ".part";
        fd = ops.Open(partPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) {
        const int err = errno;
        if (err == EACCES || err == EPERM || err == EROFS) {
            std::string folder = std::filesystem::path(path).parent_path().string();
            if (folder.empty()) folder = ".";
            return FileFailure(err, "create a new file in the folder", folder);
        }
        return FileFailure(err, "create", partPath);
    }

    auto fail = [&](Status status) {
        if (fd >= 0) ops.Close(fd);
        ops.Unlink(partPath.c_str());
        return status;
    };

    // The new file keeps the permissions of the one it replaces.
    struct stat old {};
    if (::stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode) &&
        ops.Fchmod(fd, old.st_mode & 07777) != 0)
        return fail(FileFailure(errno, "set the permissions of", partPath));

    std::string chunk;
    while (next(chunk)) {
        Status st = WriteAll(ops, fd, chunk.data(), chunk.size(), partPath);
        if (!st) return fail(st);
    }
    if (ops.Fsync(fd) != 0) return fail(FileFailure(errno, "sync", partPath));
    int closed = ops.Close(fd);
    fd = -1;
    if (closed != 0) return fail(FileFailure(errno, "close", partPath));
    if (ops.Rename(partPath.c_str(), path.c_str()) != 0)
        return fail(FileFailure(errno, "rename to", path));
    SyncFolderOf(path, ops);
    return Status::Ok();
}

}  // namespace dmm

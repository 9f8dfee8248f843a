#include "logger/data/tempfiles.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace dmm {
namespace {

// Numbers tried past the existing files before creation counts as failed.
constexpr int kMaxNumbersTried = 100000;

// A descriptor holding an exclusive lock on path, or -1. The lock is only a sign to
// other instances: acquisition goes on without it.
int LockFile(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return -1;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

void RecordAppender::Attach(int fd, std::string path, off_t size) {
    Close();
    fd_ = fd;
    path_ = std::move(path);
    size_ = size;
}

Status RecordAppender::Append(const LogRecord& record) {
    if (fd_ < 0) return FileFailure(EBADF, "write", path_);
    unsigned char bytes[kLogRecordSize];
    EncodeLogRecord(record, bytes);
    Status st = WriteAll(ops_, fd_, bytes, sizeof bytes, path_);
    if (st) {
        size_ += static_cast<off_t>(sizeof bytes);
    } else {
        // Whatever part of the record got through is taken back.
        ops_.Ftruncate(fd_, size_);
    }
    return st;
}

Status RecordAppender::Close() {
    if (fd_ < 0) return Status::Ok();
    int rc = ops_.Close(fd_);
    int err = errno;
    fd_ = -1;
    if (rc != 0) return FileFailure(err, "close", path_);
    return Status::Ok();
}

std::string TempFileName(int number) {
    return "~NDMDL" + std::to_string(number) + ".TMP";
}

TempFileSet::TempFileSet(std::filesystem::path folder, FileOps& ops)
    : folder_(folder.empty() ? std::filesystem::path(".") : std::move(folder)),
      ops_(ops),
      file_(ops) {}

Status TempFileSet::CreateNext() {
    file_.Close();
    std::filesystem::path path;
    for (int tried = 0; tried < kMaxNumbersTried; ++tried) {
        int number = nextNumber_++;
        path = folder_ / TempFileName(number);
        int fd = ops_.Open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0666);
        if (fd >= 0) {
            created_.push_back(path);
            if (const int lock = LockFile(path); lock >= 0) locks_.push_back(lock);
            file_.Attach(fd, path.string(), 0);
            return Status::Ok();
        }
        if (errno != EEXIST) return FileFailure(errno, "create", path.string());
    }
    return FileFailure(EEXIST, "create", path.string());
}

Status TempFileSet::Append(const LogRecord& record) {
    if (!file_.IsOpen()) return Status::Ok();
    return file_.Append(record);
}

void TempFileSet::DeleteAll() {
    for (auto it = created_.rbegin(); it != created_.rend(); ++it) {
        if (ops_.Unlink(it->c_str()) == 0) continue;
        file_.Close();
        ops_.Unlink(it->c_str());
    }
    created_.clear();
    file_.Close();
    for (int lock : locks_) ::close(lock);
    locks_.clear();
}

void TempFileSet::KeepAll() {
    file_.Close();
    created_.clear();
    for (int lock : locks_) ::close(lock);
    locks_.clear();
}

Status LogAppendFile::Open(const std::string& path) {
    file_.Close();
    int fd = ops_.Open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    if (fd < 0) return FileFailure(errno, "open", path);
    struct stat st {};
    if (ops_.Fstat(fd, &st) != 0) {
        Status s = FileFailure(errno, "stat", path);
        ops_.Close(fd);
        return s;
    }
    if (S_ISREG(st.st_mode) && st.st_size % static_cast<off_t>(kLogRecordSize) != 0) {
        ops_.Close(fd);
        return FileFailure(EINVAL, "open " + path + ": not a logger file (" +
                                       std::to_string(st.st_size) +
                                       " bytes is not a whole number of 68-byte records)");
    }
    file_.Attach(fd, path, st.st_size);
    return Status::Ok();
}

}  // namespace dmm

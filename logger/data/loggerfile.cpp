#include "logger/data/loggerfile.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <filesystem>
#include <new>
#include <vector>

namespace dmm {
namespace {

// Records per write when saving: 64 KiB and a bit.
constexpr std::size_t kSaveChunkRecords = 964;

}  // namespace

Status SaveLoggerFile(const std::string& path, const LogRecord* records, std::size_t count,
                      FileOps& ops) {
    std::size_t done = 0;
    return SaveFileAtomically(
        path,
        [&](std::string& chunk) {
            if (done >= count) return false;
            const std::size_t n = std::min(kSaveChunkRecords, count - done);
            chunk.resize(n * kLogRecordSize);
            auto* out = reinterpret_cast<unsigned char*>(chunk.data());
            for (std::size_t k = 0; k < n; ++k)
                EncodeLogRecord(records[done + k], out + k * kLogRecordSize);
            done += n;
            return true;
        },
        ops);
}

LoggerFileReader::~LoggerFileReader() {
    Close();
}

void LoggerFileReader::Close() {
    if (fd_ >= 0) ops_.Close(fd_);
    fd_ = -1;
}

Status LoggerFileReader::Open(const std::string& path) {
    Close();
    path_ = path;
    count_ = 0;
    fd_ = ops_.Open(path.c_str(), O_RDONLY | O_CLOEXEC, 0);
    if (fd_ < 0) return FileFailure(errno, "open", path);
    struct stat st {};
    if (ops_.Fstat(fd_, &st) != 0) {
        Status s = FileFailure(errno, "stat", path);
        Close();
        return s;
    }
    if (S_ISDIR(st.st_mode)) {
        Close();
        return FileFailure(EISDIR, "open", path);
    }
    std::uint64_t records =
        st.st_size > 0 ? static_cast<std::uint64_t>(st.st_size) / kLogRecordSize : 0;
    // The recorder counts samples in 32 bits.
    if (records > static_cast<std::uint64_t>(INT_MAX)) {
        Close();
        return FileFailure(EFBIG, "open", path);
    }
    count_ = static_cast<std::size_t>(records);
    return Status::Ok();
}

Status LoggerFileReader::ReadAll(LogList& out, const ReadStep& step, std::size_t chunkRecords) {
    if (fd_ < 0) return FileFailure(EBADF, "read", path_);
    if (chunkRecords == 0) chunkRecords = 1;
    const std::size_t start = out.size();
    auto fail = [&](Status s) {
        out.resize(start);
        return s;
    };
    try {
        out.reserve(start + count_);
    } catch (const std::bad_alloc&) {
        return FileFailure(ENOMEM, "read", path_);
    } catch (const std::length_error&) {
        return FileFailure(ENOMEM, "read", path_);
    }

    std::vector<unsigned char> buf(std::min(chunkRecords, std::max<std::size_t>(count_, 1)) *
                                   kLogRecordSize);
    std::size_t done = 0;
    if (step && !step(done, count_)) return fail(FileFailure(ECANCELED, "read", path_));
    while (done < count_) {
        std::size_t n = std::min(buf.size() / kLogRecordSize, count_ - done);
        std::size_t want = n * kLogRecordSize;
        std::size_t got = 0;
        while (got < want) {
            ssize_t r = ops_.Read(fd_, buf.data() + got, want - got);
            if (r < 0) {
                if (errno == EINTR) continue;
                return fail(FileFailure(errno, "read", path_));
            }
            if (r == 0) {
                return fail(FileFailure(EIO, "read " + path_ + ": the file ended at byte " +
                                                 std::to_string(done * kLogRecordSize + got) +
                                                 " of " + std::to_string(count_ * kLogRecordSize)));
            }
            got += static_cast<std::size_t>(r);
        }
        for (std::size_t k = 0; k < n; ++k)
            out.push_back(DecodeLogRecord(buf.data() + k * kLogRecordSize));
        done += n;
        if (step && !step(done, count_)) return fail(FileFailure(ECANCELED, "read", path_));
    }
    return Status::Ok();
}

Status ReadLoggerFile(const std::string& path, LogList& out, const ReadStep& step, FileOps& ops) {
    LoggerFileReader reader(ops);
    Status s = reader.Open(path);
    if (!s) return s;
    return reader.ReadAll(out, step);
}

}  // namespace dmm

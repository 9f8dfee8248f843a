// Logger files from outside (a colleague's broken copy): any length, any bytes, read in
// chunks through short reads, with a file that shrank or grew since it was opened.
// Every record read has terminated texts and survives a write and read back; the
// buffer never grows beyond the records the file holds.
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "logger/data/fileops.h"
#include "logger/data/loggerfile.h"
#include "logger/data/logrecord.h"

namespace {

template <std::size_t N>
void CheckTerminated(const char (&field)[N]) {
    if (std::memchr(field, 0, N) == nullptr) std::abort();
}

// The file in memory. Its size at open differs from the bytes there by `drift`, and
// reads are cut short now and then.
class MemoryFile : public dmm::FileOps {
public:
    MemoryFile(const std::uint8_t* data, std::size_t size, int drift, std::uint8_t cut)
        : data_(data), size_(size), drift_(drift), cut_(cut) {}

    int Open(const char*, int, mode_t) override { return kFd; }
    ssize_t Read(int fd, void* buf, std::size_t count) override {
        if (fd != kFd) return errno = EBADF, -1;
        std::size_t n = std::min(count, size_ - at_);
        if (cut_ != 0 && ++reads_ % 3 == 0) n = std::min<std::size_t>(n, cut_);
        std::memcpy(buf, data_ + at_, n);
        at_ += n;
        return static_cast<ssize_t>(n);
    }
    ssize_t Write(int, const void*, std::size_t) override { return errno = EROFS, -1; }
    int Fstat(int, struct stat* st) override {
        *st = {};
        st->st_mode = S_IFREG | 0644;
        st->st_size = std::max<off_t>(0, static_cast<off_t>(size_) + drift_);
        return 0;
    }
    int Fsync(int) override { return 0; }
    int Ftruncate(int, off_t) override { return errno = EROFS, -1; }
    int Close(int) override { return 0; }
    int Rename(const char*, const char*) override { return errno = EROFS, -1; }
    int Unlink(const char*) override { return errno = EROFS, -1; }

private:
    static constexpr int kFd = 1000;
    const std::uint8_t* data_;
    std::size_t size_;
    int drift_;
    std::uint8_t cut_;
    std::size_t at_ = 0;
    std::size_t reads_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    const int drift = static_cast<std::int8_t>(data[0]);
    const std::uint8_t cut = data[1];
    const std::size_t chunk = 1 + data[2] % 16;
    data += 3;
    size -= 3;

    MemoryFile file(data, size, drift, cut);
    dmm::LoggerFileReader reader(file);
    dmm::LogList list;
    if (!reader.Open("fuzz.g26")) return 0;
    const std::size_t count = reader.RecordCount();
    const dmm::Status status = reader.ReadAll(list, {}, chunk);
    if (!status && !list.empty()) std::abort();  // a failed read leaves nothing behind
    if (status && list.size() != count) std::abort();
    if (list.size() > size / dmm::kLogRecordSize) std::abort();
    for (const dmm::LogRecord& r : list) {
        CheckTerminated(r.szValue);
        CheckTerminated(r.szRange);
        CheckTerminated(r.szTime);
        CheckTerminated(r.szDisplay);
        CheckTerminated(r.szUnit);
        CheckTerminated(r.szFunc);
        unsigned char again[dmm::kLogRecordSize];
        dmm::EncodeLogRecord(r, again);
        const dmm::LogRecord back = dmm::DecodeLogRecord(again);
        if (std::memcmp(&back, &r, sizeof r) != 0) std::abort();
    }
    return 0;
}

#include "logger/data/recovery.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <system_error>

#include "meterlink/numparse.h"
#include "resources/strings.h"

namespace dmm {
namespace {

constexpr const char* kPrefix = "~NDMDL";
constexpr const char* kSuffix = ".TMP";

// Files named one by one in the question; the rest are counted.
constexpr std::size_t kLinesShown = 10;

std::string Trimmed(const char* text) {
    std::string s(text);
    const std::size_t first = s.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

// The time label of record `index` of an open file, or empty when it cannot be read.
std::string TimeOfRecord(int fd, std::size_t index) {
    unsigned char bytes[kLogRecordSize];
    const off_t at = static_cast<off_t>(index * kLogRecordSize);
    if (::pread(fd, bytes, sizeof bytes, at) != static_cast<ssize_t>(sizeof bytes)) return {};
    return Trimmed(DecodeLogRecord(bytes).szTime);
}

// Reads what the listing shows of the file at path; nothing when it is not a
// left-over (no regular file, or a program holds it) or cannot be read.
std::optional<LeftOverFile> Examine(const std::filesystem::path& path, int number, bool& inUse) {
    inUse = false;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) return std::nullopt;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    // A shared lock is refused exactly when some program holds the exclusive one.
    if (::flock(fd, LOCK_SH | LOCK_NB) != 0) {
        inUse = errno == EWOULDBLOCK;
        ::close(fd);
        return std::nullopt;
    }
    LeftOverFile file;
    file.path = path;
    file.name = path.filename().string();
    file.number = number;
    file.records = static_cast<std::size_t>(st.st_size) / kLogRecordSize;
    if (file.records > 0) {
        file.firstTime = TimeOfRecord(fd, 0);
        file.lastTime = TimeOfRecord(fd, file.records - 1);
    }
    ::close(fd);  // drops the shared lock
    std::error_code ec;
    file.modified = std::filesystem::last_write_time(path, ec);
    return file;
}

}  // namespace

bool IsTempFileName(const std::string& name, int* number) {
    const std::string prefix = kPrefix, suffix = kSuffix;
    if (name.size() <= prefix.size() + suffix.size()) return false;
    if (name.compare(0, prefix.size(), prefix) != 0) return false;
    if (name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0) return false;
    long long n = 0;
    for (std::size_t i = prefix.size(); i < name.size() - suffix.size(); ++i) {
        const char c = name[i];
        if (c < '0' || c > '9') return false;
        n = n * 10 + (c - '0');
        if (n > INT_MAX) return false;
    }
    if (number) *number = static_cast<int>(n);
    return true;
}

bool TempFileInUse(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    const bool held = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return held;
}

LeftOverScan FindLeftOverFiles(const std::filesystem::path& folder) {
    LeftOverScan scan;
    const std::filesystem::path dir = folder.empty() ? std::filesystem::path(".") : folder;
    std::error_code ec;
    std::filesystem::directory_iterator it(dir, ec), end;
    if (ec) {
        scan.status = FileFailure(ec.value(), "read folder", dir.string());
        return scan;
    }
    for (; it != end; it.increment(ec)) {
        if (ec) break;
        int number = 0;
        if (!IsTempFileName(it->path().filename().string(), &number)) continue;
        bool inUse = false;
        if (auto file = Examine(it->path(), number, inUse))
            scan.files.push_back(std::move(*file));
        else if (inUse)
            ++scan.inUse;
    }
    std::sort(scan.files.begin(), scan.files.end(),
              [](const LeftOverFile& a, const LeftOverFile& b) {
                  if (a.modified != b.modified) return a.modified > b.modified;
                  return a.number > b.number;
              });
    return scan;
}

std::optional<LeftOverFile> LeftOverNamed(const std::filesystem::path& folder,
                                          const std::string& name) {
    int number = 0;
    if (!IsTempFileName(name, &number)) return std::nullopt;
    bool inUse = false;
    const std::filesystem::path dir = folder.empty() ? std::filesystem::path(".") : folder;
    return Examine(dir / name, number, inUse);
}

std::string LeftOverLine(const LeftOverFile& file) {
    const int samples = static_cast<int>(std::min<std::size_t>(file.records, INT_MAX));
    if (file.records == 0)
        return Format(LoadStr(str::EmptyLeftoverFileLine).c_str(), file.name.c_str(), 0);
    return Format(LoadStr(str::LeftoverFileLine).c_str(), file.name.c_str(), samples,
                  file.firstTime.c_str(), file.lastTime.c_str());
}

std::optional<RecoveryQuestion> RecoveryQuestionFor(const std::vector<LeftOverFile>& files) {
    std::vector<const LeftOverFile*> holding;
    for (const LeftOverFile& f : files)
        if (f.records > 0) holding.push_back(&f);
    if (holding.empty()) return std::nullopt;

    RecoveryQuestion q;
    q.textNumber = str::LeftoverFound;
    q.newest = holding.front()->path;
    q.text = LoadStr(str::LeftoverFound) + "\n";
    for (std::size_t i = 0; i < holding.size() && i < kLinesShown; ++i)
        q.text += "\n" + LeftOverLine(*holding[i]);
    if (holding.size() > kLinesShown)
        q.text += "\n" + Format(LoadStr(str::MoreLeftoverFiles).c_str(),
                                static_cast<int>(holding.size() - kLinesShown));
    q.text += "\n\n" + LoadStr(str::LeftoverFilesStay) + "\n" + LoadStr(str::OpenNewestQuestion);
    return q;
}

}  // namespace dmm

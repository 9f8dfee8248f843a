#include "tools/dmmlog/loggerinput.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "logger/data/loggerfile.h"
#include "logger/data/pages.h"
#include "meterlink/numparse.h"

namespace dmm::cli {

std::string TakeFileArgument(int& argc, char**& argv) {
    if (argc == 0 || std::string(argv[0]).rfind("--", 0) == 0) return {};
    std::string path = argv[0];
    --argc;
    ++argv;
    return path;
}

bool ReadWholeLoggerFile(const char* verb, const std::string& path, LogList& out) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    if (!ec && size % kLogRecordSize != 0) {
        // cppcheck-suppress invalidPrintfArgType_uint ; %ju is std::uintmax_t's, as passed
        std::fprintf(stderr,
                     "dmmlog %s: %s is not a logger file: %ju bytes are not a whole number of "
                     "%zu-byte records\n",
                     verb, path.c_str(), static_cast<std::uintmax_t>(size), kLogRecordSize);
        return false;
    }
    const Status read = ReadLoggerFile(path, out);
    if (!read) {
        std::fprintf(stderr, "dmmlog %s: %s\n", verb, read.reason().c_str());
        return false;
    }
    return true;
}

bool ChosenPages(const char* verb, const Options& opts, std::size_t records, int& from, int& to) {
    const int pageCount = PageCountFor(records, kFilePointsPerPage);
    from = 1;
    to = pageCount;
    if (!opts.has("pages")) return true;
    const std::string text = opts.value("pages");
    const std::size_t dash = text.find('-', 1);
    const std::optional<int> first = ParseInteger(text.substr(0, dash));
    const std::optional<int> last =
        dash == std::string::npos ? first : ParseInteger(text.substr(dash + 1));
    if (!first || !last) {
        std::fprintf(stderr, "dmmlog %s: --pages must be A-B or A (page numbers), not '%s'\n", verb,
                     text.c_str());
        return false;
    }
    const PageRange range = ClampPageRange(*first, *last, pageCount);
    if (range.check == PageRange::Check::Reversed) {
        std::fprintf(stderr, "dmmlog %s: --pages %s: the first page is after the last\n", verb,
                     text.c_str());
        return false;
    }
    if (range.check == PageRange::Check::Outside) {
        std::fprintf(stderr, "dmmlog %s: --pages %s: the file has pages 1 to %d only\n", verb,
                     text.c_str(), pageCount);
        return false;
    }
    if (range.from != *first || range.to != *last) {
        std::fprintf(stderr, "dmmlog %s: the file has pages 1 to %d: taking pages %d-%d\n", verb,
                     pageCount, range.from, range.to);
    }
    from = range.from;
    to = range.to;
    return true;
}

}  // namespace dmm::cli

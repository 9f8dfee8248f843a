#include "logger/data/pages.h"

#include <algorithm>
#include <cstdint>

namespace dmm {

PageSpan PageRecords(std::size_t records, int pointsPerPage, int pageCount, int page) {
    PageSpan span;
    if (pointsPerPage <= 0) return span;
    const std::int64_t m = pointsPerPage;
    const auto n = static_cast<std::int64_t>(records);
    // Records up to the end of the page.
    std::int64_t end = n - (static_cast<std::int64_t>(pageCount) - page) * m;
    end = std::clamp<std::int64_t>(end, 0, n);
    const std::int64_t first = std::max<std::int64_t>(end - m, 0);
    span.first = static_cast<std::size_t>(first);
    span.count = static_cast<std::size_t>(end - first);
    span.nullPoints = static_cast<int>(m - (end - first));
    return span;
}

int PageCountFor(std::size_t records, int pointsPerPage) {
    if (pointsPerPage <= 0) return 1;
    return static_cast<int>(records / static_cast<std::size_t>(pointsPerPage)) + 1;
}

PageRange ClampPageRange(long long from, long long to, int pageCount) {
    PageRange range;
    if (from > to) {
        range.check = PageRange::Check::Reversed;
        return range;
    }
    if (to < 1 || from > pageCount) {
        range.check = PageRange::Check::Outside;
        return range;
    }
    range.from = static_cast<int>(std::max<long long>(from, 1));
    range.to = static_cast<int>(std::min<long long>(to, pageCount));
    return range;
}

}  // namespace dmm

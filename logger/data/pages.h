// The recorder's pages: which records each page of the chart shows. Page boundaries are
// anchored at the newest record, so the last page always ends with it and page 1 holds
// whatever is left over, drawn right-aligned behind empty points.
#pragma once

#include <cstddef>

namespace dmm {

// The records of one page: count records from first, after nullPoints empty points.
struct PageSpan {
    std::size_t first = 0;
    std::size_t count = 0;
    int nullPoints = 0;
    friend bool operator==(const PageSpan&, const PageSpan&) = default;
};

// Page `page` (1-based) of `records` records in `pageCount` pages of `pointsPerPage` points.
// A page before the first one holding records is all empty points.
PageSpan PageRecords(std::size_t records, int pointsPerPage, int pageCount, int page);

// Pages of a buffer read in whole: one more than the full pages, so 200 records in pages of
// 200 make two pages, the first of them empty.
int PageCountFor(std::size_t records, int pointsPerPage);

// A page range limited to the pages that exist.
struct PageRange {
    enum class Check {
        Ok,
        Reversed,  // the first page asked for is after the last one
        Outside,   // no page of the range exists
    };
    Check check = Check::Ok;
    int from = 1;
    int to = 0;
    bool empty() const { return check != Check::Ok; }
};

// From..To clamped to 1..pageCount; a reversed range or one that misses every page is empty.
PageRange ClampPageRange(long long from, long long to, int pageCount);

}  // namespace dmm

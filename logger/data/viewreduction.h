// What the graphical viewer draws of the whole buffer: every record while there are few,
// otherwise the largest and the smallest record of each group of records, so that every peak
// stays visible however long the buffer is.
#pragma once

#include <cstddef>
#include <vector>

#include "logger/data/logrecord.h"

namespace dmm {

// Buffers with fewer records are drawn point by point.
constexpr std::size_t kAllPointsLimit = 8192;
// A larger buffer is cut into groups of (records / this) records.
constexpr std::size_t kReductionGroups = 2048;

struct ViewPoints {
    bool allPoints = true;
    int pointCount = 0;
    // Reduced view: the record shown on each point, in chart order.
    std::vector<int> indexList;
    // Reduced view: the point showing the maximum and the minimum record; -1 when there is
    // none (an index outside the buffer).
    int maxPoint = -1;
    int minPoint = -1;

    // The record shown on a point.
    int RecordOf(int point) const { return allPoints ? point : indexList[point]; }
};

// One pass over the records. maxIndex and minIndex are the recorder's extremes. A group
// appends the index of its first largest and first smallest value in time order (the same
// record twice when it is both). When ties leave an extreme record out of the points, its
// point is the one of equal value that its group shows.
ViewPoints ReduceForView(const LogRecord* records, std::size_t count, int maxIndex, int minIndex);
inline ViewPoints ReduceForView(const LogList& list, int maxIndex, int minIndex) {
    return ReduceForView(list.data(), list.size(), maxIndex, minIndex);
}

}  // namespace dmm

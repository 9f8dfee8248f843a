#include "logger/data/viewreduction.h"

#include <algorithm>

namespace dmm {

ViewPoints ReduceForView(const LogRecord* records, std::size_t count, int maxIndex, int minIndex) {
    ViewPoints view;
    if (count < kAllPointsLimit) {
        view.allPoints = true;
        view.pointCount = static_cast<int>(count);
        return view;
    }
    view.allPoints = false;
    const std::size_t group = count / kReductionGroups;
    view.indexList.reserve((count / group + 1) * 2);

    const auto findPoint = [&](int extreme, std::size_t start, std::size_t end,
                               std::size_t representative, int& point) {
        if (extreme < 0 || static_cast<std::size_t>(extreme) < start ||
            static_cast<std::size_t>(extreme) >= end)
            return;
        // The group holding the extreme: its own point, or failing that (a tie that an
        // earlier record of equal value won) the point of its representative.
        const auto base = static_cast<int>(view.indexList.size()) - 2;
        const int a = view.indexList[static_cast<std::size_t>(base)];
        const int b = view.indexList[static_cast<std::size_t>(base) + 1];
        if (b == extreme)
            point = base + 1;
        else if (a == extreme)
            point = base;
        else
            point = a == static_cast<int>(representative) ? base : base + 1;
    };

    for (std::size_t s = 0; s < count; s += group) {
        const std::size_t end = std::min(s + group, count);
        std::size_t hi = s;
        std::size_t lo = s;
        float hiValue = records[s].fValue;
        float loValue = hiValue;
        for (std::size_t i = s + 1; i < end; ++i) {
            const float v = records[i].fValue;
            if (v > hiValue) {
                hiValue = v;
                hi = i;
            }
            if (v < loValue) {
                loValue = v;
                lo = i;
            }
        }
        if (hi < lo) {
            view.indexList.push_back(static_cast<int>(hi));
            view.indexList.push_back(static_cast<int>(lo));
        } else {
            view.indexList.push_back(static_cast<int>(lo));
            view.indexList.push_back(static_cast<int>(hi));
        }
        findPoint(maxIndex, s, end, hi, view.maxPoint);
        findPoint(minIndex, s, end, lo, view.minPoint);
    }
    view.pointCount = static_cast<int>(view.indexList.size());
    return view;
}

}  // namespace dmm

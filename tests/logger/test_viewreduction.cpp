// The viewer's reduction of a long buffer to the extremes of each group.
#include "logger/data/viewreduction.h"

#include <gtest/gtest.h>

#include <cmath>

namespace dmm {
namespace {

LogList Values(std::size_t n, float (*value)(std::size_t)) {
    LogList list(n);
    for (std::size_t i = 0; i < n; ++i) list[i].fValue = value(i);
    return list;
}

float Ramp(std::size_t i) {
    return static_cast<float>(i);
}
float Flat(std::size_t) {
    return 1.0f;
}

TEST(ViewReduction, PointCountsAndGroupSizes) {
    struct Case {
        std::size_t records;
        bool allPoints;
        int points;
    };
    const Case cases[] = {
        {0, true, 0},         {150, true, 150},     {8191, true, 8191},   {8192, false, 4096},
        {10000, false, 5000}, {10001, false, 5002}, {12287, false, 4916},  // G = 5: 2457 groups of
                                                                           // 5 and one of 2
    };
    for (const Case& c : cases) {
        const ViewPoints v = ReduceForView(Values(c.records, Ramp), 0, 0);
        EXPECT_EQ(v.allPoints, c.allPoints) << c.records;
        EXPECT_EQ(v.pointCount, c.points) << c.records;
        if (!v.allPoints) {
            EXPECT_EQ(v.indexList.size(), static_cast<std::size_t>(c.points));
        }
    }
}

TEST(ViewReduction, EachGroupGivesItsExtremesInTimeOrder) {
    // Groups of 4: falling within a group puts the maximum first, rising the minimum first.
    LogList list = Values(10001, [](std::size_t i) {
        return (i / 4) % 2 == 0 ? -static_cast<float>(i % 4) : static_cast<float>(i % 4);
    });
    const ViewPoints v = ReduceForView(list, 0, 0);
    ASSERT_FALSE(v.allPoints);
    EXPECT_EQ(v.indexList[0], 0);  // falling: 0, -1, -2, -3
    EXPECT_EQ(v.indexList[1], 3);
    EXPECT_EQ(v.indexList[2], 4);  // rising: 0, 1, 2, 3
    EXPECT_EQ(v.indexList[3], 7);
    // 10,001 records: the last group is record 10,000 alone, appended twice.
    EXPECT_EQ(v.indexList[5000], 10000);
    EXPECT_EQ(v.indexList[5001], 10000);
}

TEST(ViewReduction, FlatGroupGivesItsFirstRecordTwice) {
    const ViewPoints v = ReduceForView(Values(8192, Flat), 0, 0);
    for (std::size_t g = 0; g < 2048; ++g) {
        ASSERT_EQ(v.indexList[2 * g], static_cast<int>(4 * g)) << g;
        ASSERT_EQ(v.indexList[2 * g + 1], static_cast<int>(4 * g)) << g;
    }
}

TEST(ViewReduction, ANarrowSpikeInAMillionFlatRecordsIsKept) {
    LogList list = Values(1000000, Flat);
    list[654321].fValue = 50;
    list[123].fValue = -3;
    const ViewPoints v = ReduceForView(list, 654321, 123);
    ASSERT_GE(v.maxPoint, 0);
    EXPECT_EQ(v.indexList[static_cast<std::size_t>(v.maxPoint)], 654321);
    EXPECT_EQ(v.indexList[static_cast<std::size_t>(v.minPoint)], 123);
    EXPECT_LE(v.pointCount, 2 * 2560);
}

TEST(ViewReduction, TiesLeaveTheExtremeOnThePointOfEqualValueInItsGroup) {
    // The recorder keeps the newest of equal maxima (record 9), the reduction the first of
    // its group (record 8).
    LogList list = Values(8192, Flat);
    list[8].fValue = list[9].fValue = 5;
    list[20].fValue = list[21].fValue = -5;
    const ViewPoints v = ReduceForView(list, 9, 21);
    ASSERT_GE(v.maxPoint, 0);
    EXPECT_EQ(v.indexList[static_cast<std::size_t>(v.maxPoint)], 8);
    EXPECT_EQ(v.indexList[static_cast<std::size_t>(v.minPoint)], 20);
    EXPECT_EQ(v.maxPoint / 2, 2);  // the group of records 8 to 11
    EXPECT_EQ(v.minPoint / 2, 5);

    // An index outside the buffer has no point.
    const ViewPoints stale = ReduceForView(list, 9000, -1);
    EXPECT_EQ(stale.maxPoint, -1);
    EXPECT_EQ(stale.minPoint, -1);
}

}  // namespace
}  // namespace dmm

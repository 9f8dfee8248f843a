#include "displays/rules/needle.h"

#include <gtest/gtest.h>

#include <limits>
#include <map>
#include <utility>

namespace dmm {
namespace {

TEST(AnalogNeedle, MapsCountsOntoTheDial) {
    struct Case {
        int count;
        int fullScale;
        double angle;
    } const cases[] = {
        {0, 5000, 150},
        {2500, 5000, 90},
        {5000, 5000, 30},
        {-2500, 5000, 90},
        {-5000, 5000, 30},
        {5500, 5000, 25},
        {5200, 5000, 25.2},
        {10, 20, 90},
        {500, 1000, 90},
        {-5500, 5000, 25},
        {-2147483647 - 1, 5000, 25},
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(AnalogNeedleAngle(c.count, c.fullScale, 77), c.angle, 1e-9)
            << c.count << " of " << c.fullScale;
    }
}

TEST(AnalogNeedle, NoFullScaleKeepsTheNeedle) {
    EXPECT_EQ(AnalogNeedleAngle(100, 0, 77), 77);
    EXPECT_EQ(AnalogNeedleAngle(100, -5, 77), 77);
}

TEST(NeedleEnd, CutsTowardZero) {
    struct Case {
        double angle;
        int length;
        PixelPoint end;
    } const cases[] = {
        {0, 100, {100, 0}},   {30, 100, {86, -49}}, {90, 100, {0, -100}},  {150, 100, {-86, -50}},
        {180, 100, {-99, 0}}, {25, 100, {90, -42}}, {110, 70, {-23, -65}}, {130, 70, {-44, -53}},
        {50, 70, {44, -53}},  {90, 70, {0, -70}},
    };
    for (const Case& c : cases) {
        PixelPoint p = NeedleEnd(c.angle, c.length);
        EXPECT_EQ(p.x, c.end.x) << c.angle << " / " << c.length;
        EXPECT_EQ(p.y, c.end.y) << c.angle << " / " << c.length;
    }
}

TEST(NeedleEnd, NonFiniteAngleStaysAtThePivot) {
    EXPECT_EQ(NeedleEnd(std::numeric_limits<double>::quiet_NaN(), 100), (PixelPoint{0, 0}));
    EXPECT_EQ(NeedleEnd(std::numeric_limits<double>::infinity(), 70), (PixelPoint{0, 0}));
}

TEST(NeedleSweep, UnchangedAngleDrawsNothing) {
    EXPECT_TRUE(NeedleSweep(90, 90).empty());
    EXPECT_TRUE(NeedleSweep(25, AnalogNeedleAngle(6000, 5000, 25)).empty());
}

TEST(NeedleSweep, FansOutThenRemovesTheTrail) {
    std::vector<double> a = NeedleSweep(150, 90);
    ASSERT_EQ(a.size(), 20u);
    EXPECT_NEAR(a[0], 144, 1e-9);
    EXPECT_EQ(a[9], 90);
    EXPECT_EQ(a[10], 150);
    EXPECT_NEAR(a[19], 96, 1e-9);
}

// Drawing a line twice in XOR mode removes it: after the needle was drawn at
// the old angle and swept, exactly the line at the new angle must be left.
TEST(NeedleSweep, LeavesOnlyTheNewNeedle) {
    const std::pair<double, double> moves[] = {
        {150, 90},
        {90, 150},
        {150, 25},
        {33.3, 33.30000001},
        {150, 149.9},
        {25, 143.856},
        // Ten steps from 25 overshoot this end by a rounding that moves a pixel.
        {25, 149.3165835369327},
    };
    for (const auto& [from, to] : moves) {
        std::map<std::pair<int, int>, int> drawn;
        auto draw = [&](double angle) {
            PixelPoint p = NeedleEnd(angle, kAnalogNeedleLength);
            ++drawn[{p.x, p.y}];
        };
        draw(from);
        for (double angle : NeedleSweep(from, to)) draw(angle);
        std::map<std::pair<int, int>, int> odd;
        for (const auto& [end, n] : drawn) {
            if (n % 2) odd[end] = 1;
        }
        PixelPoint target = NeedleEnd(to, kAnalogNeedleLength);
        ASSERT_EQ(odd.size(), 1u) << from << " -> " << to;
        EXPECT_EQ(odd.begin()->first, std::make_pair(target.x, target.y)) << from << " -> " << to;
    }
}

TEST(AnalogDial, ScaleFollowsFunctionAndShift) {
    struct Case {
        int func;
        int shift;
        int scale;
    } const cases[] = {
        {1024, 0, 13}, {2048, 1, 13}, {8192, 2, 13}, {8, 3, 13}, {8, 2, 14},
        {32, 1, 15},   {64, 0, 15},   {5, 3, 14},    {0, 0, 14}, {128, 3, 14},
    };
    for (const Case& c : cases) EXPECT_EQ(ScaleBitmap(c.func, c.shift), c.scale) << c.func;
}

TEST(AnalogDial, AMetersOwnFullScaleChoosesTheScaleWhateverTheFunction) {
    struct Case {
        int func;
        int fullScale;
        int scale;
    } const cases[] = {
        {6, 4000, kScale0To4},      {6, 6000, kScale0To6},     {32, 6000, kScale0To6},
        {1024, 10000, kScale0To10}, {2048, 1000, kScale0To10}, {128, 5000, kScale0To5},
        {1024, 3000, kScale0To10},  // no scale fits: the function's
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ScaleBitmap(c.func, 0, c.fullScale), c.scale) << c.func << " " << c.fullScale;
    }
}

TEST(AnalogDial, SignAndMultiplier) {
    EXPECT_EQ(SignBitmap(1), 17);
    EXPECT_EQ(SignBitmap(0), 18);
    EXPECT_EQ(MultiplierText(0), "x1");
    EXPECT_EQ(MultiplierText(3), "x1000");
    EXPECT_EQ(MultiplierText(-1), "x1");
    EXPECT_EQ(MultiplierText(40), "x1000000000000000000");
}

TEST(AnalogDial, PicturesCentredOnTheOuterWidth) {
    AnalogMeterGeometry g = LayoutAnalogMeter(256);
    EXPECT_EQ(g.face, (PixelPoint{29, 0}));
    EXPECT_EQ(g.scale, (PixelPoint{38, 28}));
    EXPECT_EQ(g.Panel1, (WindowRect{92, 78, 72, 20}));
    EXPECT_EQ(g.sign, (PixelPoint{76, 87}));
    EXPECT_EQ(g.pivot, (PixelPoint{128, 132}));
}

TEST(ComparatorNeedle, MapsReadingsBetweenLimits) {
    struct Case {
        float value;
        double angle;
    } const cases[] = {
        {-50, 130}, {0, 130},  {100, 110}, {200, 90},
        {300, 70},  {400, 50}, {1e9f, 50}, {std::numeric_limits<float>::quiet_NaN(), 130},
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(ComparatorNeedleAngle(c.value, 300, 100, 77), c.angle, 1e-4) << c.value;
    }
}

TEST(ComparatorNeedle, LimitsWithoutAWindowKeepTheNeedle) {
    EXPECT_EQ(ComparatorNeedleAngle(5, 100, 100, 77), 77);
    EXPECT_EQ(ComparatorNeedleAngle(5, 0, 0, 130), 130);
    EXPECT_EQ(ComparatorNeedleAngle(5, 100, 300, 77), 77);
    EXPECT_EQ(ComparatorNeedleAngle(5, 3e38, -3e38, 77), 77);
    EXPECT_EQ(ComparatorNeedleAngle(0, 1e-50, 0, 77), 77);
}

TEST(ComparatorNeedle, GeometryFromTheWindowAndItsButtons) {
    // Outer width 201 + 27.
    ComparatorGeometry g = LayoutComparator(228, 25, 60, 40);
    EXPECT_EQ(g.face, (PixelPoint{13, 0}));
    EXPECT_EQ(g.lamp, (PixelPoint{29, 22}));
    EXPECT_EQ(g.pivot, (PixelPoint{114, 99}));
    EXPECT_EQ(g.bbtnAlart, (WindowRect{13, 123, 201, 25}));
    EXPECT_EQ(g.bbtnHiLowLimit, (WindowRect{13, 149, 60, 40}));
    EXPECT_EQ(g.Panel1, (WindowRect{75, 149, 139, 20}));
    EXPECT_EQ(g.Panel2, (WindowRect{75, 169, 139, 20}));
}

}  // namespace
}  // namespace dmm

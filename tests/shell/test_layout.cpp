#include "shell/rules/layout.h"

#include <gtest/gtest.h>

#include <ostream>

namespace dmm {

void PrintTo(const WindowRect& r, std::ostream* os) {
    *os << "(" << r.left << ", " << r.top << ") " << r.width << " x " << r.height;
}

namespace {

// 1024 x 768, dialog frame 3, caption 19, menu 19, sizing frame 4, taskbar 28.
const SystemMetrics kScreen{1024, 768, 3, 19, 19, 4, 28};

constexpr int kAlarmButton = 25;
constexpr int kLimitButton = 40;

TEST(MainWindow, IsAStripAcrossTheTop) {
    EXPECT_EQ(MainWindowHeight(kScreen), 79);
    EXPECT_EQ(MainWindowRect(kScreen), (WindowRect{0, 0, 1024, 79}));
}

TEST(Tile, AllWindowsOnTheReferenceScreen) {
    TileLayout t = TileWindows(kScreen, {true, true, true, true}, kAlarmButton, kLimitButton);
    EXPECT_EQ(t.main, (WindowRect{0, 0, 1024, 79}));
    EXPECT_EQ(t.digitalMeter, (WindowRect{0, 79, 256, 172}));
    ASSERT_TRUE(t.recorder);
    EXPECT_EQ(*t.recorder, (WindowRect{256, 79, 768, 661}));
    // Face 178 + 4 x 3 + 19.
    ASSERT_TRUE(t.analogMeter);
    EXPECT_EQ(*t.analogMeter, (WindowRect{0, 251, 256, 209}));
    ASSERT_TRUE(t.dataList);
    EXPECT_EQ(*t.dataList, (WindowRect{0, 460, 256, 280}));
    // F = 2 x 4 + 19 = 27; top (768 - 79) / 4 + 79 + 27.
    ASSERT_TRUE(t.comparator);
    EXPECT_EQ(*t.comparator, (WindowRect{27, 278, 228, 122 + 25 + 40 + 27 + 2}));
}

TEST(Tile, HiddenWindowsAreNotMovedAndDataListKeepsAnalogSpace) {
    TileLayout onlyDigital = TileWindows(kScreen, {}, kAlarmButton, kLimitButton);
    EXPECT_EQ(onlyDigital.digitalMeter, (WindowRect{0, 79, 256, 172}));
    EXPECT_FALSE(onlyDigital.recorder);
    EXPECT_FALSE(onlyDigital.analogMeter);
    EXPECT_FALSE(onlyDigital.dataList);
    EXPECT_FALSE(onlyDigital.comparator);

    TileVisibility listOnly;
    listOnly.dataList = true;
    TileLayout t = TileWindows(kScreen, listOnly, kAlarmButton, kLimitButton);
    EXPECT_FALSE(t.analogMeter);
    ASSERT_TRUE(t.dataList);
    EXPECT_EQ(t.dataList->top, 79 + 172 + 209);
}

TEST(Tile, HiddenTaskbarLetsColumnsReachTheBottom) {
    SystemMetrics m = kScreen;
    m.TaskbarHeight = 0;
    WindowRect list = DataListRect(m);
    WindowRect recorder = RecorderRect(m);
    EXPECT_EQ(list.top + list.height, 768);
    EXPECT_EQ(recorder.top + recorder.height, 768);
}

TEST(SizeLimits, MaximisedBelowTheMainWindow) {
    SizeLimits digital = DigitalMeterSizeLimits(kScreen);
    EXPECT_EQ(digital.maximized, (WindowRect{0, 79, 1024, 689}));
    EXPECT_EQ(digital.minTrackWidth, 256);
    EXPECT_EQ(digital.minTrackHeight, 172);

    SizeLimits list = DataListSizeLimits(kScreen);
    EXPECT_EQ(list.maximized, (WindowRect{0, 79, 256, 661}));
    EXPECT_EQ(list.minTrackWidth, 256);
    EXPECT_EQ(list.minTrackHeight, 192);

    SizeLimits recorder = RecorderSizeLimits(kScreen);
    EXPECT_EQ(recorder.maximized, (WindowRect{0, 79, 1024, 661}));
    EXPECT_EQ(recorder.minTrackWidth, 768);
    EXPECT_EQ(recorder.minTrackHeight, 661);
}

TEST(DigitalMeterLayout, QuarterScreenWidth) {
    DigitalMeterLayout d = LayoutDigitalMeter(256, 140);
    EXPECT_EQ(d.FuncPanel.width, 51);
    EXPECT_EQ(d.UnitPanel.width, 51);
    // The rest inside the 2-pixel bevel.
    EXPECT_EQ(d.DataPanel, (WindowRect{2, 2, 150, 136}));
    EXPECT_EQ(d.UnitPanel.left, 152);
    EXPECT_EQ(d.FuncPanel.left, 203);
    EXPECT_EQ(d.FuncPanel.left + d.FuncPanel.width, 254);
    EXPECT_EQ(d.dataFontSize, 25);
    EXPECT_EQ(d.unitFontSize, 25);
    EXPECT_EQ(d.funcFontSize, 25);
    EXPECT_EQ(d.pnlAcDc, (WindowRect{0, 0, 51, 34}));
    EXPECT_EQ(d.acDcFontSize, 10);
}

TEST(DigitalMeterLayout, TinyPanelsStayValid) {
    for (int w : {0, 1, 3, 4, 5, 9}) {
        DigitalMeterLayout d = LayoutDigitalMeter(w, 2);
        EXPECT_GE(d.DataPanel.width, 0) << w;
        EXPECT_GE(d.UnitPanel.width, 0) << w;
        EXPECT_GE(d.FuncPanel.width, 0) << w;
        EXPECT_GE(d.dataFontSize, 1) << w;
        EXPECT_GE(d.acDcFontSize, 1) << w;
    }
}

}  // namespace
}  // namespace dmm

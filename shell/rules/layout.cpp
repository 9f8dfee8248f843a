#include "shell/rules/layout.h"

#include <algorithm>

namespace dmm {
namespace {

int ComparatorFrame(const SystemMetrics& m) {
    return 2 * m.cyFrame + m.cyCaption;
}

int FontSize(int size) {
    return std::max(size, 1);
}

}  // namespace

int MainWindowHeight(const SystemMetrics& m) {
    return 2 * m.cyDlgFrame + m.cyCaption + m.cyMenu + kMainBevelHeight + kToolbarRowHeight +
           kToolbarTop;
}

WindowRect MainWindowRect(const SystemMetrics& m) {
    return {0, 0, m.screenWidth, MainWindowHeight(m)};
}

WindowRect DigitalMeterRect(const SystemMetrics& m) {
    const int top = MainWindowHeight(m);
    return {0, top, m.screenWidth / 4, (m.screenHeight - top) / 4};
}

WindowRect RecorderRect(const SystemMetrics& m) {
    const int top = MainWindowHeight(m);
    const int left = m.screenWidth / 4;
    return {left, top, m.screenWidth - left, m.screenHeight - top - m.TaskbarHeight};
}

WindowRect ViewerRect(const SystemMetrics& m) {
    const int top = MainWindowHeight(m);
    return {0, top, m.screenWidth, m.screenHeight - top};
}

int AnalogMeterHeight(const SystemMetrics& m) {
    return kAnalogFaceHeight + 4 * m.cyDlgFrame + m.cyCaption;
}

WindowRect AnalogMeterRect(const SystemMetrics& m) {
    const WindowRect digital = DigitalMeterRect(m);
    return {0, digital.top + digital.height, m.screenWidth / 4, AnalogMeterHeight(m)};
}

WindowRect DataListRect(const SystemMetrics& m) {
    const WindowRect analog = AnalogMeterRect(m);
    const int top = analog.top + analog.height;
    return {0, top, m.screenWidth / 4, m.screenHeight - top - m.TaskbarHeight};
}

WindowRect ComparatorRect(const SystemMetrics& m, int alarmButtonHeight, int limitButtonHeight) {
    const int f = ComparatorFrame(m);
    const int mainHeight = MainWindowHeight(m);
    return {f, (m.screenHeight - mainHeight) / 4 + mainHeight + f, kComparatorFaceWidth + f,
            kComparatorFaceHeight + alarmButtonHeight + limitButtonHeight + f + 2};
}

TileLayout TileWindows(const SystemMetrics& m, const TileVisibility& visible, int alarmButtonHeight,
                       int limitButtonHeight) {
    TileLayout t;
    t.main = MainWindowRect(m);
    t.digitalMeter = DigitalMeterRect(m);
    if (visible.recorder) t.recorder = RecorderRect(m);
    if (visible.analogMeter) t.analogMeter = AnalogMeterRect(m);
    if (visible.dataList) t.dataList = DataListRect(m);
    if (visible.comparator) t.comparator = ComparatorRect(m, alarmButtonHeight, limitButtonHeight);
    return t;
}

SizeLimits DigitalMeterSizeLimits(const SystemMetrics& m) {
    const int top = MainWindowHeight(m);
    return {{0, top, m.screenWidth, m.screenHeight - top},
            m.screenWidth / 4,
            (m.screenHeight - top) / 4};
}

SizeLimits DataListSizeLimits(const SystemMetrics& m) {
    const int top = MainWindowHeight(m);
    return {{0, top, m.screenWidth / 4, m.screenHeight - top - m.TaskbarHeight},
            m.screenWidth / 4,
            m.screenHeight / 4};
}

SizeLimits RecorderSizeLimits(const SystemMetrics& m) {
    const int top = MainWindowHeight(m);
    const int height = m.screenHeight - top - m.TaskbarHeight;
    return {{0, top, m.screenWidth, height}, m.screenWidth - m.screenWidth / 4, height};
}

DigitalMeterLayout LayoutDigitalMeter(int lcdWidth, int lcdHeight) {
    DigitalMeterLayout d;
    const int innerLeft = kLcdBevelWidth;
    const int innerTop = kLcdBevelWidth;
    const int innerWidth = std::max(lcdWidth - 2 * kLcdBevelWidth, 0);
    const int innerHeight = std::max(lcdHeight - 2 * kLcdBevelWidth, 0);

    // The two right-hand panels are sized from LcdPanel's outer width; the data
    // panel takes what is left inside the bevel.
    const int funcWidth = std::min(std::max(lcdWidth / 5, 0), innerWidth);
    const int unitWidth = std::min(std::max(lcdWidth / 5, 0), innerWidth - funcWidth);
    const int dataWidth = innerWidth - funcWidth - unitWidth;

    d.FuncPanel = {innerLeft + innerWidth - funcWidth, innerTop, funcWidth, innerHeight};
    d.UnitPanel = {d.FuncPanel.left - unitWidth, innerTop, unitWidth, innerHeight};
    d.DataPanel = {innerLeft, innerTop, dataWidth, innerHeight};
    d.pnlAcDc = {0, 0, funcWidth, innerHeight / 4};

    d.dataFontSize = FontSize(dataWidth / 6);
    d.unitFontSize = FontSize(unitWidth / 2);
    d.funcFontSize = FontSize(funcWidth / 2);
    d.acDcFontSize = FontSize(d.pnlAcDc.width / 5);
    return d;
}

}  // namespace dmm

// Where the windows go: the main window strip across the top of the screen and
// the child windows tiled below it, plus the digital meter's panel layout.
// All rectangles are outer window rectangles in screen pixels; all divisions
// are integer divisions.
#pragma once

#include <optional>

namespace dmm {

// The desktop measures the layout depends on.
struct SystemMetrics {
    int screenWidth = 0;
    int screenHeight = 0;
    int cyDlgFrame = 0;     // dialog frame thickness (SM_CYDLGFRAME)
    int cyCaption = 0;      // caption bar height (SM_CYCAPTION)
    int cyMenu = 0;         // menu bar height (SM_CYMENU)
    int cyFrame = 0;        // sizing frame thickness (SM_CYFRAME)
    int TaskbarHeight = 0;  // 0 when the taskbar hides itself; measured wherever windows are placed
};

struct WindowRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const WindowRect&, const WindowRect&) = default;
};

// Sizes of the dial pictures that fix the meter windows' sizes.
constexpr int kAnalogFaceWidth = 198;
constexpr int kAnalogFaceHeight = 178;
constexpr int kComparatorFaceWidth = 201;
constexpr int kComparatorFaceHeight = 122;

// The main window: frames, caption and menu bar, then the 2-pixel bevel and the
// toolbar row (25 high, 8 from the top).
constexpr int kMainBevelHeight = 2;
constexpr int kToolbarRowHeight = 25;
constexpr int kToolbarTop = 8;

int MainWindowHeight(const SystemMetrics& m);
WindowRect MainWindowRect(const SystemMetrics& m);

// Each child window where it is created; a tile puts it back there.
WindowRect DigitalMeterRect(const SystemMetrics& m);
WindowRect RecorderRect(const SystemMetrics& m);
// The graphical viewer: across the screen below the main window, to the bottom of the screen.
WindowRect ViewerRect(const SystemMetrics& m);
int AnalogMeterHeight(const SystemMetrics& m);
WindowRect AnalogMeterRect(const SystemMetrics& m);
// Below the space of the analog meter, whether that window is shown or not.
WindowRect DataListRect(const SystemMetrics& m);
// The comparator's height includes its two buttons, whose heights the window knows.
WindowRect ComparatorRect(const SystemMetrics& m, int alarmButtonHeight, int limitButtonHeight);

struct TileVisibility {
    bool recorder = false;
    bool analogMeter = false;
    bool dataList = false;
    bool comparator = false;
};

// The result of a tile: windows that are hidden stay where they are (empty).
// The digital meter is always there. The comparator is brought to the front
// after it is placed.
struct TileLayout {
    WindowRect main;
    WindowRect digitalMeter;
    std::optional<WindowRect> recorder;
    std::optional<WindowRect> analogMeter;
    std::optional<WindowRect> dataList;
    std::optional<WindowRect> comparator;
};

TileLayout TileWindows(const SystemMetrics& m, const TileVisibility& visible, int alarmButtonHeight,
                       int limitButtonHeight);

// Answers to the system's size query. The system's own maximum tracking size
// applies; only the smallest size is limited.
struct SizeLimits {
    WindowRect maximized;  // position and size when maximised
    int minTrackWidth = 0;
    int minTrackHeight = 0;
};

SizeLimits DigitalMeterSizeLimits(const SystemMetrics& m);
SizeLimits DataListSizeLimits(const SystemMetrics& m);
SizeLimits RecorderSizeLimits(const SystemMetrics& m);

// The digital meter's panels for a given outer size of LcdPanel. Positions of
// DataPanel, UnitPanel and FuncPanel are relative to LcdPanel, pnlAcDc's to
// FuncPanel. Font sizes are in points and never below 1.
constexpr int kLcdBevelWidth = 2;

struct DigitalMeterLayout {
    WindowRect DataPanel;
    WindowRect UnitPanel;
    WindowRect FuncPanel;
    WindowRect pnlAcDc;
    int dataFontSize = 1;
    int unitFontSize = 1;
    int funcFontSize = 1;
    int acDcFontSize = 1;
};

DigitalMeterLayout LayoutDigitalMeter(int lcdWidth, int lcdHeight);

}  // namespace dmm

// The needles of the analog meter and the comparator: where they point, how
// they move, and where the pictures and panels of both dials go.
#pragma once

#include <string>
#include <vector>

#include "shell/rules/layout.h"

namespace dmm {

// Degrees to radians with pi taken as 3.14159264, the value the dial pictures
// were drawn for.
constexpr double kDegreesToRadians = 0.017453292444444442;

struct PixelPoint {
    int x = 0;
    int y = 0;
    friend bool operator==(const PixelPoint&, const PixelPoint&) = default;
};

// The end of a needle of the given length at an angle in degrees (counted
// counter-clockwise from the right-hand horizontal), relative to its pivot with
// y growing downwards; both coordinates are cut toward zero. A non-finite angle
// gives the pivot itself.
PixelPoint NeedleEnd(double angle, int length);

// ---- Analog meter -------------------------------------------------------

constexpr int kAnalogNeedleLength = 100;
constexpr int kAnalogPivotY = 132;  // below the top of the client area
constexpr double kAnalogStartAngle = 150;
constexpr double kAnalogStopAngle = 25;  // 5 degrees past full scale
constexpr int kAnalogStartFunc = 5;

// Where the needle points for a count of the full scale: 150 degrees at 0, 30
// at full scale, never below 25. The sign of the count does not matter. A full
// scale that is not positive leaves the needle at previous.
double AnalogNeedleAngle(int NeedleCount, int FullScale, double previous);

// The angles to draw in XOR mode to move the needle from previous to next:
// ten lines fanning out to next, then the old needle and the nine lines between
// drawn again to remove them, so that only the needle at next is left. Empty
// when the angle does not change.
std::vector<double> NeedleSweep(double previous, double next);

// Picture numbers of the scales and signs.
constexpr int kScale0To10 = 13;
constexpr int kScale0To5 = 14;
constexpr int kScale0To20 = 15;
// Scales of the 4000- and 6000-count meters.
constexpr int kScale0To4 = 19;
constexpr int kScale0To6 = 20;
constexpr int kMinusSign = 17;
constexpr int kPlusSign = 18;
constexpr int kScaleWidth = 180;
constexpr int kScaleHeight = 62;
constexpr int kSignSize = 11;

// The scale for a reading: by its full-scale count when the meter gives one (see
// ScaleTop), otherwise by the function code.
int ScaleBitmap(int funcCode, int DecimalShift, int fullScale = 0);
int SignBitmap(int NegativeFlag);

// Whether a reading redraws the dial: the function changed, or it is the
// capacitance function, whose scale follows the decimal shift.
bool FaceNeedsRedraw(int funcCode, int ShownFunc);

// "x1", "x10", "x100", "x1000": 10 to the power of the shift (held to 0..18).
std::string MultiplierText(int DecimalShift);

constexpr int kAnalogPanel1Width = 72;
constexpr int kAnalogPanel1Height = 20;
constexpr int kAnalogPanel1Top = 78;

// Positions in the analog meter's client area, from its outer width.
struct AnalogMeterGeometry {
    PixelPoint face;
    PixelPoint scale;
    WindowRect Panel1;
    PixelPoint sign;
    PixelPoint pivot;
};

AnalogMeterGeometry LayoutAnalogMeter(int windowWidth);

// ---- Comparator ---------------------------------------------------------

constexpr int kComparatorNeedleLength = 70;
constexpr int kComparatorPivotY = 99;  // below the top of the client area
constexpr double kComparatorStartAngle = 130;
constexpr int kLampWidth = 168;
constexpr int kLampHeight = 77;
constexpr int kLampTop = 22;

// Where the needle points for a reading between the limits: the low limit at
// 110 degrees, the high limit at 70, half the window beyond each limit at 130
// and 50, where it stops. Computed in single precision. With limits that do
// not span a window (high not above low) the needle stays at previous.
double ComparatorNeedleAngle(float CompValue, double HiLimit, double LowLimit, double previous);

// Positions in the comparator window's client area, from its outer width and
// the sizes of its buttons.
struct ComparatorGeometry {
    PixelPoint face;
    PixelPoint lamp;
    PixelPoint pivot;
    WindowRect bbtnAlart;
    WindowRect bbtnHiLowLimit;
    WindowRect Panel1;
    WindowRect Panel2;
};

ComparatorGeometry LayoutComparator(int windowWidth, int alarmButtonHeight, int limitButtonWidth,
                                    int limitButtonHeight);

// Inside Panel1 and Panel2 the unit and function panels keep these widths at
// the right end; the limit panel takes the rest.
constexpr int kLimitUnitPanelWidth = 21;
constexpr int kLimitFuncPanelWidth = 20;

}  // namespace dmm

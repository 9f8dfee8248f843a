#include "displays/rules/needle.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "meterlink/handover.h"
#include "meterlink/labels.h"

namespace dmm {

PixelPoint NeedleEnd(double angle, int length) {
    if (!std::isfinite(angle)) return {};
    const double r = angle * kDegreesToRadians;
    // |cos|, |sin| <= 1, so both values fit an int for any int length.
    return {static_cast<int>(std::trunc(std::cos(r) * length)),
            static_cast<int>(std::trunc(-std::sin(r) * length))};
}

double AnalogNeedleAngle(int NeedleCount, int FullScale, double previous) {
    if (FullScale <= 0) return previous;
    const double count = std::fabs(static_cast<double>(NeedleCount));
    const double angle = 180 - (count * (120.0 / FullScale) + 30);
    return angle < kAnalogStopAngle ? kAnalogStopAngle : angle;
}

std::vector<double> NeedleSweep(double previous, double next) {
    std::vector<double> angles;
    if (next == previous) return angles;
    const double step = (next - previous) * 0.1;
    angles.reserve(20);
    for (int i = 1; i <= 10; ++i) angles.push_back(previous + i * step);
    // previous + 10 * step can miss next by a rounding; the needle is later
    // erased at next exactly, so it must be drawn there exactly.
    angles.back() = next;
    for (int i = 0; i <= 9; ++i) angles.push_back(previous + i * step);
    return angles;
}

int ScaleBitmap(int funcCode, int DecimalShift, int fullScale) {
    switch (ScaleTop(fullScale)) {
        case 4:
            return kScale0To4;
        case 5:
            return kScale0To5;
        case 6:
            return kScale0To6;
        case 10:
            return kScale0To10;
        case 20:
            return kScale0To20;
        default:
            break;
    }
    switch (funcCode) {
        case func::Frequency:
        case func::Percent:
        case func::DecibelMilliwatt:
            return kScale0To10;
        case func::Celsius:
        case func::Fahrenheit:
            return kScale0To20;
        case func::Capacitance:
            return DecimalShift == 3 ? kScale0To10 : kScale0To5;
        default:
            return kScale0To5;
    }
}

int SignBitmap(int NegativeFlag) {
    return NegativeFlag == 1 ? kMinusSign : kPlusSign;
}

bool FaceNeedsRedraw(int funcCode, int ShownFunc) {
    return funcCode != ShownFunc || funcCode == func::Capacitance;
}

std::string MultiplierText(int DecimalShift) {
    const int shift = std::clamp(DecimalShift, 0, 18);
    std::int64_t power = 1;
    for (int i = 0; i < shift; ++i) power *= 10;
    return "x" + std::to_string(power);
}

AnalogMeterGeometry LayoutAnalogMeter(int windowWidth) {
    AnalogMeterGeometry g;
    const int faceLeft = (windowWidth - kAnalogFaceWidth) / 2;
    g.face = {faceLeft, 0};
    g.scale = {faceLeft + 9, 28};
    g.Panel1 = {(windowWidth - kAnalogPanel1Width) / 2, kAnalogPanel1Top, kAnalogPanel1Width,
                kAnalogPanel1Height};
    g.sign = {g.Panel1.left - kSignSize - kSignSize / 2,
              g.Panel1.top + g.Panel1.height - kSignSize};
    g.pivot = {windowWidth / 2, kAnalogPivotY};
    return g;
}

double ComparatorNeedleAngle(float CompValue, double HiLimit, double LowLimit, double previous) {
    // Equal or inverted limits leave no window to map the reading into.
    if (!(HiLimit > LowLimit)) return previous;
    const float half = static_cast<float>((HiLimit - LowLimit) * 0.5);
    const float k = 20 / half;
    const float leftEnd = static_cast<float>(LowLimit - half);
    const float rightEnd = static_cast<float>(HiLimit + half);
    const float span = rightEnd - leftEnd;
    float e = CompValue - leftEnd;
    if (!(e >= 0)) e = 0;
    if (!(span > e)) e = span;
    const double angle = 180 - (static_cast<double>(e) * k + 50);
    // Limits too far apart for single precision give no usable angle.
    return std::isfinite(angle) ? angle : previous;
}

ComparatorGeometry LayoutComparator(int windowWidth, int alarmButtonHeight, int limitButtonWidth,
                                    int limitButtonHeight) {
    ComparatorGeometry g;
    const int faceLeft = (windowWidth - kComparatorFaceWidth) / 2;
    g.face = {faceLeft, 0};
    g.lamp = {(kComparatorFaceWidth - kLampWidth) / 2 + faceLeft, kLampTop};
    g.pivot = {windowWidth / 2, kComparatorPivotY};
    g.bbtnAlart = {faceLeft, kComparatorFaceHeight + 1, kComparatorFaceWidth, alarmButtonHeight};
    g.bbtnHiLowLimit = {faceLeft, g.bbtnAlart.top + g.bbtnAlart.height + 1, limitButtonWidth,
                        limitButtonHeight};
    const int panelLeft = g.bbtnHiLowLimit.left + limitButtonWidth + 2;
    const int panelWidth = std::max(kComparatorFaceWidth - limitButtonWidth - 2, 0);
    const int panelHeight = limitButtonHeight / 2;
    g.Panel1 = {panelLeft, g.bbtnHiLowLimit.top, panelWidth, panelHeight};
    g.Panel2 = {panelLeft, g.Panel1.top + panelHeight, panelWidth, panelHeight};
    return g;
}

}  // namespace dmm

#include "logger/chart/rules/chartmath.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <utility>

namespace dmm {

namespace {

constexpr double kHundredthsPerInch = 2540.0;
constexpr double kPointsPerInch = 72.0;

}  // namespace

std::optional<ChartAction> ChartActionFromNumber(int number) {
    switch (number) {
        case 0:
        case 2:
        case 8:
        case 12:
        case 13:
        case 14:
        case 15:
        case 18:
        case 19:
            return static_cast<ChartAction>(number);
        default:
            return std::nullopt;
    }
}

int NiceTickStep(double raw) {
    if (!(raw > 1.0)) return 1;
    for (long long decade = 1; decade <= (1LL << 26); decade *= 10) {
        for (int factor : {10, 20, 25, 50}) {
            const long long step = decade * factor / 10;
            if (step * 10 == decade * factor && step >= raw) return static_cast<int>(step);
        }
    }
    return 1 << 29;
}

int PointLabelStep(double visiblePoints, int availablePixels, int labelPixels, int gapPixels) {
    const int available = std::max(1, availablePixels);
    const int labelCount = std::max(1, available / std::max(1, labelPixels + gapPixels));
    return NiceTickStep(visiblePoints / labelCount);
}

std::vector<int> PointTicks(int lastPoint, double lower, double upper, int step) {
    std::vector<int> ticks;
    step = std::max(1, step);
    if (lastPoint < 0 || !(lower <= upper)) return ticks;
    const double loCeil = std::ceil(lower);
    const double hiFloor = std::floor(upper);
    const int lo = loCeil <= 0 ? 0 : static_cast<int>(std::min<double>(loCeil, INT_MAX));
    const int hi = hiFloor >= lastPoint ? lastPoint : static_cast<int>(std::max(hiFloor, -1.0));
    if (lo > hi) return ticks;
    int tick = lastPoint - ((lastPoint - hi + step - 1) / step) * step;  // highest tick <= hi
    for (; tick >= lo; tick -= step) ticks.push_back(tick);
    std::reverse(ticks.begin(), ticks.end());
    return ticks;
}

AxisRange YAxisRange(YScaleMode mode, double manualMin, double manualMax, bool hasData,
                     double dataLow, double dataHigh) {
    double lo = manualMin;
    double hi = manualMax;
    if (mode != YScaleMode::ManualMinAndMax) {
        if (!hasData || dataLow > dataHigh) {
            dataLow = -1.0;
            dataHigh = 1.0;
        }
        const double pad = (dataHigh - dataLow) * 0.05;
        lo = mode == YScaleMode::ManualMin ? manualMin : dataLow - pad;
        hi = mode == YScaleMode::ManualMax ? manualMax : dataHigh + pad;
    }
    if (!std::isfinite(lo) || !std::isfinite(hi)) {
        lo = -1.0;
        hi = 1.0;
    }
    if (lo > hi) std::swap(lo, hi);
    if (hi - lo <= std::abs(hi) * 1e-9) {
        const double half = std::max(std::abs(hi) * 0.1, 1.0);
        lo -= half;
        hi += half;
    }
    return {lo, hi};
}

namespace {

bool InPictureRange(int side) {
    return side >= kMinPicturePixels && side <= kMaxExportPixels;
}

}  // namespace

std::optional<PixelSize> BitmapPixelSize(int exportWidth, int exportHeight, PixelSize screen) {
    const PixelSize size{exportWidth == 0 ? screen.width : exportWidth,
                         exportHeight == 0 ? screen.height : exportHeight};
    if (!InPictureRange(size.width) || !InPictureRange(size.height)) return std::nullopt;
    return size;
}

std::optional<PixelSize> MetafileLayoutSize(int exportWidth, int exportHeight, PixelSize screen) {
    if (exportWidth < 0 || exportHeight < 0) return std::nullopt;
    const auto toPixels = [](int hundredths) {
        const double pixels = hundredths / kHundredthsPerInch * kScreenDpi;
        return pixels > kMaxExportPixels ? kMaxExportPixels + 1
                                         : static_cast<int>(std::lround(pixels));
    };
    const PixelSize size{exportWidth == 0 ? screen.width : toPixels(exportWidth),
                         exportHeight == 0 ? screen.height : toPixels(exportHeight)};
    if (!InPictureRange(size.width) || !InPictureRange(size.height)) return std::nullopt;
    return size;
}

std::optional<PrintPlacement> PlaceOnPage(double pageWidth, double pageHeight, double resolution,
                                          double shapeWidth, double shapeHeight) {
    if (!(pageWidth > 0 && pageHeight > 0 && resolution > 0 && shapeWidth > 0 && shapeHeight > 0))
        return std::nullopt;
    PrintPlacement p;
    p.width = pageWidth;
    p.height = pageWidth * shapeHeight / shapeWidth;
    if (p.height > pageHeight) {
        p.height = pageHeight;
        p.width = p.height * shapeWidth / shapeHeight;
    }
    p.left = (pageWidth - p.width) / 2;
    p.scale = resolution / kScreenDpi;
    const double layoutWidth = p.width / p.scale;
    const double layoutHeight = p.height / p.scale;
    if (layoutWidth < kMinPicturePixels || layoutHeight < kMinPicturePixels ||
        layoutWidth > kMaxExportPixels || layoutHeight > kMaxExportPixels)
        return std::nullopt;
    p.layout = {static_cast<int>(layoutWidth), static_cast<int>(layoutHeight)};
    return p;
}

double ShownSize(double stored, SizeUnit unit, bool bitmap) {
    if (bitmap) return stored;
    switch (unit) {
        case SizeUnit::Millimeters:
            return stored / 100.0;
        case SizeUnit::Inches:
            return stored / kHundredthsPerInch;
        case SizeUnit::Points:
            return stored * kPointsPerInch / kHundredthsPerInch;
        case SizeUnit::Pixels:
            break;
    }
    return stored;
}

double StoredSize(double typed, SizeUnit unit, bool bitmap) {
    if (bitmap) return typed;
    switch (unit) {
        case SizeUnit::Millimeters:
            return typed * 100.0;
        case SizeUnit::Inches:
            return typed * kHundredthsPerInch;
        case SizeUnit::Points:
            return typed * kHundredthsPerInch / kPointsPerInch;
        case SizeUnit::Pixels:
            break;
    }
    return typed;
}

int ExportSizeOf(double stored) {
    if (std::isnan(stored)) return 0;
    if (stored >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (stored <= static_cast<double>(INT_MIN)) return INT_MIN;
    return static_cast<int>(stored);
}

}  // namespace dmm

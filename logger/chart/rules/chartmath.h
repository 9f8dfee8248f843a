// The arithmetic of the chart control: its numbered actions, the spacing of point labels,
// the Y range it picks, and the sizes of its pictures in each unit.
#pragma once

#include <optional>
#include <vector>

namespace dmm {

// The chart's actions; the numbers are the ones the program has always used for them.
enum class ChartAction : int {
    Reinitialize = 0,      // re-initialise, rebuild the picture and repaint
    RebuildForExport = 2,  // rebuild the picture at the export size
    Print = 8,             // print at the export size with the printer as set up
    MetafileToClipboard = 12,
    MetafileToFile = 13,
    BitmapToClipboard = 14,
    BitmapToFile = 15,
    PrintWithSetup = 18,  // print, asking for the printer first
    UndoZoom = 19,
};

// The action with this number; nothing for a number that is no action.
std::optional<ChartAction> ChartActionFromNumber(int number);

// ---- point labels

// The smallest step of at least raw among 1, 2, 5, 10, 20, 25, 50, 100, 200, 250, 500, ...
int NiceTickStep(double raw);

// The label step for visiblePoints points when availablePixels are free and each label
// takes labelPixels plus gapPixels.
int PointLabelStep(double visiblePoints, int availablePixels, int labelPixels, int gapPixels);

// Labelled points between lower and upper: every step-th point counted back from lastPoint,
// so that the newest point is always labelled. Ascending.
std::vector<int> PointTicks(int lastPoint, double lower, double upper, int step);

// ---- Y range

enum class YScaleMode { Automatic, ManualMin, ManualMax, ManualMinAndMax };

struct AxisRange {
    double lower = 0;
    double upper = 0;
    friend bool operator==(const AxisRange&, const AxisRange&) = default;
};

// The Y range of the full view. The automatic bounds take the drawn data (dataLow..dataHigh,
// hasData false when nothing is drawn) with 5 % room; a range that is not finite becomes
// -1..1, a reversed one is put the right way round, and one of no height is widened by a
// tenth of its value (at least 1) either way.
AxisRange YAxisRange(YScaleMode mode, double manualMin, double manualMax, bool hasData,
                     double dataLow, double dataHigh);

// ---- picture sizes

// Layout resolution of pictures: text keeps its size on screen.
constexpr double kScreenDpi = 96.0;
constexpr int kMinPicturePixels = 16;
// Largest picture side in pixels that an export renders.
constexpr int kMaxExportPixels = 16384;

struct PixelSize {
    int width = 0;
    int height = 0;
    friend bool operator==(const PixelSize&, const PixelSize&) = default;
};

// A bitmap of the export size in pixels (0 = the size on screen); nothing when a side is
// below kMinPicturePixels or above kMaxExportPixels.
std::optional<PixelSize> BitmapPixelSize(int exportWidth, int exportHeight, PixelSize screen);

// The pixel layout of a metafile whose export size is in hundredths of a millimetre (0 = the
// size on screen), at kScreenDpi; nothing when out of range.
std::optional<PixelSize> MetafileLayoutSize(int exportWidth, int exportHeight, PixelSize screen);

// A printed chart: as wide as the page (or as high, when that limits it) in the proportions
// of shape, centred across, laid out at kScreenDpi and scaled to the printer's resolution.
struct PrintPlacement {
    double left = 0;    // offset on the page in printer pixels
    double width = 0;   // printer pixels
    double height = 0;  // printer pixels
    double scale = 1;   // printer pixels per layout pixel
    PixelSize layout;
};
std::optional<PrintPlacement> PlaceOnPage(double pageWidth, double pageHeight, double resolution,
                                          double shapeWidth, double shapeHeight);

// ---- sizes in the export dialog

// Bitmaps are measured in pixels, metafiles in hundredths of a millimetre; the dialog shows
// them in the unit chosen. A point is 1/72 inch.
enum class SizeUnit { Pixels, Millimeters, Inches, Points };

// The stored size as the dialog shows it in unit.
double ShownSize(double stored, SizeUnit unit, bool bitmap);
// The stored size for a number typed in unit.
double StoredSize(double typed, SizeUnit unit, bool bitmap);

// A stored size as the integer the chart takes: truncated, limited to the int range.
int ExportSizeOf(double stored);

}  // namespace dmm

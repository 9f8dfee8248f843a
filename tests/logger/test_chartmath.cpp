// The chart's arithmetic and the export dialog's rules.
#include "logger/chart/rules/chartmath.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "logger/data/exportoptions.h"
#include "meterlink/numparse.h"

namespace dmm {
namespace {

TEST(ChartMath, ActionsKeepTheirNumbers) {
    for (int n : {0, 2, 8, 12, 13, 14, 15, 18, 19}) {
        ASSERT_TRUE(ChartActionFromNumber(n)) << n;
        EXPECT_EQ(static_cast<int>(*ChartActionFromNumber(n)), n);
    }
    for (int n : {-1, 1, 7, 16, 20}) EXPECT_FALSE(ChartActionFromNumber(n)) << n;
    EXPECT_EQ(static_cast<int>(ChartAction::UndoZoom), 19);
}

TEST(ChartMath, TickStepsAndTicksCountedBackFromTheNewestPoint) {
    struct Step {
        double raw;
        int step;
    };
    const Step steps[] = {{0, 1},  {1, 1},   {1.1, 2}, {2.5, 5},
                          {6, 10}, {21, 25}, {26, 50}, {240, 250}};
    for (const Step& s : steps) EXPECT_EQ(NiceTickStep(s.raw), s.step) << s.raw;
    EXPECT_EQ(NiceTickStep(std::numeric_limits<double>::quiet_NaN()), 1);

    EXPECT_EQ(PointLabelStep(200, 800, 72, 8), 20);  // 10 labels fit
    EXPECT_EQ(PointTicks(199, -0.5, 199.5, 50), (std::vector<int>{49, 99, 149, 199}));
    EXPECT_EQ(PointTicks(199, 60, 100, 25), (std::vector<int>{74, 99}));
    EXPECT_TRUE(PointTicks(199, 300, 400, 10).empty());
    EXPECT_TRUE(PointTicks(-1, 0, 10, 1).empty());
    EXPECT_EQ(PointTicks(9, -1e300, 1e300, 0).size(), 10u);  // a zero step counts as 1
}

TEST(ChartMath, YRangeOfTheFullView) {
    using M = YScaleMode;
    struct Case {
        M mode;
        double min, max;
        bool data;
        double lo, hi;
        AxisRange expect;
    };
    const Case cases[] = {
        {M::ManualMinAndMax, -100, 100, true, 0, 1, {-100, 100}},
        {M::ManualMinAndMax, 5, -5, false, 0, 0, {-5, 5}},   // reversed
        {M::ManualMinAndMax, 2, 2, false, 0, 0, {1, 3}},     // no height
        {M::ManualMinAndMax, NAN, 1, false, 0, 0, {-1, 1}},  // not finite
        {M::Automatic, 0, 0, true, 0, 10, {-0.5, 10.5}},     // 5 % room
        {M::Automatic, 0, 0, false, 0, 0, {-1.1, 1.1}},      // nothing drawn
        {M::ManualMin, -3, 0, true, 0, 10, {-3, 10.5}},
        {M::ManualMax, 0, 20, true, 0, 10, {-0.5, 20}},
    };
    for (const Case& c : cases) {
        const AxisRange r = YAxisRange(c.mode, c.min, c.max, c.data, c.lo, c.hi);
        EXPECT_NEAR(r.lower, c.expect.lower, 1e-9) << static_cast<int>(c.mode) << " " << c.min;
        EXPECT_NEAR(r.upper, c.expect.upper, 1e-9) << static_cast<int>(c.mode) << " " << c.min;
    }
}

TEST(ChartMath, PictureSizesInEachUnit) {
    const PixelSize screen{900, 500};
    EXPECT_EQ(BitmapPixelSize(1000, 681, screen), (PixelSize{1000, 681}));
    EXPECT_EQ(BitmapPixelSize(0, 0, screen), screen);
    EXPECT_EQ(BitmapPixelSize(320, 0, screen), (PixelSize{320, 500}));
    for (int bad : {-5, 15, kMaxExportPixels + 1}) EXPECT_FALSE(BitmapPixelSize(bad, 100, screen));

    // Hundredths of a millimetre at 96 pixels an inch: 100 mm x 68.1 mm.
    EXPECT_EQ(MetafileLayoutSize(10000, 6810, screen), (PixelSize{378, 257}));
    EXPECT_EQ(MetafileLayoutSize(5080, 2540, screen), (PixelSize{192, 96}));
    EXPECT_FALSE(MetafileLayoutSize(-1, 2540, screen));
    EXPECT_FALSE(MetafileLayoutSize(INT_MAX, 2540, screen));

    // A wide shape takes the page width; a tall one the page height, centred across.
    const auto wide = PlaceOnPage(9600, 12000, 1200, 1000, 500);
    ASSERT_TRUE(wide);
    EXPECT_DOUBLE_EQ(wide->width, 9600);
    EXPECT_DOUBLE_EQ(wide->height, 4800);
    EXPECT_DOUBLE_EQ(wide->left, 0);
    EXPECT_EQ(wide->layout, (PixelSize{768, 384}));
    const auto tall = PlaceOnPage(9600, 4800, 1200, 500, 1000);
    ASSERT_TRUE(tall);
    EXPECT_DOUBLE_EQ(tall->width, 2400);
    EXPECT_DOUBLE_EQ(tall->left, 3600);
    EXPECT_FALSE(PlaceOnPage(100, 100, 1200, 1, 1));  // smaller than the smallest picture
    EXPECT_FALSE(PlaceOnPage(9600, 12000, 1200, 0, 1));
}

TEST(ChartMath, SizesShownAndStoredByUnit) {
    EXPECT_EQ(FormatGeneral(ShownSize(10000, SizeUnit::Inches, false)), "3.93700787401575");
    EXPECT_EQ(FormatGeneral(ShownSize(6810, SizeUnit::Inches, false)), "2.68110236220472");
    EXPECT_EQ(FormatGeneral(ShownSize(6810, SizeUnit::Millimeters, false)), "68.1");
    EXPECT_DOUBLE_EQ(StoredSize(2, SizeUnit::Inches, false), 5080);
    EXPECT_DOUBLE_EQ(StoredSize(68.1, SizeUnit::Millimeters, false), 6810);
    // 72 points make an inch.
    EXPECT_DOUBLE_EQ(StoredSize(72, SizeUnit::Points, false), 2540);
    EXPECT_DOUBLE_EQ(ShownSize(2540, SizeUnit::Points, false), 72);
    // A bitmap keeps the number typed whatever the unit.
    EXPECT_DOUBLE_EQ(StoredSize(640, SizeUnit::Millimeters, true), 640);
    EXPECT_DOUBLE_EQ(ShownSize(681, SizeUnit::Inches, true), 681);

    EXPECT_EQ(ExportSizeOf(999.9), 999);
    EXPECT_EQ(ExportSizeOf(1e300), INT_MAX);
    EXPECT_EQ(ExportSizeOf(-1e300), INT_MIN);
    EXPECT_EQ(ExportSizeOf(std::numeric_limits<double>::quiet_NaN()), 0);
}

TEST(ExportDialogRulesTest, TextAllowsOnlyAFileOfAnyPages) {
    ExportDialogRules rules;
    rules.rbtnBitMapClick();
    rules.options.fileName = "x.bmp";
    rules.rbtnTextClick();
    const ExportOptions& o = rules.options;
    EXPECT_FALSE(o.clipBoardEnabled);
    EXPECT_FALSE(o.printerEnabled);
    EXPECT_TRUE(o.fileEnabled);
    EXPECT_EQ(o.destination, ExportDestination::File);
    EXPECT_TRUE(o.browseEnabled);
    EXPECT_TRUE(o.fileName.empty());
    EXPECT_TRUE(o.pageAllEnabled && o.thisPageEnabled && o.pageEnabled);
    EXPECT_EQ(o.scope, PageScope::ThisPage);
    EXPECT_FALSE(o.pageEditsEnabled);
    EXPECT_FALSE(o.sizeGroupVisible);
    rules.rbtnPageClick();
    EXPECT_TRUE(o.pageEditsEnabled);
    rules.rbtnPageAllClick();
    EXPECT_FALSE(o.pageEditsEnabled);
}

TEST(ExportDialogRulesTest, PictureTypesSetTheirSizeUnitsAndClipBoard) {
    ExportDialogRules rules;
    rules.rbtnBitMapClick();
    const ExportOptions& o = rules.options;
    EXPECT_EQ(o.destination, ExportDestination::ClipBoard);
    EXPECT_TRUE(o.clipBoardEnabled && o.fileEnabled && o.printerEnabled);
    EXPECT_FALSE(o.browseEnabled);
    EXPECT_TRUE(o.pixelsEnabled);
    EXPECT_FALSE(o.millimetersEnabled || o.inchesEnabled || o.pointsEnabled);
    EXPECT_EQ(o.unit, SizeUnit::Pixels);
    EXPECT_EQ(rules.ShownWidth(), "1000");
    EXPECT_EQ(rules.ShownHeight(), "681");
    EXPECT_FALSE(o.pageAllEnabled || o.pageEnabled);
    EXPECT_EQ(o.scope, PageScope::ThisPage);

    rules.rbtnMetaFileClick();
    EXPECT_FALSE(o.pixelsEnabled);
    EXPECT_TRUE(o.millimetersEnabled && o.inchesEnabled && o.pointsEnabled);
    EXPECT_EQ(o.unit, SizeUnit::Millimeters);
    EXPECT_EQ(rules.ShownWidth(), "100");
    EXPECT_EQ(rules.ShownHeight(), "68.1");
    rules.SelectUnit(SizeUnit::Inches);
    EXPECT_EQ(rules.ShownWidth(), "3.93700787401575");
    EXPECT_EQ(rules.ShownHeight(), "2.68110236220472");
    EXPECT_TRUE(rules.editWidthChange("2"));
    EXPECT_DOUBLE_EQ(o.objectWidth, 5080);
    EXPECT_FALSE(rules.editWidthChange("2x"));  // kept as it was
    EXPECT_FALSE(rules.editHighChange(""));
    EXPECT_DOUBLE_EQ(o.objectWidth, 5080);
    EXPECT_DOUBLE_EQ(o.objectHeight, 6810);

    // A file of a picture is of this page only.
    rules.rbtnFileClick();
    EXPECT_TRUE(o.browseEnabled);
    EXPECT_FALSE(o.pageAllEnabled || o.pageEnabled);
    EXPECT_TRUE(o.thisPageEnabled);
}

TEST(ExportDialogRulesTest, PrinterScopeDependsOnWhoAsks) {
    ExportDialogRules recorder;
    recorder.rbtnBitMapClick();
    recorder.rbtnPrinterClick();
    EXPECT_TRUE(recorder.options.pageAllEnabled && recorder.options.thisPageEnabled &&
                recorder.options.pageEnabled);
    EXPECT_FALSE(recorder.options.browseEnabled);
    recorder.options.viewerFlag = 1;
    recorder.rbtnPrinterClick();
    EXPECT_FALSE(recorder.options.pageAllEnabled || recorder.options.thisPageEnabled ||
                 recorder.options.pageEnabled);

    // The viewer's dialog leaves only This Page, whatever the flag.
    ExportDialogRules viewer(true);
    viewer.rbtnMetaFileClick();
    viewer.rbtnPageClick();
    viewer.rbtnPrinterClick();
    EXPECT_FALSE(viewer.options.pageAllEnabled || viewer.options.pageEnabled);
    EXPECT_TRUE(viewer.options.thisPageEnabled);
    EXPECT_EQ(viewer.options.scope, PageScope::ThisPage);
    EXPECT_FALSE(viewer.options.pageEditsEnabled);
}

TEST(ExportDialogRulesTest, LongFileNamesShowTheirStartAndEnd) {
    auto shown = [](const std::vector<std::string>& characters) {
        return ExportDialogRules::FileNameDisplay(characters);
    };
    auto bytes = [](const std::string& text) {
        std::vector<std::string> characters;
        for (char c : text) characters.emplace_back(1, c);
        return characters;
    };
    EXPECT_EQ(shown(bytes("/home/user/exports/2024/long-name-00.csv")),
              "/ho...ts/2024/long-name-00.csv");
    EXPECT_EQ(shown(bytes(std::string(30, 'a'))), std::string(30, 'a'));
    EXPECT_EQ(shown(bytes(std::string(31, 'a'))).size(), 30u);
    // A character of several bytes counts once and is never cut.
    const std::string e = "e\xCC\x81";  // e and a combining acute accent
    std::vector<std::string> accented(30, e);
    EXPECT_EQ(shown(accented).size(), 30 * e.size());
    accented.push_back("\xC3\xBC");
    std::string expected = e + e + e + "...";
    for (int i = 0; i < 23; ++i) expected += e;
    EXPECT_EQ(shown(accented), expected + "\xC3\xBC");
}

}  // namespace
}  // namespace dmm

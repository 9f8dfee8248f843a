#include "logger/chart/viewchart.h"

#include <QColor>
#include <QPalette>
#include <algorithm>

#include "logger/acquisition/recorder.h"
#include "logger/chart/pegraph.h"
#include "meterlink/numparse.h"
#include "resources/strings.h"

namespace dmm {

namespace {

constexpr int kViewerSubsetStyle = 9;

// Export size 0 (the size on screen), then a rebuild.
void Finish(PEGraph& chart) {
    chart.setPrepareImages(true);
    chart.setExportWidth(0);
    chart.setExportHeight(0);
    chart.PerformAction(ChartAction::Reinitialize);
}

QString Text(int number) {
    return QString::fromStdString(LoadStr(number));
}

void SetPoint(PEGraph& chart, int point, const LogRecord& record) {
    chart.setYData(0, point, record.fValue);
    chart.setPointLabel(point, QString::fromLatin1(FieldString(record.szTime).c_str()));
}

}  // namespace

void SetUpViewChart(PEGraph& chart) {
    const QColor buttonFace = chart.palette().color(QPalette::Button);
    chart.setMainTitle(Text(str::ChartTitle));
    chart.setSubTitle(QString());
    chart.setYAxisLabel(Text(str::ReadingLabel));
    chart.setXAxisLabel(Text(str::TimeLabel));
    chart.setDeskColor(buttonFace);
    chart.setGraphForeColor(buttonFace);
    chart.setGraphBackColor(Qt::white);
    chart.setSubsets(1);
    chart.setSubsetColor(0, QColor(0, 0, 255));
    chart.setSubsetStyle(0, kViewerSubsetStyle);
    chart.setPlottingMethod(PEGraph::gLine);
    chart.setManualMaxDataString(QStringLiteral("00000000.000"));
    chart.setManualMaxPointLabel(QStringLiteral("00:00:00.000"));
    chart.setDataPrecision(PEGraph::gThreeDecimals);
    chart.setNullDataValue(kChartNullValue);
    chart.setManualScaleControlY(PEGraph::gManualMinAndMax);
    chart.setNoStackedData(true);
    chart.setAllowHistogram(false);
    chart.setAllowDataHotSpots(true);
    chart.setPointsToGraphInit(PEGraph::gLast);
    chart.setPointSize(PEGraph::gLargePoints);
    chart.setGridLineControl(PEGraph::gYPlusXAxis);
    chart.setCursorMode(PEGraph::gVertLine);
    chart.setMouseCursorControl(true);
    chart.setCursorPromptStyle(PEGraph::gNoPrompt);
    chart.setAllowZooming(PEGraph::gHorzPlusVertZooming);
    chart.setAllowPopup(false);
}

void LoadViewChart(PEGraph& chart, const LogRecord* records, const ViewPoints& view, float yMin,
                   float yMax) {
    chart.setManualMaxY(yMax);
    chart.setManualMinY(yMin);
    chart.setSubsets(1);
    chart.setPoints(view.pointCount);
    for (int point = 0; point < view.pointCount; ++point)
        SetPoint(chart, point, records[view.RecordOf(point)]);
    Finish(chart);
    chart.setCursorPoint(0);
    chart.PerformAction(ChartAction::UndoZoom);
}

void LoadHiddenViewChart(PEGraph& chart, const LogRecord* records, std::size_t count) {
    chart.setSubsets(1);
    chart.setPoints(kHiddenViewPoints);
    chart.setManualMaxY(100);
    chart.setManualMinY(-100);
    const int filled = static_cast<int>(std::min<std::size_t>(count, kHiddenViewPoints));
    for (int point = 0; point < filled; ++point) SetPoint(chart, point, records[point]);
    // A short buffer leaves the other points empty.
    for (int point = filled; point < kHiddenViewPoints; ++point) {
        chart.setYData(0, point, kChartNullValue);
        chart.setPointLabel(point, QString::fromLatin1(kEmptyPointLabel));
    }
    Finish(chart);
}

}  // namespace dmm

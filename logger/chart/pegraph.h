// The chart control of the recorder and the viewer: a line chart of labelled points with a
// vertical cursor, rectangle zooming, and picture export to files, the clipboard and the printer.
//
// Properties and cells are stored at once and drawn at the next rebuild (action 0 or 2); the
// append, the cursor and zooming show straight away.
#pragma once

#include <QColor>
#include <QSharedPointer>
#include <QString>
#include <QVector>
#include <QWidget>
#include <functional>
#include <limits>
#include <memory>
#include <utility>
#include <vector>

#include "logger/chart/rules/chartmath.h"
#include "resources/status.h"

class QCPGraph;
class QCPPainter;
class QCPItemStraightLine;
class QCPTextElement;
class QCustomPlot;
class QImage;
class QPrinter;

namespace dmm {

class DeskLayerable;
class PEGraphPlot;
class PointLabelTicker;

class PEGraph : public QWidget {
    Q_OBJECT

public:
    enum PointsToGraphInitMode { gFirst, gLast };
    enum PlottingMethodMode { gPoints, gLine };
    enum DataPrecisionMode { gNoDecimals, gOneDecimal, gTwoDecimals, gThreeDecimals };
    enum ScaleControl { gNoManualScale, gManualMin, gManualMax, gManualMinAndMax };
    enum GridLines { gNoGrid, gYAxis, gXAxis, gYPlusXAxis };
    enum PointSizes { gSmallPoints, gMediumPoints, gLargePoints };
    enum CursorModes { gNoCursor, gVertLine };
    enum CursorPrompt { gNoPrompt };
    enum Zooming { gNoZooming, gHorzZooming, gVertZooming, gHorzPlusVertZooming };
    enum ViewingStyles { gColor, gMonochrome };

    // Lets the program configure the printer before a print, or ask the user through its own
    // dialogs; withSetup is true for the print that goes through the printer set-up (action 18).
    // Returning false cancels the print. Without a hook the printer's current settings are used.
    using PrintSetup = std::function<bool(QPrinter& printer, bool withSetup)>;

    // Largest picture side in pixels that an export renders.
    static constexpr int kMaxExportPixels = dmm::kMaxExportPixels;
    // Upper bound of the point count, to keep a bad count from sizing a huge allocation.
    static constexpr int kMaxPoints = 1 << 20;
    static constexpr int kMaxSubsets = 64;

    explicit PEGraph(QWidget* parent = nullptr);
    ~PEGraph() override;

    // Texts.
    QString MainTitle() const { return mainTitle_; }
    void setMainTitle(const QString& text) { mainTitle_ = text; }
    QString SubTitle() const { return subTitle_; }
    void setSubTitle(const QString& text) { subTitle_ = text; }
    QString XAxisLabel() const { return xAxisLabel_; }
    void setXAxisLabel(const QString& text) { xAxisLabel_ = text; }
    QString YAxisLabel() const { return yAxisLabel_; }
    void setYAxisLabel(const QString& text) { yAxisLabel_ = text; }

    // Sizes. Changing Subsets or Points keeps the cells that stay; new cells hold the null value
    // and an empty label.
    int Subsets() const { return static_cast<int>(values_.size()); }
    void setSubsets(int count);
    int Points() const { return points_; }
    void setPoints(int count);
    // 0 = no limit.
    int MaxPointsToGraph() const { return maxPointsToGraph_; }
    void setMaxPointsToGraph(int count) { maxPointsToGraph_ = qMax(0, count); }
    // How many points the full view shows; 0 = all.
    int PointsToGraph() const { return pointsToGraph_; }
    void setPointsToGraph(int count) { pointsToGraph_ = qMax(0, count); }
    PointsToGraphInitMode PointsToGraphInit() const { return pointsToGraphInit_; }
    void setPointsToGraphInit(PointsToGraphInitMode mode) { pointsToGraphInit_ = mode; }

    // A point holding this value, or no number at all, is not drawn. Until it is set there is no
    // such value, and cells never written hold no number.
    double NullDataValue() const { return nullDataValue_; }
    void setNullDataValue(double value) { nullDataValue_ = value; }

    PlottingMethodMode PlottingMethod() const { return plottingMethod_; }
    void setPlottingMethod(PlottingMethodMode mode) { plottingMethod_ = mode; }
    DataPrecisionMode DataPrecision() const { return dataPrecision_; }
    void setDataPrecision(DataPrecisionMode mode) { dataPrecision_ = mode; }
    // Sample texts whose width is reserved for the Y tick labels and for each point label.
    QString ManualMaxDataString() const { return manualMaxDataString_; }
    void setManualMaxDataString(const QString& text) { manualMaxDataString_ = text; }
    QString ManualMaxPointLabel() const { return manualMaxPointLabel_; }
    void setManualMaxPointLabel(const QString& text) { manualMaxPointLabel_ = text; }

    ScaleControl ManualScaleControlY() const { return manualScaleControlY_; }
    void setManualScaleControlY(ScaleControl mode) { manualScaleControlY_ = mode; }
    double ManualMinY() const { return manualMinY_; }
    void setManualMinY(double value) { manualMinY_ = value; }
    double ManualMaxY() const { return manualMaxY_; }
    void setManualMaxY(double value) { manualMaxY_ = value; }

    // Desk: the area around the graph; back: inside the axes; fore: axes, ticks and grid.
    QColor DeskColor() const { return deskColor_; }
    void setDeskColor(const QColor& colour) { deskColor_ = colour; }
    QColor GraphBackColor() const { return graphBackColor_; }
    void setGraphBackColor(const QColor& colour) { graphBackColor_ = colour; }
    QColor GraphForeColor() const { return graphForeColor_; }
    void setGraphForeColor(const QColor& colour) { graphForeColor_ = colour; }

    GridLines GridLineControl() const { return gridLineControl_; }
    void setGridLineControl(GridLines mode) { gridLineControl_ = mode; }
    // NoStackedData, AllowHistogram, AllowDataHotSpots, AllowPopup and PrepareImages are kept
    // for the program: subsets are drawn as separate lines, there is no pop-up menu, and the
    // picture is always drawn ahead into buffers.
    bool NoStackedData() const { return noStackedData_; }
    void setNoStackedData(bool on) { noStackedData_ = on; }
    bool AllowHistogram() const { return allowHistogram_; }
    void setAllowHistogram(bool on) { allowHistogram_ = on; }
    bool AllowDataHotSpots() const { return allowDataHotSpots_; }
    void setAllowDataHotSpots(bool on) { allowDataHotSpots_ = on; }
    bool AllowPopup() const { return allowPopup_; }
    void setAllowPopup(bool on) { allowPopup_ = on; }
    PointSizes PointSize() const { return pointSize_; }
    void setPointSize(PointSizes size) { pointSize_ = size; }

    CursorModes CursorMode() const { return cursorMode_; }
    void setCursorMode(CursorModes mode);
    // Whether a click or drag on the graph moves the cursor.
    bool MouseCursorControl() const { return mouseCursorControl_; }
    void setMouseCursorControl(bool on) { mouseCursorControl_ = on; }
    CursorPrompt CursorPromptStyle() const { return cursorPromptStyle_; }
    void setCursorPromptStyle(CursorPrompt style) { cursorPromptStyle_ = style; }
    Zooming AllowZooming() const { return allowZooming_; }
    void setAllowZooming(Zooming mode);
    bool PrepareImages() const { return prepareImages_; }
    void setPrepareImages(bool on) { prepareImages_ = on; }
    ViewingStyles ViewingStyle() const { return viewingStyle_; }
    void setViewingStyle(ViewingStyles style) { viewingStyle_ = style; }

    // Cells. Reads outside the chart give the null value, an empty label, an invalid colour or 0;
    // writes outside it are ignored.
    float YData(int subset, int point) const;
    void setYData(int subset, int point, float value);
    QString PointLabel(int point) const;
    void setPointLabel(int point, const QString& label);
    QColor SubsetColor(int subset) const;
    void setSubsetColor(int subset, const QColor& colour);
    // A value kept for each subset for the program's use; it does not change the drawing.
    int SubsetStyle(int subset) const;
    void setSubsetStyle(int subset, int value);

    // The point under the vertical cursor, 0-based; a new point is clamped to the chart.
    int CursorPoint() const { return cursorPoint_; }
    void setCursorPoint(int point);

    // Moves every point one place towards the start and puts label and value on the last point
    // (subset 0; other subsets get the null value there), then redraws with the Y range and
    // the Y-axis label as set: a live sample needs no rebuild besides.
    void AppendPoint(const QString& label, float value);

    // Size of exported and printed pictures; 0 takes the size of the chart on screen. Bitmaps are
    // measured in pixels, metafiles (SVG) in hundredths of a millimetre; a print fills the page
    // width in the proportions of this size.
    int ExportWidth() const { return exportWidth_; }
    void setExportWidth(int width) { exportWidth_ = width; }
    int ExportHeight() const { return exportHeight_; }
    void setExportHeight(int height) { exportHeight_ = height; }
    QString ExportFileName() const { return exportFileName_; }
    void setExportFileName(const QString& name) { exportFileName_ = name; }

    void setPrintSetup(PrintSetup setup) { printSetup_ = std::move(setup); }

    // Runs one of the numbered actions. It fails with ChartFailed and the reason when the
    // action did not succeed (no file name, file not written, print failed, size out of
    // range), with ChartCancelled when the user cancelled it.
    Status PerformAction(ChartAction action);
    // The action by its number; ChartFailed for a number that is no action.
    Status PerformAction(int number);

    // Makes the prints that follow the sheets of one print job, until EndPrintJob: the first
    // of them asks for the printer (action 18) or takes it as set up (action 8), the others
    // go on new sheets without asking. EndPrintJob finishes the job, as PerformAction fails.
    void BeginPrintJob();
    Status EndPrintJob();

    // Whether the view is zoomed in (undone by action 19).
    bool IsZoomed() const { return zoomed_; }

    // The drawing surface, for tests and for sending it input.
    QCustomPlot* plot() const;

signals:
    void OnCursorMoved();
    void OnZoomIn();
    void OnKeyDown(int key, Qt::KeyboardModifiers modifiers);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    friend class PEGraphPlot;

    struct Colours {
        QColor desk, back, fore, text, cursor;
        bool monochrome;
    };

    Colours currentColours() const;
    void rebuild();
    void applyAppearance(const Colours& colours);
    void applyData(const Colours& colours);
    void loadGraph(int subset);
    void loadIsolatedPoints(int subset);
    void applyFullView();
    void placeCursor(bool repaintNow);
    void updateTickSpacing();
    bool isNull(float value) const;
    float nullAsFloat() const;

    // Mouse handling of the drawing surface.
    bool cursorHit(const QPoint& pos) const;
    bool insideGraph(const QPoint& pos) const;
    void moveCursorToPixel(int x);
    void zoomToRect(const QRect& area);

    // Pictures.
    QSize screenSize() const;
    bool exportPixelSize(QSize& size) const;
    bool metafileLayoutSize(QSize& size) const;
    QImage renderImage(const QSize& size);
    QByteArray renderSvg(const QSize& layoutSize);
    bool bitmapToFile();
    bool metafileToFile();
    bool bitmapToClipboard();
    bool metafileToClipboard();
    bool print(bool withSetup);
    bool startPrint(bool withSetup, QCPPainter& painter);
    bool drawOnPrinter(QCPPainter& painter);
    void restoreScreenLayout();
    bool fail(const QString& reason);
    // Ok, or the failure of an action or print job that did not succeed: lastError_ says
    // why, and is empty when the user cancelled.
    Status outcome(bool succeeded) const;
    bool perform(ChartAction action);

    PEGraphPlot* plot_;
    QCPTextElement* title_ = nullptr;
    QCPItemStraightLine* cursorLine_ = nullptr;
    DeskLayerable* desk_ = nullptr;
    QVector<QCPGraph*> graphs_;          // one line per subset
    QVector<QCPGraph*> isolatedGraphs_;  // dots for points with no drawn neighbour
    QSharedPointer<PointLabelTicker> ticker_;

    // Properties.
    QString mainTitle_, subTitle_, xAxisLabel_, yAxisLabel_;
    int points_ = 0;
    int maxPointsToGraph_ = 0;
    int pointsToGraph_ = 0;
    PointsToGraphInitMode pointsToGraphInit_ = gFirst;
    double nullDataValue_ = std::numeric_limits<double>::quiet_NaN();
    PlottingMethodMode plottingMethod_ = gLine;
    DataPrecisionMode dataPrecision_ = gTwoDecimals;
    QString manualMaxDataString_, manualMaxPointLabel_;
    ScaleControl manualScaleControlY_ = gNoManualScale;
    double manualMinY_ = 0.0;
    double manualMaxY_ = 1.0;
    QColor deskColor_, graphBackColor_, graphForeColor_;
    GridLines gridLineControl_ = gNoGrid;
    bool noStackedData_ = false;
    bool allowHistogram_ = false;
    bool allowDataHotSpots_ = false;
    bool allowPopup_ = false;
    PointSizes pointSize_ = gMediumPoints;
    CursorModes cursorMode_ = gNoCursor;
    bool mouseCursorControl_ = false;
    CursorPrompt cursorPromptStyle_ = gNoPrompt;
    Zooming allowZooming_ = gNoZooming;
    bool prepareImages_ = false;
    ViewingStyles viewingStyle_ = gColor;

    // Cells: values_[subset][point]; labels_ and the subset attributes beside them.
    std::vector<std::vector<float>> values_;
    QVector<QString> labels_;
    QVector<QColor> subsetColors_;
    QVector<int> subsetStyles_;
    QString longestLabel_;  // the label with the most characters seen, for label spacing
    int cursorPoint_ = 0;

    int exportWidth_ = 0;
    int exportHeight_ = 0;
    QString exportFileName_;
    PrintSetup printSetup_;
    std::unique_ptr<QPrinter>
        printer_;  // kept so that set-up choices last from one print to the next
    struct PrintJob;
    struct PrintJobDeleter {
        void operator()(PrintJob* job) const;
    };
    std::unique_ptr<PrintJob, PrintJobDeleter> job_;  // open between BeginPrintJob and EndPrintJob
    QString lastError_;

    bool zoomed_ = false;
};

}  // namespace dmm

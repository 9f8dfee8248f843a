#include "logger/chart/pegraph.h"

#include <qcustomplot.h>

#include <QKeyEvent>
#include <QPrinter>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>
#include <optional>

namespace dmm {

namespace {

constexpr int kCursorGrip = 4;     // pixels either side of the cursor line that grab it
constexpr int kClickSlop = 3;      // a press and release closer than this is a click
constexpr int kMinZoomPixels = 5;  // a smaller rectangle side does not zoom that direction
constexpr int kLabelGap = 8;       // free pixels between two point labels

QColor ContrastOn(const QColor& background) {
    return qGray(background.rgb()) < 128 ? QColor(Qt::white) : QColor(Qt::black);
}

QColor DefaultSubsetColour(int subset) {
    static const QColor kColours[] = {Qt::blue,     Qt::red,        Qt::darkGreen, Qt::magenta,
                                      Qt::darkCyan, Qt::darkYellow, Qt::darkRed,   Qt::gray};
    return kColours[subset % static_cast<int>(std::size(kColours))];
}

}  // namespace

// The desk colour beneath everything else, as the plot's lowest layer: the plot draws itself
// whole onto the window, with nothing filled beneath it first.
class DeskLayerable : public QCPLayerable {
public:
    DeskLayerable(QCustomPlot* plot, const QString& layer) : QCPLayerable(plot, layer) {}
    void setBrush(const QBrush& brush) { brush_ = brush; }

protected:
    void applyDefaultAntialiasingHint(QCPPainter*) const override {}
    void draw(QCPPainter* painter) override { painter->fillRect(mParentPlot->viewport(), brush_); }

private:
    QBrush brush_;
};

// X ticks on every k-th point counted back from the last one, so that the newest point is always
// labelled; k grows with the visible range so that the labels never overlap.
class PointLabelTicker : public QCPAxisTicker {
public:
    PointLabelTicker(const QCustomPlot* plot, const QVector<QString>* labels)
        : plot_(plot), labels_(labels) {}

    void setSpacing(int labelPixels, int reservedPixels) {
        labelPixels_ = std::max(1, labelPixels);
        reservedPixels_ = std::max(0, reservedPixels);
    }

protected:
    double getTickStep(const QCPRange& range) override {
        // The viewport is the size being drawn, also while exporting at another size.
        return PointLabelStep(range.size(), plot_->viewport().width() - reservedPixels_,
                              labelPixels_, kLabelGap);
    }

    int getSubTickCount(double) override { return 0; }

    QString getTickLabel(double tick, const QLocale&, QChar, int) override {
        const int point = qRound(tick);
        return point >= 0 && point < labels_->size() ? labels_->at(point) : QString();
    }

    QVector<double> createTickVector(double tickStep, const QCPRange& range) override {
        QVector<double> ticks;
        for (int point : PointTicks(static_cast<int>(labels_->size()) - 1, range.lower, range.upper,
                                    static_cast<int>(tickStep)))
            ticks.append(point);
        return ticks;
    }

private:
    const QCustomPlot* plot_;
    const QVector<QString>* labels_;
    int labelPixels_ = 80;
    int reservedPixels_ = 100;
};

// The drawing surface. A press on the cursor line drags the cursor; any other press inside the
// graph starts the zoom rectangle, and a click without dragging moves the cursor there.
class PEGraphPlot : public QCustomPlot {
public:
    explicit PEGraphPlot(PEGraph* owner) : QCustomPlot(owner), owner_(owner) {}
    // Asks for the plot to be drawn at the next paint.
    void requestDraw() { update(); }

protected:
    void mousePressEvent(QMouseEvent* event) override {
        pressPos_ = event->pos();
        draggingCursor_ = false;
        clickPending_ = false;
        if (event->button() != Qt::LeftButton || !owner_->insideGraph(event->pos())) return;
        if (owner_->cursorHit(event->pos())) {
            draggingCursor_ = true;
            return;
        }
        clickPending_ = true;
        QCustomPlot::mousePressEvent(event);
    }

    void mouseMoveEvent(QMouseEvent* event) override {
        if (draggingCursor_) {
            owner_->moveCursorToPixel(event->pos().x());
            return;
        }
        QCustomPlot::mouseMoveEvent(event);
    }

    void mouseReleaseEvent(QMouseEvent* event) override {
        if (draggingCursor_) {
            draggingCursor_ = false;
            owner_->moveCursorToPixel(event->pos().x());
            return;
        }
        const bool click =
            clickPending_ && (event->pos() - pressPos_).manhattanLength() <= kClickSlop;
        clickPending_ = false;
        QCustomPlot::mouseReleaseEvent(event);
        if (click && owner_->mouseCursorControl_) owner_->moveCursorToPixel(event->pos().x());
    }

    void mouseDoubleClickEvent(QMouseEvent* event) override { event->accept(); }
    // Every sample moves every point, so each one draws the whole plot. It is drawn straight
    // onto the window, not first into pictures of its layers that are then cleared, drawn
    // and copied at every sample: that took a third of a live sample's time.
    void paintEvent(QPaintEvent*) override {
        QCPPainter painter(this);
        if (!painter.isActive()) return;
        draw(&painter);
    }

private:
    PEGraph* owner_;
    QPoint pressPos_;
    bool draggingCursor_ = false;
    bool clickPending_ = false;
};

PEGraph::PEGraph(QWidget* parent) : QWidget(parent), plot_(new PEGraphPlot(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(plot_);
    setFocusPolicy(Qt::StrongFocus);
    plot_->setFocusPolicy(Qt::NoFocus);

    deskColor_ = palette().color(QPalette::Button);
    graphBackColor_ = Qt::white;
    graphForeColor_ = Qt::black;

    plot_->setPlottingHint(QCP::phFastPolylines, true);
    plot_->setNoAntialiasingOnDrag(true);
    plot_->setInteractions(QCP::Interactions());

    QFont titleFont = font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(font().pointSizeF() + 3);
    plot_->plotLayout()->insertRow(0);
    title_ = new QCPTextElement(plot_, QString(), titleFont);
    plot_->plotLayout()->addElement(0, 0, title_);

    ticker_.reset(new PointLabelTicker(plot_, &labels_));
    plot_->xAxis->setTicker(ticker_);
    plot_->xAxis->setSubTicks(false);
    for (QCPAxis* frame : {plot_->xAxis2, plot_->yAxis2}) {
        frame->setVisible(true);
        frame->setTicks(false);
        frame->setTickLabels(false);
    }
    plot_->yAxis->setNumberFormat("f");

    plot_->addLayer(QStringLiteral("desk"), plot_->layer("background"), QCustomPlot::limBelow);
    desk_ = new DeskLayerable(plot_, QStringLiteral("desk"));
    cursorLine_ = new QCPItemStraightLine(plot_);
    cursorLine_->setLayer("overlay");
    cursorLine_->setSelectable(false);

    if (QCPSelectionRect* rect = plot_->selectionRect()) {
        connect(rect, &QCPSelectionRect::accepted, this,
                [this](const QRect& area, QMouseEvent*) { zoomToRect(area); });
    }
    plot_->setSelectionRectMode(QCP::srmNone);

    setSubsets(1);
    rebuild();
}

PEGraph::~PEGraph() = default;

QCustomPlot* PEGraph::plot() const {
    return plot_;
}

// ---------------------------------------------------------------- sizes and cells

float PEGraph::nullAsFloat() const {
    // Cells are single precision; a null value no cell can hold matches none.
    if (!(std::abs(nullDataValue_) <= std::numeric_limits<float>::max())) {
        return std::numeric_limits<float>::quiet_NaN();
    }
    return static_cast<float>(nullDataValue_);
}

bool PEGraph::isNull(float value) const {
    return value == nullAsFloat() || !std::isfinite(value);
}

void PEGraph::setSubsets(int count) {
    count = std::clamp(count, 1, kMaxSubsets);
    const int old = Subsets();
    values_.resize(count, std::vector<float>(points_, nullAsFloat()));
    subsetColors_.resize(count);
    subsetStyles_.resize(count);
    for (int s = old; s < count; ++s) {
        subsetColors_[s] = DefaultSubsetColour(s);
        subsetStyles_[s] = 0;
    }
}

void PEGraph::setPoints(int count) {
    count = std::clamp(count, 0, kMaxPoints);
    points_ = count;
    for (auto& subset : values_) subset.resize(count, nullAsFloat());
    labels_.resize(count);
    cursorPoint_ = std::clamp(cursorPoint_, 0, std::max(0, count - 1));
}

float PEGraph::YData(int subset, int point) const {
    if (subset < 0 || subset >= Subsets() || point < 0 || point >= points_) return nullAsFloat();
    return values_[subset][point];
}

void PEGraph::setYData(int subset, int point, float value) {
    if (subset < 0 || subset >= Subsets() || point < 0 || point >= points_) return;
    values_[subset][point] = value;
}

QString PEGraph::PointLabel(int point) const {
    return point >= 0 && point < points_ ? labels_[point] : QString();
}

void PEGraph::setPointLabel(int point, const QString& label) {
    if (point < 0 || point >= points_) return;
    labels_[point] = label;
    if (label.size() > longestLabel_.size()) longestLabel_ = label;
}

QColor PEGraph::SubsetColor(int subset) const {
    return subset >= 0 && subset < Subsets() ? subsetColors_[subset] : QColor();
}

void PEGraph::setSubsetColor(int subset, const QColor& colour) {
    if (subset >= 0 && subset < Subsets()) subsetColors_[subset] = colour;
}

int PEGraph::SubsetStyle(int subset) const {
    return subset >= 0 && subset < Subsets() ? subsetStyles_[subset] : 0;
}

void PEGraph::setSubsetStyle(int subset, int value) {
    if (subset >= 0 && subset < Subsets()) subsetStyles_[subset] = value;
}

void PEGraph::setCursorPoint(int point) {
    cursorPoint_ = std::clamp(point, 0, std::max(0, points_ - 1));
    placeCursor(true);
}

void PEGraph::setCursorMode(CursorModes mode) {
    cursorMode_ = mode;
    placeCursor(true);
}

void PEGraph::setAllowZooming(Zooming mode) {
    allowZooming_ = mode;
    plot_->setSelectionRectMode(mode == gNoZooming ? QCP::srmNone : QCP::srmCustom);
}

void PEGraph::AppendPoint(const QString& label, float value) {
    if (points_ == 0) return;
    for (int s = 0; s < Subsets(); ++s) {
        auto& subset = values_[s];
        std::move(subset.begin() + 1, subset.end(), subset.begin());
        subset.back() = s == 0 ? value : nullAsFloat();
    }
    std::move(labels_.begin() + 1, labels_.end(), labels_.begin());
    labels_.last() = label;
    if (label.size() > longestLabel_.size()) {
        longestLabel_ = label;
        updateTickSpacing();
    }

    // Shift the drawn data in place when it matches the cells; it does after every rebuild.
    for (int s = 0; s < Subsets() && s < graphs_.size(); ++s) {
        QSharedPointer<QCPGraphDataContainer> drawn = graphs_[s]->data();
        if (drawn->size() != points_) {
            loadGraph(s);
        } else {
            const std::vector<float>& cells = values_[s];
            int point = 0;
            for (auto it = drawn->begin(); it != drawn->end(); ++it, ++point) {
                it->value = isNull(cells[point]) ? qQNaN() : cells[point];
            }
        }
        loadIsolatedPoints(s);
    }
    // The Y range and label a live sample may have moved with the point.
    plot_->yAxis->setLabel(yAxisLabel_);
    if (!zoomed_) applyFullView();
    plot_->requestDraw();
}

// ---------------------------------------------------------------- drawing

PEGraph::Colours PEGraph::currentColours() const {
    if (viewingStyle_ == gMonochrome) {
        return {Qt::white, Qt::white, Qt::black, Qt::black, Qt::black, true};
    }
    return {deskColor_,
            graphBackColor_,
            graphForeColor_,
            ContrastOn(deskColor_),
            ContrastOn(graphBackColor_),
            false};
}

void PEGraph::rebuild() {
    const Colours colours = currentColours();
    applyAppearance(colours);
    applyData(colours);
    if (!zoomed_) applyFullView();
    placeCursor(false);
    updateTickSpacing();
    plot_->requestDraw();
}

void PEGraph::applyAppearance(const Colours& colours) {
    plot_->setBackground(QBrush(colours.desk));
    desk_->setBrush(QBrush(colours.desk));
    plot_->axisRect()->setBackground(QBrush(colours.back));

    title_->setText(subTitle_.isEmpty() ? mainTitle_ : mainTitle_ + '\n' + subTitle_);
    title_->setTextColor(colours.text);
    title_->setVisible(!mainTitle_.isEmpty() || !subTitle_.isEmpty());
    plot_->xAxis->setLabel(xAxisLabel_);
    plot_->yAxis->setLabel(yAxisLabel_);
    plot_->yAxis->setNumberPrecision(static_cast<int>(dataPrecision_));

    const QPen forePen(colours.fore, 1);
    QPen gridPen(colours.fore, 0, Qt::DotLine);
    for (QCPAxis* axis : plot_->axisRect()->axes()) {
        axis->setBasePen(forePen);
        axis->setTickPen(forePen);
        axis->setSubTickPen(forePen);
        axis->setTickLabelColor(colours.text);
        axis->setLabelColor(colours.text);
        axis->grid()->setPen(gridPen);
        axis->grid()->setZeroLinePen(gridPen);
        axis->grid()->setSubGridVisible(false);
    }
    plot_->xAxis->grid()->setVisible(gridLineControl_ == gXAxis || gridLineControl_ == gYPlusXAxis);
    plot_->yAxis->grid()->setVisible(gridLineControl_ == gYAxis || gridLineControl_ == gYPlusXAxis);

    cursorLine_->setPen(QPen(colours.cursor, 1, Qt::DashLine));
    if (QCPSelectionRect* rect = plot_->selectionRect()) {
        QColor fill = colours.cursor;
        fill.setAlpha(40);
        rect->setPen(QPen(colours.cursor, 0, Qt::DashLine));
        rect->setBrush(QBrush(fill));
    }
}

void PEGraph::applyData(const Colours& colours) {
    // Each subset has a line graph and a companion that dots the points with no drawn
    // neighbour, which a line alone would not show.
    while (graphs_.size() > Subsets()) {
        plot_->removeGraph(isolatedGraphs_.takeLast());
        plot_->removeGraph(graphs_.takeLast());
    }
    while (graphs_.size() < Subsets()) {
        graphs_.append(plot_->addGraph());
        isolatedGraphs_.append(plot_->addGraph());
        isolatedGraphs_.last()->setLineStyle(QCPGraph::lsNone);
    }
    static constexpr double kDotSizes[] = {3.0, 5.0, 7.0};
    const double dotSize = kDotSizes[std::clamp(static_cast<int>(pointSize_), 0, 2)];
    for (int s = 0; s < Subsets(); ++s) {
        const QColor colour = colours.monochrome ? QColor(Qt::black) : subsetColors_[s];
        QCPGraph* graph = graphs_[s];
        graph->setPen(QPen(colour, 1));
        if (plottingMethod_ == gLine) {
            graph->setLineStyle(QCPGraph::lsLine);
            graph->setScatterStyle(QCPScatterStyle());
        } else {
            graph->setLineStyle(QCPGraph::lsNone);
            graph->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssDisc, colour, dotSize));
        }
        isolatedGraphs_[s]->setScatterStyle(
            QCPScatterStyle(QCPScatterStyle::ssDisc, colour, dotSize));
        loadGraph(s);
        loadIsolatedPoints(s);
    }
}

void PEGraph::loadGraph(int subset) {
    const std::vector<float>& cells = values_[subset];
    QVector<QCPGraphData> line(points_);
    for (int point = 0; point < points_; ++point) {
        line[point].key = point;
        line[point].value = isNull(cells[point]) ? qQNaN() : cells[point];
    }
    graphs_[subset]->data()->set(line, true);
}

void PEGraph::loadIsolatedPoints(int subset) {
    QVector<QCPGraphData> dots;
    if (plottingMethod_ == gLine) {
        const std::vector<float>& cells = values_[subset];
        for (int point = 0; point < points_; ++point) {
            if (isNull(cells[point])) continue;
            const bool leftDrawn = point > 0 && !isNull(cells[point - 1]);
            const bool rightDrawn = point + 1 < points_ && !isNull(cells[point + 1]);
            if (!leftDrawn && !rightDrawn) dots.append(QCPGraphData(point, cells[point]));
        }
    }
    isolatedGraphs_[subset]->data()->set(dots, true);
}

void PEGraph::applyFullView() {
    int visible = points_;
    if (pointsToGraph_ > 0) visible = std::min(visible, pointsToGraph_);
    if (maxPointsToGraph_ > 0) visible = std::min(visible, maxPointsToGraph_);
    const int first = pointsToGraphInit_ == gLast ? points_ - visible : 0;
    plot_->xAxis->setRange(first - 0.5, first + std::max(visible, 1) - 0.5);

    bool hasData = false;
    double dataLo = std::numeric_limits<double>::max();
    double dataHi = std::numeric_limits<double>::lowest();
    if (manualScaleControlY_ != gManualMinAndMax) {
        for (const auto& subset : values_) {
            for (int point = first; point < first + visible; ++point) {
                if (isNull(subset[point])) continue;
                hasData = true;
                dataLo = std::min<double>(dataLo, subset[point]);
                dataHi = std::max<double>(dataHi, subset[point]);
            }
        }
    }
    static constexpr YScaleMode kModes[] = {YScaleMode::Automatic, YScaleMode::ManualMin,
                                            YScaleMode::ManualMax, YScaleMode::ManualMinAndMax};
    const AxisRange range =
        YAxisRange(kModes[manualScaleControlY_], manualMinY_, manualMaxY_, hasData, dataLo, dataHi);
    const double lo = range.lower;
    const double hi = range.upper;
    plot_->yAxis->setRange(lo, hi);
}

void PEGraph::placeCursor(bool repaintNow) {
    cursorLine_->setVisible(cursorMode_ == gVertLine && points_ > 0);
    cursorLine_->point1->setCoords(cursorPoint_, 0.0);
    cursorLine_->point2->setCoords(cursorPoint_, 1.0);
    if (repaintNow) plot_->requestDraw();
}

void PEGraph::updateTickSpacing() {
    const QFontMetrics tickMetrics(plot_->xAxis->tickLabelFont());
    const QFontMetrics labelMetrics(plot_->yAxis->labelFont());
    const int pointLabel = std::max(tickMetrics.horizontalAdvance(manualMaxPointLabel_),
                                    tickMetrics.horizontalAdvance(longestLabel_));
    const int dataLabel = tickMetrics.horizontalAdvance(
        manualMaxDataString_.isEmpty() ? QStringLiteral("-0.000") : manualMaxDataString_);
    // Room for the widest Y value and the Y-axis label on the left, and for half of the last
    // point label on the right.
    const int left = dataLabel + labelMetrics.height() + 20;
    const int right = pointLabel / 2 + 6;
    plot_->axisRect()->setMinimumMargins(QMargins(left, 10, right, 10));
    ticker_->setSpacing(pointLabel, left + right);
}

// ---------------------------------------------------------------- mouse and keys

bool PEGraph::insideGraph(const QPoint& pos) const {
    return plot_->axisRect()->rect().contains(pos);
}

bool PEGraph::cursorHit(const QPoint& pos) const {
    if (!mouseCursorControl_ || !cursorLine_->visible()) return false;
    const double x = plot_->xAxis->coordToPixel(cursorPoint_);
    return std::abs(pos.x() - x) <= kCursorGrip;
}

void PEGraph::moveCursorToPixel(int x) {
    if (points_ == 0 || cursorMode_ == gNoCursor) return;
    const double coord = plot_->xAxis->pixelToCoord(x);
    const int point = static_cast<int>(std::clamp(std::round(coord), 0.0, points_ - 1.0));
    if (point == cursorPoint_) return;
    cursorPoint_ = point;
    placeCursor(true);
    emit OnCursorMoved();
}

void PEGraph::zoomToRect(const QRect& area) {
    const QRect rect = area.normalized().intersected(plot_->axisRect()->rect());
    const bool horizontal = allowZooming_ == gHorzZooming || allowZooming_ == gHorzPlusVertZooming;
    const bool vertical = allowZooming_ == gVertZooming || allowZooming_ == gHorzPlusVertZooming;
    bool zoomed = false;
    if (horizontal && rect.width() >= kMinZoomPixels) {
        double lo = plot_->xAxis->pixelToCoord(rect.left());
        double hi = plot_->xAxis->pixelToCoord(rect.right());
        if (hi - lo < 1.0) {  // never closer than two neighbouring points
            const double mid = (lo + hi) / 2;
            lo = mid - 0.5;
            hi = mid + 0.5;
        }
        plot_->xAxis->setRange(lo, hi);
        zoomed = true;
    }
    if (vertical && rect.height() >= kMinZoomPixels) {
        const double a = plot_->yAxis->pixelToCoord(rect.top());
        const double b = plot_->yAxis->pixelToCoord(rect.bottom());
        plot_->yAxis->setRange(std::min(a, b), std::max(a, b));
        zoomed = true;
    }
    plot_->requestDraw();  // also clears the rectangle
    if (zoomed) {
        zoomed_ = true;
        emit OnZoomIn();
    }
}

void PEGraph::keyPressEvent(QKeyEvent* event) {
    emit OnKeyDown(event->key(), event->modifiers());
    const bool arrow = event->key() == Qt::Key_Left || event->key() == Qt::Key_Right;
    if (arrow && cursorMode_ == gVertLine && points_ > 0) {
        const int step = event->key() == Qt::Key_Left ? -1 : 1;
        const int point = std::clamp(cursorPoint_ + step, 0, points_ - 1);
        if (point != cursorPoint_) {
            cursorPoint_ = point;
            placeCursor(true);
            emit OnCursorMoved();
        }
        event->accept();
        return;
    }
    QCPSelectionRect* rect = plot_->selectionRect();
    if (event->key() == Qt::Key_Escape && rect && rect->isActive()) {
        rect->cancel();
        plot_->requestDraw();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

// ---------------------------------------------------------------- actions

Status PEGraph::PerformAction(int number) {
    const std::optional<ChartAction> action = ChartActionFromNumber(number);
    if (!action)
        return Status::Fail(StatusCode::ChartFailed, "no chart action " + std::to_string(number));
    return PerformAction(*action);
}

Status PEGraph::PerformAction(ChartAction action) {
    lastError_.clear();
    return outcome(perform(action));
}

Status PEGraph::outcome(bool succeeded) const {
    if (succeeded) return Status::Ok();
    if (lastError_.isEmpty()) return Status::Fail(StatusCode::ChartCancelled, {});
    return Status::Fail(StatusCode::ChartFailed, lastError_.toStdString());
}

bool PEGraph::perform(ChartAction action) {
    switch (action) {
        case ChartAction::Reinitialize:
        case ChartAction::RebuildForExport:
            // Pictures are laid out at the export size when they are made, so both rebuild alike.
            rebuild();
            return true;
        case ChartAction::Print:
            return print(false);
        case ChartAction::MetafileToClipboard:
            return metafileToClipboard();
        case ChartAction::MetafileToFile:
            return metafileToFile();
        case ChartAction::BitmapToClipboard:
            return bitmapToClipboard();
        case ChartAction::BitmapToFile:
            return bitmapToFile();
        case ChartAction::PrintWithSetup:
            return print(true);
        case ChartAction::UndoZoom:
            zoomed_ = false;
            applyFullView();
            plot_->requestDraw();
            return true;
    }
    return false;
}

}  // namespace dmm

#include "logger/chart/pegraph.h"

#include <gtest/gtest.h>
#include <qcustomplot.h>

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>

namespace dmm {
namespace {

constexpr double kNull = -99999;
constexpr int kPage = 200;
const QColor kPurple(128, 0, 128);
const QColor kSilver(192, 192, 192);

// The recorder's chart: one page of points, black graph, purple grid, silver line.
void SetUpLikeRecorder(PEGraph& graph) {
    graph.setMainTitle("Data Logger");
    graph.setSubTitle("");
    graph.setYAxisLabel("Reading");
    graph.setXAxisLabel("Time");
    graph.setNullDataValue(kNull);
    graph.setSubsets(1);
    graph.setPoints(kPage);
    graph.setMaxPointsToGraph(kPage);
    graph.setPointsToGraph(kPage);
    graph.setSubsetStyle(0, 0);
    graph.setPlottingMethod(PEGraph::gLine);
    graph.setManualMaxDataString("00000000.000");
    graph.setManualMaxPointLabel("00:00:00.000");
    graph.setDataPrecision(PEGraph::gThreeDecimals);
    graph.setDeskColor(graph.palette().color(QPalette::Button));
    graph.setGraphBackColor(Qt::black);
    graph.setGraphForeColor(kPurple);
    graph.setSubsetColor(0, kSilver);
    graph.setManualScaleControlY(PEGraph::gManualMinAndMax);
    graph.setManualMinY(-100);
    graph.setManualMaxY(100);
    graph.setNoStackedData(true);
    graph.setAllowHistogram(false);
    graph.setAllowDataHotSpots(true);
    graph.setPointsToGraphInit(PEGraph::gLast);
    graph.setPointSize(PEGraph::gLargePoints);
    graph.setPointLabel(kPage - 1, " ");
    for (int k = 0; k < kPage; ++k) graph.setYData(0, k, kNull);
    graph.setGridLineControl(PEGraph::gYPlusXAxis);
    graph.setCursorMode(PEGraph::gVertLine);
    graph.setMouseCursorControl(true);
    graph.setCursorPromptStyle(PEGraph::gNoPrompt);
    graph.setAllowZooming(PEGraph::gHorzPlusVertZooming);
    graph.setPrepareImages(true);
}

QString TimeLabel(int second) {
    return QString("12:%1:%2.000")
        .arg(second / 60, 2, 10, QChar('0'))
        .arg(second % 60, 2, 10, QChar('0'));
}

class PEGraphTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        SetUpLikeRecorder(graph);
        graph.resize(900, 520);
        graph.show();
        Redraw();
    }

    // A sine over the page with the first nullCount points empty, as page 1 of a short buffer.
    void FillSine(int nullCount) {
        for (int k = 0; k < kPage; ++k) {
            const bool empty = k < nullCount;
            graph.setPointLabel(k, empty ? " " : TimeLabel(k));
            graph.setYData(0, k, empty ? kNull : 80.0f * std::sin(k * 0.08f));
        }
    }

    void Redraw() {
        graph.PerformAction(ChartAction::Reinitialize);
        QApplication::processEvents();
    }

    QString File(const char* name) const { return dir.filePath(name); }
    QCustomPlot* plot() const { return graph.plot(); }
    int PixelX(double point) const { return qRound(plot()->xAxis->coordToPixel(point)); }
    int PixelY(double value) const { return qRound(plot()->yAxis->coordToPixel(value)); }

    void Mouse(QEvent::Type type, QPoint pos, Qt::MouseButtons buttons) {
        QMouseEvent event(type, pos, plot()->mapToGlobal(pos), Qt::LeftButton, buttons,
                          Qt::NoModifier);
        QApplication::sendEvent(plot(), &event);
    }
    void Drag(QPoint from, QPoint to) {
        Mouse(QEvent::MouseButtonPress, from, Qt::LeftButton);
        Mouse(QEvent::MouseMove, (from + to) / 2, Qt::LeftButton);
        Mouse(QEvent::MouseMove, to, Qt::LeftButton);
        Mouse(QEvent::MouseButtonRelease, to, Qt::NoButton);
    }
    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QKeyEvent event(QEvent::KeyPress, key, modifiers);
        QApplication::sendEvent(&graph, &event);
    }

    QTemporaryDir dir;
    PEGraph graph;
};

TEST_F(PEGraphTest, ResizingKeepsCellsAndCellsOutsideTheChartAreHarmless) {
    graph.setSubsetStyle(0, 9);
    graph.setYData(0, 10, 1.5f);
    graph.setPointLabel(10, "a");
    graph.setCursorPoint(150);
    graph.setPoints(100);
    graph.setSubsets(2);
    graph.setPoints(300);
    EXPECT_EQ(graph.YData(0, 10), 1.5f);
    EXPECT_EQ(graph.PointLabel(10), "a");
    EXPECT_EQ(graph.YData(0, 150), static_cast<float>(kNull));  // dropped, then new
    EXPECT_EQ(graph.YData(1, 299), static_cast<float>(kNull));
    EXPECT_EQ(graph.CursorPoint(), 99);
    EXPECT_EQ(graph.SubsetStyle(0), 9);
    EXPECT_EQ(graph.SubsetColor(0), kSilver);

    graph.setYData(0, 300, 5.0f);
    graph.setYData(2, 0, 5.0f);
    graph.setPointLabel(-1, "x");
    EXPECT_EQ(graph.YData(-1, 0), static_cast<float>(kNull));
    EXPECT_TRUE(graph.PointLabel(300).isEmpty());
    EXPECT_FALSE(graph.SubsetColor(2).isValid());
    EXPECT_FALSE(graph.PerformAction(7));

    graph.setPoints(-4);
    EXPECT_EQ(graph.Points(), 0);
    EXPECT_EQ(graph.CursorPoint(), 0);
    graph.setPoints(PEGraph::kMaxPoints + 1);
    EXPECT_EQ(graph.Points(), PEGraph::kMaxPoints);
}

TEST_F(PEGraphTest, AppendMovesEveryPointTowardsTheStart) {
    graph.setSubsets(2);
    graph.setPoints(5);
    for (int k = 0; k < 5; ++k) {
        graph.setPointLabel(k, TimeLabel(k));
        graph.setYData(0, k, float(k));
        graph.setYData(1, k, float(10 + k));
    }
    Redraw();

    graph.AppendPoint(TimeLabel(5), 5.5f);
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(graph.PointLabel(k), TimeLabel(k + 1));
        EXPECT_EQ(graph.YData(0, k), float(k + 1));
        EXPECT_EQ(graph.YData(1, k), float(11 + k));
    }
    EXPECT_EQ(graph.PointLabel(4), TimeLabel(5));
    EXPECT_EQ(graph.YData(0, 4), 5.5f);
    EXPECT_EQ(graph.YData(1, 4), static_cast<float>(kNull));

    // What is drawn follows at once, without a rebuild.
    const auto line = plot()->graph(0)->data();
    ASSERT_EQ(line->size(), 5);
    EXPECT_DOUBLE_EQ(line->at(0)->value, 1.0);
    EXPECT_DOUBLE_EQ(line->at(4)->value, 5.5);
    EXPECT_DOUBLE_EQ(line->at(4)->key, 4.0);
    EXPECT_TRUE(std::isnan(plot()->graph(2)->data()->at(4)->value));

    graph.setPoints(0);
    graph.AppendPoint("x", 1.0f);  // nothing to move, nothing to break
    EXPECT_EQ(graph.Points(), 0);
}

TEST_F(PEGraphTest, NullPointsAreGapsAndLonePointsAreDotted) {
    FillSine(10);
    graph.setYData(0, 3, 42.0f);                                      // alone between empty points
    graph.setYData(0, 150, std::numeric_limits<float>::quiet_NaN());  // garbage is not drawn
    Redraw();

    const auto line = plot()->graph(0)->data();
    ASSERT_EQ(line->size(), kPage);
    for (int k : {0, 9, 150}) EXPECT_TRUE(std::isnan(line->at(k)->value)) << k;
    EXPECT_DOUBLE_EQ(line->at(10)->value, graph.YData(0, 10));
    EXPECT_DOUBLE_EQ(line->at(3)->value, 42.0);

    const auto dots = plot()->graph(1)->data();
    ASSERT_EQ(dots->size(), 1);
    EXPECT_DOUBLE_EQ(dots->at(0)->key, 3.0);

    // Without a null value, zero is drawn and cells never written are not.
    PEGraph fresh;
    fresh.setPoints(3);
    fresh.setYData(0, 1, 0.0f);
    fresh.setYData(0, 2, 0.0f);
    fresh.PerformAction(ChartAction::Reinitialize);
    const auto freshLine = fresh.plot()->graph(0)->data();
    EXPECT_TRUE(std::isnan(freshLine->at(0)->value));
    EXPECT_DOUBLE_EQ(freshLine->at(1)->value, 0.0);
}

TEST_F(PEGraphTest, PointLabelsAreThinnedOutAndKeepTheNewestOne) {
    FillSine(0);
    Redraw();
    const QVector<double> ticks = plot()->xAxis->tickVector();
    ASSERT_GE(ticks.size(), 3);
    EXPECT_LE(ticks.size(), 12);
    EXPECT_EQ(ticks.last(), kPage - 1);
    EXPECT_EQ(plot()->xAxis->tickVectorLabels().last(), TimeLabel(kPage - 1));
}

TEST_F(PEGraphTest, BitmapFileHasTheExportSize) {
    FillSine(20);
    Redraw();
    const QSize screen = plot()->size();
    struct Case {
        int width, height;
        QSize expected;
    };
    for (const Case& c :
         {Case{1000, 681, {1000, 681}}, Case{0, 0, screen}, Case{320, 0, {320, screen.height()}}}) {
        graph.setExportWidth(c.width);
        graph.setExportHeight(c.height);
        graph.setExportFileName(File("chart.bmp"));
        ASSERT_TRUE(graph.PerformAction(ChartAction::BitmapToFile)) << c.width;
        QImageReader reader(File("chart.bmp"));
        EXPECT_EQ(reader.format(), "bmp");
        EXPECT_EQ(reader.size(), c.expected) << c.width;
    }
    // Exporting leaves the chart laid out for the screen.
    EXPECT_EQ(plot()->viewport().size(), screen);
}

TEST_F(PEGraphTest, BitmapExportFailuresAreReported) {
    graph.setExportWidth(400);
    graph.setExportHeight(300);
    graph.setExportFileName("");
    EXPECT_FALSE(graph.PerformAction(ChartAction::BitmapToFile));
    graph.setExportFileName(File("missing/folder/chart.bmp"));
    const Status missing = graph.PerformAction(ChartAction::BitmapToFile);
    EXPECT_FALSE(missing);
    EXPECT_NE(missing.reason().find("missing/folder/chart.bmp"), std::string::npos)
        << missing.reason();
    graph.setExportFileName(File("chart.bmp"));
    for (int side : {-5, PEGraph::kMaxExportPixels + 1}) {
        graph.setExportWidth(side);
        EXPECT_FALSE(graph.PerformAction(ChartAction::BitmapToFile)) << side;
        EXPECT_FALSE(graph.PerformAction(ChartAction::BitmapToClipboard)) << side;
    }
    EXPECT_FALSE(QFile::exists(File("chart.bmp")));
}

TEST_F(PEGraphTest, MetafileIsMeasuredInHundredthsOfAMillimetre) {
    FillSine(0);
    Redraw();
    graph.setExportWidth(10000);  // 100 mm x 68.1 mm
    graph.setExportHeight(6810);
    graph.setExportFileName(File("chart.svg"));
    ASSERT_TRUE(graph.PerformAction(ChartAction::MetafileToFile));

    QFile file(File("chart.svg"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString svg = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(svg.contains("viewBox=\"0 0 378 257\"")) << svg.left(600).toStdString();
    const auto size = QRegularExpression("width=\"([0-9.]+)mm\" height=\"([0-9.]+)mm\"").match(svg);
    ASSERT_TRUE(size.hasMatch());
    EXPECT_NEAR(size.captured(1).toDouble(), 100.0, 0.2);
    EXPECT_NEAR(size.captured(2).toDouble(), 68.1, 0.2);
    EXPECT_TRUE(svg.contains("Data Logger"));
}

TEST_F(PEGraphTest, ClipboardGetsTheBitmapOrTheMetafileWithAnImage) {
    FillSine(0);
    Redraw();
    QClipboard* clipboard = QGuiApplication::clipboard();
    graph.setExportWidth(400);
    graph.setExportHeight(300);
    ASSERT_TRUE(graph.PerformAction(ChartAction::BitmapToClipboard));
    EXPECT_EQ(clipboard->image().size(), QSize(400, 300));

    graph.setExportWidth(5080);  // 2 x 1 inches
    graph.setExportHeight(2540);
    ASSERT_TRUE(graph.PerformAction(ChartAction::MetafileToClipboard));
    const QMimeData* mime = clipboard->mimeData();
    ASSERT_NE(mime, nullptr);
    EXPECT_TRUE(mime->hasImage());
    EXPECT_EQ(qvariant_cast<QImage>(mime->imageData()).size(), QSize(192, 96));
    EXPECT_TRUE(mime->data("image/svg+xml").contains("<svg"));
}

TEST_F(PEGraphTest, PrintingAsksTheSetupHookAndWritesThePage) {
    FillSine(0);
    Redraw();
    QList<bool> asked;
    bool accept = true;
    graph.setPrintSetup([&](QPrinter& printer, bool withSetup) {
        asked.append(withSetup);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(File("chart.pdf"));
        return accept;
    });
    graph.setViewingStyle(PEGraph::gMonochrome);
    ASSERT_TRUE(graph.PerformAction(ChartAction::RebuildForExport));
    ASSERT_TRUE(graph.PerformAction(ChartAction::Print));
    QFile pdf(File("chart.pdf"));
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.read(5) == "%PDF-");
    EXPECT_GT(pdf.size(), 1000);
    pdf.close();
    QFile::remove(File("chart.pdf"));

    accept = false;  // the user cancelled the print set-up
    EXPECT_FALSE(graph.PerformAction(ChartAction::PrintWithSetup));
    EXPECT_FALSE(QFile::exists(File("chart.pdf")));
    EXPECT_EQ(asked, (QList<bool>{false, true}));
}

int PdfPages(const QString& path) {
    QFile pdf(path);
    if (!pdf.open(QIODevice::ReadOnly)) return -1;
    return static_cast<int>(
        QString::fromLatin1(pdf.readAll()).count(QRegularExpression("/Type\\s*/Page[^s]")));
}

TEST_F(PEGraphTest, APrintJobPutsEachPrintOnASheetAndAsksOnce) {
    int asked = 0;
    bool accept = true;
    graph.setPrintSetup([&](QPrinter& printer, bool) {
        ++asked;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(File("job.pdf"));
        return accept;
    });
    graph.BeginPrintJob();
    for (int sheet = 0; sheet < 3; ++sheet) {
        FillSine(sheet * 50);
        ASSERT_TRUE(graph.PerformAction(ChartAction::Reinitialize));
        ASSERT_TRUE(graph.PerformAction(ChartAction::PrintWithSetup)) << sheet;
    }
    ASSERT_TRUE(graph.EndPrintJob());
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(PdfPages(File("job.pdf")), 3);

    // Cancelled at the question: nothing prints, nothing more is asked, and it is no failure.
    QFile::remove(File("job.pdf"));
    accept = false;
    graph.BeginPrintJob();
    const Status cancelled = graph.PerformAction(ChartAction::PrintWithSetup);
    EXPECT_FALSE(cancelled);
    EXPECT_TRUE(cancelled.reason().empty());
    EXPECT_FALSE(graph.PerformAction(ChartAction::PrintWithSetup));
    EXPECT_TRUE(graph.EndPrintJob());
    EXPECT_EQ(asked, 2);
    EXPECT_FALSE(QFile::exists(File("job.pdf")));

    // A printer that cannot be opened is a failure with a reason.
    accept = true;
    graph.setPrintSetup([&](QPrinter& printer, bool) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(File("missing/folder/job.pdf"));
        return true;
    });
    const Status failed = graph.PerformAction(ChartAction::Print);
    EXPECT_FALSE(failed);
    EXPECT_FALSE(failed.reason().empty());
}

TEST_F(PEGraphTest, CursorFollowsClicksDragsAndArrowKeys) {
    int moved = 0;
    QList<std::pair<int, Qt::KeyboardModifiers>> keys;
    QObject::connect(&graph, &PEGraph::OnCursorMoved, [&] { ++moved; });
    QObject::connect(&graph, &PEGraph::OnKeyDown, [&](int key, Qt::KeyboardModifiers mods) {
        keys.append({key, mods});
    });
    graph.setCursorPoint(500);
    EXPECT_EQ(graph.CursorPoint(), kPage - 1);
    graph.setCursorPoint(-3);
    EXPECT_EQ(graph.CursorPoint(), 0);
    EXPECT_EQ(moved, 0);  // only the user's moves are reported

    const int y = PixelY(0);
    const QPoint at50(PixelX(50.3), y);
    Mouse(QEvent::MouseButtonPress, at50, Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, at50, Qt::NoButton);
    EXPECT_EQ(graph.CursorPoint(), 50);
    EXPECT_EQ(moved, 1);

    int zooms = 0;
    QObject::connect(&graph, &PEGraph::OnZoomIn, [&] { ++zooms; });
    Drag(QPoint(PixelX(50), y), QPoint(PixelX(120), y + 40));  // grabs the cursor line
    EXPECT_EQ(graph.CursorPoint(), 120);
    EXPECT_EQ(zooms, 0);
    EXPECT_FALSE(graph.IsZoomed());

    Key(Qt::Key_Left);
    EXPECT_EQ(graph.CursorPoint(), 119);
    Key(Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(graph.CursorPoint(), 119);
    ASSERT_EQ(keys.size(), 2);
    EXPECT_EQ(keys[1].first, Qt::Key_PageUp);
    EXPECT_EQ(keys[1].second, Qt::ControlModifier);

    graph.setMouseCursorControl(false);
    Mouse(QEvent::MouseButtonPress, at50, Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, at50, Qt::NoButton);
    EXPECT_EQ(graph.CursorPoint(), 119);
}

TEST_F(PEGraphTest, RectangleZoomsAndUndoRestoresTheFullView) {
    FillSine(0);
    Redraw();
    int zooms = 0;
    QObject::connect(&graph, &PEGraph::OnZoomIn, [&] { ++zooms; });
    Drag(QPoint(PixelX(60), PixelY(50)), QPoint(PixelX(100), PixelY(-50)));
    EXPECT_EQ(zooms, 1);
    EXPECT_TRUE(graph.IsZoomed());
    EXPECT_NEAR(plot()->xAxis->range().lower, 60, 0.6);
    EXPECT_NEAR(plot()->xAxis->range().upper, 100, 0.6);
    EXPECT_NEAR(plot()->yAxis->range().upper, 50, 1.5);

    graph.AppendPoint(TimeLabel(kPage), 1.0f);  // new data keeps the zoom
    Redraw();
    EXPECT_TRUE(graph.IsZoomed());
    EXPECT_NEAR(plot()->xAxis->range().upper, 100, 0.6);

    graph.setManualMaxY(150);
    ASSERT_TRUE(graph.PerformAction(ChartAction::UndoZoom));
    EXPECT_FALSE(graph.IsZoomed());
    EXPECT_EQ(plot()->xAxis->range(), QCPRange(-0.5, kPage - 0.5));
    EXPECT_EQ(plot()->yAxis->range(), QCPRange(-100, 150));
}

TEST_F(PEGraphTest, ZoomDirectionsFollowTheSetting) {
    struct Case {
        PEGraph::Zooming mode;
        bool x, y;
    };
    for (const Case& c :
         {Case{PEGraph::gHorzZooming, true, false}, Case{PEGraph::gVertZooming, false, true},
          Case{PEGraph::gNoZooming, false, false}}) {
        graph.PerformAction(ChartAction::UndoZoom);
        graph.setAllowZooming(c.mode);
        const QCPRange x = plot()->xAxis->range();
        const QCPRange y = plot()->yAxis->range();
        int zooms = 0;
        auto connection = QObject::connect(&graph, &PEGraph::OnZoomIn, [&] { ++zooms; });
        Drag(QPoint(PixelX(20), PixelY(60)), QPoint(PixelX(80), PixelY(10)));
        QObject::disconnect(connection);
        EXPECT_EQ(plot()->xAxis->range() != x, c.x) << c.mode;
        EXPECT_EQ(plot()->yAxis->range() != y, c.y) << c.mode;
        EXPECT_EQ(zooms, c.x || c.y ? 1 : 0) << c.mode;
    }
}

TEST_F(PEGraphTest, RecorderChartAndItsMonochromePrintLook) {
    FillSine(40);
    Redraw();
    QImage screen = graph.grab().toImage();
    if (qEnvironmentVariableIsSet("PEGRAPH_SCREENSHOT")) {
        screen.save(qEnvironmentVariable("PEGRAPH_SCREENSHOT"));
    }
    // The silver line passes through its points (anti-aliased, so nearly silver).
    for (int k : {41, 100, 190}) {
        const QPoint on = plot()->mapTo(&graph, QPoint(PixelX(k), PixelY(graph.YData(0, k))));
        int brightest = 0;
        for (int dy = -2; dy <= 2; ++dy) {
            brightest = std::max(brightest, qGray(screen.pixel(on + QPoint(0, dy))));
        }
        EXPECT_GT(brightest, 120) << k;
    }
    const QPoint empty = plot()->mapTo(&graph, QPoint(PixelX(15) + 3, PixelY(70) + 3));
    EXPECT_EQ(screen.pixelColor(empty), QColor(Qt::black));

    graph.setViewingStyle(PEGraph::gMonochrome);
    graph.setExportWidth(600);
    graph.setExportHeight(400);
    graph.setExportFileName(File("mono.bmp"));
    ASSERT_TRUE(graph.PerformAction(ChartAction::RebuildForExport));
    ASSERT_TRUE(graph.PerformAction(ChartAction::BitmapToFile));
    const QImage mono(File("mono.bmp"));
    ASSERT_FALSE(mono.isNull());
    for (int y = 0; y < mono.height(); y += 3) {
        for (int x = 0; x < mono.width(); x += 3) {
            const QColor c = mono.pixelColor(x, y);
            ASSERT_TRUE(c.red() == c.green() && c.green() == c.blue()) << x << "," << y;
        }
    }
    EXPECT_EQ(mono.pixelColor(5, 5), QColor(Qt::white));
}

}  // namespace
}  // namespace dmm

// dmmlog plot: the graphical viewer's chart of a logger file as a picture, without a desktop.
#include <cstdio>
#include <cstring>
#include <string>

#include "tools/dmmlog/cli.h"

#ifdef DMM_HAVE_CHARTS
#include <QApplication>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <clocale>
#include <cmath>

#include "logger/acquisition/recorder.h"
#include "logger/chart/pegraph.h"
#include "logger/chart/viewchart.h"
#include "logger/data/pages.h"
#include "logger/data/viewreduction.h"
#include "meterlink/numparse.h"
#include "tools/dmmlog/loggerinput.h"
#endif

namespace dmm::cli {

namespace {

const char* const kHelp =
    "usage: dmmlog plot FILE.g26 --out PICTURE [--pages A-B] [--size WxH]\n"
    "\n"
    "Draws what the desktop program's graphical viewer shows of a logger data file:\n"
    "every record while there are fewer than 8192, otherwise the largest and the\n"
    "smallest record of each of about 2048 groups, so that every peak stays visible.\n"
    "The Y range is the one the recorder arrives at for the records drawn.\n"
    "No desktop is needed.\n"
    "\n"
    "  --out PICTURE  the picture to write; its extension picks the format:\n"
    "                 .png, .bmp, .svg or .pdf\n"
    "  --pages A-B    only the records of pages A to B (or page A), as the recorder\n"
    "                 pages the file in pages of 200 points (default: the whole file)\n"
    "  --size WxH     picture size in pixels at 96 per inch (default 1000x681)\n"
    "\n"
    "Exit status: 0 when written, 1 when the file could not be read or the picture\n"
    "not written, 2 for bad usage.\n";

}  // namespace

#ifndef DMM_HAVE_CHARTS

int Plot(int argc, char** argv) {
    if (argc > 0 && std::strcmp(argv[0], "--help") == 0) {
        std::fputs(kHelp, stdout);
        return 0;
    }
    std::fputs(
        "dmmlog plot: this dmmlog was built without the GUI libraries, so it cannot draw "
        "charts; build with -DDMM_BUILD_GUI=ON\n",
        stderr);
    return 1;
}

#else

namespace {

constexpr int kDefaultWidth = 1000;
constexpr int kDefaultHeight = 681;

// The toolkit's notes (a missing runtime folder, fonts) are no concern of the user's; its
// errors are.
void ToolkitMessage(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "dmmlog plot: %s\n", text.toLocal8Bit().constData());
}

bool ParseSize(const std::string& text, int& width, int& height) {
    const std::size_t x = text.find_first_of("xX");
    if (x == std::string::npos) return false;
    const std::optional<int> w = ParseInteger(text.substr(0, x));
    const std::optional<int> h = ParseInteger(text.substr(x + 1));
    if (!w || !h || *w < kMinPicturePixels || *h < kMinPicturePixels || *w > kMaxExportPixels ||
        *h > kMaxExportPixels)
        return false;
    width = *w;
    height = *h;
    return true;
}

}  // namespace

int Plot(int argc, char** argv) {
    const std::string path = TakeFileArgument(argc, argv);
    Options opts({"out", "pages", "size"}, {"help"});
    if (!opts.parse(argc, argv)) {
        std::fprintf(stderr, "dmmlog plot: %s\n\n%s", opts.error().c_str(), kHelp);
        return 2;
    }
    if (opts.has("help")) {
        std::fputs(kHelp, stdout);
        return 0;
    }
    if (path.empty() || !opts.has("out")) {
        std::fprintf(stderr, "dmmlog plot: a logger file and --out PICTURE are needed\n\n%s",
                     kHelp);
        return 2;
    }
    int width = kDefaultWidth, height = kDefaultHeight;
    if (opts.has("size") && !ParseSize(opts.value("size"), width, height)) {
        std::fprintf(stderr, "dmmlog plot: --size must be WxH, each from %d to %d pixels\n",
                     kMinPicturePixels, kMaxExportPixels);
        return 2;
    }
    const QString out = QString::fromLocal8Bit(opts.value("out").c_str());
    const QString format = QFileInfo(out).suffix().toLower();
    if (format != "png" && format != "bmp" && format != "svg" && format != "pdf") {
        std::fprintf(stderr, "dmmlog plot: --out must end in .png, .bmp, .svg or .pdf\n");
        return 2;
    }

    LogList list;
    if (!ReadWholeLoggerFile("plot", path, list)) return 1;
    int from = 0, to = 0;
    if (!ChosenPages("plot", opts, list.size(), from, to)) return 2;
    const int pageCount = PageCountFor(list.size(), kFilePointsPerPage);
    const PageSpan first = PageRecords(list.size(), kFilePointsPerPage, pageCount, from);
    const PageSpan last = PageRecords(list.size(), kFilePointsPerPage, pageCount, to);
    const LogRecord* records = list.data() + first.first;
    const std::size_t count = last.first + last.count - first.first;

    // Drawn offscreen: no display is needed, and none is used when there is one.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(ToolkitMessage);
    int appArgc = 1;
    char appName[] = "dmmlog";
    char* appArgv[] = {appName, nullptr};
    QApplication app(appArgc, appArgv);
    std::setlocale(LC_NUMERIC, "C");

    const RecordsSummary summary = SummariseRecords(records, count);
    const ViewPoints view = ReduceForView(records, count, summary.iMaxIndex, summary.iMinIndex);
    PEGraph chart;
    chart.resize(width, height);
    SetUpViewChart(chart);
    LoadViewChart(chart, records, view, summary.fScaleMin, summary.fScaleMax);
    chart.setCursorMode(PEGraph::gNoCursor);
    chart.PerformAction(ChartAction::Reinitialize);
    chart.setExportFileName(out);

    Status written;
    if (format == "svg") {
        // Metafile sizes are hundredths of a millimetre.
        chart.setExportWidth(static_cast<int>(std::lround(width * 2540.0 / kScreenDpi)));
        chart.setExportHeight(static_cast<int>(std::lround(height * 2540.0 / kScreenDpi)));
        written = chart.PerformAction(ChartAction::MetafileToFile);
    } else if (format == "pdf") {
        chart.setExportWidth(width);
        chart.setExportHeight(height);
        chart.setPrintSetup([&](QPrinter& printer, bool) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(out);
            const QSizeF points(width * 72.0 / kScreenDpi, height * 72.0 / kScreenDpi);
            printer.setPageLayout(QPageLayout(QPageSize(points, QPageSize::Point),
                                              QPageLayout::Portrait, QMarginsF()));
            return true;
        });
        written = chart.PerformAction(ChartAction::Print);
    } else {
        chart.setExportWidth(width);
        chart.setExportHeight(height);
        written = chart.PerformAction(ChartAction::BitmapToFile);
    }
    if (!written) {
        std::fprintf(stderr, "dmmlog plot: %s\n",
                     QString::fromStdString(written.reason()).toLocal8Bit().constData());
        return 1;
    }
    return 0;
}

#endif

}  // namespace dmm::cli

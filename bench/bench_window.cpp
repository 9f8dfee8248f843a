// The recorder window with its data list, as the program runs them:
//  - one live sample (bookkeeping, chart append, data-list line, status bar) with every
//    paint it causes, with 1,000 and with 1,000,000 records already in the buffer;
//  - the floor under it: the same windows repainted with nothing new to show;
//  - opening a logger file of 1,000,000 records up to the drawn last page,
//    against reading the same file with cat;
//  - the memory the buffer and the data list hold per sample.
#include <benchmark/benchmark.h>
#include <qcustomplot.h>
#include <unistd.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QLabel>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "displays/datapagelist.h"
#include "logger/chart/pegraph.h"
#include "logger/data/logrecord.h"
#include "logger/graphicalrecord.h"
#include "meterlink/numparse.h"
#include "shell/toolkit/forms.h"
#include "shell/toolkit/mesgform.h"
#include "shell/toolkit/winmsg.h"

#include "rss.h"
#include "windowbench.h"

namespace fs = std::filesystem;

namespace {

using dmm::bench::RssBytes;

fs::path g_dir;

// A logger file of n records of a slowly varying DC voltage.
fs::path MakeFile(std::size_t n) {
    fs::path file = g_dir / ("bench-" + std::to_string(n) + ".g26");
    if (fs::exists(file) && fs::file_size(file) == n * 68) return file;
    std::ofstream out(file, std::ios::binary);
    unsigned char bytes[68];
    for (std::size_t i = 0; i < n; ++i) {
        float v = static_cast<float>((i % 2000) / 1000.0);
        std::string value = dmm::Format("%.3f", static_cast<double>(v));
        dmm::LogRecord r(value, "0", 6, " 12:34:56.7  ", value, "", "V", v);
        dmm::EncodeLogRecord(r, bytes);
        out.write(reinterpret_cast<const char*>(bytes), sizeof bytes);
    }
    return file;
}

struct Windows {
    dmm::MeterLink link;  // the link owner the recorder samples
    dmm::MeterReading& reading = link.Reading;
    std::unique_ptr<dmm::TDataPageListForm> list;
    std::unique_ptr<dmm::TMsgForm> progress;
    std::unique_ptr<dmm::TGraphicalForm> recorder;

    Windows() {
        reading.sValue = "1.234";
        reading.sRange = "0";
        reading.iFunc = 6;
        dmm::CopyCut(reading.szDisplay, "1.234");
        dmm::CopyCut(reading.szFunc, "V");
        list = std::make_unique<dmm::TDataPageListForm>();
        progress = std::make_unique<dmm::TMsgForm>();
        recorder = std::make_unique<dmm::TGraphicalForm>(link, g_dir);
        list->SetLogList(&recorder->recorder().List());
        dmm::DataPageListForm = list.get();
        dmm::MsgForm = progress.get();
        list->show();
        recorder->show();
        QApplication::processEvents();
    }
    ~Windows() {
        dmm::DataPageListForm = nullptr;
        dmm::MsgForm = nullptr;
    }
    // Loads n records as the Open command does.
    void load(std::size_t n) {
        if (n == 0) return;
        recorder->recorder().OpenFile(MakeFile(n).string());
        QApplication::processEvents();
    }
};

// Counts the paint events of every widget of the application.
class PaintCounter : public QObject {
public:
    PaintCounter() { QCoreApplication::instance()->installEventFilter(this); }
    ~PaintCounter() override { QCoreApplication::instance()->removeEventFilter(this); }
    long paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

void BM_LiveSample(benchmark::State& state) {
    Windows w;
    w.load(static_cast<std::size_t>(state.range(0)));
    w.link.ReadingReceived = 1;
    PaintCounter counter;
    for (auto _ : state) {
        dmm::SendWindowMessage(w.recorder.get(), dmm::msg::NewReading);
        // What the sample left for the event loop runs now: the posted events (the chart's
        // replot, the newest line in view), then the repaints they asked for in turn, so
        // that every paint the sample causes is inside its time.
        QApplication::processEvents();
        QApplication::sendPostedEvents();
    }
    const long timed = counter.paints;
    // Nothing may be left over for later: what paints now was put off past the time.
    QElapsedTimer idle;
    idle.start();
    while (idle.elapsed() < 50) QApplication::processEvents(QEventLoop::AllEvents, 10);
    state.counters["buffer"] = static_cast<double>(w.recorder->recorder().List().size());
    state.counters["paints"] =
        benchmark::Counter(static_cast<double>(timed), benchmark::Counter::kAvgIterations);
    state.counters["late_paints"] = static_cast<double>(counter.paints - timed);
}
BENCHMARK(BM_LiveSample)
    ->Arg(1000)
    ->Arg(1000000)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

// What repainting alone costs, with nothing new to show: the chart drawn, the newest line's
// list and one status panel, each painted once as a sample has them painted. A live sample
// cannot be cheaper than this floor.
void BM_RepaintFloor(benchmark::State& state) {
    Windows w;
    w.load(static_cast<std::size_t>(state.range(0)));
    auto* list = w.list->findChild<QAbstractItemView*>(QStringLiteral("DataList"));
    QLabel* panel = w.recorder->StatusPanels[1];
    if (!list || !panel) return state.SkipWithError("no data list or status panel");
    PaintCounter counter;
    for (auto _ : state) {
        w.recorder->PEGraph->plot()->update();
        list->viewport()->update();
        panel->update();
        QApplication::processEvents();
        QApplication::sendPostedEvents();
    }
    state.counters["paints"] =
        benchmark::Counter(static_cast<double>(counter.paints), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_RepaintFloor)
    ->Arg(1000)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

void BM_OpenMillionRecords(benchmark::State& state) {
    fs::path file = MakeFile(1000000);
    double catSeconds = 0;
    for (auto _ : state) {
        auto c0 = std::chrono::steady_clock::now();
        std::string cmd = "cat '" + file.string() + "' > /dev/null";
        if (std::system(cmd.c_str()) != 0) state.SkipWithError("cat failed");
        catSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - c0).count();
        Windows w;
        auto t0 = std::chrono::steady_clock::now();
        w.recorder->recorder().OpenFile(file.string());
        QApplication::processEvents();  // the drawn last page
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
        if (w.recorder->recorder().List().size() != 1000000) state.SkipWithError("not loaded");
    }
    state.counters["cat_ms"] = catSeconds * 1000;
}
BENCHMARK(BM_OpenMillionRecords)
    ->Iterations(1)
    ->Repetitions(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

void BM_MemoryPerSample(benchmark::State& state) {
    for (auto _ : state) {
        long before = RssBytes();
        Windows w;
        w.load(1000000);
        long after = RssBytes();
        state.counters["bytes_per_sample"] = static_cast<double>(after - before) / 1e6;
    }
}
BENCHMARK(BM_MemoryPerSample)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return dmm::bench::RunWindowBenchmarks(argc, argv, g_dir);
}

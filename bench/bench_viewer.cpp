// The graphical viewer and the export of a buffer of 1,000,000 records:
//  - the min/max reduction alone, one pass over the buffer;
//  - showing the viewer: reduction, chart load and the first paint;
//  - the text export of all pages, to a string and through the atomic save to a file;
//  - dmmlog plot of a 1,000,000-record file to a PNG, beside cat of the same file.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "logger/chart/pegraph.h"
#include "logger/data/loggerfile.h"
#include "logger/data/pages.h"
#include "logger/data/textexport.h"
#include "logger/data/viewreduction.h"
#include "logger/graphicalrecord.h"
#include "logger/viewgraphunit.h"
#include "meterlink/globalvar.h"

#include "windowbench.h"

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kRecords = 1000000;
fs::path g_dir;

// A slow sine with noise and one narrow spike, as a day of samples might look.
dmm::LogList MakeRecords() {
    dmm::LogList list;
    list.reserve(kRecords);
    for (std::size_t i = 0; i < kRecords; ++i) {
        const float v = 2.5f * static_cast<float>(std::sin(i / 50000.0)) +
                        0.01f * static_cast<float>(i % 7) + (i == 654321 ? 40.0f : 0.0f);
        list.emplace_back("1.234", "0", 6, " 12:34:56.7  ", "1.234", "", "V", v);
    }
    return list;
}

const dmm::LogList& Records() {
    static const dmm::LogList list = MakeRecords();
    return list;
}

fs::path RecordsFile() {
    const fs::path file = g_dir / "million.g26";
    if (!fs::exists(file)) dmm::SaveLoggerFile(file.string(), Records());
    return file;
}

// cppcheck-suppress constParameterCallback ; the loop over state is not const
void BM_ReduceMillion(benchmark::State& state) {
    const dmm::LogList& list = Records();
    for (auto _ : state) {
        dmm::ViewPoints view = dmm::ReduceForView(list, 654321, 0);
        benchmark::DoNotOptimize(view.indexList.data());
    }
}
BENCHMARK(BM_ReduceMillion)->Unit(benchmark::kMillisecond);

void BM_ShowViewerMillion(benchmark::State& state) {
    dmm::MeterLink link;
    dmm::TGraphicalForm recorder(link, g_dir);
    dmm::Recorder& rec = recorder.recorder();
    rec.List() = Records();
    rec.ReplayList();
    rec.FinishBulkLoad();
    dmm::TFormViewGraphic viewer;
    viewer.SetRecorder(&rec);
    for (auto _ : state) {
        viewer.FormShow();
        viewer.show();
        QApplication::processEvents();
        viewer.repaint();  // the first paint, should the events not have brought it yet
        state.PauseTiming();
        state.counters["points"] = viewer.PEGraphView->Points();
        viewer.hide();
        viewer.FormClose();
        QApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ShowViewerMillion)->Iterations(5)->Unit(benchmark::kMillisecond);

void BM_TextExportMillionToString(benchmark::State& state) {
    const dmm::LogList& list = Records();
    const int pages = dmm::PageCountFor(list.size(), 200);
    for (auto _ : state) {
        std::string text = dmm::TextExport(list, 200, pages, 1, pages).All();
        state.counters["bytes"] = static_cast<double>(text.size());
        benchmark::DoNotOptimize(text.data());
    }
}
BENCHMARK(BM_TextExportMillionToString)->Unit(benchmark::kMillisecond);

void BM_TextExportMillionToFile(benchmark::State& state) {
    const dmm::LogList& list = Records();
    const int pages = dmm::PageCountFor(list.size(), 200);
    const std::string file = (g_dir / "million.csv").string();
    for (auto _ : state) {
        if (!dmm::SaveTextExport(file, list, 200, pages, 1, pages))
            state.SkipWithError("export failed");
    }
}
BENCHMARK(BM_TextExportMillionToFile)->Unit(benchmark::kMillisecond);

double SecondsOf(const std::string& command) {
    const auto t0 = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0) return -1;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

void BM_PlotMillionFile(benchmark::State& state) {
    const fs::path file = RecordsFile();
    const std::string picture = (g_dir / "million.png").string();
    double catSeconds = 0;
    for (auto _ : state) {
        catSeconds = SecondsOf("cat '" + file.string() + "' > /dev/null");
        const double plotSeconds = SecondsOf("env -u DISPLAY '" DMMLOG_PATH "' plot '" +
                                             file.string() + "' --out '" + picture + "'");
        if (plotSeconds < 0 || catSeconds < 0) state.SkipWithError("command failed");
        state.SetIterationTime(plotSeconds);
    }
    state.counters["cat_ms"] = catSeconds * 1000;
}
BENCHMARK(BM_PlotMillionFile)
    ->Iterations(1)
    ->Repetitions(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return dmm::bench::RunWindowBenchmarks(argc, argv, g_dir);
}

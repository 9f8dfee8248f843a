// The data list window: what one more line costs with a small and a large
// buffer behind it, and how much memory each line takes.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <cstdio>
#include <memory>
#include <string>

#include "displays/datapagelist.h"
#include "shell/toolkit/winmsg.h"

namespace dmm {
namespace {

LogRecord Sample(std::size_t n) {
    return LogRecord("1.234", "3", (n & 1) ? 384 : 6, " 14:05:09.3  ", "1.234", (n & 1) ? "K" : "",
                     (n & 1) ? "W" : "V", 1.234f);
}

// A shown window whose list already holds `lines` records, each with its line.
struct Filled {
    LogList list;
    TDataPageListForm form;

    explicit Filled(std::size_t lines) {
        form.SetLogList(&list);
        form.resize(250, 500);
        form.show();
        list.reserve(lines + 100000);
        for (std::size_t i = 0; i < lines; ++i) Append();
        QApplication::processEvents();
    }
    void Append() {
        list.push_back(Sample(list.size()));
        SendWindowMessage(&form, msg::DataAppend, static_cast<qintptr>(list.size() - 1));
    }
};

// One live sample: the line is added and the event loop runs (selection,
// scrolling, layout and repaint of the current sheet), as between two polls.
void BM_AppendLineLive(benchmark::State& state) {
    Filled f(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        f.Append();
        QApplication::processEvents();
    }
    state.counters["sheets"] = f.form.CurrentPage();
}
BENCHMARK(BM_AppendLineLive)
    ->Arg(1000)
    ->Arg(1000000)
    ->Iterations(200)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

// One line of a bulk load (a file read in): no event loop between lines.
void BM_AppendLineBulk(benchmark::State& state) {
    Filled f(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) f.Append();
    QApplication::processEvents();
}
BENCHMARK(BM_AppendLineBulk)
    ->Arg(1000)
    ->Arg(1000000)
    ->Iterations(20000)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kNanosecond);

long ResidentBytes() {
    long pages = 0;
    long resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return resident * sysconf(_SC_PAGESIZE);
}

// Resident memory grown by a million samples: the records themselves and the
// data list's lines on top of them. The event loop runs every 500 lines, so
// every sheet is laid out while it is the current one, as in a live run.
void BM_MemoryPerSample(benchmark::State& state) {
    constexpr std::size_t kSamples = 1000000;
    for (auto _ : state) {
        const long start = ResidentBytes();
        auto list = std::make_unique<LogList>();
        for (std::size_t i = 0; i < kSamples; ++i) list->push_back(Sample(i));
        const long afterRecords = ResidentBytes();

        auto form = std::make_unique<TDataPageListForm>();
        form->SetLogList(list.get());
        form->resize(250, 500);
        form->show();
        QApplication::processEvents();
        const long beforeLines = ResidentBytes();
        for (std::size_t i = 0; i < kSamples; ++i) {
            SendWindowMessage(form.get(), msg::DataAppend, static_cast<qintptr>(i));
            if (i % 500 == 0) QApplication::processEvents();
        }
        QApplication::processEvents();
        const long end = ResidentBytes();

        state.counters["record_bytes_per_sample"] =
            static_cast<double>(afterRecords - start) / kSamples;
        state.counters["datalist_bytes_per_sample"] =
            static_cast<double>(end - beforeLines) / kSamples;
        state.counters["total_bytes_per_sample"] =
            static_cast<double>(end - start - (beforeLines - afterRecords)) / kSamples;
        state.counters["sheets"] = form->CurrentPage();
    }
}
BENCHMARK(BM_MemoryPerSample)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace dmm

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

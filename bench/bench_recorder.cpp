// Cost of one live sample with a small and a large buffer behind it: it must not grow.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "logger/acquisition/recorder.h"
#include "logger/data/loggerfile.h"

namespace dmm {
namespace {

class NullView : public RecorderView {
public:
    void SetChartPointCount(int) override {}
    void SetChartPoint(int, const std::string&, float) override {}
    void AppendChartPoint(const std::string&, float) override {}
    void SetChartYRange(float, float) override {}
    void SetYAxisLabel(const std::string&) override {}
    void RedrawChart() override {}
    int ChartCursorPoint() const override { return 199; }
    void SetChartCursorPoint(int) override {}
    void UndoChartZoom() override {}
    void SetChartExportSize(int, int) override {}
    void ShowTime(const std::string&) override {}
    void ShowReading(const PanelGroup&) override {}
    void ShowMax(const PanelGroup&) override {}
    void ShowMin(const PanelGroup&) override {}
    void SetProgressBar(int, int, int) override {}
    void SetToolbarState(const ToolbarState&) override {}
    void SetMenuState(const MenuState&) override {}
    void SetStatusTexts(const StatusTexts&) override {}
    void SetRecordButtonDown(bool) override {}
    void SetLoggerTimerInterval(int) override {}
    void SetLoggerTimerEnabled(bool) override {}
    void ClearDataList() override {}
    void AppendDataListLine(std::size_t) override {}
    void RefreshMainWindowCommands() override {}
    void ShowStringMessage(int, int, const std::string&) override {}
    bool AskOkCancel(int, int) override { return true; }
    bool RunIntervalDialog(IntervalChoice&) override { return false; }
    void SetWaitCursor(bool) override {}
    void OpenProgressWindow(const std::string&, HeadlineColour, int) override {}
    void SetProgressHeadline(const std::string&, HeadlineColour) override {}
    void SetProgressDetail(const std::string&, bool) override {}
    void SetProgressWindowBar(int, int) override {}
    void SetProgressAbortEnabled(bool) override {}
    void CloseProgressWindow() override {}
    void HandlePendingEvents() override {}
    void WaitForEvents() override {}
    void UnlinkMainWindow() override {}
    bool AskYesNo(int, int, int) override { return true; }
    void ShowTwoLineMessage(int, int, int, const std::string&) override {}
    void Beep() override {}
};

void BM_LiveSample(benchmark::State& state) {
    NullView view;
    MeterLink link;
    link.Reading.sValue = "1.234";
    link.Reading.sRange = "0";
    link.Reading.iFunc = 6;
    link.ReadingReceived = 1;
    Recorder rec(view, link, std::filesystem::temp_directory_path());
    rec.FormCreate();
    const auto before = static_cast<int>(state.range(0));
    for (int i = 0; i < before; ++i)
        rec.List().emplace_back("1.0", "0", 6, "t", "1.000", "", "V", static_cast<float>(i % 977));
    rec.ReplayList();
    rec.FinishBulkLoad();
    for (auto _ : state) benchmark::DoNotOptimize(rec.TakeSample());
    state.counters["records"] = static_cast<double>(rec.List().size());
}
BENCHMARK(BM_LiveSample)->Arg(1000)->Arg(1000000);

// Opening a large logger file: the reading phase alone, and the replay into the recorder.
void BM_ReadLoggerFile(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    const std::string path =
        (std::filesystem::temp_directory_path() / "bench_recorder_read.g26").string();
    SaveLoggerFile(path, LogList(n, LogRecord("1.0", "0", 6, "t", "1.000", "", "V", 1)));
    for (auto _ : state) {
        LogList list;
        if (!ReadLoggerFile(path, list, [](std::size_t, std::size_t) { return true; }))
            state.SkipWithError("read failed");
        benchmark::DoNotOptimize(list.data());
    }
    std::filesystem::remove(path);
}
BENCHMARK(BM_ReadLoggerFile)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_ReplayList(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    const LogList records(n, LogRecord("1.0", "0", 6, "t", "1.000", "", "V", 1));
    NullView view;
    MeterLink link;
    link.ReadingReceived = 1;
    Recorder rec(view, link, std::filesystem::temp_directory_path());
    rec.FormCreate();
    for (auto _ : state) {
        rec.ClearRecorder();
        rec.List() = records;
        rec.ReplayList();
        rec.FinishBulkLoad();
    }
}
BENCHMARK(BM_ReplayList)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace dmm

BENCHMARK_MAIN();

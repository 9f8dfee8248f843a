// The recorder's samples, its buffer and the chart's pages.
#include "logger/acquisition/recorder.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "logger/data/pages.h"
#include "meterlink/labels.h"
#include "meterlink/numparse.h"
#include "resources/strings.h"

namespace dmm {

namespace {

constexpr double kScaleMargin = 1.33;  // a bound sits 33 % beyond the value that set it

}  // namespace

PanelGroup PanelGroupOf(const LogRecord& r) {
    PanelGroup g;
    g.data = FieldString(r.szDisplay);
    g.unitStyle = UnitPanelStyle(r.iFunc);
    g.funcStyle = FuncPanelStyle(r.iFunc);
    g.unit = PanelText(FieldString(r.szUnit), g.unitStyle);
    g.func = PanelText(FieldString(r.szFunc), g.funcStyle);
    return g;
}

std::string YAxisLabelFor(const LogRecord& r) {
    std::string label = LoadStr(str::ReadingLabel);
    if (r.iFunc == func::Capacitance)
        label += "(uF)";
    else if (r.iFunc == func::Ohms || r.iFunc == func::Ohms384)
        label += "(Ohm)";
    else
        label += "(" + FieldString(r.szFunc) + ")";
    return label;
}

void WidenScale(float x, bool firstSample, float& scaleMax, float& scaleMin) {
    const double margin = std::fabs(static_cast<double>(x)) * kScaleMargin;
    const float top = margin == 0 ? 1.0f : static_cast<float>(margin);
    const float bottom = margin == 0 ? -1.0f : static_cast<float>(-margin);
    if (firstSample) {
        scaleMax = top;
        scaleMin = bottom;
    } else {
        if (x >= scaleMax / kScaleMargin) scaleMax = top;
        if (x <= scaleMin / kScaleMargin) scaleMin = bottom;
    }
}

namespace {

// Only the new record (number `index`, value x) can move an extreme; ties go to the newer one.
void MoveExtremes(const LogRecord* records, int index, float x, int& maxIndex, int& minIndex) {
    if (records[maxIndex].fValue > x) {
        if (x <= records[minIndex].fValue) minIndex = index;
    } else {
        maxIndex = index;
    }
}

}  // namespace

RecordsSummary SummariseRecords(const LogRecord* records, std::size_t count) {
    RecordsSummary s;
    bool counted = false;  // a finite value has set the scale and the extremes
    for (std::size_t i = 0; i < count; ++i) {
        const float x = records[i].fValue;
        // A value that is not a number (from a damaged file) would stop every later
        // comparison: it is listed and drawn as a gap, but never measured.
        if (!std::isfinite(x)) continue;
        WidenScale(x, !counted, s.fScaleMax, s.fScaleMin);
        if (!counted)
            s.iMaxIndex = s.iMinIndex = static_cast<int>(i);
        else
            MoveExtremes(records, static_cast<int>(i), x, s.iMaxIndex, s.iMinIndex);
        counted = true;
    }
    return s;
}

Recorder::Recorder(RecorderView& view, MeterLink& link, std::filesystem::path programFolder,
                   const Clock& clock, FileOps& ops)
    : view_(view),
      link_(link),
      clock_(clock),
      ops_(ops),
      tempFiles_(std::move(programFolder), ops) {}

void Recorder::FormCreate() {
    ResetRecorderState();
    view_.SetLoggerTimerInterval(iIntervalMs);
    view_.SetLoggerTimerEnabled(false);
    toolbar_.sbtnUndoZoom = false;
    menu_.undoZooming = false;
    UpdateToolbar();
    UpdateMenu();
    UpdateStatusBar();
    ResetChart();
    view_.SetYAxisLabel(LoadStr(str::ReadingLabel));
}

void Recorder::FormClose() {
    view_.SetLoggerTimerEnabled(false);
}

// ---- samples ----

bool Recorder::TakeSample() {
    const int m = iPointsPerPage;
    std::optional<LogRecord> record = SampleReading(link_.Reading, clock_.Now());
    if (!record) {
        // The newest data comes into view all the same.
        if (iCurrentPage != iPageCount) {
            iCurrentPage = iPageCount;
            ShowPage();
        }
        return false;
    }
    const bool olderPageShown = iCurrentPage != iPageCount;
    const float x = record->fValue;
    AdaptScale(x);
    list_.push_back(*record);
    // A record that cannot be written stays in memory. The first failure is said and the
    // file is let go, so that it keeps the samples before it and nothing is written after a
    // gap; acquisition goes on in memory.
    Status written = tempFiles_.Append(*record);
    if (!written) tempFiles_.Close();
    TrackExtremes(x);
    iPageCount = iSampleCount / m + 1;
    iCurrentPage = iPageCount;
    if (view_.ChartCursorPoint() != m - 1) view_.SetChartCursorPoint(m - 1);
    ShowCursorReadout();
    // The chart is updated once: the new point appended to the page on show, or the newest
    // page loaded in place of an older one.
    if (olderPageShown) {
        LoadPage(iCurrentPage);
        view_.RedrawChart();
    } else {
        view_.AppendChartPoint(FieldString(record->szTime), x);
    }
    view_.AppendDataListLine(list_.size() - 1);
    StepProgress();
    iSampleCount += 1;
    UpdateStatusBar();
    bBufferEmpty = false;
    bUnsaved = true;
    UpdateToolbar();
    UpdateMenu();
    // Last, when the sample is fully counted: the box lets other events in meanwhile.
    if (!written)
        view_.ShowStringMessage(str::ErrorCaption, str::TempFileWriteError, written.reason());
    return true;
}

void Recorder::TimerLoggerTimer() {
    Sampling.Tick();
}

void Recorder::OnNewReading() {
    Sampling.TakeDue();
    TakeSample();
}

void Recorder::OnLinkCut() {
    if (!bAcquiring) return;
    view_.SetRecordButtonDown(false);
    sbtnRecordStopClick();
}

void Recorder::OnTransferEnded() {
    link_.EndTransfer();
    ResetRecorderState();
    view_.SetLoggerTimerInterval(iIntervalMs);
    list_.clear();
    list_.shrink_to_fit();
    ResetChart();
    UpdateToolbar();
    UpdateMenu();
    UpdateStatusBar();
    view_.RefreshMainWindowCommands();
    view_.ClearDataList();
}

// ---- buffer bookkeeping ----

void Recorder::ResetRecorderState() {
    bAcquiring = false;
    bBufferEmpty = true;
    bUnsaved = false;
    Sampling.bSampleDue = false;
    iPageCount = 1;
    iCurrentPage = 1;
    iSampleCount = 0;
    iMaxIndex = 0;
    iMinIndex = 0;
    fScaleMax = 100;
    fScaleMin = -100;
    progressPosition_ = 0;
    view_.SetProgressBar(0, iPointsPerPage, progressPosition_);
}

void Recorder::ClearRecorder() {
    ResetRecorderState();
    view_.SetLoggerTimerInterval(iIntervalMs);
    list_.clear();
    list_.shrink_to_fit();
    ResetChart();
    view_.ClearDataList();
    TrackExtremes(0);  // with nothing counted: empties the Max and Min groups
    UpdateToolbar();
    UpdateMenu();
    UpdateStatusBar();
}

void Recorder::AppendToRecorder() {
    if (iSampleCount < 0 || static_cast<std::size_t>(iSampleCount) >= list_.size()) return;
    const float x = list_[static_cast<std::size_t>(iSampleCount)].fValue;
    AdaptScale(x);
    TrackExtremes(x);
    iCurrentPage = iSampleCount / iPointsPerPage + 1;
    // A replay tells the data list once, at its end, up to which record it holds.
    if (!replaying_) view_.AppendDataListLine(static_cast<std::size_t>(iSampleCount));
    StepProgress();
    iSampleCount += 1;
    if (!replaying_) UpdateStatusBar();
}

void Recorder::ReplayList() {
    // Whole pages from the oldest record, plus one: 200 records make two
    // pages, the newest holding all of them and page 1 none.
    iPageCount = PageCountFor(list_.size(), iPointsPerPage);
    view_.SetProgressBar(0, iPointsPerPage, progressPosition_);
    // Nothing is painted until the replay ends, so the bar and the status bar
    // are told only their final state.
    replaying_ = true;
    const std::size_t first = static_cast<std::size_t>(iSampleCount);
    while (static_cast<std::size_t>(iSampleCount) < list_.size()) AppendToRecorder();
    replaying_ = false;
    view_.SetChartYRange(fScaleMin, fScaleMax);
    // The data list adds every line up to the one it is given.
    if (list_.size() > first) view_.AppendDataListLine(list_.size() - 1);
    view_.SetProgressBar(0, iPointsPerPage, progressPosition_);
    UpdateStatusBar();
}

void Recorder::FinishBulkLoad() {
    iCurrentPage = iPageCount;
    view_.SetChartCursorPoint(iPointsPerPage - 1);
    ShowPage();
    bBufferEmpty = false;
    bUnsaved = true;
    link_.EndTransfer();
    UpdateToolbar();
    UpdateMenu();
}

void Recorder::StepProgress() {
    progressPosition_ += 1;
    if (progressPosition_ > iPointsPerPage) progressPosition_ = 0;
    if (!replaying_) view_.SetProgressBar(0, iPointsPerPage, progressPosition_);
}

// ---- chart ----

void Recorder::AdaptScale(float x) {
    // Values that are not finite never reach the scale (see SummariseRecords).
    if (!std::isfinite(x)) return;
    WidenScale(x, !FiniteValueCounted(), fScaleMax, fScaleMin);
    if (!replaying_) view_.SetChartYRange(fScaleMin, fScaleMax);
}

void Recorder::TrackExtremes(float x) {
    if (iSampleCount == 0) {
        iMaxIndex = 0;
        iMinIndex = 0;
        // The groups fill from the second sample on.
        if (shownMax_ != -1 || shownMin_ != -1) {
            view_.ShowMax(PanelGroup{});
            view_.ShowMin(PanelGroup{});
            shownMax_ = shownMin_ = -1;
        }
        return;
    }
    const auto n = static_cast<int>(list_.size());
    if (iSampleCount >= n) return;  // the record is not in the list
    if (iMaxIndex >= n) iMaxIndex = iSampleCount;
    if (iMinIndex >= n) iMinIndex = iSampleCount;
    if (!std::isfinite(x)) return;
    if (!FiniteValueCounted())
        iMaxIndex = iMinIndex = iSampleCount;
    else
        MoveExtremes(list_.data(), iSampleCount, x, iMaxIndex, iMinIndex);
    ShowExtremePanels();
}

void Recorder::ShowExtremePanels() {
    if (shownMax_ != iMaxIndex) {
        view_.ShowMax(PanelGroupOf(list_[static_cast<std::size_t>(iMaxIndex)]));
        shownMax_ = iMaxIndex;
    }
    if (shownMin_ != iMinIndex) {
        view_.ShowMin(PanelGroupOf(list_[static_cast<std::size_t>(iMinIndex)]));
        shownMin_ = iMinIndex;
    }
}

bool Recorder::FiniteValueCounted() const {
    // Once a finite value is counted the largest one is finite; before, it is record 0.
    return iSampleCount > 0 && static_cast<std::size_t>(iMaxIndex) < list_.size() &&
           std::isfinite(list_[static_cast<std::size_t>(iMaxIndex)].fValue);
}

void Recorder::ResetChart() {
    const int m = iPointsPerPage;
    // A reset ends a zoom and forgets the size of the last picture export.
    view_.UndoChartZoom();
    view_.SetChartExportSize(0, 0);
    toolbar_.sbtnUndoZoom = false;
    menu_.undoZooming = false;
    PushToolbar();
    PushMenu();
    view_.SetChartPointCount(m);
    view_.SetChartYRange(fScaleMin, fScaleMax);
    for (int k = 0; k < m; ++k) view_.SetChartPoint(k, kEmptyPointLabel, kChartNullValue);
    view_.SetChartCursorPoint(m - 1);
    ShowCursorReadout();
    view_.RedrawChart();
}

void Recorder::ShowPage() {
    LoadPage(iCurrentPage);
    ShowCursorReadout();
    view_.RedrawChart();
    SetPagingEnabled(iCurrentPage != 1, iCurrentPage != iPageCount);
    UpdateStatusBar();
}

void Recorder::LoadPage(int page) {
    const PageSpan span = PageRecords(list_.size(), iPointsPerPage, iPageCount, page);
    int k = 0;
    for (; k < span.nullPoints; ++k) view_.SetChartPoint(k, kEmptyPointLabel, kChartNullValue);
    for (std::size_t i = 0; i < span.count; ++i, ++k) {
        const LogRecord& r = list_[span.first + i];
        view_.SetChartPoint(k, FieldString(r.szTime), r.fValue);
    }
}

void Recorder::SetPagingEnabled(bool back, bool forward) {
    toolbar_.sbtnFirstPage = toolbar_.sbtnPageUp = back;
    toolbar_.sbtnPageDown = toolbar_.sbtnLastPage = forward;
    menu_.firstPage = menu_.pageUp = back;
    menu_.pageDown = menu_.lastPage = forward;
    PushToolbar();
    PushMenu();
}

void Recorder::UpdateCursorReadout() {
    if (list_.empty()) return;
    ShowCursorReadout();
    view_.RedrawChart();
}

void Recorder::ShowCursorReadout() {
    if (list_.empty()) return;
    const auto n = static_cast<std::int64_t>(list_.size());
    const std::int64_t index =
        view_.ChartCursorPoint() + n -
        static_cast<std::int64_t>(iPointsPerPage) * (iPageCount - iCurrentPage + 1);
    if (index < 0 || index >= n) {
        // The empty left part of page 1.
        view_.ShowTime("");
        view_.ShowReading(PanelGroup{});
        view_.SetYAxisLabel(LoadStr(str::ReadingLabel));
    } else {
        const LogRecord& r = list_[static_cast<std::size_t>(index)];
        view_.ShowTime(FieldString(r.szTime));
        view_.ShowReading(PanelGroupOf(r));
        view_.SetYAxisLabel(YAxisLabelFor(r));
    }
}

}  // namespace dmm

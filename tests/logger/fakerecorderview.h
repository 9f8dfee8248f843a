// A recorder window that remembers what it was told.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "logger/acquisition/recorderview.h"

namespace dmm::test {

class FakeRecorderView : public RecorderView {
public:
    std::vector<std::pair<std::string, float>> points;  // label, value
    float yMin = 0, yMax = 0;
    std::string yLabel, time;
    int cursor = 0, zoomUndos = 0, exportWidth = -1, exportHeight = -1;
    int chartAppends = 0, chartRedraws = 0, toolbarPushes = 0, menuPushes = 0;
    PanelGroup reading, max, min;
    int progressPos = 0;
    ToolbarState toolbar;
    MenuState menu;
    StatusTexts status;
    bool startDown = false, timerEnabled = false, progressWindowOpen = false;
    int timerInterval = 0, dataListClears = 0, mainWindowRefreshes = 0, questions = 0;
    std::vector<std::size_t> dataListLines;
    std::vector<std::pair<int, int>> messages;  // caption format, text number
    bool answerOk = true;
    std::function<bool(IntervalChoice&)> intervalDialog;
    // Called each time the recorder lets pending events run, with the number of the call.
    std::function<void(int)> onPendingEvents = [](int) {};
    int pendingEventCalls = 0;
    // Called each time the recorder hands the thread to the event loop to wait.
    std::function<void(int)> onWaitForEvents = [](int) {};
    int waitForEventsCalls = 0;
    bool waitCursor = false;
    std::string headline, detail;
    int barMax = 0, barPosition = 0, detailTexts = 0, detailPaints = 0, beeps = 0, unlinks = 0;
    bool abortEnabled = true;
    std::deque<bool> yesNoAnswers;     // No once they run out, like the default button
    std::vector<std::string> details;  // the detail line of each message, in order

    void SetChartPointCount(int n) override { points.assign(static_cast<std::size_t>(n), {}); }
    void SetChartPoint(int k, const std::string& l, float v) override {
        points.at(static_cast<std::size_t>(k)) = {l, v};
    }
    void AppendChartPoint(const std::string& l, float v) override {
        ++chartAppends;
        points.erase(points.begin());
        points.emplace_back(l, v);
    }
    void SetChartYRange(float lo, float hi) override { yMin = lo, yMax = hi; }
    void SetYAxisLabel(const std::string& l) override { yLabel = l; }
    void RedrawChart() override { ++chartRedraws; }
    int ChartCursorPoint() const override { return cursor; }
    void SetChartCursorPoint(int p) override { cursor = p; }
    void UndoChartZoom() override { ++zoomUndos; }
    void SetChartExportSize(int w, int h) override { exportWidth = w, exportHeight = h; }
    void ShowTime(const std::string& t) override { time = t; }
    void ShowReading(const PanelGroup& g) override { reading = g; }
    void ShowMax(const PanelGroup& g) override { max = g; }
    void ShowMin(const PanelGroup& g) override { min = g; }
    void SetProgressBar(int, int, int pos) override { progressPos = pos; }
    void SetToolbarState(const ToolbarState& s) override { toolbar = s, ++toolbarPushes; }
    void SetMenuState(const MenuState& s) override { menu = s, ++menuPushes; }
    void SetStatusTexts(const StatusTexts& s) override { status = s; }
    void SetRecordButtonDown(bool start) override { startDown = start; }
    void SetLoggerTimerInterval(int ms) override { timerInterval = ms; }
    void SetLoggerTimerEnabled(bool on) override { timerEnabled = on; }
    void ClearDataList() override { ++dataListClears, dataListLines.clear(); }
    void AppendDataListLine(std::size_t i) override { dataListLines.push_back(i); }
    void RefreshMainWindowCommands() override { ++mainWindowRefreshes; }
    void ShowStringMessage(int format, int text, const std::string& d) override {
        messages.emplace_back(format, text);
        details.push_back(d);
    }
    bool AskOkCancel(int format, int text) override {
        ++questions;
        messages.emplace_back(format, text);
        details.emplace_back();
        return answerOk;
    }
    bool RunIntervalDialog(IntervalChoice& c) override { return intervalDialog(c); }
    void SetWaitCursor(bool on) override { waitCursor = on; }
    void OpenProgressWindow(const std::string& h, HeadlineColour, int top) override {
        progressWindowOpen = true, headline = h, detail.clear(), barMax = top, barPosition = 0;
    }
    void SetProgressHeadline(const std::string& h, HeadlineColour) override { headline = h; }
    void SetProgressDetail(const std::string& t, bool paint) override {
        detail = t, ++detailTexts, detailPaints += paint;
    }
    void SetProgressWindowBar(int top, int pos) override { barMax = top, barPosition = pos; }
    void SetProgressAbortEnabled(bool on) override { abortEnabled = on; }
    void CloseProgressWindow() override { progressWindowOpen = false; }
    void HandlePendingEvents() override { onPendingEvents(++pendingEventCalls); }
    void WaitForEvents() override { onWaitForEvents(++waitForEventsCalls); }
    void UnlinkMainWindow() override { ++unlinks; }
    bool AskYesNo(int format, int text, int) override {
        ++questions;
        messages.emplace_back(format, text);
        details.emplace_back();
        if (yesNoAnswers.empty()) return false;
        const bool yes = yesNoAnswers.front();
        yesNoAnswers.pop_front();
        return yes;
    }
    void ShowTwoLineMessage(int format, int text, int, const std::string& d) override {
        messages.emplace_back(format, text);
        details.push_back(d);
    }
    void Beep() override { ++beeps; }
};

}  // namespace dmm::test

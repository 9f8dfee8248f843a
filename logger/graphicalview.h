// The recorder window as the recorder and its commands see it: every call is carried out on
// the window's chart, panels, bars, timers and dialogs, and nothing is decided here.
#pragma once

#include "logger/acquisition/recorderview.h"
#include "logger/commands/commandview.h"

namespace dmm {

class TDialogOption;
class TDlgExportForm;
class TGraphicalForm;

class GraphicalView : public RecorderView, public CommandPrompts, public ChartOutput {
public:
    explicit GraphicalView(TGraphicalForm& form);
    ~GraphicalView() override;
    GraphicalView(const GraphicalView&) = delete;
    GraphicalView& operator=(const GraphicalView&) = delete;

    // The chart as the recorder shows its pages: titles, style and colours, `points`
    // empty points, and prints that start from the printer set-up.
    void SetUpChart(int points);

    // RecorderView.
    void SetChartPointCount(int points) override;
    void SetChartPoint(int point, const std::string& label, float value) override;
    void AppendChartPoint(const std::string& label, float value) override;
    void SetChartYRange(float min, float max) override;
    void SetYAxisLabel(const std::string& label) override;
    void RedrawChart() override;
    int ChartCursorPoint() const override;
    void SetChartCursorPoint(int point) override;
    void UndoChartZoom() override;
    void SetChartExportSize(int width, int height) override;
    void ShowTime(const std::string& text) override;
    void ShowReading(const PanelGroup& panels) override;
    void ShowMax(const PanelGroup& panels) override;
    void ShowMin(const PanelGroup& panels) override;
    void SetProgressBar(int min, int max, int position) override;
    void SetToolbarState(const ToolbarState& state) override;
    void SetMenuState(const MenuState& state) override;
    void SetStatusTexts(const StatusTexts& texts) override;
    void SetRecordButtonDown(bool startDown) override;
    void SetLoggerTimerInterval(int ms) override;
    void SetLoggerTimerEnabled(bool enabled) override;
    void ClearDataList() override;
    void AppendDataListLine(std::size_t index) override;
    void RefreshMainWindowCommands() override;
    void ShowStringMessage(int captionFormat, int textNumber, const std::string& detail) override;
    bool AskOkCancel(int captionFormat, int textNumber) override;
    bool RunIntervalDialog(IntervalChoice& choice) override;
    void SetWaitCursor(bool on) override;
    void OpenProgressWindow(const std::string& headline, HeadlineColour colour,
                            int barMax) override;
    void SetProgressHeadline(const std::string& headline, HeadlineColour colour) override;
    void SetProgressDetail(const std::string& text, bool paintNow) override;
    void SetProgressWindowBar(int max, int position) override;
    void SetProgressAbortEnabled(bool enabled) override;
    void CloseProgressWindow() override;
    void HandlePendingEvents() override;
    void WaitForEvents() override;
    void UnlinkMainWindow() override;
    bool AskYesNo(int captionFormat, int textNumber, int secondTextNumber) override;
    void ShowTwoLineMessage(int captionFormat, int textNumber, int secondTextNumber,
                            const std::string& detail) override;
    void Beep() override;

    // CommandPrompts.
    std::string AskSaveFileName(const std::filesystem::path& folder) override;
    std::string AskOpenFileName(const std::filesystem::path& folder) override;
    bool AskYesNoText(int textNumber, const std::string& text) override;
    std::optional<ExportRequest> RunExportDialog(int pageCount) override;
    void ShowErrorText(const std::string& text) override;

    // ChartOutput.
    void ResetExportSize() override;
    void ApplyExportSettings() override;
    void SetPrintStyle(bool on) override;
    bool RunAction(ChartAction action) override;
    void BeginPrintJob() override;
    Status EndPrintJob() override;
    void ShowFailure(const Status& failure, ChartAction action) override;

private:
    TGraphicalForm& form_;
    // The dialogs used when the program has none of its own, children of the window.
    TDialogOption* ownOption_ = nullptr;
    TDlgExportForm* ownExport_ = nullptr;
    const TDlgExportForm* lastExport_ = nullptr;  // the export dialog last closed with OK
    bool waitCursor_ = false;                     // a long operation holds the hourglass
};

}  // namespace dmm

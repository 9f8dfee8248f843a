// The graphical recorder window: toolbar, read-out panels, the chart, the
// progress bar and the status bar. Every event goes to the Recorder, which
// decides; the window carries out what the Recorder tells it as its RecorderView.
#pragma once

#include <QMainWindow>
#include <filesystem>
#include <memory>

#include "logger/acquisition/recorder.h"
#include "logger/acquisition/recorderview.h"
#include "logger/chart/pegraph.h"
#include "meterlink/meterreading.h"

class QAction;
class QLabel;
class QPrinter;
class QProgressBar;
class QTimer;
class QToolButton;

namespace dmm {

class TDialogOption;
class TDlgExportForm;
class TFormViewGraphic;

class TGraphicalForm : public QMainWindow, public RecorderView {
    Q_OBJECT
public:
    // Samples the link owner's reading; temporary files go into the program folder.
    TGraphicalForm();
    // Samples `reading`; temporary files go into programDir.
    TGraphicalForm(const MeterReading& reading, const std::filesystem::path& programDir);
    ~TGraphicalForm() override;

    bool SampleDue() const;
    // The buffer holds samples that are not saved to a file.
    bool HoldsUnsavedData() const;
    // Save: the file dialog, then the file is written.
    void sbtnSaveFileClick();
    // Open: the Clear question, the file dialog, then the file is read into the buffer.
    void sbtnOpenFileClick();
    // Offers the newest temporary file left by a run that did not end normally, the way
    // Open reads a file; true when it was read into the buffer.
    bool OfferLeftOverFiles();
    // Import: the meter's stored log replaces the buffer, over the line borrowed from the
    // link owner.
    void sbtnImportClick();
    // "Printer Set&up..." and "Graph Line &Color".
    void PrinterSetupClick();
    void GraphLineColorClick();
    // What "Printer Set&up..." chose; null until it was used.
    const QPrinter* PrinterSetupChoice() const { return printer_.get(); }

    // Export and print of the recorder's pages, and "Fit all data" (the viewer, modally).
    void sbtnExportClick();
    void sbtnPrintGraphicClick();
    void sbtnFitViewClick();

    Recorder& recorder() { return *recorder_; }
    const Recorder& recorder() const { return *recorder_; }

    // The chart.
    dmm::PEGraph* PEGraph = nullptr;

    // Toolbar.
    QToolButton* sbtnRecordStart = nullptr;
    QToolButton* sbtnRecordStop = nullptr;
    QToolButton* sbtnManualLogging = nullptr;
    QToolButton* sbtnOption = nullptr;
    QToolButton* sbtnOpenFile = nullptr;
    QToolButton* sbtnSaveFile = nullptr;
    QToolButton* sbtnClear = nullptr;
    QToolButton* sbtnImport = nullptr;
    QToolButton* sbtnExport = nullptr;
    QToolButton* sbtnPrintGraphic = nullptr;
    QToolButton* sbtnFirstPage = nullptr;
    QToolButton* sbtnPageUp = nullptr;
    QToolButton* sbtnPageDown = nullptr;
    QToolButton* sbtnLastPage = nullptr;
    QToolButton* sbtnFitView = nullptr;
    QToolButton* sbtnUndoZoom = nullptr;

    // Read-out panels.
    QLabel* TimePanel = nullptr;
    QLabel* ReadingDataPanel = nullptr;
    QLabel* ReadingUnitPanel = nullptr;
    QLabel* ReadingFuncPanel = nullptr;
    QLabel* MaxDataPanel = nullptr;
    QLabel* MaxUnitPanel = nullptr;
    QLabel* MaxFuncPanel = nullptr;
    QLabel* MinDataPanel = nullptr;
    QLabel* MinUnitPanel = nullptr;
    QLabel* MinFuncPanel = nullptr;

    QProgressBar* ProgressBar = nullptr;
    QLabel* StatusPanels[5] = {};

    QTimer* TimerLogger = nullptr;
    QTimer* TimerTime = nullptr;

    // Menu items, named after their captions.
    QAction* mnuOpen = nullptr;
    QAction* mnuSaveAs = nullptr;
    QAction* mnuClear = nullptr;
    QAction* mnuImport = nullptr;
    QAction* mnuExport = nullptr;
    QAction* mnuPrintPage = nullptr;
    QAction* mnuPrinterSetup = nullptr;
    QAction* mnuExit = nullptr;
    QAction* mnuStart = nullptr;
    QAction* mnuStop = nullptr;
    QAction* mnuManual = nullptr;
    QAction* mnuInterval = nullptr;
    QAction* mnuFirstPage = nullptr;
    QAction* mnuPageUp = nullptr;
    QAction* mnuPageDown = nullptr;
    QAction* mnuLastPage = nullptr;
    QAction* mnuFitAllData = nullptr;
    QAction* mnuUndoZooming = nullptr;
    QAction* mnuGraphLineColor = nullptr;

    // The wall clock of the last status panel.
    void TimerTimeTimer();

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
    void UnlinkMainWindow() override;
    bool AskYesNo(int captionFormat, int textNumber, int secondTextNumber) override;
    void ShowTwoLineMessage(int captionFormat, int textNumber, int secondTextNumber,
                            const std::string& detail) override;
    void Beep() override;

protected:
    void customEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // Maximised, the window takes the screen below the main window, not the whole screen.
    void changeEvent(QEvent* event) override;

private:
    void buildToolPanel(QWidget* parent);
    QWidget* buildReadoutPanel(QWidget* parent);
    void buildStatusBar();
    void buildMenu();
    void setUpChart();
    void connectChart();
    void applySizeLimits();
    void PEGraphKeyDown(int key, Qt::KeyboardModifiers modifiers);
    // The pages an export or print covers; false (after saying why) when there are none.
    bool exportPages(const TDlgExportForm& dialog, int& from, int& to);
    void exportText(const TDlgExportForm& dialog);
    void exportPictures(const TDlgExportForm& dialog);

    std::unique_ptr<QPrinter> printer_;  // what "Printer Set&up..." edits; prints start from it
    std::unique_ptr<TDialogOption> ownOption_;  // used when the program has none of its own
    TDlgExportForm* ownExport_ = nullptr;       // likewise, children of this window
    TFormViewGraphic* ownViewer_ = nullptr;
    std::unique_ptr<Recorder> recorder_;
    std::filesystem::path programDir_;
    bool waitCursor_ = false;  // a long operation holds the hourglass
};

}  // namespace dmm

// The graphical recorder window: toolbar, read-out panels, the chart, the
// progress bar and the status bar. Every event goes to the Recorder or to the
// file, print and export commands, which decide; GraphicalView carries out on the
// window what they tell it.
#pragma once

#include <QMainWindow>
#include <filesystem>
#include <memory>

#include "logger/acquisition/recorder.h"
#include "logger/chart/pegraph.h"
#include "logger/commands/recordercommands.h"
#include "logger/graphicalview.h"
#include "meterlink/meterlink.h"

class QAction;
class QLabel;
class QPrinter;
class QProgressBar;
class QTimer;
class QToolButton;

namespace dmm {

class TFormViewGraphic;

class TGraphicalForm : public QMainWindow {
    Q_OBJECT
public:
    // Samples the program's link owner; temporary files go into the program folder.
    TGraphicalForm();
    // Samples `link`'s reading; temporary files go into programDir.
    TGraphicalForm(MeterLink& link, const std::filesystem::path& programDir);
    ~TGraphicalForm() override;

    // Import: the meter's stored log replaces the buffer, over the line borrowed from the
    // link owner.
    void sbtnImportClick();
    // "Printer Set&up..." and "Graph Line &Color".
    void PrinterSetupClick();
    void GraphLineColorClick();
    // What "Printer Set&up..." chose; null until it was used.
    const QPrinter* PrinterSetupChoice() const { return printer_.get(); }

    // "Fit all data": the viewer, modally.
    void sbtnFitViewClick();

    Recorder& recorder() { return *recorder_; }
    const Recorder& recorder() const { return *recorder_; }
    // The file, print and export commands.
    RecorderCommands& commands() { return *commands_; }
    // What the recorder and the commands tell the window.
    GraphicalView& view() { return *view_; }

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

protected:
    void customEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // Maximised, the window takes the screen below the main window, not the whole screen.
    void changeEvent(QEvent* event) override;

private:
    void buildToolPanel(QWidget* panel);
    QWidget* buildReadoutPanel(QWidget* parent);
    void buildStatusBar();
    void buildMenu();
    void connectChart();
    void applySizeLimits();
    void PEGraphKeyDown(int key, Qt::KeyboardModifiers modifiers);
    std::unique_ptr<QPrinter> printer_;      // what "Printer Set&up..." edits; prints start from it
    TFormViewGraphic* ownViewer_ = nullptr;  // used when the program has none of its own
    std::filesystem::path programDir_;
    std::unique_ptr<GraphicalView> view_;
    std::unique_ptr<Recorder> recorder_;
    std::unique_ptr<RecorderCommands> commands_;
};

}  // namespace dmm

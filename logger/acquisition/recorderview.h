// What the recorder asks of its window. The window implements this and does
// only what each call says; every decision is taken by the Recorder.
#pragma once

#include <cstddef>
#include <string>

#include "meterlink/labels.h"

namespace dmm {

// Three read-out panels showing one record: the data panel with the display
// text, the unit and function panels with their texts as drawn ("W" already
// turned into the ohm sign where the symbol font applies) and their styles.
struct PanelGroup {
    std::string data;
    std::string unit;
    std::string func;
    PanelStyle unitStyle;
    PanelStyle funcStyle;
};

// Enabled state of the recorder's toolbar buttons.
struct ToolbarState {
    bool sbtnRecordStart = true;
    bool sbtnRecordStop = true;
    bool sbtnManualLogging = false;
    bool sbtnOption = true;
    bool sbtnOpenFile = true;
    bool sbtnSaveFile = false;
    bool sbtnClear = false;
    bool sbtnImport = true;
    bool sbtnExport = false;
    bool sbtnPrintGraphic = false;
    bool sbtnFirstPage = false;
    bool sbtnPageUp = false;
    bool sbtnPageDown = false;
    bool sbtnLastPage = false;
    bool sbtnFitView = false;
    bool sbtnUndoZoom = false;
    bool operator==(const ToolbarState&) const = default;
};

// Enabled state of the recorder's menu items, named after their captions.
// "E&xit" and "Graph Line &Color" are always enabled.
struct MenuState {
    bool open = true;          // "&Open..."
    bool saveAs = false;       // "Save &As..."
    bool clear = false;        // "&Clear"
    bool import = true;        // "&Import data from DMM"
    bool exportData = false;   // "E&xport ..."
    bool printPage = false;    // "&Print this page ..."
    bool printerSetup = true;  // "Printer Set&up..."
    bool start = true;         // "Star&t"
    bool stop = false;         // "Sto&p"
    bool manual = false;       // "&Manual"
    bool interval = true;      // "&Interval..."
    bool firstPage = false;    // "F&irst page"
    bool pageUp = false;       // "Page &Up"
    bool pageDown = false;     // "Page &Down"
    bool lastPage = false;     // "&Last page"
    bool fitAllData = false;   // "&Fit all data"
    bool undoZooming = false;  // "&Undo Zooming"
    bool operator==(const MenuState&) const = default;
};

// The first four status bar panels; the fifth (wall clock) is the window's own.
struct StatusTexts {
    std::string acquisition;  // "Data Logging ..." or empty
    std::string buffer;       // "Data in buffer : n"
    std::string page;         // "Page : c of P"
    std::string mode;         // "Manual", "Full Speed" or the interval
    bool operator==(const StatusTexts&) const = default;
};

// Colour of a progress window's headline.
enum class HeadlineColour { Red, Blue };

// What the interval option dialog edits.
struct IntervalChoice {
    bool bOptManual = false;
    int iOptSeconds = 0;  // 0 = "Full Speed"
};

class RecorderView {
public:
    virtual ~RecorderView() = default;

    // Chart: a fixed number of points, each with a label and a value; a point
    // holding the null value is not drawn.
    virtual void SetChartPointCount(int points) = 0;
    virtual void SetChartPoint(int point, const std::string& label, float value) = 0;
    // Every point moves one place towards the start; this one becomes the last.
    virtual void AppendChartPoint(const std::string& label, float value) = 0;
    virtual void SetChartYRange(float min, float max) = 0;
    virtual void SetYAxisLabel(const std::string& label) = 0;
    virtual void RedrawChart() = 0;
    virtual int ChartCursorPoint() const = 0;
    virtual void SetChartCursorPoint(int point) = 0;
    virtual void UndoChartZoom() = 0;
    // The picture size that printing uses; 0 x 0 is the chart's own size.
    virtual void SetChartExportSize(int width, int height) = 0;

    // Read-out panels.
    virtual void ShowTime(const std::string& text) = 0;
    virtual void ShowReading(const PanelGroup& panels) = 0;
    virtual void ShowMax(const PanelGroup& panels) = 0;
    virtual void ShowMin(const PanelGroup& panels) = 0;

    // The recorder's progress bar.
    virtual void SetProgressBar(int min, int max, int position) = 0;

    // Commands and status.
    virtual void SetToolbarState(const ToolbarState& state) = 0;
    virtual void SetMenuState(const MenuState& state) = 0;
    virtual void SetStatusTexts(const StatusTexts& texts) = 0;
    // Start and Stop are grouped buttons: exactly one is down.
    virtual void SetRecordButtonDown(bool startDown) = 0;

    // TimerLogger.
    virtual void SetLoggerTimerInterval(int ms) = 0;
    virtual void SetLoggerTimerEnabled(bool enabled) = 0;

    // Messages to the data list window (1032 and 1034) and the main window (1036).
    virtual void ClearDataList() = 0;
    virtual void AppendDataListLine(std::size_t index) = 0;
    virtual void RefreshMainWindowCommands() = 0;

    // Message boxes by string number: caption format 9999 or 8999, the text, and
    // an optional detail line (the operating system's reason of a file error).
    virtual void ShowStringMessage(int captionFormat, int textNumber,
                                   const std::string& detail) = 0;
    // An OK/Cancel question under the warning caption, Cancel the default; true for OK.
    virtual bool AskOkCancel(int captionFormat, int textNumber) = 0;
    // The interval option dialog, modal; true when closed with OK.
    virtual bool RunIntervalDialog(IntervalChoice& choice) = 0;

    // The hourglass cursor of long operations.
    virtual void SetWaitCursor(bool on) = 0;
    // The progress window of long transfers (reading a logger file, importing the
    // meter's memory): shown with the headline, an empty detail line, its bar at 0
    // of barMax and Abort enabled; closing only hides it.
    virtual void OpenProgressWindow(const std::string& headline, HeadlineColour colour,
                                    int barMax) = 0;
    virtual void SetProgressHeadline(const std::string& headline, HeadlineColour colour) = 0;
    // The detail line takes the text at once. paintNow repaints it at once; without
    // it the painting may wait for the next call that paints, so that a line rewritten
    // after every byte is not painted after every byte.
    virtual void SetProgressDetail(const std::string& text, bool paintNow) = 0;
    virtual void SetProgressWindowBar(int max, int position) = 0;
    virtual void SetProgressAbortEnabled(bool enabled) = 0;
    virtual void CloseProgressWindow() = 0;
    // Lets pending window events run, the progress window's Abort among them.
    virtual void HandlePendingEvents() = 0;
    // Hands the thread to the event loop until at least one event has been handled,
    // waiting for one when none is pending: how a transfer waits for the line's input
    // and timers while every window goes on answering.
    virtual void WaitForEvents() = 0;

    // The import of the meter's memory: message 1030 to the main window (unlink), a
    // Yes/No question (No the default; a second text number of 0 means one line),
    // a message of two lines with a detail, and the simple beep after each block.
    virtual void UnlinkMainWindow() = 0;
    virtual bool AskYesNo(int captionFormat, int textNumber, int secondTextNumber) = 0;
    virtual void ShowTwoLineMessage(int captionFormat, int textNumber, int secondTextNumber,
                                    const std::string& detail) = 0;
    virtual void Beep() = 0;
};

}  // namespace dmm

// The graphical recorder: the record buffer, acquisition control, the chart's
// pages, cursor read-out, Y range and extremes, and the command states. The
// window forwards its events here and carries out what RecorderView is told.
// Samples, buffer and pages are in recorder.cpp, the logger files in
// recorderfile.cpp, the commands and their states in recorderstates.cpp.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>

#include "logger/acquisition/recorderview.h"
#include "logger/acquisition/sampleclock.h"
#include "logger/data/clock.h"
#include "logger/data/fileops.h"
#include "logger/data/logrecord.h"
#include "logger/data/tempfiles.h"
#include "meterlink/meterlink.h"
#include "meterlink/meterreading.h"
#include "meterlink/protocol.h"

namespace dmm {

// A chart point holding this value is not drawn.
constexpr float kChartNullValue = -99999.0f;
// Label of an empty chart point.
inline constexpr const char* kEmptyPointLabel = " ";

// The panels showing a record: display text, unit and function texts with their styles.
PanelGroup PanelGroupOf(const LogRecord& record);

// "Reading" followed by the unit of the record under the cursor.
std::string YAxisLabelFor(const LogRecord& record);

// The Y range after a sample of value x: the first sample of a buffer sets it, later ones
// only widen it.
void WidenScale(float x, bool firstSample, float& scaleMax, float& scaleMin);

// What the recorder arrives at after taking these records into an empty buffer: its Y range
// and the records of its maximum and minimum (ties go to the newer record).
struct RecordsSummary {
    float fScaleMax = 100;
    float fScaleMin = -100;
    int iMaxIndex = 0;
    int iMinIndex = 0;
};
RecordsSummary SummariseRecords(const LogRecord* records, std::size_t count);
// A progress window's headline: "[W8005] " and the text of that number.
std::string ProgressHeadline(int textNumber);

class Recorder {
public:
    // Samples the link owner's reading once it has received one, and shares its transfer
    // flag; temporary files go into programFolder.
    Recorder(RecorderView& view, MeterLink& link, std::filesystem::path programFolder,
             const Clock& clock = SystemClock(), FileOps& ops = SystemFileOps());

    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    bool bManualMode = false;        // samples only on the Manual command
    int iIntervalMs = kFullSpeedMs;  // TimerLogger period; 500 = "Full Speed"
    int iPointsPerPage = 200;        // chart points per page
    bool bAcquiring = false;         // TimerLogger runs
    bool bBufferEmpty = true;        // no sample since the last reset
    bool bUnsaved = false;           // the buffer holds data not saved to a file
    int iPageCount = 1;              // pages of the chart
    int iCurrentPage = 1;            // page shown, 1-based
    int iSampleCount = 0;            // records counted since the last reset
    int iMaxIndex = 0;               // record with the largest value
    int iMinIndex = 0;               // record with the smallest value
    float fScaleMax = 100;           // the chart's Y range
    float fScaleMin = -100;
    int iTempFileCount = 0;                   // Start presses that made a temporary file
    MeterKind DmmKind = MeterKind::KindNone;  // the meter kind the last import found
    // TimerLogger's hand-shake with the poll: its bSampleDue marks the next reading.
    SampleClock Sampling;

    // The link owner's transfer-in-progress flag: set while a file is read in or the
    // meter's memory imported; the progress window's Abort clears it.
    bool TransferInProgress() const { return link_.TransferInProgress(); }

    // The buffer holds samples that are not saved to a file.
    bool HoldsUnsavedData() const { return !bBufferEmpty && bUnsaved; }

    LogList& List() { return list_; }
    const LogList& List() const { return list_; }
    bool TempFileOpen() const { return tempFiles_.IsOpen(); }
    const TempFileSet& TempFiles() const { return tempFiles_; }
    const ToolbarState& Toolbar() const { return toolbar_; }
    const MenuState& Menu() const { return menu_; }

    // Window life: set-up once its controls exist; closing only stops the sample clock.
    void FormCreate();
    void FormClose();

    // Samples.
    bool TakeSample();        // false when the reading gave no value to chart
    void TimerLoggerTimer();  // a tick of the sample clock
    void OnNewReading();      // message 1026
    void OnLinkCut();         // message 1029
    void OnTransferEnded();   // message 1036

    // Buffer bookkeeping.
    void ResetRecorderState();
    void ClearRecorder();
    // Counts the next record of the list not yet counted (bulk loads).
    void AppendToRecorder();
    // After records were put into an empty list in bulk: page count, progress
    // bar and AppendToRecorder for each of them.
    void ReplayList();
    void FinishBulkLoad();

    // Chart.
    void AdaptScale(float x);
    void TrackExtremes(float x);
    void ResetChart();
    void ShowPage();
    // Puts the records of a page into the chart's points without drawing them.
    void LoadPage(int page);
    // The read-out panels and the Y-axis label for the record under the cursor, then the
    // chart drawn; also the chart's cursor-moved event.
    void UpdateCursorReadout();

    // Commands.
    void sbtnRecordStartClick();
    void sbtnRecordStopClick();
    void StartMenuClick();  // puts Start down, then Start
    void StopMenuClick();   // puts Stop down, then Stop
    void sbtnManualLoggingClick();
    void sbtnOptionClick();
    void ApplyIntervalChoice(const IntervalChoice& choice);
    // The program ends without asking: acquisition stops, and samples not saved stay in
    // their temporary files.
    void EndSession();
    // Clear, asking first when the data is unsaved; true when the buffer is empty afterwards.
    bool sbtnClearClick();
    void sbtnFirstPageClick();
    void sbtnPageUpClick();
    void sbtnPageDownClick();
    void sbtnLastPageClick();
    void PEGraphZoomIn();
    void sbtnUndoZoomClick();

    // Saves the buffer; on failure shows "File save error." and leaves the buffer unsaved.
    Status SaveFile(const std::string& path);
    // Reads a logger file into the empty buffer (EBUSY when it is not) and replays it. On failure
    // shows "File open error." and leaves the buffer empty; an abort
    // (ECANCELED) shows nothing.
    Status OpenFile(const std::string& path, std::size_t chunkRecords = 1024);

    void UpdateToolbar();
    void UpdateMenu();
    void UpdateStatusBar();
    StatusTexts StatusBarTexts() const;

private:
    void FileReadProgress(int barPosition, const std::string& detail);
    void EndFileRead();
    void StepProgress();
    void SetPagingEnabled(bool back, bool forward);
    // UpdateCursorReadout without drawing the chart: the caller draws it once.
    void ShowCursorReadout();
    // The command states to the window, when they differ from what it was last told.
    void PushToolbar();
    void PushMenu();
    void ShowExtremePanels();
    // Whether a finite value has set the scale and the extremes since the last reset.
    bool FiniteValueCounted() const;

    RecorderView& view_;
    MeterLink& link_;  // its reading, its reading-ready and transfer flags
    const Clock& clock_;
    FileOps& ops_;

    LogList list_;
    // Declared after the list: the temporary files go first when the recorder does.
    TempFileSet tempFiles_;

    ToolbarState toolbar_;
    MenuState menu_;
    std::optional<ToolbarState> pushedToolbar_;  // what the window was last told
    std::optional<MenuState> pushedMenu_;
    int progressPosition_ = 0;
    bool replaying_ = false;  // inside ReplayList
    // Records the Max and Min groups show; -1 when empty.
    int shownMax_ = -1;
    int shownMin_ = -1;
};

}  // namespace dmm

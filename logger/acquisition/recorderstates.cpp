// The recorder's commands (acquisition, interval, Clear, pages, zoom) and which of the
// window's commands are enabled, with the status bar's texts.
#include "logger/acquisition/recorder.h"
#include "meterlink/driver/meterfamilies.h"
#include "meterlink/numparse.h"
#include "resources/strings.h"

namespace dmm {

void Recorder::sbtnRecordStartClick() {
    if (!link_.ReadingReceived) {
        view_.ShowStringMessage(str::ErrorCaption, str::LinkBeforeLogging, "");
        view_.SetRecordButtonDown(false);
        return;
    }
    view_.SetLoggerTimerInterval(iIntervalMs);
    view_.SetLoggerTimerEnabled(true);
    bAcquiring = true;
    // The next reading is sampled at once, also when the file below cannot be made.
    Sampling.SetInterval(iIntervalMs);
    Sampling.Start();
    iTempFileCount += 1;
    Status created = tempFiles_.CreateNext();
    if (!created) {
        view_.ShowStringMessage(str::ErrorCaption, str::TempFileCreateError, created.reason());
        view_.SetRecordButtonDown(false);
        sbtnRecordStopClick();
    } else {
        // The commands that must wait for Stop are disabled at once, not at the first sample.
        UpdateToolbar();
        UpdateMenu();
        UpdateStatusBar();
    }
}

void Recorder::sbtnRecordStopClick() {
    tempFiles_.Close();
    view_.SetLoggerTimerEnabled(false);
    Sampling.Stop();
    bAcquiring = false;
    UpdateToolbar();
    UpdateMenu();
    UpdateStatusBar();
}

void Recorder::EndSession() {
    if (bAcquiring) sbtnRecordStopClick();
    if (bUnsaved) tempFiles_.KeepAll();
}

void Recorder::StartMenuClick() {
    view_.SetRecordButtonDown(true);
    sbtnRecordStartClick();
}

void Recorder::StopMenuClick() {
    view_.SetRecordButtonDown(false);
    sbtnRecordStopClick();
}

void Recorder::sbtnManualLoggingClick() {
    if (link_.ReadingReceived) {
        TakeSample();
        return;
    }
    view_.ShowStringMessage(str::ErrorCaption, str::LinkBeforeLogging, "");
    view_.SetRecordButtonDown(false);
}

void Recorder::sbtnOptionClick() {
    IntervalChoice choice{bManualMode, SecondsForIntervalMs(iIntervalMs)};
    if (!view_.RunIntervalDialog(choice)) return;
    ApplyIntervalChoice(choice);
}

void Recorder::ApplyIntervalChoice(const IntervalChoice& choice) {
    iIntervalMs = IntervalMsForSeconds(choice.iOptSeconds);
    bManualMode = choice.bOptManual;
    UpdateToolbar();
    UpdateMenu();
    UpdateStatusBar();
}

bool Recorder::sbtnClearClick() {
    if (bBufferEmpty) return true;
    if (bUnsaved && !view_.AskOkCancel(str::WarningCaption, str::ReallyClearBuffer)) return false;
    ClearRecorder();
    return true;
}

void Recorder::sbtnFirstPageClick() {
    iCurrentPage = 1;
    ShowPage();
}

void Recorder::sbtnPageUpClick() {
    if (iCurrentPage <= 1) {
        view_.ShowStringMessage(str::WarningCaption, str::FirstPageReached, "");
        return;
    }
    iCurrentPage -= 1;
    ShowPage();
}

void Recorder::sbtnPageDownClick() {
    if (iCurrentPage >= iPageCount) {
        view_.ShowStringMessage(str::WarningCaption, str::LastPageReached, "");
        return;
    }
    iCurrentPage += 1;
    ShowPage();
}

void Recorder::sbtnLastPageClick() {
    iCurrentPage = iPageCount;
    ShowPage();
}

void Recorder::PEGraphZoomIn() {
    toolbar_.sbtnUndoZoom = true;
    menu_.undoZooming = true;
    PushToolbar();
    PushMenu();
}

void Recorder::sbtnUndoZoomClick() {
    view_.UndoChartZoom();
    toolbar_.sbtnUndoZoom = false;
    menu_.undoZooming = false;
    PushToolbar();
    PushMenu();
}

// ---- command states ----

void Recorder::UpdateToolbar() {
    const bool busy = link_.TransferInProgress();
    const bool idle = !bAcquiring && !busy;
    ToolbarState& t = toolbar_;
    t.sbtnRecordStart = t.sbtnRecordStop = !bManualMode && !busy;
    t.sbtnManualLogging = idle && bManualMode;
    t.sbtnOption = t.sbtnOpenFile = idle;
    t.sbtnImport = idle && MeterImportsMemory(link_.Meter());
    t.sbtnSaveFile = t.sbtnPrintGraphic = t.sbtnClear = t.sbtnExport = idle && !bBufferEmpty;
    t.sbtnFirstPage = t.sbtnPageUp = t.sbtnPageDown = t.sbtnLastPage = t.sbtnFitView = idle;
    if (idle) {
        // The newest page is current after every state change.
        t.sbtnFirstPage = t.sbtnPageUp = t.sbtnFitView = iPageCount != 1;
        t.sbtnPageDown = t.sbtnLastPage = false;
    }
    PushToolbar();
}

void Recorder::UpdateMenu() {
    const bool busy = link_.TransferInProgress();
    const bool idle = !bAcquiring && !busy;
    MenuState& m = menu_;
    m.open = m.printerSetup = m.interval = idle;
    m.import = idle && MeterImportsMemory(link_.Meter());
    m.saveAs = m.clear = m.printPage = m.exportData = idle && !bBufferEmpty;
    m.start = idle && !bManualMode;
    m.stop = bAcquiring && !bManualMode && !busy;
    m.manual = idle && bManualMode;
    m.firstPage = m.pageUp = m.pageDown = m.lastPage = m.fitAllData = idle;
    if (idle) {
        m.firstPage = m.pageUp = m.fitAllData = iPageCount != 1;
        m.pageDown = m.lastPage = false;
    }
    PushMenu();
}

// A state the window already shows is not pushed again: a live sample seldom changes one.
void Recorder::PushToolbar() {
    if (pushedToolbar_ == toolbar_) return;
    view_.SetToolbarState(toolbar_);
    pushedToolbar_ = toolbar_;
}

void Recorder::PushMenu() {
    if (pushedMenu_ == menu_) return;
    view_.SetMenuState(menu_);
    pushedMenu_ = menu_;
}

StatusTexts Recorder::StatusBarTexts() const {
    StatusTexts s;
    if (bAcquiring) s.acquisition = LoadStr(str::LoggingStatus);
    s.buffer = Format(LoadStr(str::BufferCountFormat).c_str(), iSampleCount);
    s.page = Format(LoadStr(str::PageOfFormat).c_str(), iCurrentPage, iPageCount);
    if (bManualMode)
        s.mode = LoadStr(str::ManualMode);
    else if (iIntervalMs == kFullSpeedMs)
        s.mode = LoadStr(str::FullSpeedMode);
    else
        s.mode = LoadStr(str::IntervalMode) + ":" +
                 std::to_string(SecondsForIntervalMs(iIntervalMs)) + "S";
    return s;
}

void Recorder::UpdateStatusBar() {
    view_.SetStatusTexts(StatusBarTexts());
}

}  // namespace dmm

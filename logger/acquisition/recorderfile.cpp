// The recorder's logger files: Save, and a file read into the buffer with the progress
// window, Abort and the replay.
#include <cerrno>
#include <chrono>

#include "logger/acquisition/recorder.h"
#include "logger/data/loggerfile.h"
#include "meterlink/numparse.h"
#include "resources/strings.h"

namespace dmm {

namespace {

// How often a file read reports its progress and lets the window handle events.
constexpr std::chrono::milliseconds kProgressPeriod{40};
constexpr int kFileReadBarMax = 64;  // the progress window's bar

// The bar of a progress window after `steps` steps from empty: it starts again
// at the bottom once it has been full.
int BarPosition(std::size_t steps, int max) {
    return static_cast<int>(steps % (static_cast<std::size_t>(max) + 1));
}

}  // namespace

std::string ProgressHeadline(int textNumber) {
    return "[W" + std::to_string(textNumber) + "] " + LoadStr(textNumber);
}

Status Recorder::SaveFile(const std::string& path) {
    Status saved = SaveLoggerFile(path, list_, ops_);
    if (!saved) {
        view_.ShowStringMessage(str::ErrorCaption, str::FileSaveError, saved.reason());
        return saved;
    }
    bBufferEmpty = false;
    bUnsaved = false;
    UpdateToolbar();
    UpdateMenu();
    return saved;
}

Status Recorder::OpenFile(const std::string& path, std::size_t chunkRecords) {
    // Records are read into an empty buffer only: the caller clears it first.
    if (!list_.empty() || iSampleCount != 0) return FileFailure(EBUSY, "open", path);
    LoggerFileReader reader(ops_);
    Status status = reader.Open(path);
    if (!status) {
        view_.ShowStringMessage(str::ErrorCaption, str::FileOpenError, status.reason());
        return status;
    }
    // A zoom on the empty chart would hide the file's records.
    ResetChart();
    view_.SetWaitCursor(true);
    view_.OpenProgressWindow(ProgressHeadline(str::ReadingFileWait), HeadlineColour::Red,
                             kFileReadBarMax);
    link_.BeginTransfer();
    UpdateToolbar();
    UpdateMenu();
    view_.SetProgressBar(0, iPointsPerPage, progressPosition_);

    // Room for samples taken after the file: without it, the first live sample copies the
    // whole buffer to grow it (tens of milliseconds for a million records). Room not yet
    // written to takes no memory; without room to spare, the file is read all the same.
    try {
        list_.reserve(reader.RecordCount() + reader.RecordCount() / 2);
    } catch (const std::exception&) {
    }
    status = reader.ReadAll(
        list_,
        [this, steps = std::size_t{0}, last = std::chrono::steady_clock::time_point{}](
            std::size_t done, std::size_t total) mutable {
            // The window is told (and handles its events, Abort among them) a few
            // times a second: often enough to react at once, rarely enough that a
            // large file is not slowed down by repainting.
            const auto now = clock_.Monotonic();
            if (now - last < kProgressPeriod) return link_.TransferInProgress();
            last = now;
            FileReadProgress(BarPosition(steps++, kFileReadBarMax),
                             Format(LoadStr(str::ReadingDataFormat).c_str(), static_cast<int>(done),
                                    static_cast<int>(total)));
            // Abort in the progress window clears the flag while events are handled.
            return link_.TransferInProgress();
        },
        chunkRecords);
    reader.Close();
    auto endRead = [&](const Status& failed) {
        list_.clear();
        EndFileRead();
        link_.EndTransfer();
        if (failed.systemError() != ECANCELED)
            view_.ShowStringMessage(str::ErrorCaption, str::FileOpenError, failed.reason());
        UpdateToolbar();
        UpdateMenu();
        return failed;
    };
    if (!status) return endRead(status);
    FileReadProgress(kFileReadBarMax,
                     Format(LoadStr(str::ReadingDataFormat).c_str(), static_cast<int>(list_.size()),
                            static_cast<int>(list_.size())));
    // Abort is still offered while the last report is shown; pressed then, it is obeyed too.
    if (!link_.TransferInProgress()) return endRead(FileFailure(ECANCELED, "read", path));
    // The replay cannot be aborted.
    view_.SetProgressWindowBar(kFileReadBarMax, kFileReadBarMax);
    view_.SetProgressAbortEnabled(false);
    view_.HandlePendingEvents();
    view_.SetProgressHeadline(ProgressHeadline(str::AddingDataWait), HeadlineColour::Blue);
    ReplayList();
    EndFileRead();
    FinishBulkLoad();
    return status;
}

void Recorder::FileReadProgress(int barPosition, const std::string& detail) {
    view_.SetProgressWindowBar(kFileReadBarMax, barPosition);
    view_.SetProgressDetail(detail, true);
    view_.HandlePendingEvents();
}

void Recorder::EndFileRead() {
    view_.SetProgressAbortEnabled(true);
    view_.CloseProgressWindow();
    view_.SetWaitCursor(false);
}

}  // namespace dmm

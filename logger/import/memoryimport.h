// The recorder's Import command: the meter's stored log is read over the line
// borrowed from the link owner, decoded and replayed into the recorder's buffer
// as if it had been acquired live. The import session decides every step and how
// it ends; this is its front end: the questions, the progress and the replay,
// carried out by the recorder window as its RecorderView.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>

#include "logger/acquisition/recorder.h"
#include "logger/acquisition/recorderview.h"
#include "logger/import/importsession.h"
#include "meterlink/meterlink.h"

namespace dmm {

class MemoryImport : private ImportFrontEnd {
public:
    using Now = std::function<std::chrono::steady_clock::time_point()>;

    // The line is borrowed from link after the main window has been told to unlink.
    MemoryImport(
        Recorder& recorder, RecorderView& view, MeterLink& link,
        Now now = [] { return std::chrono::steady_clock::now(); });

    // Runs the whole import to its end, to an error or to an abort.
    ImportEnd sbtnImportClick();

    // Records the last import decoded, and those it had to leave out.
    std::size_t Imported() const { return imported_; }
    int Skipped() const { return skipped_; }

private:
    void Tell(const ImportMessage& message) override;
    void CloseProgress() override;
    void TransferEnded(ImportEnd end) override;
    // Paint at most this often while a label is rewritten after every byte.
    bool PaintDue();

    Recorder& recorder_;
    RecorderView& view_;
    MeterLink& link_;
    Now now_;
    std::chrono::steady_clock::time_point lastPaint_{};
    std::size_t imported_ = 0;
    int skipped_ = 0;
};

}  // namespace dmm

// The recorder's Import command: the meter's stored log is read over the line
// borrowed from the link owner, decoded and replayed into the recorder's buffer
// as if it had been acquired live. The flow decides every step; the recorder
// window carries out what it is told as its RecorderView.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>

#include "logger/acquisition/recorder.h"
#include "logger/acquisition/recorderview.h"
#include "meterlink/meterlink.h"

namespace dmm {

// How an import ended.
enum class ImportEnd {
    Imported,        // the buffer holds the log
    NoAnswer,        // the meter did not answer the identify query
    NoLogging,       // a meter kind without built-in logging
    Declined,        // No or Cancel to a question
    HeaderMissing,   // a header byte did not arrive
    HeaderRefused,   // the header describes no log the memory can hold
    BlockMissing,    // a block byte did not arrive
    Aborted,         // Abort in the progress window
    NothingDecoded,  // no stored record could be decoded
};

class MemoryImport {
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
    // After the header transfer started, every failure and abort leaves the
    // recorder reset: the line goes back to the link owner and message 1036 is handled.
    void EndTransfer(MeterLink::Loan& loan);
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

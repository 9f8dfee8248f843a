#include "logger/import/memoryimport.h"

#include <utility>
#include <vector>

#include "logger/import/memorylog.h"
#include "logger/import/memorytransfer.h"
#include "meterlink/linereport.h"
#include "meterlink/numparse.h"
#include "meterlink/protocol.h"
#include "resources/strings.h"

namespace dmm {

namespace {

constexpr int kNoDataReceived = 9010;  // "No data received."
constexpr int kCheckPort = 7011;       // "Please check communication port selection and ..."
constexpr int kNoLogging = 9014;
constexpr int kBufferDestroyed = 8010;  // "All existing data in buffer will be destroyed."
constexpr int kReallyProceed = 7010;    // "Do you really want to proceed?"
constexpr int kReallyClear = 8002;
constexpr int kAcquiring = 8012;
constexpr int kProcessing = 8013;
constexpr int kBytesRead = 8300;  // "Bytes read : %d of %d"
constexpr int kTranslating = 8301;
constexpr int kTransmissionError = 9012;
constexpr int kRecordsLeftOut = 8302;
constexpr int kDecodeBarMax = 32;
constexpr int kInitialBarMax = 100;

// Painting the progress label more often than this would cost more than the line.
constexpr std::chrono::milliseconds kPaintPeriod{40};

}  // namespace

MemoryImport::MemoryImport(Recorder& recorder, RecorderView& view, MeterLink& link, Now now)
    : recorder_(recorder), view_(view), link_(link), now_(std::move(now)) {}

bool MemoryImport::PaintDue() {
    const auto t = now_();
    if (t - lastPaint_ < kPaintPeriod) return false;
    lastPaint_ = t;
    return true;
}

void MemoryImport::EndTransfer(MeterLink::Loan& loan) {
    loan.Release();
    recorder_.OnTransferEnded();
}

ImportEnd MemoryImport::sbtnImportClick() {
    imported_ = 0;
    skipped_ = 0;

    // Preparation: the poll lets go of the line first.
    view_.SetWaitCursor(true);
    view_.UnlinkMainWindow();
    view_.SetWaitCursor(false);
    MeterLink::Loan loan = link_.Borrow();
    MeterKind kind = MeterKind::KindNone;
    LineResult why;
    int answered = 0;
    if (loan)
        answered = QueryMeterModel(loan.line(), kind, &why);
    else
        why = LineResult::Fail(link_.PortOpen() ? "The line is in use." : "No port is open.");
    if (answered <= 0) {
        view_.ShowTwoLineMessage(str::ErrorCaption, kNoDataReceived, kCheckPort,
                                 LineFailureDetail(why));
        return ImportEnd::NoAnswer;
    }
    recorder_.DmmKind = kind;
    if (!HasBuiltInLogging(kind)) {
        view_.ShowStringMessage(str::ErrorCaption, kNoLogging, "");
        return ImportEnd::NoLogging;
    }
    if (!view_.AskYesNo(str::WarningCaption, kBufferDestroyed, kReallyProceed))
        return ImportEnd::Declined;
    if (!recorder_.bBufferEmpty && recorder_.bUnsaved &&
        !view_.AskOkCancel(str::WarningCaption, kReallyClear))
        return ImportEnd::Declined;

    recorder_.ClearRecorder();
    recorder_.SetTransferInProgress(true);
    recorder_.bBufferEmpty = false;
    recorder_.bUnsaved = true;
    recorder_.UpdateToolbar();
    recorder_.UpdateMenu();
    view_.SetWaitCursor(true);
    // Again, so that the main window sees the transfer and disables its link command.
    view_.UnlinkMainWindow();
    view_.OpenProgressWindow(ProgressHeadline(kAcquiring), HeadlineColour::Blue, kInitialBarMax);

    std::vector<StoredRecord> stored;
    MemoryHeader header;
    {
        MemoryTransfer transfer(loan.line());

        // The header: events run before every byte, but Abort waits for the blocks.
        const ByteHooks headerHooks{[this] {
                                        view_.HandlePendingEvents();
                                        return true;
                                    },
                                    {}};
        switch (transfer.ReadHeader(headerHooks)) {
            case MemoryTransfer::Result::Done:
                break;
            case MemoryTransfer::Result::Refused:
                view_.SetWaitCursor(false);
                view_.CloseProgressWindow();
                EndTransfer(loan);
                view_.ShowStringMessage(str::ErrorCaption, kTransmissionError, transfer.Detail());
                return ImportEnd::HeaderRefused;
            default:
                view_.SetWaitCursor(false);
                view_.CloseProgressWindow();
                EndTransfer(loan);
                view_.ShowTwoLineMessage(str::ErrorCaption, kNoDataReceived, kCheckPort,
                                         transfer.Detail());
                return ImportEnd::HeaderMissing;
        }
        header = transfer.Header();
        const int blocks = static_cast<int>(header.blockCount);
        view_.SetProgressWindowBar(blocks, 0);

        // The blocks: the label is exact after every byte, painted a few times a second.
        const std::string bytesRead = LoadStr(kBytesRead);
        lastPaint_ = {};
        const ByteHooks blockHooks{
            [this] {
                view_.HandlePendingEvents();
                return recorder_.TransferInProgress();
            },
            [&](std::size_t done, std::size_t total) {
                view_.SetProgressDetail(
                    Format(bytesRead.c_str(), static_cast<int>(done), static_cast<int>(total)),
                    PaintDue() || done == total);
            }};
        const MemoryTransfer::Result read =
            transfer.ReadBlocks(blockHooks, [&](std::size_t block, std::size_t) {
                view_.SetProgressWindowBar(blocks, static_cast<int>(block));
                view_.Beep();
            });
        if (read == MemoryTransfer::Result::Aborted) {
            view_.CloseProgressWindow();
            view_.SetWaitCursor(false);
            EndTransfer(loan);
            return ImportEnd::Aborted;
        }
        if (read != MemoryTransfer::Result::Done) {
            view_.ShowStringMessage(str::ErrorCaption, kTransmissionError, transfer.Detail());
            view_.CloseProgressWindow();
            view_.SetWaitCursor(false);
            EndTransfer(loan);
            return ImportEnd::BlockMissing;
        }

        view_.SetProgressHeadline(ProgressHeadline(kProcessing), HeadlineColour::Blue);
        view_.HandlePendingEvents();
        view_.SetProgressDetail(LoadStr(kTranslating), true);
        stored = transfer.Unpack();
        view_.SetProgressWindowBar(kDecodeBarMax, 0);
    }  // the stream buffer goes here

    // Decoding: events run at the first record and then a few times a second;
    // Abort is looked at before every record.
    lastPaint_ = {};
    DecodedLog log = DecodeStoredRecords(stored, header, [this](std::size_t) {
        if (PaintDue()) view_.HandlePendingEvents();
        return recorder_.TransferInProgress();
    });
    if (log.aborted) {
        view_.CloseProgressWindow();
        view_.SetWaitCursor(false);
        EndTransfer(loan);
        return ImportEnd::Aborted;
    }
    const std::string leftOut = SkippedRecordsDetail(log, stored.size());
    if (log.records.empty()) {
        view_.ShowStringMessage(str::ErrorCaption, kTransmissionError, leftOut);
        view_.CloseProgressWindow();
        view_.SetWaitCursor(false);
        EndTransfer(loan);
        return ImportEnd::NothingDecoded;
    }
    stored = {};

    // The replay, as after reading a file.
    imported_ = log.records.size();
    skipped_ = log.skipped;
    recorder_.List() = std::move(log.records);
    recorder_.ReplayList();
    view_.CloseProgressWindow();
    view_.SetWaitCursor(false);
    loan.Release();
    recorder_.FinishBulkLoad();
    view_.RefreshMainWindowCommands();
    if (skipped_ > 0) view_.ShowStringMessage(str::WarningCaption, kRecordsLeftOut, leftOut);
    return ImportEnd::Imported;
}

}  // namespace dmm

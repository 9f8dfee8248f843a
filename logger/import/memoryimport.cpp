#include "logger/import/memoryimport.h"
#include "resources/strnum.h"

#include <utility>

#include "meterlink/numparse.h"
#include "meterlink/protocol.h"
#include "resources/strings.h"

namespace dmm {

namespace {

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

void MemoryImport::Tell(const ImportMessage& m) {
    if (m.secondTextNumber != 0)
        view_.ShowTwoLineMessage(m.captionFormat, m.textNumber, m.secondTextNumber, m.detail);
    else
        view_.ShowStringMessage(m.captionFormat, m.textNumber, m.detail);
}

void MemoryImport::CloseProgress() {
    view_.CloseProgressWindow();
    view_.SetWaitCursor(false);
}

void MemoryImport::TransferEnded(ImportEnd end) {
    if (end != ImportEnd::Imported) {
        // Any other end leaves the recorder reset (message 1036).
        recorder_.OnTransferEnded();
        return;
    }
    recorder_.FinishBulkLoad();
    view_.RefreshMainWindowCommands();
}

ImportEnd MemoryImport::sbtnImportClick() {
    imported_ = 0;
    skipped_ = 0;
    ImportSession session(link_, *this);

    // Preparation: the poll lets go of the line first.
    view_.SetWaitCursor(true);
    view_.UnlinkMainWindow();
    view_.SetWaitCursor(false);
    // Run from an event loop, every exchange ends there and the window waits by serving
    // it: the progress paints and Abort answers while the meter's bytes come. Without
    // one, the line is waited on and events run before every byte.
    const bool events = link_.EventDriven();
    std::function<void()> serve;
    if (events) serve = [this] { view_.WaitForEvents(); };
    const bool identified = session.Identify(serve);
    if (session.Answered()) recorder_.DmmKind = session.Kind();
    if (!identified) return *session.End();
    if (!view_.AskYesNo(str::WarningCaption, str::BufferWillBeDestroyed, str::ReallyProceed) ||
        (!recorder_.bBufferEmpty && recorder_.bUnsaved &&
         !view_.AskOkCancel(str::WarningCaption, str::ReallyClearBuffer))) {
        session.Finish(ImportEnd::Declined);
        return ImportEnd::Declined;
    }

    recorder_.ClearRecorder();
    session.Begin();
    recorder_.bBufferEmpty = false;
    recorder_.bUnsaved = true;
    recorder_.UpdateToolbar();
    recorder_.UpdateMenu();
    view_.SetWaitCursor(true);
    // Again, so that the main window sees the transfer and disables its link command.
    view_.UnlinkMainWindow();
    view_.OpenProgressWindow(ProgressHeadline(str::AcquiringFromMeter), HeadlineColour::Blue,
                             kInitialBarMax);

    // The header: events run before every byte, but Abort waits for the blocks.
    const ByteHooks headerHooks{[this, events] {
                                    if (!events) view_.HandlePendingEvents();
                                    return true;
                                },
                                {},
                                serve};
    if (!session.ReadHeader(headerHooks)) return *session.End();
    const int blocks = static_cast<int>(session.BlockCount());
    view_.SetProgressWindowBar(blocks, 0);

    // The blocks: the label is exact after every byte, painted a few times a second.
    const std::string bytesRead = LoadStr(str::BytesReadFormat);
    lastPaint_ = {};
    const ByteHooks blockHooks{
        [this, events] {
            if (!events) view_.HandlePendingEvents();
            return link_.TransferInProgress();
        },
        [&](std::size_t done, std::size_t total) {
            view_.SetProgressDetail(
                Format(bytesRead.c_str(), static_cast<int>(done), static_cast<int>(total)),
                PaintDue() || done == total);
        },
        serve};
    while (!session.AllBlocksRead()) {
        if (!session.ReadNextBlock(blockHooks)) return *session.End();
        view_.SetProgressWindowBar(blocks, static_cast<int>(session.BlocksRead()));
        view_.Beep();
    }

    view_.SetProgressHeadline(ProgressHeadline(str::ProcessingData), HeadlineColour::Blue);
    view_.HandlePendingEvents();
    view_.SetProgressDetail(LoadStr(str::Translating), true);
    session.Unpack();
    view_.SetProgressWindowBar(kDecodeBarMax, 0);

    // Decoding: events run at the first record and then a few times a second;
    // Abort is looked at before every record.
    lastPaint_ = {};
    if (!session.Decode([this](std::size_t) {
            if (PaintDue()) view_.HandlePendingEvents();
            return link_.TransferInProgress();
        }))
        return *session.End();

    // The replay, as after reading a file.
    imported_ = session.Log().records.size();
    skipped_ = session.Log().skipped;
    recorder_.List() = std::move(session.Log().records);
    recorder_.ReplayList();
    session.Finish(ImportEnd::Imported);
    return ImportEnd::Imported;
}

}  // namespace dmm

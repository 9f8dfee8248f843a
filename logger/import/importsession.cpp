#include "logger/import/importsession.h"
#include "resources/strnum.h"

#include <utility>

#include "meterlink/linereport.h"
#include "resources/strings.h"

namespace dmm {

namespace {

// The message of each end that has one. A header that did not come or does not
// hold is told once the progress is gone and the buffer reset; everything else
// while the progress is still shown and before the line goes back.
struct EndMessage {
    ImportEnd end;
    int captionFormat;
    int textNumber;
    int secondTextNumber;
    bool overProgress;
};
constexpr EndMessage kEndMessages[] = {
    {ImportEnd::NoAnswer, str::ErrorCaption, str::NoDataError, str::CheckPortAndWiring, true},
    {ImportEnd::NoLogging, str::ErrorCaption, str::NoDataLogging, 0, true},
    {ImportEnd::HeaderMissing, str::ErrorCaption, str::NoDataError, str::CheckPortAndWiring, false},
    {ImportEnd::HeaderRefused, str::ErrorCaption, str::TransmissionError, 0, false},
    {ImportEnd::BlockMissing, str::ErrorCaption, str::TransmissionError, 0, true},
    {ImportEnd::NothingDecoded, str::ErrorCaption, str::TransmissionError, 0, true},
    // Only with records left out.
    {ImportEnd::Imported, str::WarningCaption, str::RecordsLeftOut, 0, false},
};

const EndMessage* MessageOf(ImportEnd end) {
    for (const EndMessage& m : kEndMessages)
        if (m.end == end) return &m;
    return nullptr;
}

const std::vector<std::uint8_t> kNoStream;

}  // namespace

ImportSession::ImportSession(MeterLink& link, ImportFrontEnd& frontEnd)
    : link_(&link), frontEnd_(frontEnd) {}

ImportSession::ImportSession(ImportFrontEnd& frontEnd) : frontEnd_(frontEnd) {}

bool ImportSession::Identify(const std::function<void()>& serve) {
    loan_ = link_->Borrow();
    LineResult why;
    if (loan_) {
        DriverOutcome reply = loan_.link()->Request(MeterRequest{kCmdIdentify, 0}, {}, serve);
        answered_ = reply.line.ok();
        if (answered_)
            kind_ = MeterKindFromIdentity(reply.bytes.empty() ? 0 : reply.bytes[0]);
        else
            why = std::move(reply.line);
    } else
        why = LineResult::Fail(link_->PortOpen() ? "The line is in use." : "No port is open.");
    if (!answered_) {
        kind_ = MeterKind::KindNone;
        detail_ = LineFailureDetail(why);
        Finish(ImportEnd::NoAnswer);
        return false;
    }
    if (!HasBuiltInLogging(kind_)) {
        Finish(ImportEnd::NoLogging);
        return false;
    }
    return true;
}

void ImportSession::Begin() {
    begun_ = true;
    if (link_) link_->BeginTransfer();
}

bool ImportSession::ReadHeader(const ByteHooks& hooks) {
    transfer_.emplace(loan_.link());
    const Status read = transfer_->ReadHeader(hooks);
    if (read) {
        header_ = transfer_->Header();
        return true;
    }
    return EndAfterTransferFailure(read, ImportEnd::HeaderMissing);
}

bool ImportSession::EndAfterTransferFailure(const Status& failed, ImportEnd missing) {
    detail_ = failed.reason();
    if (failed.code() == StatusCode::TransferAborted)
        Finish(ImportEnd::Aborted);
    else if (failed.code() == StatusCode::LogRefused)
        Finish(ImportEnd::HeaderRefused);
    else
        Finish(missing);
    return false;
}

bool ImportSession::LoadImage(std::vector<std::uint8_t> image) {
    const Result<MemoryHeader> checked = CheckMemoryImage(image.data(), image.size());
    if (!checked) {
        detail_ = checked.reason();
        Finish(ImportEnd::HeaderRefused);
        return false;
    }
    header_ = *checked;
    image_ = std::move(image);
    return true;
}

bool ImportSession::ReadNextBlock(const ByteHooks& hooks) {
    const Status read = transfer_->ReadNextBlock(hooks);
    if (read) {
        // The line is not needed after the last block.
        if (AllBlocksRead()) loan_.Release();
        return true;
    }
    return EndAfterTransferFailure(read, ImportEnd::BlockMissing);
}

std::size_t ImportSession::BlocksRead() const {
    if (transfer_) return transfer_->BlocksRead();
    return BlockCount();  // an image holds them all
}

std::size_t ImportSession::BlockCount() const {
    return CheckMemoryHeader(header_).ok() ? static_cast<std::size_t>(header_.blockCount) : 0;
}

const std::vector<std::uint8_t>& ImportSession::Stream() const {
    if (transfer_) return transfer_->Stream();
    return image_.empty() ? kNoStream : image_;
}

void ImportSession::Unpack() {
    if (unpacked_) return;
    unpacked_ = true;
    if (transfer_) {
        stored_ = transfer_->Unpack();
        transfer_.reset();  // the stream buffer goes
    } else {
        stored_ = UnpackRecords(image_.data(), image_.size(), header_);
        image_ = {};
    }
    storedCount_ = stored_.size();
}

bool ImportSession::Decode(const std::function<bool(std::size_t)>& beforeRecord) {
    Unpack();
    log_ = DecodeStoredRecords(stored_, header_, beforeRecord);
    stored_ = {};
    if (log_.aborted) {
        Finish(ImportEnd::Aborted);
        return false;
    }
    detail_ = SkippedRecordsDetail(log_, storedCount_);
    if (log_.records.empty()) {
        Finish(ImportEnd::NothingDecoded);
        return false;
    }
    return true;
}

void ImportSession::Finish(ImportEnd end) {
    if (end_) return;
    end_ = end;
    const EndMessage* message = MessageOf(end);
    if (end == ImportEnd::Imported && log_.skipped == 0) message = nullptr;
    const auto tell = [&] {
        frontEnd_.Tell(ImportMessage{message->captionFormat, message->textNumber,
                                     message->secondTextNumber, detail_});
    };
    if (message && message->overProgress) tell();
    if (begun_) frontEnd_.CloseProgress();
    loan_.Release();
    if (begun_) {
        if (link_) link_->EndTransfer();
        frontEnd_.TransferEnded(end);
    }
    if (message && !message->overProgress) tell();
}

}  // namespace dmm

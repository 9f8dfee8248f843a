#include "logger/import/memorytransfer.h"

#include "meterlink/linereport.h"
#include "meterlink/numparse.h"
#include "meterlink/protocol.h"
#include "resources/strings.h"

namespace dmm {

std::uint8_t BlockCommand(std::size_t index) {
    return index == 0 ? kCmdFirstBlock : kCmdNextBlock;
}

Status MemoryTransfer::ReadBlock(std::uint8_t command, std::uint8_t* out, std::size_t doneBefore,
                                 std::size_t total, const ByteHooks& hooks) {
    SendMeterCommand(line_, command);
    if (line_) line_->sleepMs(line_->replyPauseMs());
    for (std::size_t j = 0; j < kStreamBlockSize; ++j) {
        if (hooks.before && !hooks.before()) return Status::Fail(StatusCode::TransferAborted, {});
        LineResult r = line_ ? line_->read(out + j, 1) : LineResult::Fail("No port is open.");
        if (r.count == 0) {
            // There is no resend: the first missing byte ends the transfer.
            lineResult_ = std::move(r);
            std::string detail =
                Format(LoadStr(str::ByteMissing).c_str(), static_cast<int>(doneBefore + j + 1),
                       static_cast<int>(total));
            if (const std::string why = LineFailureDetail(lineResult_); !why.empty())
                detail += "\n" + why;
            return Status::Fail(StatusCode::TransferMissing, std::move(detail));
        }
        if (hooks.after) hooks.after(doneBefore + j + 1, total);
    }
    return Status::Ok();
}

Status MemoryTransfer::ReadHeader(const ByteHooks& hooks) {
    stream_.clear();
    blocksRead_ = 0;
    Status read = ReadBlock(kCmdFirstBlock, headerBlock_.data(), 0, kHeaderSize, hooks);
    if (!read) return read;
    header_ = ReadMemoryHeader(headerBlock_.data());
    return CheckMemoryHeader(header_);
}

std::size_t MemoryTransfer::TotalBytes() const {
    if (!CheckMemoryHeader(header_)) return kHeaderSize;
    return kHeaderSize + static_cast<std::size_t>(header_.blockCount) * kStreamBlockSize;
}

Status MemoryTransfer::ReadBlocks(
    const ByteHooks& hooks,
    const std::function<void(std::size_t block, std::size_t blocks)>& afterBlock) {
    stream_.clear();  // from the first block again
    do {
        Status read = ReadNextBlock(hooks);
        if (!read) return read;
        if (afterBlock) afterBlock(blocksRead_, static_cast<std::size_t>(header_.blockCount));
    } while (blocksRead_ < static_cast<std::size_t>(header_.blockCount));
    return Status::Ok();
}

Status MemoryTransfer::ReadNextBlock(const ByteHooks& hooks) {
    if (Status checked = CheckMemoryHeader(header_); !checked) return checked;
    // Sized only from a header that passed the check: at most 512 blocks.
    const auto blocks = static_cast<std::size_t>(header_.blockCount);
    const std::size_t total = blocks * kStreamBlockSize;
    if (stream_.size() != total) {
        stream_.assign(total, 0);
        blocksRead_ = 0;
    }
    if (blocksRead_ == blocks) return Status::Ok();
    const std::size_t at = blocksRead_ * kStreamBlockSize;
    Status read = ReadBlock(BlockCommand(blocksRead_), stream_.data() + at, at, total, hooks);
    if (read) ++blocksRead_;
    return read;
}

std::vector<StoredRecord> MemoryTransfer::Unpack() const {
    return UnpackRecords(stream_.data(), stream_.size(), header_);
}

}  // namespace dmm

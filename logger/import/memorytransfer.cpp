#include "logger/import/memorytransfer.h"

#include "meterlink/linereport.h"
#include "meterlink/numparse.h"
#include "meterlink/protocol.h"
#include "resources/strings.h"

namespace dmm {

std::uint8_t BlockCommand(std::size_t index) {
    return index == 0 ? kCmdFirstBlock : kCmdNextBlock;
}

MemoryTransfer::Result MemoryTransfer::ReadBlock(std::uint8_t command, std::uint8_t* out,
                                                 std::size_t doneBefore, std::size_t total,
                                                 const ByteHooks& hooks) {
    SendMeterCommand(line_, command);
    if (line_) line_->sleepMs(line_->replyPauseMs());
    for (std::size_t j = 0; j < kStreamBlockSize; ++j) {
        if (hooks.before && !hooks.before()) return Result::Aborted;
        LineResult r = line_ ? line_->read(out + j, 1) : LineResult::Fail("No port is open.");
        if (r.count == 0) {
            // There is no resend: the first missing byte ends the transfer.
            lineResult_ = std::move(r);
            detail_ = Format(LoadStr(str::ByteMissing).c_str(),
                             static_cast<int>(doneBefore + j + 1), static_cast<int>(total));
            if (const std::string why = LineFailureDetail(lineResult_); !why.empty())
                detail_ += "\n" + why;
            return Result::Missing;
        }
        if (hooks.after) hooks.after(doneBefore + j + 1, total);
    }
    return Result::Done;
}

MemoryTransfer::Result MemoryTransfer::ReadHeader(const ByteHooks& hooks) {
    detail_.clear();
    stream_.clear();
    blocksRead_ = 0;
    const Result r = ReadBlock(kCmdFirstBlock, headerBlock_.data(), 0, kHeaderSize, hooks);
    if (r != Result::Done) return r;
    header_ = ReadMemoryHeader(headerBlock_.data());
    detail_ = CheckMemoryHeader(header_);
    return detail_.empty() ? Result::Done : Result::Refused;
}

std::size_t MemoryTransfer::TotalBytes() const {
    if (!CheckMemoryHeader(header_).empty()) return kHeaderSize;
    return kHeaderSize + static_cast<std::size_t>(header_.blockCount) * kStreamBlockSize;
}

MemoryTransfer::Result MemoryTransfer::ReadBlocks(
    const ByteHooks& hooks,
    const std::function<void(std::size_t block, std::size_t blocks)>& afterBlock) {
    stream_.clear();  // from the first block again
    do {
        const Result r = ReadNextBlock(hooks);
        if (r != Result::Done) return r;
        if (afterBlock) afterBlock(blocksRead_, static_cast<std::size_t>(header_.blockCount));
    } while (blocksRead_ < static_cast<std::size_t>(header_.blockCount));
    return Result::Done;
}

MemoryTransfer::Result MemoryTransfer::ReadNextBlock(const ByteHooks& hooks) {
    detail_ = CheckMemoryHeader(header_);
    if (!detail_.empty()) return Result::Refused;
    // Sized only from a header that passed the check: at most 512 blocks.
    const auto blocks = static_cast<std::size_t>(header_.blockCount);
    const std::size_t total = blocks * kStreamBlockSize;
    if (stream_.size() != total) {
        stream_.assign(total, 0);
        blocksRead_ = 0;
    }
    if (blocksRead_ == blocks) return Result::Done;
    const std::size_t at = blocksRead_ * kStreamBlockSize;
    const Result r = ReadBlock(BlockCommand(blocksRead_), stream_.data() + at, at, total, hooks);
    if (r == Result::Done) ++blocksRead_;
    return r;
}

std::vector<StoredRecord> MemoryTransfer::Unpack() const {
    return UnpackRecords(stream_.data(), stream_.size(), header_);
}

}  // namespace dmm

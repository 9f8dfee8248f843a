#include "logger/import/memorytransfer.h"

#include "meterlink/linereport.h"
#include "meterlink/numparse.h"
#include "meterlink/protocol.h"
#include "resources/strings.h"

namespace dmm {

namespace {
constexpr int kByteMissing = 9310;  // "Byte %d of %d did not arrive."
}  // namespace

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
            detail_ = Format(LoadStr(kByteMissing).c_str(), static_cast<int>(doneBefore + j + 1),
                             static_cast<int>(total));
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
    detail_ = CheckMemoryHeader(header_);
    if (!detail_.empty()) return Result::Refused;
    // Sized only from a header that passed the check: at most 512 blocks.
    const auto blocks = static_cast<std::size_t>(header_.blockCount);
    stream_.assign(blocks * kStreamBlockSize, 0);
    const std::size_t total = blocks * kStreamBlockSize;
    for (std::size_t i = 0; i < blocks; ++i) {
        const Result r = ReadBlock(BlockCommand(i), stream_.data() + i * kStreamBlockSize,
                                   i * kStreamBlockSize, total, hooks);
        if (r != Result::Done) return r;
        if (afterBlock) afterBlock(i + 1, blocks);
    }
    return Result::Done;
}

std::vector<StoredRecord> MemoryTransfer::Unpack() const {
    return UnpackRecords(stream_.data(), stream_.size(), header_);
}

}  // namespace dmm

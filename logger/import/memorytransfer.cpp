#include "logger/import/memorytransfer.h"

#include <algorithm>

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
    // The hooks run around each byte in the order of a byte-by-byte read: before is
    // asked ahead of each byte, after is told each byte, however the bytes arrive.
    std::size_t asked = 0;
    std::size_t told = 0;
    bool aborted = false;
    const auto catchUp = [&](std::size_t received) {
        // The counts are only kept for the hooks; without them there is nothing to do.
        if (!hooks.before && !hooks.after) return true;
        for (;;) {
            if (asked == told && asked < kStreamBlockSize) {
                if (hooks.before && !hooks.before()) {
                    aborted = true;
                    return false;
                }
                ++asked;
            }
            if (told >= received || told >= asked) return true;
            ++told;
            if (hooks.after) hooks.after(doneBefore + told, total);
        }
    };
    // Served from an event loop, what the events did (Abort) counts at once, not only
    // when the next byte comes.
    const auto between = [&] {
        if (!catchUp(link_->BytesReceived())) return false;
        if (hooks.serve && hooks.before && !hooks.before()) aborted = true;
        return !aborted;
    };
    DriverOutcome got;
    if (link_) {
        got = link_->Request(MeterRequest{command, kStreamBlockSize}, between, hooks.serve);
    } else {
        got.line = LineResult::Fail("No port is open.");
    }
    if (aborted) return Status::Fail(StatusCode::TransferAborted, {});
    const std::size_t n = std::min(got.bytes.size(), kStreamBlockSize);
    std::copy_n(got.bytes.begin(), n, out);
    if (!catchUp(n)) return Status::Fail(StatusCode::TransferAborted, {});
    if (n < kStreamBlockSize) {
        // There is no resend: the first missing byte ends the transfer.
        lineResult_ = got.line.ok() ? LineResult::TimedOut(n) : std::move(got.line);
        lineResult_.count = 0;
        std::string detail = Format(LoadStr(str::ByteMissing).c_str(),
                                    static_cast<int>(doneBefore + n + 1), static_cast<int>(total));
        if (const std::string why = LineFailureDetail(lineResult_); !why.empty())
            detail += "\n" + why;
        return Status::Fail(StatusCode::TransferMissing, std::move(detail));
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

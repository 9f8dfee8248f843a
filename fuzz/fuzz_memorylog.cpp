// The meter's stored log from outside: any header and any stream length, both as
// a saved image and as the meter would send it. Nothing is sized from a header
// that has not passed its check, and what is decoded stays within the memory.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "logger/import/memorylog.h"
#include "logger/import/memorytransfer.h"
#include "meterlink/meterline.h"
#include "meterlink/protocol.h"

namespace {

// Texts are cut to leave their field's last byte zero.
template <std::size_t N>
void CheckTerminated(const char (&field)[N]) {
    if (field[N - 1] != 0) std::abort();
}

void Check(bool ok) {
    if (!ok) std::abort();
}

void CheckDecoded(const dmm::DecodedLog& log, std::size_t stored) {
    Check(log.records.size() + static_cast<std::size_t>(log.skipped) == stored);
    for (const dmm::LogRecord& r : log.records) {
        CheckTerminated(r.szValue);
        CheckTerminated(r.szRange);
        CheckTerminated(r.szTime);
        CheckTerminated(r.szDisplay);
        CheckTerminated(r.szUnit);
        CheckTerminated(r.szFunc);
    }
}

// The line below is the harness, not the code under test: its comparisons would only feed
// the fuzzer's comparison tables with noise and cost a call each, byte after byte.
#define NOT_TRACED __attribute__((no_sanitize("coverage")))

// The meter as the input describes it: "N" starts at the input's first block, "R"
// sends the next, and the line runs dry where the input ends. Nothing is logged,
// nothing sleeps and nothing is allocated, so a run costs what the transfer costs.
class BlockLine : public dmm::MeterLine {
public:
    NOT_TRACED void Reset(const std::uint8_t* data, std::size_t size) {
        data_ = data, size_ = size;
        nextBlock_ = 0, at_ = end_ = 0, framed_ = 0;
    }

    NOT_TRACED dmm::LineResult write(const std::uint8_t* data, std::size_t n) override {
        for (std::size_t i = 0; i < n; ++i) {
            // A command frame is DLE STX command 0 0 0 DLE ETX; the meter answers its end.
            if (framed_ == 2) command_ = data[i];
            if (++framed_ == kFrameSize) {
                framed_ = 0;
                answer();
            }
        }
        return dmm::LineResult::Done(n);
    }
    NOT_TRACED dmm::LineResult read(std::uint8_t* buffer, std::size_t n) override {
        // The transfer reads one byte at a time.
        if (n == 1 && at_ < end_) {
            *buffer = data_[at_++];
            return dmm::LineResult::Done(1);
        }
        const std::size_t got = std::min(n, end_ - at_);
        std::memcpy(buffer, data_ + at_, got);
        at_ += got;
        return got == n ? dmm::LineResult::Done(n) : dmm::LineResult::TimedOut(got);
    }
    NOT_TRACED dmm::LineResult purgeReceive() override {
        at_ = end_;
        return dmm::LineResult::Done(0);
    }
    dmm::LineResult purgeTransmit() override {
        framed_ = 0;
        return dmm::LineResult::Done(0);
    }
    dmm::LineResult setRts(bool) override { return dmm::LineResult::Done(0); }
    dmm::LineResult flush() override { return dmm::LineResult::Done(0); }
    void close() override {}
    bool getTimeouts(dmm::PortTimeouts& out) override {
        out = {};
        return true;
    }
    bool setTimeouts(const dmm::PortTimeouts&) override { return true; }
    void sleepMs(int) override {}

private:
    static constexpr std::size_t kFrameSize = 8;

    NOT_TRACED void answer() {
        if (command_ == dmm::kCmdFirstBlock) nextBlock_ = 0;
        const std::size_t at = nextBlock_++ * dmm::kStreamBlockSize;
        at_ = std::min(at, size_);
        end_ = std::min(at + dmm::kStreamBlockSize, size_);
    }

    const std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t nextBlock_ = 0;
    std::size_t at_ = 0, end_ = 0;  // the answer's bytes not yet read
    std::size_t framed_ = 0;        // bytes of the command frame written so far
    std::uint8_t command_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A saved image.
    const dmm::Result<dmm::MemoryImageDecode> decoded = dmm::DecodeMemoryImage(data, size);
    if (decoded) {
        const dmm::MemoryImageDecode& image = *decoded;
        Check(image.header.recordCount >= 1 && image.header.recordCount <= dmm::kMaxStoredRecords);
        Check(image.storedCount == static_cast<std::size_t>(image.header.recordCount));
        Check(image.header.streamLength <= static_cast<long long>(size));
        CheckDecoded(image.log, image.storedCount);
    } else {
        Check(!decoded.reason().empty());  // a refusal says why, and decodes nothing
    }

    // The same bytes as the meter's answers.
    static dmm::MeterLink link;
    static BlockLine* const line = [] {
        auto owned = std::make_unique<BlockLine>();
        BlockLine* raw = owned.get();
        link.Attach(std::move(owned));
        return raw;
    }();
    line->Reset(data, size);
    dmm::MemoryTransfer transfer(&link);
    const dmm::Status header = transfer.ReadHeader();
    if (!header) {
        // Refused or cut short: no block was asked for and nothing was allocated for one.
        Check(transfer.Stream().empty());
        Check(transfer.ReadBlocks().code() == dmm::StatusCode::LogRefused ||
              header.code() == dmm::StatusCode::TransferMissing);
        return 0;
    }
    const dmm::Status blocks = transfer.ReadBlocks();
    Check(transfer.Stream().size() <= dmm::kMaxStreamSize);
    if (!blocks) return 0;
    const std::vector<dmm::StoredRecord> stored = transfer.Unpack();
    Check(stored.size() == static_cast<std::size_t>(transfer.Header().recordCount));
    // Read over the line or from the image, the records are the same, so they decode to the
    // image's log checked above (decoding them again would only halve the runs).
    Check(decoded.ok() && decoded->storedCount == stored.size());
    const std::vector<dmm::StoredRecord> fromImage =
        dmm::UnpackRecords(data, size, decoded->header);
    Check(fromImage.size() == stored.size());
    for (std::size_t i = 0; i < stored.size(); ++i)
        Check(std::memcmp(stored[i].nibble, fromImage[i].nibble, sizeof stored[i].nibble) == 0);
    return 0;
}

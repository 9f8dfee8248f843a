// The meter's stored log from outside: any header and any stream length, both as
// a saved image and as the meter would send it. Nothing is sized from a header
// that has not passed its check, and what is decoded stays within the memory.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "logger/import/memorylog.h"
#include "logger/import/memorytransfer.h"
#include "meterlink/protocol.h"
#include "support/fakeline.h"

namespace {

template <std::size_t N>
void CheckTerminated(const char (&field)[N]) {
    if (std::memchr(field, 0, N) == nullptr) std::abort();
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

    // The same bytes as the meter's answers: "N" starts at the first block, "R"
    // sends the next; the line runs dry where the input ends.
    dmm::FakeLine line;
    std::size_t next = 0;
    line.respondWith([&](std::uint8_t command) {
        if (command == dmm::kCmdFirstBlock) next = 0;
        const std::size_t at = next++ * dmm::kStreamBlockSize;
        if (at >= size) return dmm::FakeLine::Bytes{};
        const std::size_t n = std::min(dmm::kStreamBlockSize, size - at);
        return dmm::FakeLine::Bytes(data + at, data + at + n);
    });
    dmm::MemoryTransfer transfer(&line);
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
    const dmm::DecodedLog log = dmm::DecodeStoredRecords(stored, transfer.Header());
    CheckDecoded(log, stored.size());
    // Read over the line or from the image, the log is the same.
    Check(log.records.size() == image.log.records.size());
    for (std::size_t i = 0; i < log.records.size(); ++i)
        Check(std::memcmp(&log.records[i], &image.log.records[i], sizeof(dmm::LogRecord)) == 0);
    return 0;
}

// Reading a meter's stored log through the link's driver: the header block ("N"),
// then every block of the stream ("N" for the first, "R" for each next one), each
// byte within its own time-out. The desktop's import and dmmlog both go through
// this; each gives its own hooks for what happens around every byte (events,
// progress, abort).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "logger/import/memorylog.h"
#include "meterlink/meterlink.h"
#include "resources/status.h"

namespace dmm {

// What runs around each byte read. before is asked first: false aborts the read
// (no byte is asked for). after is told the bytes read so far and the total. serve,
// when the link runs from an event loop, hands the thread to that loop while bytes are
// waited for (see MeterLink::Request), and before is then also asked after each
// serve; without it the line is waited on.
struct ByteHooks {
    std::function<bool()> before;
    std::function<void(std::size_t done, std::size_t total)> after;
    std::function<void()> serve;
};

class MemoryTransfer {
public:
    // Through link, which has lent its line (null: no line, every read fails).
    explicit MemoryTransfer(MeterLink* link) : link_(link) {}

    // Each read is ok, or fails with TransferAborted (a before hook said no),
    // TransferMissing (a byte did not arrive within the read time-out; the reason has
    // one fact a line) or LogRefused (the header describes no log the memory can hold;
    // the reason says what is wrong with it).

    // Sends "N" and reads the header block; ok leaves a checked header.
    Status ReadHeader(const ByteHooks& hooks = {});
    // Reads the header's blocks into the stream. afterBlock is told each block done
    // (1-based) and the block count.
    Status ReadBlocks(
        const ByteHooks& hooks = {},
        const std::function<void(std::size_t block, std::size_t blocks)>& afterBlock = {});
    // Reads the next block of the header's blocks ("N" for the first, "R" after);
    // ok without reading when all are read.
    Status ReadNextBlock(const ByteHooks& hooks = {});
    std::size_t BlocksRead() const { return blocksRead_; }

    const MemoryHeader& Header() const { return header_; }
    // The stream read so far: whole blocks, B x 512 bytes once ReadBlocks is done.
    const std::vector<std::uint8_t>& Stream() const { return stream_; }
    std::vector<StoredRecord> Unpack() const;
    // After TransferMissing: the read that delivered nothing.
    const LineResult& Line() const { return lineResult_; }

    // Bytes the whole transfer reads: the header block and B blocks.
    std::size_t TotalBytes() const;

private:
    Status ReadBlock(std::uint8_t command, std::uint8_t* out, std::size_t doneBefore,
                     std::size_t total, const ByteHooks& hooks);

    MeterLink* link_;
    std::vector<std::uint8_t> headerBlock_ = std::vector<std::uint8_t>(kHeaderSize);
    MemoryHeader header_;
    std::vector<std::uint8_t> stream_;
    std::size_t blocksRead_ = 0;
    LineResult lineResult_;
};

// The command of block i of the stream: "N" for block 0, "R" for every later one.
std::uint8_t BlockCommand(std::size_t index);

}  // namespace dmm

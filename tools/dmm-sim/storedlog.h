// The simulated meter's own log memory: stream images as the block commands send
// them, built from stored readings or loaded from a file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/dmm-sim/simulator.h"

namespace dmm::sim {

// One reading as the meter stores it: six nibbles' worth.
struct StoredReading {
    int rangeNibble = 0;   // 0..15
    int intervalCode = 1;  // 0..15; 8 to 15 repeat the previous interval
    int count = 0;         // 0..16383
    bool negative = false;
    bool overload = false;
};

// Stream offset of the first byte of stored record `index` (0-based, memory order).
std::size_t StoredRecordOffset(std::size_t index);

// The stream of a log holding these readings (at least one, at most 43,651) in a
// mode with its mode flags: the header pointing at the last reading, the readings
// bank by bank, whole blocks up to the end of the last one. Every byte carries
// 0x3 in its high nibble, which the logger must ignore. Throws
// std::invalid_argument for no readings or too many.
std::vector<std::uint8_t> BuildStreamImage(const std::vector<StoredReading>& readings, int mode,
                                           int modeFlags);

// The log of --memory-log: count readings of a slow wave with a ripple, both
// signs, an overload now and then, the range stepping every 500 readings and
// every interval code once in each hundred readings (1 s otherwise).
std::vector<StoredReading> PatternLog(int count, int mode, int modeFlags);

// A stream image held in memory.
class StreamImage : public MemoryImage {
public:
    // Throws std::invalid_argument unless bytes is a non-empty multiple of 512.
    explicit StreamImage(std::vector<std::uint8_t> bytes);
    std::size_t blockCount() const override { return bytes_.size() / kBlockSize; }
    std::vector<std::uint8_t> block(std::size_t index) const override;
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
};

// Reads "K[:MODE[:FLAGS]]": 1..43651 readings, mode 0..15 (default 2, DC volts),
// mode flags 0..15 (default 0). A failure (InputInvalid) says which part is wrong.
struct MemoryLogOption {
    int count = 0;
    int mode = 2;
    int modeFlags = 0;
};
Result<MemoryLogOption> ParseMemoryLogOption(const std::string& text);

}  // namespace dmm::sim

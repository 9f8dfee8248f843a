#include "tools/dmm-sim/storedlog.h"

#include <cmath>
#include <stdexcept>

#include "logger/import/memorylog.h"

namespace dmm::sim {

namespace {

constexpr std::uint8_t kHighNibble = 0x30;

void PutNibble(std::vector<std::uint8_t>& stream, std::size_t offset, int nibble) {
    stream[offset] = static_cast<std::uint8_t>(kHighNibble | (nibble & 0x0F));
}

bool ParseSmall(const std::string& text, int max, int& out) {
    if (text.empty() || text.size() > 6) return false;
    int v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    if (v > max) return false;
    out = v;
    return true;
}

}  // namespace

std::size_t StoredRecordOffset(std::size_t index) {
    if (index < static_cast<std::size_t>(kBank0Records))
        return 2 * static_cast<std::size_t>(kBank0FirstAddress) + 6 * index;
    const std::size_t j = index - static_cast<std::size_t>(kBank0Records);
    const std::size_t bank = 1 + j / static_cast<std::size_t>(kBankRecords);
    return bank * kBankStreamSize + 2 * static_cast<std::size_t>(kBankFirstAddress) +
           6 * (j % static_cast<std::size_t>(kBankRecords));
}

std::vector<std::uint8_t> BuildStreamImage(const std::vector<StoredReading>& readings, int mode,
                                           int modeFlags) {
    if (readings.empty() || readings.size() > static_cast<std::size_t>(kMaxStoredRecords))
        throw std::invalid_argument("a stored log holds 1 to 43651 readings");
    const std::size_t last = StoredRecordOffset(readings.size() - 1);
    const std::size_t bank = last / kBankStreamSize;
    const std::size_t address = (last % kBankStreamSize) / 2;
    const std::size_t end = last + 6;
    const std::size_t blocks = (end + kStreamBlockSize - 1) / kStreamBlockSize;

    // Unused bytes carry a pattern of their own, so that nothing relies on zeros.
    std::vector<std::uint8_t> stream(blocks * kStreamBlockSize);
    for (std::size_t i = 0; i < stream.size(); ++i)
        PutNibble(stream, i, static_cast<int>((i * 7) % 16));
    for (int n = 0; n < 4; ++n)
        PutNibble(stream, kLastAddressOffset + n, static_cast<int>(address >> (4 * n)));
    PutNibble(stream, kLastBankOffset, static_cast<int>(bank));
    PutNibble(stream, kLastBankOffset + 1, static_cast<int>(bank >> 4));
    PutNibble(stream, kModeFlagsOffset, modeFlags);
    PutNibble(stream, kModeOffset, mode);

    for (std::size_t i = 0; i < readings.size(); ++i) {
        const StoredReading& r = readings[i];
        const std::size_t at = StoredRecordOffset(i);
        PutNibble(stream, at, r.rangeNibble);
        PutNibble(stream, at + 1, r.intervalCode);
        PutNibble(stream, at + 2, r.count);
        PutNibble(stream, at + 3, r.count >> 4);
        PutNibble(stream, at + 4, r.count >> 8);
        PutNibble(stream, at + 5,
                  ((r.count >> 12) & 3) | (r.negative ? 0x4 : 0) | (r.overload ? 0x8 : 0));
    }
    return stream;
}

std::vector<StoredReading> PatternLog(int count, int mode, int modeFlags) {
    constexpr double kTwoPi = 6.283185307179586;
    const int funcCode = LogFunctionCode(mode, modeFlags);
    const bool temperature = funcCode == 32 || funcCode == 64;
    // Temperatures count whole degrees; everything else four digits.
    const double amplitude = temperature ? 60 : 2000;
    const double ripple = temperature ? 6 : 300;
    std::vector<StoredReading> log;
    log.reserve(static_cast<std::size_t>(count > 0 ? count : 0));
    for (int r = 0; r < count; ++r) {
        StoredReading s;
        const int inHundred = r % 100;
        s.intervalCode = inHundred < 16 ? inHundred : 1;
        const double v =
            amplitude * std::sin(kTwoPi * r / 250.0) + ripple * std::sin(kTwoPi * r / 37.0);
        s.negative = v < 0;
        s.count = static_cast<int>(std::lround(std::fabs(v))) + r % 7;
        s.overload = r % 97 == 50;
        // Mode 3 knows two ranges only.
        s.rangeNibble = (r / 500) % (mode == 3 ? 2 : 3);
        log.push_back(s);
    }
    return log;
}

StreamImage::StreamImage(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {
    if (bytes_.empty() || bytes_.size() % kBlockSize != 0)
        throw std::invalid_argument("a stream image is a whole number of 512-byte blocks");
}

std::vector<std::uint8_t> StreamImage::block(std::size_t index) const {
    const auto at = bytes_.begin() + static_cast<std::ptrdiff_t>(index * kBlockSize);
    return std::vector<std::uint8_t>(at, at + static_cast<std::ptrdiff_t>(kBlockSize));
}

Result<MemoryLogOption> ParseMemoryLogOption(const std::string& text) {
    const auto invalid = [&text](const char* what) {
        return Status::Fail(StatusCode::InputInvalid, "'" + text + "': " + what);
    };
    std::string parts[3];
    int n = 0;
    for (char c : text) {
        if (c == ':') {
            if (++n > 2) break;
            continue;
        }
        parts[n] += c;
    }
    MemoryLogOption option;
    if (n > 2) return invalid("expected K[:MODE[:FLAGS]]");
    if (!ParseSmall(parts[0], kMaxStoredRecords, option.count) || option.count < 1) {
        return invalid("the record count K must be a whole number from 1 to 43651");
    }
    if (n >= 1 && !ParseSmall(parts[1], 15, option.mode)) {
        return invalid("MODE must be a whole number from 0 to 15");
    }
    if (n >= 2 && !ParseSmall(parts[2], 15, option.modeFlags)) {
        return invalid("FLAGS must be a whole number from 0 to 15");
    }
    return option;
}

}  // namespace dmm::sim

// The log some meters keep in their own memory, as their block commands send it:
// a stream of bytes of which only the low nibble carries data (two stream bytes
// make one memory byte), four banks of 32,768 memory bytes, the header in the
// first block and three memory bytes (six nibbles) for each stored reading.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "logger/data/logrecord.h"
#include "resources/status.h"

namespace dmm {

constexpr std::size_t kStreamBlockSize = 512;     // what "N" and "R" send
constexpr std::size_t kBankStreamSize = 0x10000;  // stream bytes of one bank
constexpr int kBankSize = 32768;                  // memory bytes of one bank
constexpr int kMemoryBanks = 4;                   // banks 0 to 3
constexpr int kBank0FirstAddress = 112;           // memory address of bank 0's first record
constexpr int kBankFirstAddress = 1;              // the same in banks 1 to 3
constexpr int kBank0Records = 10885;              // records bank 0 holds at most
constexpr int kBankRecords = 10922;               // records banks 1 to 3 hold at most
constexpr int kMaxStoredRecords = kBank0Records + 3 * kBankRecords;  // 43,651
constexpr std::size_t kMaxStreamSize = kMemoryBanks * kBankStreamSize;
constexpr std::size_t kMaxStreamBlocks = kMaxStreamSize / kStreamBlockSize;  // 512
constexpr int kStoredRecordBytes = 3;  // memory bytes of one record

// Stream offsets of the header fields (low nibbles, least significant first).
constexpr std::size_t kLastAddressOffset = 192;  // four nibbles
constexpr std::size_t kLastBankOffset = 196;     // two nibbles
constexpr std::size_t kModeFlagsOffset = 222;
constexpr std::size_t kModeOffset = 223;
constexpr std::size_t kHeaderSize = kStreamBlockSize;

// Mode flags.
constexpr int kModeAlternate = 0x1;  // the mode's alternate function
constexpr int kModeFrequency = 0x8;  // the log holds frequencies, whatever the mode

// The function code of every record of a log, from its mode and mode flags.
int LogFunctionCode(int mode, int modeFlags);

// What the header block says about the log, and what follows from it.
struct MemoryHeader {
    int mode = 0;
    int modeFlags = 0;
    int funcCode = 0;
    int lastBank = 0;            // L: bank of the last stored record
    int lastAddress = 0;         // M: its first memory byte within the bank
    long long recordCount = 0;   // K, as computed from L and M (may be 0 or less)
    long long streamLength = 0;  // N: stream bytes up to the end of the last record
    long long blockCount = 0;    // B: whole blocks holding them
};

// Reads the header fields from the first kHeaderSize bytes of the stream.
MemoryHeader ReadMemoryHeader(const std::uint8_t* header);

// Ok when the header describes a log the memory can hold; otherwise LogRefused with
// one line for the user saying what is wrong. Nothing may be sized from a header
// before it has passed this check.
Status CheckMemoryHeader(const MemoryHeader& header);

// One stored reading: six nibbles in stream order, high nibbles cleared.
struct StoredRecord {
    std::uint8_t nibble[6] = {};
};

// The records of a checked header, bank by bank in memory order. Records that
// would lie beyond `size` stream bytes are not taken.
std::vector<StoredRecord> UnpackRecords(const std::uint8_t* stream, std::size_t size,
                                        const MemoryHeader& header);

// Turns stored records into logger records, one after the other: the elapsed
// time runs on from record to record.
class StoredRecordDecoder {
public:
    explicit StoredRecordDecoder(const MemoryHeader& header);

    // The logger record of the next stored record; false when it cannot be
    // decoded (no range text, or no value to chart), with the reason in why. Its
    // interval still counts towards the elapsed time of the records after it.
    bool Next(const StoredRecord& stored, LogRecord& out, std::string* why = nullptr);

private:
    // What a range nibble gives every record of the log, worked out when a record
    // first needs it.
    struct RangeCase {
        bool made = false;
        bool known = false;  // false: the mode gives the nibble no range text
        int range = 0;
        char text[8] = {};
        LogRecord fields;  // range, function code, unit and function texts
        bool overloadMade[2] = {};
        std::optional<float> overload[2];  // charted "OL" and "-OL"
    };

    int mode_;
    int modeFlags_;
    int funcCode_;
    int index_ = 0;
    double elapsed_ = 0;
    double interval_;  // of the previous record; code 0's until one is known
    RangeCase ranges_[16];

    RangeCase MakeRangeCase(int rangeNibble) const;
};

// Decoding all records of a log, with the ones left out counted.
struct DecodedLog {
    LogList records;
    int skipped = 0;
    std::string firstProblem;  // why the first record left out was left out
    bool aborted = false;
};

// Decodes every stored record in order. beforeRecord (when given) is asked
// before each one; false aborts, and the records decoded so far are dropped.
DecodedLog DecodeStoredRecords(const std::vector<StoredRecord>& stored, const MemoryHeader& header,
                               const std::function<bool(std::size_t)>& beforeRecord = {});

// The detail line of a decoded log with records left out: the first reason and the count.
std::string SkippedRecordsDetail(const DecodedLog& log, std::size_t storedCount);

// The header of a whole stream image (the bytes as the meter sent them) when it passes
// the check and the image holds every block it names; otherwise LogRefused and why not.
Result<MemoryHeader> CheckMemoryImage(const std::uint8_t* stream, std::size_t size);

// A whole stream image (the bytes as the meter sent them): the header is checked,
// then every record decoded. The decode fails with LogRefused (and nothing decoded)
// when the header is outside the data model or the image is shorter than the header says.
struct MemoryImageDecode {
    MemoryHeader header;
    std::size_t storedCount = 0;
    DecodedLog log;
};
Result<MemoryImageDecode> DecodeMemoryImage(const std::uint8_t* stream, std::size_t size);

}  // namespace dmm

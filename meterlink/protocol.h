// Command frames and replies of the adaptor's protocol over a MeterLine.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "meterlink/meterline.h"

namespace dmm {

constexpr std::uint8_t kCmdDisplay = 0x42;     // 'B'
constexpr std::uint8_t kCmdIdentify = 0x46;    // 'F'
constexpr std::uint8_t kCmdFirstBlock = 0x4E;  // 'N'
constexpr std::uint8_t kCmdNextBlock = 0x52;   // 'R'

// Framing bytes of requests and replies.
constexpr std::uint8_t kDle = 0x10;
constexpr std::uint8_t kStx = 0x02;
constexpr std::uint8_t kEtx = 0x03;
constexpr std::size_t kCommandFrameSize = 8;

// Layout of the display payload.
constexpr std::size_t kStatusOffset = 0;
constexpr std::size_t kValueOffset = 4;
constexpr std::size_t kValueFieldSize = 8;
constexpr std::size_t kRangeOffset = 13;
constexpr std::size_t kRangeFieldSize = 2;

constexpr int kReadConstantMs = 3000;
constexpr int kClosePauseMs = 100;
constexpr std::size_t kDisplayPayloadSize = 15;

enum class MeterKind { KindNone, KindA, KindB, KindC, KindD, KindE, KindF, KindG };

// Meter kind of an identity byte.
MeterKind MeterKindFromIdentity(std::uint8_t identity);
// False for the kinds that keep no log of their own (KindD..KindG).
bool HasBuiltInLogging(MeterKind kind);
const char* MeterKindName(MeterKind kind);

// The 8-byte request frame: DLE STX cmd 0 0 0 DLE ETX.
std::vector<std::uint8_t> BuildCommandFrame(std::uint8_t command);

// Sets the protocol's time-outs with the given read constant. False for a null
// handle or when the driver refuses to read or write them.
bool SetPortTimeouts(MeterLine* line, int readConstantMs);

// Flushes, waits 100 ms and closes; does nothing for a null handle. The handle is null afterwards.
void CloseMeterPort(MeterHandle& handle);

// Purges receive then transmit, then writes the frame one byte per write.
void SendMeterCommand(MeterLine* line, std::uint8_t command);

// Reads one reply frame field by field. Empty optional when any read delivered
// no byte. The framing bytes and the check byte are read but not verified.
// On failure, why (when given) gets the result of the read that failed: a time-out,
// the device gone or a failed line, with the system's reason.
std::optional<std::vector<std::uint8_t>> ReadMeterReply(MeterLine* line, LineResult* why = nullptr);

// The identify exchange ("F"). Returns 1 and writes kind, or 0 when no reply came
// (why as for ReadMeterReply).
int QueryMeterModel(MeterLine* line, MeterKind& kind, LineResult* why = nullptr);

// The display exchange ("B"). Returns 1 and writes status, value and range text,
// or 0 when no complete reply came (a payload shorter than 15 bytes counts as none;
// why as for ReadMeterReply).
int ReadMeterDisplay(MeterLine* line, std::string& value, std::string& range, std::uint32_t& status,
                     LineResult* why = nullptr);

// Fields of a display payload (status word little-endian at 0, value text at 4..11,
// range text at 13..14), the texts cut at the first zero byte and trimmed of
// trailing bytes 0x00..0x20. Empty optional when the payload has fewer than 15 bytes.
struct DisplayFrame {
    std::uint32_t status = 0;
    std::string value;
    std::string range;
};
std::optional<DisplayFrame> ParseDisplayPayload(const std::vector<std::uint8_t>& payload);

// Text of a fixed byte field: up to the first zero byte, trailing codes <= 0x20 removed.
std::string FieldText(const std::uint8_t* field, std::size_t length);

}  // namespace dmm

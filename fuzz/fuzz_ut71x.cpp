// UT71x packets out of any byte stream.
#include <cstddef>
#include <cstdint>
#include <optional>

#include "chipstream.h"
#include "meterlink/chips/ut71x.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    namespace chips = dmm::chips;
    dmm::fuzz::CheckChipStream<chips::Ut71xReader>(
        data, size, chips::kUt71xCounts,
        [](const chips::LcdReading& lcd) { return chips::EncodeUt71x(lcd); },
        [](const std::optional<chips::Ut71xPacket>& p) {
            return p ? chips::DecodeUt71x(*p) : std::nullopt;
        });
    return 0;
}

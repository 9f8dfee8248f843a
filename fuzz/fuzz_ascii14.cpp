// ASCII-14 lines out of any byte stream.
#include <cstddef>
#include <cstdint>
#include <optional>

#include "chipstream.h"
#include "meterlink/chips/ascii14.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    namespace chips = dmm::chips;
    dmm::fuzz::CheckChipStream<chips::Ascii14Reader>(
        data, size, chips::kAscii14Counts,
        [](const chips::LcdReading& lcd) { return chips::EncodeAscii14(lcd); },
        [](const std::optional<chips::Ascii14Packet>& p) {
            return p ? chips::DecodeAscii14(*p) : std::nullopt;
        });
    return 0;
}

// ES51922 packets out of any byte stream.
#include <cstddef>
#include <cstdint>
#include <optional>

#include "chipstream.h"
#include "meterlink/chips/es51922.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    namespace chips = dmm::chips;
    dmm::fuzz::CheckChipStream<chips::Es51922Reader>(
        data, size, chips::kEs51922Counts,
        [](const chips::LcdReading& lcd) { return chips::EncodeEs51922(lcd); },
        [](const std::optional<chips::Es51922Packet>& p) {
            return p ? chips::DecodeEs51922(*p) : std::nullopt;
        });
    return 0;
}

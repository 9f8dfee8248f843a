// FS9721 packets out of any byte stream.
#include <cstddef>
#include <cstdint>

#include "chipstream.h"
#include "meterlink/chips/fs9721.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    namespace chips = dmm::chips;
    dmm::fuzz::CheckChipStream<chips::Fs9721Reader>(
        data, size, chips::kFs9721Counts,
        [](const chips::LcdReading& lcd) { return chips::EncodeFs9721(lcd); },
        [](const chips::Fs9721Packet& p) { return chips::DecodeFs9721(p); });
    return 0;
}

// FS9922 packets out of any byte stream.
#include <cstddef>
#include <cstdint>

#include "chipstream.h"
#include "meterlink/chips/fs9922.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    namespace chips = dmm::chips;
    dmm::fuzz::CheckChipStream<chips::Fs9922Reader>(
        data, size, chips::kFs9922Counts,
        [](const chips::LcdReading& lcd) { return chips::EncodeFs9922(lcd); },
        [](const chips::Fs9922Packet& p) { return chips::DecodeFs9922(p); });
    return 0;
}

// Display payloads as they come off the line: decoded frame after frame (the
// display state carries over), handed over and sampled, whatever the bytes.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "logger/data/logrecord.h"
#include "meterlink/displaydecoder.h"
#include "meterlink/handover.h"
#include "meterlink/protocol.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    dmm::MeterReading reading;
    dmm::AnalogValues analog;
    dmm::ComparatorValues comparator;
    // Up to four frames of 15 bytes from one input, so carried state is exercised.
    for (std::size_t at = 0; at + dmm::kDisplayPayloadSize <= size && at < 60;
         at += dmm::kDisplayPayloadSize) {
        std::vector<std::uint8_t> payload(data + at, data + at + dmm::kDisplayPayloadSize);
        auto frame = dmm::ParseDisplayPayload(payload);
        if (!frame) continue;
        dmm::StoreFrame(reading, frame->status, frame->value, frame->range);
        dmm::DecodeReading(reading);
        dmm::PrepareAnalogValues(reading, analog);
        dmm::PrepareComparatorValues(reading, 300, 100, comparator);
        dmm::SampleReading(reading, dmm::LocalTime{12, 34, 56, 789});
    }
    return 0;
}

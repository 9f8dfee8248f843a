// Replies as the adaptor's bytes come in: any stream (escapes, short and long frames,
// noise between frames) cut into reads of any size, read frame after frame the way the
// programs read them. A reply never holds more bytes than arrived.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "meterlink/protocol.h"
#include "streamline.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    // The first byte tells how many of the next bytes are read sizes.
    const std::size_t cutCount = std::min<std::size_t>(data[0] % 8, size - 1);
    const std::uint8_t* cuts = data + 1;
    const std::uint8_t* stream = cuts + cutCount;
    const std::size_t streamSize = size - 1 - cutCount;

    dmm::fuzz::StreamLine line(stream, streamSize, cuts, cutCount);
    for (int frames = 0; frames < 64 && !line.exhausted(); ++frames) {
        const std::size_t before = line.consumed();
        dmm::LineResult why;
        auto reply = dmm::ReadMeterReply(&line, &why);
        if (reply && reply->size() > line.consumed() - before) std::abort();
        if (!reply && why.ok()) std::abort();  // a failure always says how
        if (line.consumed() == before && !reply) break;
    }

    // The two exchanges over the same stream.
    dmm::fuzz::StreamLine display(stream, streamSize, cuts, cutCount);
    std::string value, range;
    std::uint32_t status = 0;
    if (dmm::ReadMeterDisplay(&display, value, range, status) == 1 &&
        (value.size() > dmm::kValueFieldSize || range.size() > dmm::kRangeFieldSize))
        std::abort();
    dmm::fuzz::StreamLine identify(stream, streamSize, cuts, cutCount);
    dmm::MeterKind kind{};
    dmm::QueryMeterModel(&identify, kind);
    return 0;
}

// dmm-sim's scenario files and the request bytes it takes from the line: any text
// either fails with a reason or gives readings that fit the display payload, and any
// byte stream, in any pieces, gives one answer per command frame found.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "tools/dmm-sim/simulator.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    namespace sim = dmm::sim;
    const dmm::Result<std::vector<sim::SimReading>> parsed =
        sim::ParseScenario(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!parsed && parsed.reason().empty()) std::abort();  // a failure names its line
    if (parsed && parsed->empty()) std::abort();
    std::vector<sim::SimReading> readings = parsed.value_or({});
    for (const sim::SimReading& r : readings) {
        if (sim::BuildDisplayPayload(r).size() != 15) std::abort();
    }

    // The same bytes as requests, in pieces of up to 7 bytes, then whole. A failed file
    // plays one reading (the built-in demonstration would only slow the run down).
    if (readings.empty()) readings.push_back({6, "1.234", "0"});
    sim::Simulator a(readings);
    std::size_t framesA = 0;
    for (std::size_t at = 0; at < size;) {
        const std::size_t n = std::min<std::size_t>(1 + data[at] % 7, size - at);
        framesA += a.feed(data + at, n).size();
        at += n;
    }
    sim::Simulator b(readings);
    if (b.feed(data, size).size() != framesA) std::abort();  // the cuts change nothing
    return 0;
}

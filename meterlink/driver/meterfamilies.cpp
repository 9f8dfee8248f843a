#include "meterlink/driver/meterfamilies.h"

#include <algorithm>
#include <array>

#include "meterlink/driver/adaptordriver.h"
#include "meterlink/driver/chipdriver.h"

namespace dmm {

namespace {
constexpr std::array<std::string_view, 9> kNames{
    kAdaptorMeter,      kFs9721Meter,        kFs9922Meter,        kEs51922Meter, kAscii14Meter,
    kAscii14At600Meter, kAscii14At2400Meter, kAscii14At9600Meter, kUt71xMeter};
}  // namespace

std::span<const std::string_view> MeterNames() {
    return kNames;
}

bool IsMeterName(std::string_view name) {
    return std::ranges::find(kNames, name) != kNames.end();
}

std::unique_ptr<MeterDriver> MakeMeterDriver(std::string_view name) {
    if (name == kAdaptorMeter) return std::make_unique<AdaptorDriver>();
    const LineSettings fortune = ChipDriver::ChipLineSettings();
    if (name == kFs9721Meter)
        return std::make_unique<Fs9721Driver>(ChipFamily{fortune, chips::kFs9721Counts, {}});
    if (name == kFs9922Meter)
        return std::make_unique<Fs9922Driver>(ChipFamily{fortune, chips::kFs9922Counts, {}});
    if (name == kEs51922Meter)
        return std::make_unique<Es51922Driver>(
            ChipFamily{chips::kEs51922Line, chips::kEs51922Counts, {}});
    if (name == kUt71xMeter)
        return std::make_unique<Ut71xDriver>(
            ChipFamily{chips::kUt71xLine, chips::kUt71xCounts, {}});
    if (name == kAscii14Meter)
        return std::make_unique<Ascii14Driver>(
            ChipFamily{chips::kAscii14Line, chips::kAscii14Counts, chips::kAscii14Request});
    if (name == kAscii14At600Meter || name == kAscii14At2400Meter) {
        const int baud = name == kAscii14At600Meter ? 600 : 2400;
        return std::make_unique<Ascii14Driver>(
            ChipFamily{chips::Ascii14Line(baud), chips::kAscii14Counts, chips::kAscii14Request});
    }
    if (name == kAscii14At9600Meter)
        return std::make_unique<Ascii14SetDriver>(
            ChipFamily{chips::Ascii14Line(9600), chips::kAscii14Counts, chips::kAscii14Request});
    return nullptr;
}

bool MeterImportsMemory(std::string_view name) {
    return name == kAdaptorMeter;
}

}  // namespace dmm

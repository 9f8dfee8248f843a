#include "meterlink/driver/meterfamilies.h"

#include <algorithm>
#include <array>

#include "meterlink/driver/adaptordriver.h"
#include "meterlink/driver/chipdriver.h"

namespace dmm {

namespace {
constexpr std::array<std::string_view, 3> kNames{kAdaptorMeter, kFs9721Meter, kFs9922Meter};
}  // namespace

std::span<const std::string_view> MeterNames() {
    return kNames;
}

bool IsMeterName(std::string_view name) {
    return std::ranges::find(kNames, name) != kNames.end();
}

std::unique_ptr<MeterDriver> MakeMeterDriver(std::string_view name) {
    if (name == kAdaptorMeter) return std::make_unique<AdaptorDriver>();
    if (name == kFs9721Meter) return std::make_unique<Fs9721Driver>();
    if (name == kFs9922Meter) return std::make_unique<Fs9922Driver>();
    return nullptr;
}

bool MeterImportsMemory(std::string_view name) {
    return name == kAdaptorMeter;
}

}  // namespace dmm

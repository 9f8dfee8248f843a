#include "shell/rules/meterchoice.h"

#include <array>

#include "meterlink/driver/meterfamilies.h"
#include "resources/strnum.h"

namespace dmm {

namespace {
constexpr std::array<MeterChoice, 6> kChoices{{
    {kAdaptorMeter, str::AdaptorMeterChoice},
    {kFs9721Meter, str::Fs9721MeterChoice},
    {kFs9922Meter, str::Fs9922MeterChoice},
    {kEs51922Meter, str::Es51922MeterChoice},
    {kAscii14Meter, str::Ascii14MeterChoice},
    {kUt71xMeter, str::Ut71xMeterChoice},
}};
}  // namespace

std::span<const MeterChoice> MeterChoices() {
    return kChoices;
}

int MeterChoiceRow(std::string_view name) {
    for (std::size_t i = 0; i < kChoices.size(); ++i) {
        if (kChoices[i].name == name) return static_cast<int>(i);
    }
    return 0;
}

std::string_view MeterOfRow(int row) {
    if (row < 0 || row >= static_cast<int>(kChoices.size())) return kAdaptorMeter;
    return kChoices[static_cast<std::size_t>(row)].name;
}

}  // namespace dmm

#include "shell/rules/meterchoice.h"

#include <array>

#include "meterlink/driver/detector.h"
#include "meterlink/driver/meterfamilies.h"
#include "resources/strnum.h"

namespace dmm {

namespace {
// The families in the order of MeterNames(), then Detect.
constexpr std::array<MeterChoice, 10> kRows{{
    {kAdaptorMeter, str::AdaptorMeterChoice},
    {kFs9721Meter, str::Fs9721MeterChoice},
    {kFs9922Meter, str::Fs9922MeterChoice},
    {kEs51922Meter, str::Es51922MeterChoice},
    {kAscii14Meter, str::Ascii14MeterChoice},
    {kAscii14At600Meter, str::Ascii14At600MeterChoice},
    {kAscii14At2400Meter, str::Ascii14At2400MeterChoice},
    {kAscii14At9600Meter, str::Ascii14At9600MeterChoice},
    {kUt71xMeter, str::Ut71xMeterChoice},
    {kAutoMeter, str::DetectMeterChoice},
}};
}  // namespace

std::span<const MeterChoice> MeterChoices() {
    return kRows;
}

int MeterChoiceRow(std::string_view name) {
    for (std::size_t i = 0; i < kRows.size(); ++i) {
        if (kRows[i].name == name) return static_cast<int>(i);
    }
    return 0;
}

std::string_view MeterOfRow(int row) {
    if (row < 0 || row >= static_cast<int>(kRows.size())) return kAdaptorMeter;
    return kRows[static_cast<std::size_t>(row)].name;
}

int MeterChoiceText(std::string_view name) {
    for (const MeterChoice& row : kRows)
        if (row.name == name) return row.text;
    return 0;
}

std::string_view LinkMeterFor(std::string_view chosen, std::string_view detected) {
    const std::string_view meter = chosen == kAutoMeter ? detected : chosen;
    for (std::string_view name : MeterNames())
        if (name == meter) return name;
    return kAdaptorMeter;
}

}  // namespace dmm

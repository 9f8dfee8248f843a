// Values prepared from each reading for the analog meter, the comparator and the recorder.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "meterlink/meterreading.h"

namespace dmm {

// What the analog meter is handed with each reading.
struct AnalogValues {
    std::int32_t funcCode = 5;
    std::uint8_t NegativeFlag = 0;
    std::int32_t FullScale = 5000;
    std::int32_t NeedleCount = 0;
    std::int32_t DecimalShift = 2;
    // The reading's full-scale count when its meter gives one; 0: the scale follows
    // the function code.
    std::int32_t iFullScale = 0;
    char display[8] = {};
    char unit[8] = {};
    char func[8] = {};
};

// Updates the analog meter's values from the reading. Counts that cannot be
// taken from the display text keep their previous values, except for an
// overload, which is shown as 5500 of 5000 (a tenth past the full scale of the
// reading's dial where it has one). With a full-scale count the decimal shift is the
// one that makes the scale's labels times the multiplier read as the display.
void PrepareAnalogValues(const MeterReading& r, AnalogValues& a);

// The largest label of the dial that fits a full-scale count: 4 for 4000, 6 for
// 6000, 5 for 5000, 10 for 1000 or 10000, 20 for 2000; 0 when none fits.
int ScaleTop(std::int32_t fullScale);
// The full scale of the dial a range is shown on: its own count where a dial fits
// it, otherwise the smallest dial that holds it (22000 counts on the 0 to 4 dial
// of 40000); 0 stays 0.
std::int32_t DialFullScale(std::int32_t fullScale);

// What the comparator is handed with each reading.
struct ComparatorValues {
    std::int32_t funcCode = 0;
    float CompValue = 0;
    char unit[8] = {};
    char func[8] = {};
};

// Updates the comparator's values; returns true when CompValue was set (the
// comparator is then told), false when the display text gave no value.
// An overload lands half a window beyond the limit on its side. A display number
// beyond single precision counts as no value.
bool PrepareComparatorValues(const MeterReading& r, double hiLimit, double lowLimit,
                             ComparatorValues& c);

// The level an overload of a function code is charted at: mantissa, times ten to
// the range text when perRange is set. Empty: the function has no level.
struct OverloadLevel {
    long double mantissa = 0;
    bool perRange = false;
};
using OverloadLevels = std::optional<OverloadLevel> (*)(int funcCode);

// The levels of a live sample.
std::optional<OverloadLevel> LiveOverloadLevel(int funcCode);

// A number that single precision cannot hold is no value for the comparator or the chart.
std::optional<float> ToFloat(long double v);

// The value the recorder charts for a reading: value text + "E" + range text in
// single precision, or the overload level of the function code (negated for
// "-"); empty when the recorder drops the sample, which includes a value that
// single precision cannot hold.
std::optional<float> ChartedValue(const std::string& valueText, const std::string& rangeText,
                                  int funcCode, OverloadLevels levels = LiveOverloadLevel);

}  // namespace dmm

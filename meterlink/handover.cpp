#include "meterlink/handover.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <string_view>

#include "meterlink/labels.h"
#include "meterlink/numparse.h"

namespace dmm {

namespace {

bool Contains(std::string_view text, char c) {
    return text.find(c) != std::string_view::npos;
}

// Truncates toward zero; a scale too large for the field is held at its limit
// instead of wrapping (a display text padded with blanks can be 14 digits long).
std::int32_t TruncToInt32(double v) {
    if (!(v < 2147483648.0)) return std::numeric_limits<std::int32_t>::max();
    if (v < -2147483648.0) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(v);
}

// The multiplier's power of ten for a reading with its own full-scale count: the
// full scale reads as the top label times the multiplier.
std::int32_t ShiftForScale(std::int32_t shift, std::int32_t fullScale) {
    const int top = ScaleTop(fullScale);
    if (top == 0) return shift;
    std::int32_t power = shift - 3;
    for (std::int32_t q = fullScale / top; q >= 10; q /= 10) ++power;
    return power;
}

}  // namespace

std::optional<float> ToFloat(long double v) {
    if (!std::isfinite(v)) return std::nullopt;
    if (std::fabs(v) > static_cast<long double>(std::numeric_limits<float>::max())) {
        return std::nullopt;
    }
    return static_cast<float>(v);
}

int ScaleTop(std::int32_t fullScale) {
    if (fullScale <= 0) return 0;
    std::int32_t lead = fullScale;
    while (lead % 10 == 0 && lead >= 10) lead /= 10;
    switch (lead) {
        case 1:
            return 10;
        case 2:
            return 20;
        case 4:
        case 5:
        case 6:
            return lead;
        default:
            return 0;
    }
}

std::int32_t DialFullScale(std::int32_t fullScale) {
    if (fullScale <= 0 || ScaleTop(fullScale) != 0) return fullScale;
    // The dials' tops in each decade, as counts: 1, 2, 4, 5, 6 (times ten to a power).
    constexpr std::int32_t kLeads[] = {1, 2, 4, 5, 6};
    for (std::int64_t decade = 1; decade <= 100'000'000; decade *= 10) {
        for (std::int32_t lead : kLeads) {
            if (lead * decade >= fullScale) return static_cast<std::int32_t>(lead * decade);
        }
    }
    return fullScale;
}

void PrepareAnalogValues(const MeterReading& r, AnalogValues& a) {
    std::string display = FieldString(r.szDisplay);
    CopyCut(a.display, display);
    CopyCut(a.unit, FieldString(r.szUnit));
    CopyCut(a.func, FieldString(r.szFunc));
    a.funcCode = r.iFunc;
    const std::int32_t dial = DialFullScale(r.iFullScale);
    a.iFullScale = dial;

    std::string s = display;
    std::size_t dash = s.find('-');
    if (dash != std::string::npos) {
        s.erase(0, dash + 1);
        a.NegativeFlag = 1;
    } else {
        a.NegativeFlag = 0;
    }
    std::string t = s;
    std::size_t point = t.find('.');
    if (point != std::string::npos) t.erase(point, 1);

    std::optional<int> count = ParseInteger(t);
    if (!count) {
        if (Contains(r.sValue, 'L')) {
            // Overload: the needle goes just past the end of the scale.
            const std::int32_t full = dial > 0 ? dial : 5000;
            a.FullScale = full;
            a.NeedleCount = full + full / 10;
            a.DecimalShift = dial > 0 ? ShiftForScale(r.iShift, full) : r.iShift;
        }
        return;
    }
    a.NeedleCount = *count;
    a.DecimalShift = r.iShift;
    if (dial > 0) {
        // The meter says how far its range counts; the digits shown say nothing more.
        a.FullScale = dial;
        a.DecimalShift = ShiftForScale(r.iShift, dial);
        return;
    }
    const double digits = static_cast<double>(t.size());
    double fullScale;
    switch (r.iFunc) {
        case func::Frequency:
        case func::DecibelMilliwatt:
            fullScale = std::pow(10.0, digits);
            break;
        case func::Percent:
            fullScale = 1000;
            a.DecimalShift = 1;
            break;
        case func::Celsius:
        case func::Fahrenheit:
            fullScale = 2 * std::pow(10.0, digits);
            break;
        case func::Capacitance:
            fullScale =
                a.DecimalShift == 3 ? std::pow(10.0, digits) : 5 * std::pow(10.0, digits - 1);
            break;
        default:
            fullScale = 5 * std::pow(10.0, digits - 1);
            break;
    }
    a.FullScale = TruncToInt32(fullScale);
}

bool PrepareComparatorValues(const MeterReading& r, double hiLimit, double lowLimit,
                             ComparatorValues& c) {
    CopyCut(c.unit, FieldString(r.szUnit));
    CopyCut(c.func, FieldString(r.szFunc));
    c.funcCode = r.iFunc;

    if (std::optional<long double> v = ParseNumber(FieldString(r.szDisplay))) {
        if (std::optional<float> f = ToFloat(*v)) {
            c.CompValue = *f;
            return true;
        }
    }
    if (!Contains(r.sValue, 'L')) return false;
    // Overload: half a window beyond the limit on the side of the sign.
    const double window = hiLimit - lowLimit;
    const double substitute =
        Contains(r.sValue, '-') ? lowLimit - window * 0.5 : hiLimit + window * 0.5;
    c.CompValue = static_cast<float>(substitute);
    return true;
}

std::optional<OverloadLevel> LiveOverloadLevel(int funcCode) {
    switch (funcCode) {
        case func::VoltsAc:
        case func::VoltsDc:
        case func::VoltsAcDc:
        case func::Capacitance:
        case func::Ohms:
        case func::AmpsAc:
        case func::AmpsDc:
        case func::AmpsAcDc:
        case func::Frequency:
            return OverloadLevel{5.5L, true};
        case func::Volts20:
            return OverloadLevel{2.2L, true};
        case func::Celsius:
        case func::Fahrenheit:
        case func::DecibelMilliwatt:
            return OverloadLevel{1100, false};
        case func::Ohms384:
            return OverloadLevel{500, false};
        case func::Percent:
        case func::Percent2050:
            return OverloadLevel{110, false};
        default:
            return std::nullopt;
    }
}

std::optional<float> ChartedValue(const std::string& valueText, const std::string& rangeText,
                                  int funcCode, OverloadLevels levels) {
    if (std::optional<long double> v = ParseNumber(valueText + "E" + rangeText)) {
        return ToFloat(*v);
    }
    if (!Contains(valueText, 'L')) return std::nullopt;

    // Overload: a level just beyond the range, by function.
    const std::optional<OverloadLevel> found = levels ? levels(funcCode) : std::nullopt;
    if (!found) return std::nullopt;
    long double level = found->mantissa;
    if (found->perRange) {
        std::optional<int> n = ParseInteger(rangeText);
        if (!n) return std::nullopt;
        const long long k = *n;
        const long double p = std::pow(10.0L, static_cast<long double>(k < 0 ? -k : k));
        level = k < 0 ? level / p : level * p;
    }
    if (Contains(valueText, '-')) level = -level;
    return ToFloat(level);
}

}  // namespace dmm

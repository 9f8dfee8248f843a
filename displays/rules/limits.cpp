#include "displays/rules/limits.h"

#include <cmath>

#include "meterlink/numparse.h"
#include "resources/strings.h"

namespace dmm {

Judgement Judge(float CompValue, double HiLimit, double LowLimit) {
    const double value = CompValue;
    if (value > HiLimit) return Judgement::High;
    if (value < LowLimit) return Judgement::Low;
    return Judgement::Go;
}

std::optional<Tone> AlarmTone(float CompValue, double HiLimit, double LowLimit) {
    switch (Judge(CompValue, HiLimit, LowLimit)) {
        case Judgement::High:
            return kHighTone;
        case Judgement::Low:
            return kLowTone;
        case Judgement::Go:
            break;
    }
    return std::nullopt;
}

LimitEdit ConvertLimitText(std::string_view text, double heldLimit) {
    if (text.empty()) return {heldLimit, std::nullopt};
    std::optional<long double> value = ParseNumber(text);
    // A number beyond the range of a double is refused like any other bad text.
    if (value && std::isfinite(static_cast<double>(*value))) {
        return {static_cast<double>(*value), std::nullopt};
    }
    return {heldLimit, InvalidFloatText(text)};
}

std::string InvalidFloatText(std::string_view text) {
    std::string message = LoadStr(str::NotAFloat);
    std::size_t at = message.find("%s");
    if (at != std::string::npos) message.replace(at, 2, text);
    return message;
}

bool LimitsAcceptable(double HiLimit, double LowLimit) {
    return HiLimit > LowLimit;
}

}  // namespace dmm

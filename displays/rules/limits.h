// The comparator's judgement of a reading against its limits, and the editing
// of the limits in the limit dialog.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace dmm {

enum class Judgement { Go, High, Low };

// Both limits count as inside. The reading keeps the single precision it was
// handed in and is widened to double for the comparison, so a reading of 1.1
// (stored as 1.10000002...) is above a high limit of 1.1.
Judgement Judge(float CompValue, double HiLimit, double LowLimit);

struct Tone {
    int frequencyHz = 0;
    int durationMs = 0;
    friend bool operator==(const Tone&, const Tone&) = default;
};

constexpr Tone kHighTone{1047, 100};
constexpr Tone kLowTone{523, 100};

// The alarm tone for a reading, or none when it is inside the limits.
std::optional<Tone> AlarmTone(float CompValue, double HiLimit, double LowLimit);

// The limit after a change of a limit edit's text. The whole text is converted
// each time: an empty text changes nothing, a number becomes the limit, and any
// other text leaves the limit as it was and gives the conversion error to show.
struct LimitEdit {
    double limit = 0;
    std::optional<std::string> error;
};

LimitEdit ConvertLimitText(std::string_view text, double heldLimit);

// "'<text>' is not a valid floating point value"
std::string InvalidFloatText(std::string_view text);

// The limit dialog closes with OK only when the high limit is above the low
// one; otherwise it shows str::LimitSettingError and stays open.
bool LimitsAcceptable(double HiLimit, double LowLimit);

}  // namespace dmm

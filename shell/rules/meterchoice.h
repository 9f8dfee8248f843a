// The port dialog's "Meter:" list: every kind of meter the program talks to, the
// adaptor first, each shown by a text of its own, and last Detect, the meter a probe of
// the port finds (kAutoMeter).
#pragma once

#include <span>
#include <string_view>

namespace dmm {

struct MeterChoice {
    std::string_view name;  // as MeterNames() has it, or kAutoMeter
    int text;               // string number
};

// In the order of MeterNames(), then Detect.
std::span<const MeterChoice> MeterChoices();
// The row of a meter in the list; the adaptor's (0) for a name that is none.
int MeterChoiceRow(std::string_view name);
// The meter of a row; the adaptor for a row outside the list.
std::string_view MeterOfRow(int row);
// The text of a meter's row ("FS9721 chip"); empty for a name that is none.
int MeterChoiceText(std::string_view name);

// The meter the link talks to for a choice: a family as chosen; for Detect the family
// found last (detected), the adaptor while none has been found.
std::string_view LinkMeterFor(std::string_view chosen, std::string_view detected);

}  // namespace dmm

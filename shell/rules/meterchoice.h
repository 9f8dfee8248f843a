// The port dialog's "Meter:" list: every kind of meter the program talks to, the
// adaptor first, each shown by a text of its own.
#pragma once

#include <span>
#include <string_view>

namespace dmm {

struct MeterChoice {
    std::string_view name;  // as MeterNames() has it
    int text;               // string number
};

// In the order of MeterNames().
std::span<const MeterChoice> MeterChoices();
// The row of a meter in the list; the adaptor's (0) for a name that is none.
int MeterChoiceRow(std::string_view name);
// The meter of a row; the adaptor for a row outside the list.
std::string_view MeterOfRow(int row);

}  // namespace dmm

// The numbered string table: every text the user sees is loaded from here by number.
#pragma once

#include <string>

namespace dmm {

// The text of a string number; empty for a number that is not in the table.
const std::string& LoadStr(int number);

// "Error[E%d]" or "Warning[W%d]" filled with the number of the message text.
std::string MessageCaption(int formatNumber, int textNumber);

namespace str {
// Caption formats.
constexpr int WarningCaption = 8999;
constexpr int ErrorCaption = 9999;
}  // namespace str

}  // namespace dmm

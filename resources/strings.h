// The numbered string table: every text the user sees is loaded from here by number.
#pragma once

#include <string>

#include "resources/strnum.h"

namespace dmm {

// The text of a string number; empty for a number that is not in the table.
const std::string& LoadStr(int number);

// "Error[E%d]" or "Warning[W%d]" filled with the number of the message text.
std::string MessageCaption(int formatNumber, int textNumber);

}  // namespace dmm

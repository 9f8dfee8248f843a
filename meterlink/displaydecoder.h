// Decoding of one display frame into the reading, and the poll's bookkeeping.
#pragma once

#include <cstdint>
#include <string>

#include "meterlink/meterreading.h"

namespace dmm {

// The overload forms by decimal point position.
extern const char* const kOverloadForms[4];  // " .OL ", " O.L ", " OL. ", " OL "

// Stores a frame that arrived (status word, value text, range text) into the
// reading: " 0." becomes five blanks, iFunc is the status word without bit 31,
// and the full-scale count is left to the analog meter's rules (0).
void StoreFrame(MeterReading& r, std::uint32_t status, const std::string& value,
                const std::string& range);

// Decodes the stored frame by function code: dValue, iShift, iOlPoint, szDisplay,
// the data panel text, then iUnitExp, szUnit and szFunc. State carried from the
// previous frame (iShift, iOlPoint, szDisplay) is used as the rules say. A range
// text that is not an integer takes the code's fallback (raw, or an overload form).
// Run it once per stored frame: codes 32 and 64 drop the unit letter from sValue
// and lower sRange by one.
void DecodeReading(MeterReading& r);

}  // namespace dmm

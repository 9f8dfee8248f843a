// The one current reading: written by every successful poll, read by every window.
#pragma once

#include <cstdint>
#include <string>

namespace dmm {

struct MeterReading {
    std::int32_t iNoDataCount = 0;  // consecutive polls without a reply (0..2 between polls)
    std::string sValue;  // value text; " 0." is stored as five blanks; codes 32/64 lose their last
                         // character
    std::string sRange;  // range text; codes 32/64 hold the exponent minus one
    std::uint32_t dwStatus = 0;  // status word; bit 31 = low battery
    std::int32_t iFunc = 0;      // function code
    double dValue = 0;           // parsed value (codes 0, 32, 64 already scaled)
    std::int32_t iShift = 0;     // decimal shift of the display
    std::int32_t iOlPoint = 0;   // decimal point position of the overload forms
    std::int32_t iUnitExp = 0;   // prefix exponent
    char szDisplay[16] = {};     // display text: formatted value, overload form or value text
    char szUnit[8] = {};         // unit text (prefix)
    char szFunc[12] = {};        // function text (symbol)
    // Full-scale count of the range the reading was taken on (4000 for a 4000-count
    // meter); 0 leaves the analog meter's scale to its rules for the adaptor's readings.
    std::int32_t iFullScale = 0;

    // Not part of the record proper: what the digital meter's data panel shows
    // ("----" for function codes without a display rule).
    std::string dataPanelText;
};

}  // namespace dmm

// What the LCD of a meter built on a measuring chip shows, and how such a display
// becomes the program's reading. The chips stream their display a few times a
// second without being asked; each family has a packet reader of its own that
// yields an LcdReading for every packet that holds a display the chip can show.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "meterlink/meterreading.h"

namespace dmm::chips {

// The quantity the LCD's unit annunciators name; None when no unit is lit.
enum class Quantity { None, Volts, Amps, Ohms, Farads, Hertz, Percent, Celsius, Fahrenheit, Hfe };
enum class Coupling { None, Ac, Dc };

// A blank digit and the "L" of the overload display, as LcdReading::digits holds them.
constexpr char kBlankDigit = ' ';
constexpr char kOverloadDigit = 'L';

struct LcdReading {
    bool negative = false;
    // Left to right, four or five of them: '0'..'9', kBlankDigit or kOverloadDigit.
    std::string digits = std::string(4, kBlankDigit);
    int point = 0;   // digits left of the decimal point, 1 .. digits - 1; 0 = no point
    int prefix = 0;  // exponent of the lit prefix: -9 n, -6 u, -3 m, 0, 3 k, 6 M
    Quantity quantity = Quantity::None;
    Coupling coupling = Coupling::None;
    bool diode = false;
    bool continuity = false;  // the beeper annunciator
    bool lowBattery = false;
    bool hold = false;
    bool relative = false;
    bool autoRange = false;
    // The range's full-scale count where the chip's range table gives it; 0 leaves
    // it to FullScaleCount.
    std::int32_t fullScale = 0;

    friend bool operator==(const LcdReading&, const LcdReading&) = default;
};

// Whether the digits are a display the chips show: four or five of them, leading
// blanks, then digits (the digit left of the point never blank); or the overload
// display, a "0" and an "L" side by side among blanks.
bool DigitsShowable(std::string_view digits, int point);
bool IsOverload(const LcdReading& lcd);

// The function code the program files the reading under: DC or AC volts and
// amps, volts without a coupling (20), ohms (continuity too), farads, hertz,
// percent, degrees; diode test is DC volts. hFE, amps without a coupling and a
// display without a unit have no code of their own: 0, shown with empty labels.
int ChipFunctionCode(const LcdReading& lcd);

// Full-scale counts of the chips' ranges: the frequency counters count to 9999,
// duty cycle to 99.9 %.
constexpr std::int32_t kFs9721Counts = 4000;
constexpr std::int32_t kFs9922Counts = 6000;
// lcd.fullScale where the chip gives one, otherwise the above.
std::int32_t FullScaleCount(const LcdReading& lcd, std::int32_t chipCounts);

// Writes the complete reading of a display into r, as the adaptor's decoding
// fills it: function code, status word (bit 31 = low battery), value text and
// range text (value text x 10^range = the value in the base unit), display text
// as the LCD shows it (leading blanks dropped; an overload in the program's
// overload forms, a five-digit display without a point in the form without one), unit and function
// texts from the label tables, the decimal shift, the prefix exponent and the full-scale count. The
// no-data count is left alone; an overload leaves dValue as it was.
void FillReading(const LcdReading& lcd, std::int32_t chipCounts, MeterReading& r);

}  // namespace dmm::chips

// Packets that the tests' chip meters send.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "meterlink/chips/fs9721.h"

namespace dmm::test {

// An FS9721 meter showing a DC voltage: digits as the display holds them, point as in
// chips::LcdReading ("1234" with point 1 reads 1.234 V).
inline std::vector<std::uint8_t> Fs9721VoltsDc(const std::string& digits, int point) {
    chips::LcdReading lcd;
    lcd.digits = digits;
    lcd.point = point;
    lcd.quantity = chips::Quantity::Volts;
    lcd.coupling = chips::Coupling::Dc;
    const chips::Fs9721Packet packet = chips::EncodeFs9721(lcd);
    return {packet.begin(), packet.end()};
}

}  // namespace dmm::test

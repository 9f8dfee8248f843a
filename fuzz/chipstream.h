// What the chip packet readers' fuzz targets check of any byte stream: cut into
// pieces anywhere it gives the same displays as in one read, every display is one
// the chip can show and survives its own packet, and the reading made of it is
// complete and consistent (value text x 10^range, fields cut to size).
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "logger/data/logrecord.h"
#include "meterlink/chips/lcd.h"
#include "meterlink/handover.h"
#include "meterlink/numparse.h"

namespace dmm::fuzz {

template <std::size_t N>
void CheckTerminated(const char (&field)[N]) {
    if (field[N - 1] != '\0') std::abort();
}

template <class Reader, class Encode, class Decode>
void CheckChipStream(const std::uint8_t* data, std::size_t size, std::int32_t counts, Encode encode,
                     Decode decode) {
    Reader whole;
    std::vector<chips::LcdReading> once;
    whole.feed(data, size, once);
    Reader pieces;
    std::vector<chips::LcdReading> cut;
    for (std::size_t at = 0; at < size;) {
        const std::size_t n = std::min<std::size_t>(1 + data[at] % 13, size - at);
        pieces.feed(data + at, n, cut);
        at += n;
    }
    if (once != cut || whole.dropped() != pieces.dropped()) std::abort();
    if (whole.accepted() != once.size()) std::abort();

    MeterReading r;
    AnalogValues analog;
    ComparatorValues comparator;
    for (const chips::LcdReading& lcd : once) {
        if (!chips::DigitsShowable(lcd.digits, lcd.point)) std::abort();
        if (decode(encode(lcd)) != lcd) std::abort();
        chips::FillReading(lcd, counts, r);
        CheckTerminated(r.szDisplay);
        CheckTerminated(r.szUnit);
        CheckTerminated(r.szFunc);
        if (r.iFullScale <= 0) std::abort();
        const bool overload = r.sValue.find('L') != std::string::npos;
        if (overload != chips::IsOverload(lcd)) std::abort();
        if (!overload && !ParseNumber(r.sValue + "E" + r.sRange)) std::abort();
        PrepareAnalogValues(r, analog);
        if (analog.FullScale != DialFullScale(r.iFullScale)) std::abort();
        PrepareComparatorValues(r, 300, 100, comparator);
        SampleReading(r, LocalTime{12, 34, 56, 789});
    }
}

}  // namespace dmm::fuzz

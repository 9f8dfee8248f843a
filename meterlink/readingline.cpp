#include "meterlink/readingline.h"

#include "meterlink/handover.h"
#include "meterlink/numparse.h"

namespace dmm {

std::string ReadingFields(const MeterReading& r) {
    std::string line = std::to_string(r.iFunc);
    for (const std::string& field : {r.sValue, r.sRange, FieldString(r.szDisplay),
                                     FieldString(r.szUnit), FieldString(r.szFunc)}) {
        line += '\t';
        line += field;
    }
    line += '\t';
    std::optional<float> charted = ChartedValue(r.sValue, r.sRange, r.iFunc);
    line += charted ? Format("%.9g", static_cast<double>(*charted)) : std::string("-");
    return line;
}

std::optional<std::vector<std::uint8_t>> ParseHexBytes(std::string_view line) {
    std::vector<std::uint8_t> bytes;
    int pending = -1;
    for (char c : line) {
        if (c == ' ' || c == '\t' || c == '\r') continue;
        int digit;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else {
            return std::nullopt;
        }
        if (pending < 0) {
            pending = digit;
        } else {
            bytes.push_back(static_cast<std::uint8_t>(pending * 16 + digit));
            pending = -1;
        }
    }
    if (pending >= 0) return std::nullopt;
    return bytes;
}

}  // namespace dmm

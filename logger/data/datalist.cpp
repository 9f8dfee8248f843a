#include "logger/data/datalist.h"

#include "meterlink/labels.h"
#include "meterlink/numparse.h"

namespace dmm {

std::string DataListLine(std::size_t index, const LogRecord& r) {
    std::string line = std::to_string(index + 1);
    line += ',';
    line += FieldString(r.szTime);
    line += ',';
    line += FieldString(r.szDisplay);
    line += FieldString(r.szUnit);
    // The stored "W" needs the symbol font to read as the ohm sign; the list spells it out.
    if (r.iFunc == func::Ohms || r.iFunc == func::Ohms384)
        line += " Ohm";
    else
        line += FieldString(r.szFunc);
    return line;
}

int SheetOfRecord(std::size_t index) {
    return static_cast<int>(index / kLinesPerSheet) + 1;
}

int SheetCount(std::size_t lines) {
    return static_cast<int>(lines / kLinesPerSheet) + 1;
}

RecordRange SheetRange(int sheet, std::size_t lines) {
    if (sheet < 1) return {};
    std::size_t first = static_cast<std::size_t>(sheet - 1) * kLinesPerSheet;
    if (first >= lines) return {lines, 0};
    std::size_t count = lines - first < kLinesPerSheet ? lines - first : kLinesPerSheet;
    return {first, count};
}

std::string SheetCaption(int sheet) {
    return "Sheet" + std::to_string(sheet);
}

}  // namespace dmm

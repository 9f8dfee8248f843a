// The data list: one text line per record of the recorder's buffer, split into
// sheets of 32000 lines. The window shows each sheet as a view of a range of
// the buffer and formats a line only when it is drawn.
#pragma once

#include <cstddef>
#include <string>

#include "logger/data/logrecord.h"

namespace dmm {

constexpr std::size_t kLinesPerSheet = 32000;

// "<index + 1>,<time>,<display><unit><function>", with " Ohm" in place of the
// function text for the resistance codes.
std::string DataListLine(std::size_t index, const LogRecord& record);

// The sheet (1-based) that holds the line of the record at index.
int SheetOfRecord(std::size_t index);

// Sheets that exist once `lines` lines have been added: a full sheet is
// followed at once by an empty one.
int SheetCount(std::size_t lines);

// The records shown on a sheet (1-based) when `lines` lines exist.
struct RecordRange {
    std::size_t first = 0;
    std::size_t count = 0;
};
RecordRange SheetRange(int sheet, std::size_t lines);

// "Sheet" + number
std::string SheetCaption(int sheet);

}  // namespace dmm

// The text export of the recorder's readings: one line per record, "n,time,value" with
// CR LF, no header line, for a range of the recorder's pages.
#pragma once

#include <cstddef>
#include <string>

#include "logger/data/fileops.h"
#include "logger/data/logrecord.h"

namespace dmm {

// A value in the general number format with 7 significant digits: plain notation from
// 0.0001 up to below 10,000,000, otherwise "1.234568E7" or "1.234E-6"; trailing zeros and a
// trailing decimal point dropped; zero is "0".
std::string FormatExportValue(float value);

// Appends the line of record `index` (numbered index + 1) to out.
void AppendExportLine(std::string& out, std::size_t index, const LogRecord& record);

// The lines of pages from..to (1-based, ascending) as the recorder pages the list.
class TextExport {
public:
    TextExport(const LogList& list, int pointsPerPage, int pageCount, int from, int to);

    // The next piece of the text, about chunkBytes long; false when there is no more.
    bool Next(std::string& chunk, std::size_t chunkBytes = std::size_t{64} * 1024);
    // All of it.
    std::string All();
    // How many lines it holds.
    std::size_t LineCount() const;

private:
    const LogList& list_;
    int pointsPerPage_;
    int pageCount_;
    int from_;
    int page_;
    int to_;
    std::size_t next_ = 0;  // record of page_ to write next
    std::size_t end_ = 0;   // one past the last record of page_
    bool started_ = false;

    bool enterPage();
};

// Writes the text of pages from..to to path through the atomic save: an existing file is
// replaced only by a complete new one.
Status SaveTextExport(const std::string& path, const LogList& list, int pointsPerPage,
                      int pageCount, int from, int to, FileOps& ops = SystemFileOps());

}  // namespace dmm

// A logger file's records in the reading schema: CSV with a header row, or JSON lines, for
// a range of the recorder's pages.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "logger/data/fileops.h"
#include "logger/data/logrecord.h"
#include "logger/data/readingschema.h"

namespace dmm {

// The records of a list as schema readings: the run is the file's, seq and sample the
// record's number (from 1 over the whole list), the time as RecordTimes gives it from the
// first record on. Ask for indexes in ascending order; skipped records still move the date.
class RecordReadings {
public:
    explicit RecordReadings(const LogList& list,
                            std::optional<CalendarDate> firstDate = std::nullopt);
    SchemaReading At(std::size_t index);
    const std::string& run() const { return run_; }

private:
    const LogList& list_;
    std::string run_;
    RecordTimes times_;
    std::size_t next_ = 0;  // the first record whose time has not been taken
};

enum class RecordFormat { Csv, Json };

class SchemaExport {
public:
    SchemaExport(const LogList& list, RecordFormat format, int pointsPerPage, int pageCount,
                 int from, int to, std::optional<CalendarDate> firstDate = std::nullopt);

    // The next piece, about chunkBytes long; false when there is no more.
    bool Next(std::string& chunk, std::size_t chunkBytes = std::size_t{64} * 1024);
    std::string All();

private:
    RecordReadings readings_;
    RecordFormat format_;
    std::size_t next_ = 0;
    std::size_t end_ = 0;
    bool headerDone_ = false;
};

// Writes the export through the atomic save: an existing file is replaced only by a
// complete new one.
Status SaveSchemaExport(const std::string& path, SchemaExport& content,
                        FileOps& ops = SystemFileOps());

}  // namespace dmm

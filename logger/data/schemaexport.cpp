#include "logger/data/schemaexport.h"

#include "logger/data/pages.h"

namespace dmm {

RecordReadings::RecordReadings(const LogList& list, std::optional<CalendarDate> firstDate)
    : list_(list), run_(FileRunId(list)), times_(firstDate) {}

SchemaReading RecordReadings::At(std::size_t index) {
    for (; next_ < index; ++next_) times_.Next(list_[next_].szTime);
    SchemaReading r = SchemaOfRecord(list_[index]);
    r.run = run_;
    r.seq = static_cast<long long>(index) + 1;
    r.sample = r.seq;
    r.time = times_.Next(list_[index].szTime);
    next_ = index + 1;
    return r;
}

SchemaExport::SchemaExport(const LogList& list, RecordFormat format, int pointsPerPage,
                           int pageCount, int from, int to, std::optional<CalendarDate> firstDate)
    : readings_(list, firstDate), format_(format) {
    // The pages of a range follow each other: their records are one stretch of the list.
    bool found = false;
    for (int page = from; page <= to; ++page) {
        const PageSpan span = PageRecords(list.size(), pointsPerPage, pageCount, page);
        if (span.count == 0) continue;
        if (!found) next_ = span.first;
        found = true;
        end_ = span.first + span.count;
    }
    headerDone_ = format != RecordFormat::Csv;
}

bool SchemaExport::Next(std::string& chunk, std::size_t chunkBytes) {
    chunk.clear();
    if (!headerDone_) {
        chunk = CsvHeader();
        headerDone_ = true;
    }
    while (chunk.size() < chunkBytes && next_ < end_) {
        const SchemaReading r = readings_.At(next_++);
        if (format_ == RecordFormat::Csv) {
            AppendCsvRow(chunk, r);
        } else {
            AppendJsonLine(chunk, r);
        }
    }
    return !chunk.empty();
}

std::string SchemaExport::All() {
    std::string all, chunk;
    while (Next(chunk)) all += chunk;
    return all;
}

Status SaveSchemaExport(const std::string& path, SchemaExport& content, FileOps& ops) {
    return SaveFileAtomically(
        path, [&](std::string& chunk) { return content.Next(chunk); }, ops);
}

}  // namespace dmm

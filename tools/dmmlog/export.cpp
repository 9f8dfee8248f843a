// dmmlog export: a logger file's readings as the text lines of the recorder's export, or as
// CSV or JSON lines for other programs.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "logger/data/pages.h"
#include "logger/data/schemaexport.h"
#include "logger/data/textexport.h"
#include "tools/dmmlog/cli.h"
#include "tools/dmmlog/loggerinput.h"

namespace dmm::cli {

namespace {

const char* const kHelp =
    "usage: dmmlog export FILE.g26 [--format text|csv|json] [--date YYYY-MM-DD]\n"
    "                     [--pages A-B] [--out FILE]\n"
    "\n"
    "Writes the readings of a logger data file.\n"
    "\n"
    "  --format text  (default) as the desktop program's text export does: one line per\n"
    "                 record, 'number,time,value' with CR LF line ends, no header; the\n"
    "                 number counts from 1 over the whole file, the value has 7\n"
    "                 significant digits\n"
    "  --format csv   a header row, then one row per record with the columns run, seq,\n"
    "                 sample, time, value, unit, prefix, display, function, overload,\n"
    "                 low_battery; quoted where a field needs it, '.' as decimal point,\n"
    "                 CR LF line ends. value is in the base unit (V, A, \u03a9, F, Hz, %,\n"
    "                 \u00b0C, \u00b0F, dBm), empty on overload (overload is true then)\n"
    "  --format json  the same fields as one JSON object per line; value null on overload\n"
    "  --date D       the date of the first record (records keep only the time of day):\n"
    "                 csv and json give each time as YYYY-MM-DDTHH:MM:SS.t, the date moving\n"
    "                 on at every midnight the times pass\n"
    "  --pages A-B    only pages A to B (or page A) as the recorder shows the file, in\n"
    "                 pages of 200 points anchored at the newest record; page 1 holds\n"
    "                 what is left over and may be empty. Default: all pages. A range\n"
    "                 reaching beyond the pages is limited to them.\n"
    "  --out FILE     write FILE instead of standard output; it is replaced only by a\n"
    "                 complete new file, never left half-written\n"
    "\n"
    "Exit status: 0 when written, 1 when the file could not be read or the output\n"
    "not written, 2 for bad usage (a bad page range among it).\n";

int Saved(const Status& saved) {
    if (saved) return 0;
    std::fprintf(stderr, "dmmlog export: %s\n", saved.reason().c_str());
    return 1;
}

int Written(const ChunkSource& next) {
    std::string chunk;
    while (next(chunk)) {
        if (std::fwrite(chunk.data(), 1, chunk.size(), stdout) != chunk.size()) break;
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "dmmlog export: standard output: %s\n", std::strerror(errno));
        return 1;
    }
    return 0;
}

}  // namespace

int Export(int argc, char** argv) {
    const std::string path = TakeFileArgument(argc, argv);
    Options opts({"pages", "out", "format", "date"}, {"help"});
    if (!opts.parse(argc, argv)) {
        std::fprintf(stderr, "dmmlog export: %s\n\n%s", opts.error().c_str(), kHelp);
        return 2;
    }
    if (opts.has("help")) {
        std::fputs(kHelp, stdout);
        return 0;
    }
    if (path.empty()) {
        std::fprintf(stderr, "dmmlog export: which logger file?\n\n%s", kHelp);
        return 2;
    }
    const std::string format = opts.value("format", "text");
    if (format != "text" && format != "csv" && format != "json") {
        std::fprintf(stderr, "dmmlog export: --format must be text, csv or json, not '%s'\n\n%s",
                     format.c_str(), kHelp);
        return 2;
    }
    std::optional<CalendarDate> date;
    if (opts.has("date")) {
        date = ParseIsoDate(opts.value("date"));
        if (!date) {
            std::fprintf(stderr, "dmmlog export: --date must be a date YYYY-MM-DD, not '%s'\n",
                         opts.value("date").c_str());
            return 2;
        }
        if (format == "text") {
            std::fprintf(stderr, "dmmlog export: --date goes with --format csv or json\n");
            return 2;
        }
    }
    LogList list;
    if (!ReadWholeLoggerFile("export", path, list)) return 1;
    int from = 0, to = 0;
    if (!ChosenPages("export", opts, list.size(), from, to)) return 2;
    const int pageCount = PageCountFor(list.size(), kFilePointsPerPage);

    if (format != "text") {
        SchemaExport rows(list, format == "csv" ? RecordFormat::Csv : RecordFormat::Json,
                          kFilePointsPerPage, pageCount, from, to, date);
        if (opts.has("out")) return Saved(SaveSchemaExport(opts.value("out"), rows));
        return Written([&](std::string& chunk) { return rows.Next(chunk); });
    }
    if (opts.has("out")) {
        return Saved(
            SaveTextExport(opts.value("out"), list, kFilePointsPerPage, pageCount, from, to));
    }
    TextExport text(list, kFilePointsPerPage, pageCount, from, to);
    return Written([&](std::string& chunk) { return text.Next(chunk); });
}

}  // namespace dmm::cli

// dmmlog export: a logger file's readings as the text lines of the recorder's export.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "logger/data/pages.h"
#include "logger/data/textexport.h"
#include "tools/dmmlog/cli.h"
#include "tools/dmmlog/loggerinput.h"

namespace dmm::cli {

namespace {

const char* const kHelp =
    "usage: dmmlog export FILE.g26 [--pages A-B] [--out FILE.csv]\n"
    "\n"
    "Writes the readings of a logger data file as the desktop program's text export\n"
    "does: one line per record, 'number,time,value' with CR LF line ends, no header;\n"
    "the number counts from 1 over the whole file, the value has 7 significant digits.\n"
    "\n"
    "  --pages A-B  only pages A to B (or page A) as the recorder shows the file, in\n"
    "               pages of 200 points anchored at the newest record; page 1 holds\n"
    "               what is left over and may be empty. Default: all pages. A range\n"
    "               reaching beyond the pages is limited to them.\n"
    "  --out FILE   write FILE instead of standard output; it is replaced only by a\n"
    "               complete new file, never left half-written\n"
    "\n"
    "Exit status: 0 when written, 1 when the file could not be read or the output\n"
    "not written, 2 for bad usage (a bad page range among it).\n";

}  // namespace

int Export(int argc, char** argv) {
    const std::string path = TakeFileArgument(argc, argv);
    Options opts({"pages", "out"}, {"help"});
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
    LogList list;
    if (!ReadWholeLoggerFile("export", path, list)) return 1;
    int from = 0, to = 0;
    if (!ChosenPages("export", opts, list.size(), from, to)) return 2;
    const int pageCount = PageCountFor(list.size(), kFilePointsPerPage);

    if (opts.has("out")) {
        const IoStatus saved =
            SaveTextExport(opts.value("out"), list, kFilePointsPerPage, pageCount, from, to);
        if (!saved) {
            std::fprintf(stderr, "dmmlog export: %s\n", saved.message.c_str());
            return 1;
        }
        return 0;
    }
    TextExport text(list, kFilePointsPerPage, pageCount, from, to);
    std::string chunk;
    while (text.Next(chunk)) {
        if (std::fwrite(chunk.data(), 1, chunk.size(), stdout) != chunk.size()) break;
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "dmmlog export: standard output: %s\n", std::strerror(errno));
        return 1;
    }
    return 0;
}

}  // namespace dmm::cli

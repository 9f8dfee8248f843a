// dmmlog recover: the temporary files that a recorder which did not end
// normally left behind, listed, and saved as logger files.
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "logger/data/loggerfile.h"
#include "logger/data/recovery.h"
#include "tools/dmmlog/cli.h"

namespace dmm::cli {

namespace {

const char* const kHelp =
    "usage: dmmlog recover [FOLDER]\n"
    "       dmmlog recover [FOLDER] --file NAME --out FILE.g26 [--force]\n"
    "\n"
    "Lists the recorder's temporary files (~NDMDL<n>.TMP) in FOLDER (default: the\n"
    "current folder) that no running program holds: those of a run that did not end\n"
    "normally (a crash, a killed program, a power cut). One tab-separated line per\n"
    "file, the newest first: file name, number of samples, time labels of the first\n"
    "and of the last sample ('-' when the file holds none).\n"
    "\n"
    "  --file NAME    the left-over to save, as listed\n"
    "  --out FILE     the logger file to save its samples to; it is written beside\n"
    "                 its target and takes its place only when complete\n"
    "  --force        replace an existing FILE\n"
    "\n"
    "The temporary file is left in place: delete it once its samples are saved.\n"
    "Files that a running dmmlogger holds are passed by (standard error says how many).\n"
    "Exit status: 0 when the listing or the save worked, 1 when the folder or a file\n"
    "could not be read or written or NAME is no left-over, 2 for bad usage.\n";

int Usage(const std::string& error) {
    std::fprintf(stderr, "dmmlog recover: %s\n\n%s", error.c_str(), kHelp);
    return 2;
}

const char* OrDash(const std::string& s) {
    return s.empty() ? "-" : s.c_str();
}

int List(const std::filesystem::path& folder) {
    const LeftOverScan scan = FindLeftOverFiles(folder);
    if (!scan.status) {
        std::fprintf(stderr, "dmmlog recover: %s\n", scan.status.reason().c_str());
        return 1;
    }
    for (const LeftOverFile& f : scan.files)
        std::printf("%s\t%zu\t%s\t%s\n", f.name.c_str(), f.records, OrDash(f.firstTime),
                    OrDash(f.lastTime));
    if (scan.inUse > 0)
        std::fprintf(stderr, "dmmlog recover: %d temporary file(s) in use by a running program\n",
                     scan.inUse);
    return 0;
}

int Save(const std::filesystem::path& folder, const std::string& name, const std::string& out,
         bool force) {
    const std::filesystem::path path = folder / name;
    if (!IsTempFileName(name)) {
        std::fprintf(stderr, "dmmlog recover: %s: not a temporary file name (~NDMDL<n>.TMP)\n",
                     name.c_str());
        return 1;
    }
    if (TempFileInUse(path)) {
        std::fprintf(stderr, "dmmlog recover: %s: in use by a running program\n",
                     path.string().c_str());
        return 1;
    }
    const std::optional<LeftOverFile> file = LeftOverNamed(folder, name);
    if (!file) {
        std::fprintf(stderr, "dmmlog recover: %s: no such temporary file\n", path.string().c_str());
        return 1;
    }
    if (file->records == 0) {
        std::fprintf(stderr, "dmmlog recover: %s holds no sample; nothing saved\n",
                     path.string().c_str());
        return 1;
    }
    std::error_code ec;
    if (!force &&
        std::filesystem::symlink_status(out, ec).type() != std::filesystem::file_type::not_found) {
        std::fprintf(stderr, "dmmlog recover: %s exists (--force replaces it)\n", out.c_str());
        return 1;
    }
    LogList records;
    if (Status read = ReadLoggerFile(path.string(), records); !read) {
        std::fprintf(stderr, "dmmlog recover: %s\n", read.reason().c_str());
        return 1;
    }
    if (Status saved = SaveLoggerFile(out, records); !saved) {
        std::fprintf(stderr, "dmmlog recover: %s\n", saved.reason().c_str());
        return 1;
    }
    std::fprintf(stderr, "dmmlog recover: %zu sample(s) of %s saved to %s\n", records.size(),
                 name.c_str(), out.c_str());
    return 0;
}

}  // namespace

int Recover(int argc, char** argv) {
    // The folder may stand anywhere among the options.
    std::vector<char*> options;
    std::vector<std::string> folders;
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--", 0) != 0) {
            folders.push_back(arg);
            continue;
        }
        options.push_back(argv[i]);
        if ((arg == "--file" || arg == "--out") && i + 1 < argc) options.push_back(argv[++i]);
    }
    Options opts({"file", "out"}, {"force", "help"});
    if (!opts.parse(static_cast<int>(options.size()), options.data())) return Usage(opts.error());
    if (opts.has("help")) {
        std::fputs(kHelp, stdout);
        return 0;
    }
    if (folders.size() > 1) return Usage("more than one folder given");
    const std::filesystem::path folder = folders.empty() ? "." : folders.front();
    if (opts.has("file") != opts.has("out")) return Usage("--file and --out go together");
    if (opts.has("force") && !opts.has("out")) return Usage("--force needs --out");
    if (!opts.has("file")) return List(folder);
    if (opts.value("file").empty() || opts.value("out").empty())
        return Usage("--file and --out need a name");
    return Save(folder, opts.value("file"), opts.value("out"), opts.has("force"));
}

}  // namespace dmm::cli

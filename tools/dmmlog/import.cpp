// dmmlog import: the recorder's Import without a desktop. The meter's stored log
// is read over the line (or from a saved stream image), decoded as the recorder
// decodes it and written as a logger file in one piece.
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "logger/data/fileops.h"
#include "logger/data/loggerfile.h"
#include "logger/import/importsession.h"
#include "meterlink/meterlink.h"
#include "meterlink/numparse.h"
#include "resources/strings.h"
#include "tools/dmmlog/cli.h"

namespace dmm::cli {

namespace {

using SteadyClock = std::chrono::steady_clock;

// The line's pace: 9600 baud with a start and a stop bit, and the pause after each command.
constexpr double kBytesPerSecond = 960;
constexpr double kPauseSeconds = 0.25;

const char* const kHelp =
    "usage: dmmlog import --port COMn|DEVICE --out FILE.g26 [--force] [--save-image FILE]\n"
    "       dmmlog import --image FILE --out FILE.g26 [--force]\n"
    "\n"
    "Reads the log that the meter keeps in its own memory and writes its readings as\n"
    "a logger data file (68 bytes a reading, the format the desktop program saves and\n"
    "opens), exactly as the recorder's Import decodes them: elapsed time from the\n"
    "start of the log, value, range, display text, unit and chart value.\n"
    "\n"
    "The meter is identified first; a meter without built-in logging is refused.\n"
    "Then the header block and every block of the log are read, 512 bytes each, at\n"
    "the line's pace: a full memory of four banks (512 blocks, 43,651 readings)\n"
    "takes about seven minutes at 9600 baud.\n"
    "\n"
    "  --port COMn|DEVICE  COM1..COM10 (see 'dmmlog ports') or a device path\n"
    "  --image FILE        decode a saved stream image instead of reading the meter\n"
    "  --out FILE          the logger file to write\n"
    "  --force             replace existing files (--out, --save-image)\n"
    "  --save-image FILE   also keep the raw stream as the meter sent it, for a bug\n"
    "                      report; it can be decoded again later with --image\n"
    "\n"
    "An existing output file is left alone unless --force is given. The output is\n"
    "written only once everything was read and decoded, and replaces its target in\n"
    "one step: an import that fails or is interrupted leaves no file behind.\n"
    "Progress goes to standard error about once a second (bytes read and the time\n"
    "left at the line's pace); Ctrl+C or SIGTERM abort the import cleanly.\n"
    "Readings that cannot be decoded are left out with a warning. Exit status: 0\n"
    "when the file was written, 1 when the line, the meter or a file failed (with\n"
    "the reason) or the import was interrupted, 2 for bad usage.\n";

// A message as the desktop shows it, on one line: caption, text, second text and detail.
void Say(int captionFormat, int textNumber, int secondTextNumber, std::string detail) {
    std::string line = MessageCaption(captionFormat, textNumber) + " " + LoadStr(textNumber);
    if (secondTextNumber != 0) line += " " + LoadStr(secondTextNumber);
    for (std::size_t at = 0; (at = detail.find('\n', at)) != std::string::npos;)
        detail.replace(at, 1, ": ");
    if (!detail.empty()) line += " (" + detail + ")";
    std::fprintf(stderr, "dmmlog import: %s\n", line.c_str());
}

std::string Clock(double seconds) {
    const long long s = std::llround(seconds);
    return Format("%lld:%02lld", s / 60, s % 60);
}

// The progress line: rewritten in place on a terminal, a line of its own otherwise.
class Progress {
public:
    Progress() : terminal_(isatty(STDERR_FILENO) == 1) {}

    void Bytes(std::size_t done, std::size_t total) {
        const auto now = SteadyClock::now();
        if (done != total && now - last_ < std::chrono::seconds(1)) return;
        last_ = now;
        const std::size_t left = total - done;
        const std::size_t blocksLeft = (left + kStreamBlockSize - 1) / kStreamBlockSize;
        const double seconds = static_cast<double>(left) / kBytesPerSecond +
                               static_cast<double>(blocksLeft) * kPauseSeconds;
        Show(Format("bytes read %zu of %zu, about %s left", done, total, Clock(seconds).c_str()));
    }
    void Show(const std::string& text) {
        if (terminal_) {
            std::fprintf(stderr, "\r%s\033[K", text.c_str());
            shown_ = true;
        } else {
            std::fprintf(stderr, "%s\n", text.c_str());
        }
        std::fflush(stderr);
    }
    // Makes room for a line of its own.
    void End() {
        if (shown_) std::fputc('\n', stderr);
        shown_ = false;
    }

private:
    bool terminal_;
    bool shown_ = false;
    SteadyClock::time_point last_{};
};

bool Exists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::symlink_status(path, ec));
}

Status SaveBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    bool given = false;
    return SaveFileAtomically(path, [&](std::string& chunk) {
        if (given) return false;
        chunk.assign(bytes.begin(), bytes.end());
        given = true;
        return true;
    });
}

// The saved image: at most the largest stream a meter sends; anything after it is not read.
bool ReadImage(const std::string& path, std::vector<std::uint8_t>& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    out.resize(kMaxStreamSize);
    in.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(out.size()));
    if (in.bad()) return false;
    out.resize(static_cast<std::size_t>(in.gcount()));
    return true;
}

// The session's front end: messages on standard error, after the progress line.
class Ending : public ImportFrontEnd {
public:
    explicit Ending(Progress& progress) : progress_(progress) {}
    void Tell(const ImportMessage& m) override {
        progress_.End();
        Say(m.captionFormat, m.textNumber, m.secondTextNumber, m.detail);
    }
    void CloseProgress() override { progress_.End(); }
    void TransferEnded(ImportEnd) override {}

private:
    Progress& progress_;
};

int Interrupted(Progress& progress) {
    progress.End();
    std::fputs("dmmlog import: interrupted; nothing written\n", stderr);
    return 1;
}

}  // namespace

int Import(int argc, char** argv) {
    Options opts({"port", "image", "out", "save-image"}, {"force", "help"});
    auto usage = [](const std::string& error) {
        std::fprintf(stderr, "dmmlog import: %s\n\n%s", error.c_str(), kHelp);
        return 2;
    };
    if (!opts.parse(argc, argv)) return usage(opts.error());
    if (opts.has("help")) {
        std::fputs(kHelp, stdout);
        return 0;
    }
    if (opts.has("port") == opts.has("image")) return usage("give either --port or --image");
    if (!opts.has("out") || opts.value("out").empty()) return usage("--out is required");
    if (opts.has("save-image") && !opts.has("port")) return usage("--save-image needs --port");
    if (opts.has("save-image") && opts.value("save-image").empty())
        return usage("--save-image needs a file name");
    const std::string out = opts.value("out");
    const std::string imagePath = opts.value("save-image");
    const bool force = opts.has("force");
    // Refused before the meter is asked anything: a full memory takes minutes to read.
    for (const std::string& target : {out, imagePath}) {
        if (!target.empty() && !force && Exists(target)) {
            std::fprintf(stderr, "dmmlog import: %s exists; --force replaces it\n", target.c_str());
            return 1;
        }
    }

    InstallStopHandlers();
    // Progress is a courtesy: a reader of standard error that goes away must not end the import.
    std::signal(SIGPIPE, SIG_IGN);
    const auto start = SteadyClock::now();
    Progress progress;
    Ending ending(progress);
    MeterLink link;
    std::optional<ImportSession> session;
    // The session's end, as the exit status.
    auto ended = [&] { return *session->End() == ImportEnd::Aborted ? Interrupted(progress) : 1; };
    const auto going = [] { return !StopRequested(); };

    if (opts.has("image")) {
        std::vector<std::uint8_t> image;
        if (!ReadImage(opts.value("image"), image)) {
            std::fprintf(stderr, "dmmlog import: cannot read %s\n", opts.value("image").c_str());
            return 1;
        }
        session.emplace(ending);
        if (!session->LoadImage(std::move(image))) return ended();
    } else {
        if (!OpenVerbPort("import", opts.value("port"), link)) return 1;
        session.emplace(link, ending);
        if (!session->Identify()) return ended();
        session->Begin();
        progress.Show("reading the header");
        if (!session->ReadHeader(ByteHooks{going, {}, {}})) return ended();
        const ByteHooks blockHooks{
            going, [&](std::size_t done, std::size_t total) { progress.Bytes(done, total); }, {}};
        while (!session->AllBlocksRead())
            if (!session->ReadNextBlock(blockHooks)) return ended();
        progress.End();
        link.ClosePort();
        if (!imagePath.empty()) {
            // Kept before decoding: an image that does not decode is what a bug report needs.
            if (Status saved = SaveBytes(imagePath, session->Stream()); !saved) {
                std::fprintf(stderr, "dmmlog import: %s\n", saved.reason().c_str());
                session->Finish(ImportEnd::NotKept);
                return 1;
            }
        }
    }

    if (!session->Decode([](std::size_t) { return !StopRequested(); })) return ended();
    if (StopRequested()) {
        session->Finish(ImportEnd::Aborted);
        return Interrupted(progress);
    }
    const LogList& records = session->Log().records;
    if (Status saved = SaveLoggerFile(out, records); !saved) {
        std::fprintf(stderr, "dmmlog import: %s\n", saved.reason().c_str());
        session->Finish(ImportEnd::NotKept);
        return 1;
    }
    session->Finish(ImportEnd::Imported);  // with a warning when records were left out
    const double seconds = std::chrono::duration<double>(SteadyClock::now() - start).count();
    std::fprintf(stderr, "dmmlog import: %zu records written to %s in %s\n", records.size(),
                 out.c_str(), Clock(seconds).c_str());
    return 0;
}

}  // namespace dmm::cli

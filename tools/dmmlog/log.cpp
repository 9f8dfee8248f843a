// dmmlog log: the recorder's acquisition without a desktop. Samples go straight
// into a logger file, one record at a time.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

#include "logger/acquisition/acquisition.h"
#include "logger/acquisition/sampleclock.h"
#include "logger/data/datalist.h"
#include "logger/data/fileops.h"
#include "logger/data/logrecord.h"
#include "logger/data/readingschema.h"
#include "logger/data/tempfiles.h"
#include "meterlink/meterlink.h"
#include "meterlink/numparse.h"
#include "tools/dmmlog/cli.h"
#include "tools/dmmlog/mqttoptions.h"

namespace dmm::cli {

namespace {

using SteadyClock = std::chrono::steady_clock;

const char* const kHelp =
    "usage: dmmlog log --port COMn|DEVICE --out FILE.g26 [--meter NAME]\n"
    "                  [--interval S|--full-speed] [--count N] [--duration S] [--append|--force]\n"
    "                  [--mqtt URL [--mqtt-name NAME] [--mqtt-password-file FILE]]\n"
    "\n"
    "Links to the meter and logs samples into a logger data file (68 bytes a\n"
    "sample, the format the desktop program saves and opens), as the recorder does:\n"
    "the display is polled every 750 ms and a sample clock marks the next reading\n"
    "as due; each sample is the first reading decoded after a tick. A reading that\n"
    "gives no value to chart is not written. Every sample is written to the file as\n"
    "soon as it is taken, so the file holds all samples whenever the program ends.\n"
    "\n"
    "  --port COMn|DEVICE  COM1..COM10 (see 'dmmlog ports') or a device path\n"
    "  --out FILE          the logger file to write\n"
    "  --meter NAME        the meter's protocol: adaptor (the default, the RS-232\n"
    "                      adaptor), fs9721, fs9922, es51922 or ut71x (meters that\n"
    "                      stream their display), ascii14 (a meter asked with \"D\",\n"
    "                      1200 7N2), ascii14-600 and ascii14-2400 (the same at 600\n"
    "                      or 2400 baud), ascii14-9600 (four lines for each \"D\")\n"
    "                      or auto (probes the port for each of them first; probing\n"
    "                      sets DTR and RTS and sends bytes to whatever is on the port)\n"
    "  --full-speed        a sample at every poll: the clock ticks every 500 ms (default)\n"
    "  --interval S        one sample every S whole seconds (0 = full speed)\n"
    "  --count N           stop after N samples\n"
    "  --duration S        stop after S seconds\n"
    "  --append            add to an existing logger file\n"
    "  --force             overwrite an existing file\n"
    "  --mqtt URL          also publish each sample to an MQTT broker:\n"
    "                      mqtt://[USER@]HOST[:PORT][/PREFIX] or mqtts://... (the system's\n"
    "                      certificates); one JSON object per sample on PREFIX/NAME/reading\n"
    "                      (PREFIX defaults to dmm), the status on PREFIX/NAME/status and\n"
    "                      Home Assistant's discovery\n"
    "  --mqtt-name NAME    the meter's name in the topics (default: host name and port)\n"
    "  --mqtt-password-file FILE  the password is the first line of FILE; otherwise it is\n"
    "                      taken from DMM_MQTT_PASSWORD, never from the command line\n"
    "\n"
    "An existing file that is not empty is left alone unless --append or --force is\n"
    "given; --append refuses a file that is not a whole number of records.\n"
    "Without --count or --duration logging goes on until Ctrl+C or SIGTERM, which end\n"
    "it cleanly. Progress, and the no-data and low-battery warnings, go to standard\n"
    "error. An adaptor that goes away is waited for: the port is opened again every\n"
    "2 seconds (a COMn name resolved anew) and logging goes on into the same file once\n"
    "it answers; both are said on standard error. Exit status: 0 when logging ended normally, 1 "
    "when the port or the file\n"
    "could not be opened or written, 2 for bad usage.\n"
    "A broker that is down, goes away or refuses the login is said once on standard\n"
    "error; logging to the file goes on and publishing resumes by itself when the broker\n"
    "answers. Up to 100,000 samples wait for it; beyond that the oldest are dropped and\n"
    "their number is said and published in the status.\n";

std::string Elapsed(SteadyClock::duration d) {
    const long long s = std::chrono::duration_cast<std::chrono::seconds>(d).count();
    return Format("%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
}

// The target file. Without --append or --force an existing file that holds
// anything is refused: a typing slip must not cost an earlier run's samples.
class Target {
public:
    enum class Mode { New, Append, Overwrite };

    Status Open(const std::string& path, Mode mode) {
        mode_ = mode;
        if (mode == Mode::Append) return appended_.Open(path);
        int flags = O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC;
        if (mode == Mode::Overwrite) flags |= O_TRUNC;
        FileOps& ops = SystemFileOps();
        const int fd = ops.Open(path.c_str(), flags, 0666);
        if (fd < 0) return FileFailure(errno, "open", path);
        struct stat st {};
        if (ops.Fstat(fd, &st) != 0) {
            Status s = FileFailure(errno, "stat", path);
            ops.Close(fd);
            return s;
        }
        if (mode == Mode::New && S_ISREG(st.st_mode) && st.st_size > 0) {
            ops.Close(fd);
            return FileFailure(EEXIST, path + " already holds " + std::to_string(st.st_size) +
                                           " bytes; --append adds to it, --force overwrites it");
        }
        fresh_.Attach(fd, path, S_ISREG(st.st_mode) ? st.st_size : 0);
        return Status::Ok();
    }
    Status Append(const LogRecord& record) {
        return mode_ == Mode::Append ? appended_.Append(record) : fresh_.Append(record);
    }
    Status Close() { return mode_ == Mode::Append ? appended_.Close() : fresh_.Close(); }

private:
    Mode mode_ = Mode::New;
    RecordAppender fresh_;
    LogAppendFile appended_;
};

// The one line of progress: rewritten in place on a terminal, a plain line now
// and then otherwise.
class Progress {
public:
    Progress() : terminal_(isatty(STDERR_FILENO) == 1) {}

    void Update(long long samples, SteadyClock::duration elapsed, const std::string& last) {
        text_ = Format("%lld samples, %s elapsed", samples, Elapsed(elapsed).c_str());
        if (!last.empty()) text_ += ", last " + last;
        if (terminal_) {
            std::fprintf(stderr, "\r%s\033[K", text_.c_str());
            shown_ = true;
        } else if (elapsed >= nextPlain_) {
            std::fprintf(stderr, "%s %s\n", LocalTimestamp().c_str(), text_.c_str());
            nextPlain_ = elapsed + kPlainPeriod;
        }
        std::fflush(stderr);
    }
    // Makes room for a line of its own; the progress comes back with the next update.
    void Interrupt() {
        if (!shown_) return;
        std::fputs("\r\033[K", stderr);
        shown_ = false;
    }
    void End() {
        if (shown_) std::fputc('\n', stderr);
        shown_ = false;
    }

private:
    static constexpr SteadyClock::duration kPlainPeriod = std::chrono::seconds(10);
    bool terminal_;
    bool shown_ = false;
    SteadyClock::duration nextPlain_{};
    std::string text_;
};

}  // namespace

int Log(int argc, char** argv) {
    std::vector<std::string> values = {"port", "out", "meter", "interval", "count", "duration"};
    values.insert(values.end(), kMqttOptions.begin(), kMqttOptions.end());
    Options opts(values, {"full-speed", "append", "force", "help"});
    auto usage = [](const std::string& error) {
        std::fprintf(stderr, "dmmlog log: %s\n\n%s", error.c_str(), kHelp);
        return 2;
    };
    if (!opts.parse(argc, argv)) return usage(opts.error());
    if (opts.has("help")) {
        std::fputs(kHelp, stdout);
        return 0;
    }
    if (!opts.has("port")) return usage("--port is required");
    if (!opts.has("out") || opts.value("out").empty()) return usage("--out is required");
    if (opts.has("interval") && opts.has("full-speed"))
        return usage("--interval and --full-speed exclude each other");
    if (opts.has("append") && opts.has("force"))
        return usage("--append and --force exclude each other");
    long long seconds = 0;
    long long count = 0;
    double duration = 0;
    if (opts.has("interval") && !opts.integer("interval", 0, kMaxIntervalSeconds, seconds))
        return usage(opts.error());
    if (opts.has("count") && !opts.integer("count", 1, 1LL << 40, count))
        return usage(opts.error());
    if (opts.has("duration")) {
        if (!opts.number("duration", 0, 1e9, duration)) return usage(opts.error());
        if (duration <= 0) return usage("--duration must be more than 0");
    }

    MeterLink link;
    if (const int rc = ChooseVerbMeter("log", opts, link, kHelp)) return rc;

    MqttStart mqtt = StartMqtt("log", opts, opts.value("port"));
    if (mqtt.failed) return mqtt.exitCode;
    MqttPublisher* publisher = mqtt.publisher.get();
    const std::string run = NewRunId(std::chrono::system_clock::now());

    if (!OpenVerbPort("log", opts.value("port"), link)) return 1;

    const std::string out = opts.value("out");
    Target target;
    Status status = target.Open(out, opts.has("append")  ? Target::Mode::Append
                                     : opts.has("force") ? Target::Mode::Overwrite
                                                         : Target::Mode::New);
    if (!status) {
        std::fprintf(stderr, "dmmlog log: %s\n", status.reason().c_str());
        link.ClosePort();
        return 1;
    }

    InstallStopHandlers();
    // Progress is a courtesy: a reader of standard error that goes away must not end the logging.
    std::signal(SIGPIPE, SIG_IGN);

    const auto start = SteadyClock::now();
    SampleClock sampling;
    sampling.SetInterval(IntervalMsForSeconds(static_cast<int>(seconds)));
    Acquisition acquisition(link, sampling);
    acquisition.Start(start, true);

    long long written = 0;
    std::string last;
    Progress progress;
    int exitCode = 0;

    PollLoopOptions loop;
    loop.verb = "log";
    loop.port = opts.value("port");
    loop.beforeMessage = [&] { progress.Interrupt(); };
    if (opts.has("duration")) {
        loop.deadline = start + std::chrono::duration_cast<SteadyClock::duration>(
                                    std::chrono::duration<double>(duration));
    }
    const bool lineOk = PollLoop(acquisition, loop, [&](const AcquisitionStep& step) {
        if (step.sample) {
            status = target.Append(*step.sample);
            if (!status) {
                progress.Interrupt();
                std::fprintf(stderr, "dmmlog log: %s\n", status.reason().c_str());
                exitCode = 1;
                return false;
            }
            last = DataListLine(static_cast<std::size_t>(written), *step.sample);
            ++written;
            if (publisher) {
                SchemaReading r = SchemaOfReading(link.Reading);
                r.run = run;
                r.seq = written;
                r.sample = written;
                r.time = IsoLocalTime(std::chrono::system_clock::now());
                publisher->Publish(r);
            }
        }
        if (publisher) SayMqttNotices("log", *publisher, [&] { progress.Interrupt(); });
        progress.Update(written, SteadyClock::now() - start, last);
        return count == 0 || written < count;
    });
    if (!lineOk) exitCode = 1;

    progress.End();
    acquisition.Stop();
    link.ClosePort();
    status = target.Close();
    if (!status && exitCode == 0) {
        std::fprintf(stderr, "dmmlog log: %s\n", status.reason().c_str());
        exitCode = 1;
    }
    std::fprintf(stderr, "dmmlog log: %lld samples written to %s in %s\n", written, out.c_str(),
                 Elapsed(SteadyClock::now() - start).c_str());
    if (publisher) StopMqtt("log", *publisher);
    return exitCode;
}

}  // namespace dmm::cli

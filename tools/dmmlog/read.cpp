// dmmlog read: the poll cycle of the desktop program, printed as lines.
#include <chrono>
#include <cstdio>
#include <filesystem>

#include "logger/acquisition/acquisition.h"
#include "logger/data/readingschema.h"
#include "meterlink/meterlink.h"
#include "meterlink/readingline.h"
#include "tools/dmmlog/cli.h"
#include "tools/dmmlog/mqttoptions.h"

namespace dmm::cli {

namespace {
const char* const kHelp =
    "usage: dmmlog read --port COMn|DEVICE [--meter NAME] [--count N] [--interval MS]\n"
    "                   [--format tsv|csv|json]\n"
    "                   [--mqtt URL [--mqtt-name NAME] [--mqtt-password-file FILE]]\n"
    "\n"
    "Links to the meter and polls its display, printing one line per reading.\n"
    "\n"
    "  --format tsv   (default) tab-separated: local time, function code, value text,\n"
    "                 range text, display text, unit text, function text (\"W\" for ohm)\n"
    "                 and the value the recorder would chart (\"-\" when it would not\n"
    "                 take a sample)\n"
    "  --format csv   a header row, then run, seq, sample, time, value, unit, prefix,\n"
    "                 display, function, overload, low_battery as 'dmmlog export' writes\n"
    "                 them; time is ISO 8601 with date and zone, sample stays empty\n"
    "  --format json  the same fields as one JSON object per line\n"
    "  --mqtt URL     also publish each reading to an MQTT broker, as 'dmmlog log --mqtt'\n"
    "                 does (see 'dmmlog log --help'), with --mqtt-name and\n"
    "                 --mqtt-password-file as there\n"
    "\n"
    "  --port COMn|DEVICE  COM1..COM10 (see 'dmmlog ports') or a device path\n"
    "  --meter NAME        the meter's protocol: adaptor (the default, the RS-232\n"
    "                      adaptor), fs9721, fs9922, es51922 or ut71x (meters that\n"
    "                      stream their display), ascii14 (a meter asked with \"D\",\n"
    "                      1200 7N2), ascii14-600 and ascii14-2400 (the same at 600\n"
    "                      or 2400 baud), ascii14-9600 (four lines for each \"D\")\n"
    "                      or auto (probes the port for each of them first; probing\n"
    "                      sets DTR and RTS and sends bytes to whatever is on the port)\n"
    "  --count N           stop after N readings (default: until Ctrl+C)\n"
    "  --interval MS       pause between the end of one poll and the next (default 750;\n"
    "                      0 polls back to back)\n"
    "\n"
    "Warnings (no data after three polls in a row, low battery) go to standard error;\n"
    "polling goes on after them. When the device goes away (an adaptor unplugged),\n"
    "that is said on standard error with the system's reason; the port is opened\n"
    "again every 2 seconds (a COMn name resolved anew) and polling goes on once it\n"
    "answers, which is said too. A pseudo-terminal given by its path cannot come back:\n"
    "then the exit status is 1.\n";

}  // namespace

int Read(int argc, char** argv) {
    std::vector<std::string> values = {"port", "meter", "count", "interval", "format"};
    values.insert(values.end(), kMqttOptions.begin(), kMqttOptions.end());
    Options opts(values, {"help"});
    if (!opts.parse(argc, argv)) {
        std::fprintf(stderr, "dmmlog read: %s\n\n%s", opts.error().c_str(), kHelp);
        return 2;
    }
    if (opts.has("help")) {
        std::fputs(kHelp, stdout);
        return 0;
    }
    long long count = 0;
    long long interval = 750;
    if (!opts.has("port") || (opts.has("count") && !opts.integer("count", 1, 1LL << 40, count)) ||
        (opts.has("interval") && !opts.integer("interval", 0, 3600000, interval))) {
        std::fprintf(stderr, "dmmlog read: %s\n\n%s",
                     opts.has("port") ? opts.error().c_str() : "--port is required", kHelp);
        return 2;
    }

    const std::string format = opts.value("format", "tsv");
    if (format != "tsv" && format != "csv" && format != "json") {
        std::fprintf(stderr, "dmmlog read: --format must be tsv, csv or json, not '%s'\n\n%s",
                     format.c_str(), kHelp);
        return 2;
    }

    MeterLink link;
    if (const int rc = ChooseVerbMeter("read", opts, link, kHelp)) return rc;

    MqttStart mqtt = StartMqtt("read", opts, opts.value("port"));
    if (mqtt.failed) return mqtt.exitCode;
    MqttPublisher* publisher = mqtt.publisher.get();

    if (!OpenVerbPort("read", opts.value("port"), link)) return 1;
    InstallStopHandlers();
    SampleClock noSampling;
    Acquisition polls(link, noSampling);
    polls.Start({}, false);

    const std::string run = NewRunId(std::chrono::system_clock::now());
    if (format == "csv") std::fputs(CsvHeader().c_str(), stdout);
    long long printed = 0;
    PollLoopOptions loop;
    loop.verb = "read";
    loop.port = opts.value("port");
    loop.pauseMs = static_cast<int>(interval);
    const bool lineOk = PollLoop(polls, loop, [&](const AcquisitionStep& step) {
        if (!step.decoded) return true;
        SchemaReading r = SchemaOfReading(link.Reading);
        r.run = run;
        r.seq = printed + 1;
        r.time = IsoLocalTime(std::chrono::system_clock::now());
        if (publisher) {
            publisher->Publish(r);
            SayMqttNotices("read", *publisher);
        }
        if (format == "tsv") {
            std::printf("%s\t%s\n", LocalTimestamp().c_str(), ReadingFields(link.Reading).c_str());
        } else {
            std::string line;
            if (format == "csv") {
                AppendCsvRow(line, r);
            } else {
                AppendJsonLine(line, r);
            }
            std::fputs(line.c_str(), stdout);
        }
        std::fflush(stdout);
        ++printed;
        return count == 0 || printed < count;
    });
    polls.Stop();
    link.ClosePort();
    if (publisher) StopMqtt("read", *publisher);
    return lineOk ? 0 : 1;
}

}  // namespace dmm::cli

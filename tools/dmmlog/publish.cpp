// dmmlog publish: a logger file's records to an MQTT broker, as a live run would send them.
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "logger/data/schemaexport.h"
#include "tools/dmmlog/cli.h"
#include "tools/dmmlog/loggerinput.h"
#include "tools/dmmlog/mqttoptions.h"

namespace dmm::cli {

namespace {

const char* const kHelp =
    "usage: dmmlog publish FILE.g26 --mqtt URL [--mqtt-name NAME] [--mqtt-password-file FILE]\n"
    "                      [--rate N] [--date YYYY-MM-DD]\n"
    "\n"
    "Sends every record of a logger data file to an MQTT broker, as 'dmmlog log --mqtt'\n"
    "sends its samples: one JSON object per record on PREFIX/NAME/reading (the fields of\n"
    "'dmmlog export --format json'), at QoS 1, with the status and Home Assistant's\n"
    "discovery. It ends when the broker has acknowledged every record.\n"
    "\n"
    "  --mqtt URL                 mqtt://[USER@]HOST[:PORT][/PREFIX] or mqtts://... (the\n"
    "                             system's certificates); PREFIX defaults to dmm\n"
    "  --mqtt-name NAME           the meter's name in the topics (default: the host's name\n"
    "                             and the file's name)\n"
    "  --mqtt-password-file FILE  the password is the first line of FILE; otherwise it is\n"
    "                             taken from DMM_MQTT_PASSWORD, never from the command line\n"
    "  --rate N                   N records a second (default: as fast as the broker takes them)\n"
    "  --date D                   the date of the first record, as for 'dmmlog export'\n"
    "\n"
    "A broker that cannot be reached is said once and tried again until Ctrl+C.\n"
    "Exit status: 0 when every record was acknowledged, 1 when the file could not be read\n"
    "or the run was stopped first, 2 for bad usage.\n";

}  // namespace

int Publish(int argc, char** argv) {
    const std::string path = TakeFileArgument(argc, argv);
    std::vector<std::string> values = kMqttOptions;
    values.insert(values.end(), {"rate", "date"});
    Options opts(values, {"help"});
    auto usage = [](const std::string& error) {
        std::fprintf(stderr, "dmmlog publish: %s\n\n%s", error.c_str(), kHelp);
        return 2;
    };
    if (!opts.parse(argc, argv)) return usage(opts.error());
    if (opts.has("help")) {
        std::fputs(kHelp, stdout);
        return 0;
    }
    if (path.empty()) return usage("which logger file?");
    if (!opts.has("mqtt")) return usage("--mqtt is required");
    double rate = 0;
    if (opts.has("rate") && !opts.number("rate", 0.001, 1e9, rate)) return usage(opts.error());
    std::optional<CalendarDate> date;
    if (opts.has("date")) {
        date = ParseIsoDate(opts.value("date"));
        if (!date)
            return usage("--date must be a date YYYY-MM-DD, not '" + opts.value("date") + "'");
    }
    LogList list;
    if (!ReadWholeLoggerFile("publish", path, list)) return 1;

    InstallStopHandlers();
    MqttStart mqtt = StartMqtt("publish", opts, path);
    if (mqtt.failed) return mqtt.exitCode;
    MqttPublisher& publisher = *mqtt.publisher;

    using SteadyClock = std::chrono::steady_clock;
    const auto start = SteadyClock::now();
    RecordReadings readings(list, date);
    // The file is at hand: rather than let the ring drop the oldest, wait while it is half full.
    const std::size_t highWater = publisher.queued() + PublishQueue::kDefaultCapacity / 2;
    std::size_t pushed = 0;
    for (std::size_t i = 0; i < list.size() && !StopRequested(); ++i) {
        if (rate > 0) {
            const auto due =
                start + std::chrono::duration_cast<SteadyClock::duration>(
                            std::chrono::duration<double>(static_cast<double>(i) / rate));
            while (SteadyClock::now() < due && !StopRequested())
                std::this_thread::sleep_until(
                    std::min(due, SteadyClock::now() + std::chrono::milliseconds(50)));
        }
        while (publisher.queued() >= highWater && !StopRequested()) {
            SayMqttNotices("publish", publisher);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        publisher.Publish(readings.At(i));
        ++pushed;
        if (i % 1024 == 0) SayMqttNotices("publish", publisher);
    }
    // Every record acknowledged, or Ctrl+C.
    while (publisher.waiting() > 0 && !StopRequested()) {
        SayMqttNotices("publish", publisher);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    const std::size_t left = publisher.waiting();
    const bool complete =
        publisher.Stop(std::chrono::milliseconds(0)) && left == 0 && pushed == list.size();
    SayMqttNotices("publish", publisher);
    const double seconds = std::chrono::duration<double>(SteadyClock::now() - start).count();
    std::fprintf(stderr, "dmmlog publish: %zu of %zu records acknowledged in %.2f s\n",
                 pushed - left, list.size(), seconds);
    return complete ? 0 : 1;
}

}  // namespace dmm::cli

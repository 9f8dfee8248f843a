#include "tools/dmmlog/mqttoptions.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "resources/version.h"

namespace dmm::cli {

namespace {

std::string HostName() {
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0) return {};
    return name;
}

}  // namespace

MqttStart StartMqtt(const char* verb, const Options& opts, const std::string& port) {
    MqttStart start;
    if (!opts.has("mqtt")) {
        if (opts.has("mqtt-name") || opts.has("mqtt-password-file")) {
            std::fprintf(stderr, "dmmlog %s: --mqtt-name and --mqtt-password-file go with --mqtt\n",
                         verb);
            start.failed = true;
            start.exitCode = 2;
        }
        return start;
    }
    const MqttUrlResult url = ParseMqttUrl(opts.value("mqtt"));
    if (!url.target) {
        // Not the URL itself: it may hold a password.
        std::fprintf(stderr, "dmmlog %s: --mqtt: %s\n", verb, url.error.c_str());
        start.failed = true;
        start.exitCode = 2;
        return start;
    }
    PublisherSettings settings;
    settings.target = *url.target;
    settings.version = DMM_VERSION;
    settings.meterName =
        opts.has("mqtt-name") ? opts.value("mqtt-name") : DefaultMeterName(HostName(), port);
    if (opts.has("mqtt-password-file")) {
        const std::string path = opts.value("mqtt-password-file");
        std::ifstream in(path);
        if (!in || !std::getline(in, settings.password)) {
            std::fprintf(stderr, "dmmlog %s: --mqtt-password-file %s: cannot read a line from it\n",
                         verb, path.c_str());
            start.failed = true;
            start.exitCode = 1;
            return start;
        }
        if (!settings.password.empty() && settings.password.back() == '\r')
            settings.password.pop_back();
    } else if (const char* env = std::getenv(kMqttPasswordVariable)) {
        settings.password = env;
    }
    if (!settings.password.empty() && settings.target.user.empty()) {
        std::fprintf(stderr, "dmmlog %s: --mqtt: a password needs a user (mqtt://USER@host)\n",
                     verb);
        start.failed = true;
        start.exitCode = 2;
        return start;
    }
    auto publisher = std::make_unique<MqttPublisher>(settings);
    std::string error;
    if (!publisher->Start(error)) {
        std::fprintf(stderr, "dmmlog %s: %s\n", verb, error.c_str());
        start.failed = true;
        start.exitCode = 1;
        return start;
    }
    SayMqttNotices(verb, *publisher);
    start.publisher = std::move(publisher);
    return start;
}

void StopMqtt(const char* verb, MqttPublisher& publisher) {
    constexpr auto kDrain = std::chrono::seconds(10);
    const bool complete = publisher.Stop(kDrain);
    SayMqttNotices(verb, publisher);
    if (!complete) {
        std::fprintf(stderr, "dmmlog %s: mqtt: %zu readings were not acknowledged by the broker\n",
                     verb, publisher.waiting());
    }
}

void SayMqttNotices(const char* verb, MqttPublisher& publisher,
                    const std::function<void()>& before) {
    const std::vector<std::string> notices = publisher.TakeNotices();
    if (!notices.empty() && before) before();
    for (const std::string& notice : notices)
        std::fprintf(stderr, "%s dmmlog %s: mqtt: %s\n", LocalTimestamp().c_str(), verb,
                     notice.c_str());
}

}  // namespace dmm::cli

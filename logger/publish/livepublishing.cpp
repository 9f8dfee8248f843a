#include "logger/publish/livepublishing.h"

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "logger/data/readingschema.h"
#include "resources/version.h"

namespace dmm {

namespace {
constexpr auto kExitDrain = std::chrono::seconds(2);
}

LivePublishing::~LivePublishing() {
    Stop();
}

std::string LivePublishing::Apply(const MqttSettings& settings, const std::string& portName) {
    Stop();
    settings_ = settings;
    lastNotice_.clear();
    if (!settings.on) return {};
    const MqttUrlResult url = ParseMqttUrl(settings.url);
    if (!url.target) return url.error;
    PublisherSettings p;
    p.target = *url.target;
    std::string error;
    if (!MqttPassword(settings, p.password, error)) return error;
    char host[256] = {};
    gethostname(host, sizeof host - 1);
    p.meterName = settings.name.empty() ? DefaultMeterName(host, portName) : settings.name;
    p.version = DMM_VERSION;
    auto publisher = std::make_unique<MqttPublisher>(p);
    if (!publisher->Start(error)) return error;
    publisher_ = std::move(publisher);
    run_ = NewRunId(std::chrono::system_clock::now());
    seq_ = 0;
    return {};
}

void LivePublishing::OnReading(const MeterReading& reading) {
    if (!publisher_) return;
    SchemaReading r = SchemaOfReading(reading);
    r.run = run_;
    r.seq = ++seq_;
    r.time = IsoLocalTime(std::chrono::system_clock::now());
    publisher_->Publish(r);
    for (const std::string& notice : publisher_->TakeNotices()) {
        std::fprintf(stderr, "dmmlogger: mqtt: %s\n", notice.c_str());
        lastNotice_ = notice;
    }
}

void LivePublishing::Stop() {
    if (!publisher_) return;
    publisher_->Stop(kExitDrain);
    publisher_.reset();
}

MqttSettings LoadMqttSettings(const std::string& settingsPath) {
    std::ifstream in(settingsPath, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    return ParseMqttSettings(text);
}

LivePublishing& DesktopPublishing() {
    static LivePublishing instance;
    return instance;
}

void StartDesktopPublishing(const std::string& settingsPath, const std::string& portName) {
    const std::string error = DesktopPublishing().Apply(LoadMqttSettings(settingsPath), portName);
    if (!error.empty()) std::fprintf(stderr, "dmmlogger: mqtt: %s\n", error.c_str());
}

}  // namespace dmm

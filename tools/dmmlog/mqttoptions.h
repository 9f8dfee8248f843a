// --mqtt URL and its companions for the dmmlog verbs that publish readings.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "logger/publish/mqttpublisher.h"
#include "tools/dmmlog/cli.h"

namespace dmm::cli {

// The options a publishing verb adds to its own.
inline const std::vector<std::string> kMqttOptions = {"mqtt", "mqtt-name", "mqtt-password-file"};

// The environment variable that may hold the broker password.
constexpr const char* kMqttPasswordVariable = "DMM_MQTT_PASSWORD";

// The publisher --mqtt asks for, started; none without --mqtt. On a bad URL or password file
// says why on standard error (prefixed "dmmlog VERB: ") and sets `usage` (exit 2) or not
// (exit 1); then the result is empty and `failed` is set.
struct MqttStart {
    std::unique_ptr<MqttPublisher> publisher;
    bool failed = false;
    int exitCode = 0;
};
MqttStart StartMqtt(const char* verb, const Options& opts, const std::string& port);

// Ends publishing at the end of a run: waits a while for the broker to acknowledge what is
// queued and says on standard error how many readings it did not.
void StopMqtt(const char* verb, MqttPublisher& publisher);

// Prints what the publisher has to say, one line each, on standard error; `before` is
// called first when there is anything to say.
void SayMqttNotices(const char* verb, MqttPublisher& publisher,
                    const std::function<void()>& before = {});

}  // namespace dmm::cli

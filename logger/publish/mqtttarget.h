// Where readings go on an MQTT broker: the broker's URL, the topics of a meter, and what
// is published there besides the readings (the status and Home Assistant's discovery).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dmm {

// mqtt://[user@]host[:port][/prefix] or mqtts://...
struct MqttTarget {
    bool tls = false;
    std::string user;  // empty: no login
    std::string host;
    int port = 1883;
    std::string prefix = "dmm";
};

struct MqttUrlResult {
    std::optional<MqttTarget> target;
    std::string error;  // which part is wrong, when there is no target
};
MqttUrlResult ParseMqttUrl(std::string_view url);

// Letters, digits, "_" and "-" only: every other character becomes "_". Levels of a prefix
// ("lab/bench-2") are cleaned one by one and empty levels dropped.
std::string CleanTopicName(std::string_view name);
std::string CleanTopicPrefix(std::string_view prefix);
// The meter's name when none is given: the host's name and the port, "bench4-COM1".
std::string DefaultMeterName(std::string_view hostName, std::string_view port);

struct MeterTopics {
    std::string reading;  // PREFIX/NAME/reading
    std::string status;   // PREFIX/NAME/status
    std::string node;     // PREFIX_NAME, for ids of Home Assistant
    std::string name;
};
MeterTopics TopicsFor(const MqttTarget& target, std::string_view meterName);

// The retained status: {"state":"online","lost":N,"version":"..."}.
std::string StatusPayload(bool online, unsigned long long lost, std::string_view version);

// One retained configuration message of Home Assistant's MQTT discovery.
struct DiscoveryMessage {
    std::string topic;
    std::string payload;
};
// One device per meter: a sensor per quantity with its device class and base unit, shown
// only while the meter measures that quantity; the function, the display and low battery.
std::vector<DiscoveryMessage> DiscoveryMessages(const MeterTopics& topics,
                                                std::string_view version);

}  // namespace dmm

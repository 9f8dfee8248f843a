#include "logger/publish/mqtttarget.h"

#include "logger/data/readingschema.h"
#include "meterlink/numparse.h"

namespace dmm {

namespace {

bool Allowed(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-';
}

bool HostCharacter(char c) {
    return Allowed(c) || c == '.';
}

MqttUrlResult Wrong(std::string error) {
    MqttUrlResult r;
    r.error = std::move(error);
    return r;
}

// One sensor per quantity. A sensor whose unit changed with the meter's function would
// spoil Home Assistant's long-term statistics, so each quantity keeps its own.
struct Quantity {
    const char* function;
    const char* name;
    const char* unit;
    const char* deviceClass;  // empty: Home Assistant has none for it
};
constexpr Quantity kQuantities[] = {
    {"volts_dc", "DC volts", "V", "voltage"},
    {"volts_ac", "AC volts", "V", "voltage"},
    {"volts_acdc", "DC+AC volts", "V", "voltage"},
    {"volts", "Volts", "V", "voltage"},
    {"amps_dc", "DC amps", "A", "current"},
    {"amps_ac", "AC amps", "A", "current"},
    {"amps_acdc", "DC+AC amps", "A", "current"},
    {"ohms", "Ohms", "\u03A9", ""},
    {"farads", "Farads", "F", ""},
    {"hertz", "Hertz", "Hz", "frequency"},
    {"percent", "Percent", "%", ""},
    {"celsius", "Temperature \u00B0C", "\u00B0C", "temperature"},
    {"fahrenheit", "Temperature \u00B0F", "\u00B0F", "temperature"},
    {"dbm", "Level dBm", "dBm", "signal_strength"},
};

std::string Field(const char* key, std::string_view value) {
    return std::string(",") + JsonString(key) + ":" + JsonString(value);
}

std::string DeviceJson(const MeterTopics& t, std::string_view version) {
    return ",\"device\":{\"identifiers\":[" + JsonString("dmmlogger_" + t.node) +
           "],\"name\":" + JsonString(t.name) +
           ",\"manufacturer\":\"dmmlogger\",\"model\":\"Qm47-26x\",\"sw_version\":" +
           JsonString(version) + "}";
}

std::string StatusAvailability(const MeterTopics& t) {
    return "{\"topic\":" + JsonString(t.status) + ",\"value_template\":\"{{ value_json.state }}\"}";
}

// The start every entity shares: name, ids, the reading topic and the device.
std::string EntityStart(const MeterTopics& t, std::string_view key, std::string_view name,
                        std::string_view version) {
    const std::string id = t.node + "_" + std::string(key);
    return "{\"name\":" + JsonString(name) + Field("unique_id", "dmmlogger_" + id) +
           Field("object_id", id) + Field("state_topic", t.reading) + DeviceJson(t, version);
}

}  // namespace

MqttUrlResult ParseMqttUrl(std::string_view url) {
    MqttTarget t;
    if (url.rfind("mqtt://", 0) == 0) {
        url.remove_prefix(7);
    } else if (url.rfind("mqtts://", 0) == 0) {
        url.remove_prefix(8);
        t.tls = true;
        t.port = 8883;
    } else {
        return Wrong("the URL must start with mqtt:// or mqtts://");
    }
    const std::size_t slash = url.find('/');
    std::string_view authority = url.substr(0, slash);
    const std::string_view path = slash == std::string_view::npos ? "" : url.substr(slash + 1);
    if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos) {
        const std::string_view user = authority.substr(0, at);
        if (user.empty()) return Wrong("the user before '@' is empty");
        if (user.find(':') != std::string_view::npos) {
            return Wrong(
                "the URL holds a password: give it with --mqtt-password-file or in "
                "DMM_MQTT_PASSWORD instead");
        }
        t.user = std::string(user);
        authority.remove_prefix(at + 1);
    }
    std::string_view host = authority;
    std::string_view port;
    if (!authority.empty() && authority.front() == '[') {
        const std::size_t close = authority.find(']');
        if (close == std::string_view::npos) return Wrong("the host's '[' has no ']'");
        host = authority.substr(1, close - 1);
        std::string_view after = authority.substr(close + 1);
        if (!after.empty() && after.front() != ':')
            return Wrong("only ':' and a port may follow the host");
        if (!after.empty()) port = after.substr(1);
        for (char c : host) {
            if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') ||
                  c == ':' || c == '.'))
                return Wrong("the host '" + std::string(host) + "' is no IPv6 address");
        }
    } else if (const std::size_t colon = authority.rfind(':'); colon != std::string_view::npos) {
        host = authority.substr(0, colon);
        port = authority.substr(colon + 1);
        if (port.empty()) return Wrong("the port after ':' is missing");
    }
    if (host.empty()) return Wrong("the host is missing");
    if (authority.front() != '[') {
        for (char c : host) {
            if (!HostCharacter(c))
                return Wrong("the host '" + std::string(host) + "' holds '" + std::string(1, c) +
                             "'");
        }
    }
    t.host = std::string(host);
    if (authority.find(':') != std::string_view::npos && !port.empty()) {
        bool digits = port.size() <= 5;
        for (char c : port) digits = digits && c >= '0' && c <= '9';
        const std::optional<int> n = digits ? ParseInteger(port) : std::nullopt;
        if (!n || *n < 1 || *n > 65535)
            return Wrong("the port '" + std::string(port) + "' is not a number from 1 to 65535");
        t.port = *n;
    }
    const std::string prefix = CleanTopicPrefix(path);
    if (!prefix.empty()) t.prefix = prefix;
    MqttUrlResult r;
    r.target = t;
    return r;
}

std::string CleanTopicName(std::string_view name) {
    std::string out;
    for (char c : name) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x80 && b < 0xC0) continue;  // the rest of a character already replaced
        out += Allowed(c) ? c : '_';
    }
    return out;
}

std::string CleanTopicPrefix(std::string_view prefix) {
    std::string out;
    while (!prefix.empty()) {
        const std::size_t slash = prefix.find('/');
        const std::string level = CleanTopicName(prefix.substr(0, slash));
        if (!level.empty()) {
            if (!out.empty()) out += '/';
            out += level;
        }
        if (slash == std::string_view::npos) break;
        prefix.remove_prefix(slash + 1);
    }
    return out;
}

std::string DefaultMeterName(std::string_view hostName, std::string_view port) {
    std::string_view shortHost = hostName.substr(0, hostName.find('.'));
    // A device path names the meter by its last part: /dev/ttyUSB0 is ttyUSB0.
    const std::size_t slash = port.rfind('/');
    if (slash != std::string_view::npos) port.remove_prefix(slash + 1);
    std::string name = CleanTopicName(shortHost);
    if (!name.empty() && !port.empty()) name += '-';
    name += CleanTopicName(port);
    return name.empty() ? "meter" : name;
}

MeterTopics TopicsFor(const MqttTarget& target, std::string_view meterName) {
    MeterTopics t;
    t.name = CleanTopicName(meterName);
    if (t.name.empty()) t.name = "meter";
    const std::string base = target.prefix + "/" + t.name;
    t.reading = base + "/reading";
    t.status = base + "/status";
    t.node = CleanTopicName(target.prefix + "_" + t.name);
    return t;
}

std::string StatusPayload(bool online, unsigned long long lost, std::string_view version) {
    return std::string("{\"state\":") + (online ? "\"online\"" : "\"offline\"") +
           ",\"lost\":" + std::to_string(lost) + ",\"version\":" + JsonString(version) + "}";
}

std::vector<DiscoveryMessage> DiscoveryMessages(const MeterTopics& t, std::string_view version) {
    std::vector<DiscoveryMessage> out;
    const std::string base = "homeassistant/";
    for (const Quantity& q : kQuantities) {
        const std::string fn = q.function;
        std::string p = EntityStart(t, fn, q.name, version);
        p += Field("value_template",
                   "{{ value_json.value if value_json.function == '" + fn + "' else none }}");
        p += Field("unit_of_measurement", q.unit);
        if (*q.deviceClass) p += Field("device_class", q.deviceClass);
        p += Field("state_class", "measurement");
        // Available while the program is online and the meter measures this quantity.
        p += ",\"availability\":[";
        p += StatusAvailability(t);
        p += ",{\"topic\":";
        p += JsonString(t.reading);
        p += ",\"value_template\":";
        p += JsonString("{{ 'online' if value_json.function == '" + fn + "' else 'offline' }}");
        p += "}],\"availability_mode\":\"all\"}";
        std::string topic = base;
        topic.append("sensor/").append(t.node).append("/").append(fn).append("/config");
        out.push_back({std::move(topic), p});
    }
    const std::string onlyStatus = ",\"availability\":[" + StatusAvailability(t) + "]}";
    out.push_back({base + "sensor/" + t.node + "/function/config",
                   EntityStart(t, "function", "Function", version) +
                       Field("value_template", "{{ value_json.function }}") + onlyStatus});
    out.push_back(
        {base + "sensor/" + t.node + "/display/config",
         EntityStart(t, "display", "Display", version) +
             Field("value_template",
                   "{{ value_json.display }} {{ value_json.prefix }}{{ value_json.unit }}") +
             onlyStatus});
    out.push_back({base + "binary_sensor/" + t.node + "/low_battery/config",
                   EntityStart(t, "low_battery", "Low battery", version) +
                       Field("device_class", "battery") +
                       Field("value_template", "{{ 'ON' if value_json.low_battery else 'OFF' }}") +
                       onlyStatus});
    return out;
}

}  // namespace dmm

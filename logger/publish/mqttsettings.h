// The desktop program's publishing settings, kept in the settings file beside the port and
// the limits: "MqttUrl=", "MqttName=", "MqttOn=" and "MqttPasswordFile=" (a path, never the
// password). A key is written only when it is set; a bad value only turns publishing off
// and never touches the other settings.
#pragma once

#include <string>
#include <string_view>

namespace dmm {

struct MqttSettings {
    std::string url;
    std::string name;          // empty: the host's name and the port
    bool on = false;           // publishing wanted
    std::string passwordFile;  // empty: DMM_MQTT_PASSWORD or no password
    friend bool operator==(const MqttSettings&, const MqttSettings&) = default;
};

MqttSettings ParseMqttSettings(std::string_view settingsText);
// The lines of the keys that are set, each ended by CR LF.
std::string FormatMqttSettings(const MqttSettings& settings);

// The password: the first line of the file when one is named, else the environment's
// DMM_MQTT_PASSWORD. False with the reason when the file cannot be read.
bool MqttPassword(const MqttSettings& settings, std::string& password, std::string& error);

}  // namespace dmm

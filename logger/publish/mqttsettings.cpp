#include "logger/publish/mqttsettings.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "shell/rules/settings.h"

namespace dmm {

MqttSettings ParseMqttSettings(std::string_view settingsText) {
    const std::vector<std::string> lines = SplitLines(settingsText);
    MqttSettings s;
    s.url = ValueOf(lines, "MqttUrl").value_or("");
    s.name = ValueOf(lines, "MqttName").value_or("");
    s.passwordFile = ValueOf(lines, "MqttPasswordFile").value_or("");
    // Only "1" turns publishing on: anything else leaves it off.
    s.on = ValueOf(lines, "MqttOn").value_or("0") == "1" && !s.url.empty();
    return s;
}

std::string FormatMqttSettings(const MqttSettings& s) {
    std::string text;
    if (!s.url.empty()) text += "MqttUrl=" + s.url + "\r\n";
    if (!s.name.empty()) text += "MqttName=" + s.name + "\r\n";
    if (s.on || !s.url.empty()) text += std::string("MqttOn=") + (s.on ? "1" : "0") + "\r\n";
    if (!s.passwordFile.empty()) text += "MqttPasswordFile=" + s.passwordFile + "\r\n";
    return text;
}

bool MqttPassword(const MqttSettings& s, std::string& password, std::string& error) {
    password.clear();
    if (s.passwordFile.empty()) {
        if (const char* env = std::getenv("DMM_MQTT_PASSWORD")) password = env;
        return true;
    }
    std::ifstream in(s.passwordFile);
    if (!in) {
        error = s.passwordFile + ": " + std::strerror(errno);
        return false;
    }
    std::getline(in, password);
    if (!password.empty() && password.back() == '\r') password.pop_back();
    return true;
}

}  // namespace dmm

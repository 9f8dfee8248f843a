// The desktop program's publishing: every reading of the hand-over to the broker the
// settings name, while they say so.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "logger/publish/mqttpublisher.h"
#include "logger/publish/mqttsettings.h"
#include "meterlink/meterreading.h"

namespace dmm {

class LivePublishing {
public:
    LivePublishing() = default;
    ~LivePublishing();

    // Takes new settings: publishing stops, and starts again when they say so. Empty, or why
    // it could not start (a bad URL, an unreadable password file).
    std::string Apply(const MqttSettings& settings, const std::string& portName);
    const MqttSettings& settings() const { return settings_; }
    bool publishing() const { return publisher_ != nullptr; }

    // From the hand-over, on the window thread: queues the reading, never waits.
    void OnReading(const MeterReading& reading);

    // The last thing the publisher had to say (the broker away, back, refusing the login);
    // each is also written to standard error once.
    const std::string& lastNotice() const { return lastNotice_; }
    // Ends publishing at exit: a short wait for the queue, then "offline".
    void Stop();

private:
    MqttSettings settings_;
    std::unique_ptr<MqttPublisher> publisher_;
    std::string run_;
    long long seq_ = 0;
    std::string lastNotice_;
};

// The settings file's publishing keys; default settings when the file cannot be read.
MqttSettings LoadMqttSettings(const std::string& settingsPath);

// The program's one instance.
LivePublishing& DesktopPublishing();

// Starts the desktop's publishing as the settings file says; a failure is written to
// standard error and leaves publishing off.
void StartDesktopPublishing(const std::string& settingsPath, const std::string& portName);

}  // namespace dmm

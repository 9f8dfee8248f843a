// Readings to an MQTT broker through libmosquitto, at QoS 1, with the meter's status and
// Home Assistant's discovery.
//
// The program has no threads of its own but this one: libmosquitto's network thread
// (mosquitto_loop_start) keeps the connection, reconnects with a growing pause and takes the
// broker's acknowledgements. The thread that produces readings (the window thread, or the
// poll loop of dmmlog) only puts them into a locked ring of fixed size and hands
// libmosquitto the next few when fewer than a few dozen are unacknowledged; libmosquitto
// then only queues them and wakes its thread, so the producer never waits for the network.
// libmosquitto would keep every unacknowledged message without limit: the bound is ours.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "logger/data/readingschema.h"
#include "logger/publish/mqtttarget.h"
#include "logger/publish/publishqueue.h"

struct mosquitto;

namespace dmm {

struct PublisherSettings {
    MqttTarget target;
    std::string password;  // never shown anywhere
    std::string meterName;
    std::string version;
    std::size_t capacity = PublishQueue::kDefaultCapacity;
    int inFlight = 48;  // readings handed to libmosquitto and not yet acknowledged, at most
};

class MqttPublisher {
public:
    explicit MqttPublisher(PublisherSettings settings);
    ~MqttPublisher();
    MqttPublisher(const MqttPublisher&) = delete;
    MqttPublisher& operator=(const MqttPublisher&) = delete;

    // Starts the network thread and the first connection. A broker that cannot be reached
    // is no failure (it is said in a notice and tried again); false with the reason only
    // when the client cannot be made at all.
    bool Start(std::string& error);

    // Queues a reading for PREFIX/NAME/reading. Never waits for the network.
    void Publish(const SchemaReading& reading);
    void PublishJson(std::string json);

    // Waits up to `drain` for the queued readings to be acknowledged, then says "offline"
    // in the status itself (a clean end sends no last will) and disconnects. True when
    // every reading was acknowledged.
    bool Stop(std::chrono::milliseconds drain);

    // What to tell the user since the last call: the broker unreachable, refusing the login,
    // lost or back, readings lost. Each change is said once.
    std::vector<std::string> TakeNotices();

    bool connected() const { return connected_; }
    // Readings queued or unacknowledged.
    std::size_t waiting() const;
    std::size_t queued() const { return queue_.size(); }
    std::uint64_t lost() const { return queue_.lost(); }
    const MeterTopics& topics() const { return topics_; }

private:
    static void OnConnect(mosquitto*, void* self, int rc);
    static void OnDisconnect(mosquitto*, void* self, int rc);
    static void OnPublish(mosquitto*, void* self, int mid);

    // Hands libmosquitto the next readings while fewer than settings_.inFlight are
    // unacknowledged; the network thread may wait for the hand-over lock, the producer not.
    void pump(bool mayWait);
    void say(const std::string& key, const std::string& text);
    bool saidRefusal();
    bool publishControl(const std::string& topic, const std::string& payload, int* mid);
    bool tryFirstConnection(std::string& error);
    void retryIfDue();

    PublisherSettings settings_;
    MeterTopics topics_;
    PublishQueue queue_;
    mosquitto* mosq_ = nullptr;
    bool started_ = false;
    std::mutex startMutex_;
    std::atomic<bool> loopStarted_{false};
    std::chrono::steady_clock::time_point nextTry_;
    std::chrono::steady_clock::duration retryDelay_ = std::chrono::seconds(1);

    std::mutex pumpMutex_;  // keeps readings in order between the two threads that hand over
    std::atomic<int> inFlight_{0};
    std::atomic<bool> connected_{false};
    std::atomic<bool> stopping_{false};

    std::mutex noticeMutex_;
    std::vector<std::string> notices_;
    std::string lastSaid_;  // the last state said, so that a repeated failure is said once
    std::uint64_t lostSaid_ = 0;
};

// One attempt to reach a broker, for a test button: Start returns at once, Result() says
// nothing until the broker answered or refused, or the time ran out.
class MqttProbe {
public:
    MqttProbe() = default;
    ~MqttProbe();
    MqttProbe(const MqttProbe&) = delete;
    MqttProbe& operator=(const MqttProbe&) = delete;

    void Start(const MqttTarget& target, const std::string& password,
               std::chrono::milliseconds timeout = std::chrono::seconds(5));
    // "the broker answered", or why not.
    std::optional<std::string> Result();
    bool answered() const { return answered_; }

private:
    static void OnConnect(mosquitto*, void* self, int rc);
    static void OnDisconnect(mosquitto*, void* self, int rc);
    void finish(bool answered, const std::string& text);

    mosquitto* mosq_ = nullptr;
    std::chrono::steady_clock::time_point deadline_;
    std::mutex mutex_;
    std::optional<std::string> result_;
    std::atomic<bool> answered_{false};
};

}  // namespace dmm

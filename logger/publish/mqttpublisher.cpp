#include "logger/publish/mqttpublisher.h"

#include <mosquitto.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <thread>

#include "meterlink/numparse.h"

namespace dmm {

namespace {

constexpr int kKeepAliveSeconds = 30;
constexpr unsigned kFirstRetrySeconds = 1;
constexpr unsigned kLongestRetrySeconds = 30;
constexpr auto kOfflineWait = std::chrono::seconds(2);
constexpr auto kAwayWait = std::chrono::milliseconds(2000);

void InitLibraryOnce() {
    static std::once_flag once;
    std::call_once(once, [] { mosquitto_lib_init(); });
}

// libmosquitto's texts end in a full stop; ours go on after them.
std::string Reason(const char* text) {
    std::string s = text ? text : "";
    while (!s.empty() && (s.back() == '.' || s.back() == ' ')) s.pop_back();
    return s;
}

std::string Where(const MqttTarget& t) {
    return Format("%s://%s:%d", t.tls ? "mqtts" : "mqtt", t.host.c_str(), t.port);
}

}  // namespace

MqttPublisher::MqttPublisher(PublisherSettings settings)
    : settings_(std::move(settings)),
      topics_(TopicsFor(settings_.target, settings_.meterName)),
      queue_(settings_.capacity) {}

MqttPublisher::~MqttPublisher() {
    if (started_) Stop(std::chrono::milliseconds(0));
    if (mosq_) mosquitto_destroy(mosq_);
}

bool MqttPublisher::Start(std::string& error) {
    InitLibraryOnce();
    mosq_ = mosquitto_new(nullptr, true, this);
    if (!mosq_) {
        error = std::string("cannot make an MQTT client: ") + std::strerror(errno);
        return false;
    }
    mosquitto_int_option(mosq_, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    mosquitto_max_inflight_messages_set(mosq_, static_cast<unsigned>(settings_.inFlight) + 32);
    mosquitto_connect_callback_set(mosq_, OnConnect);
    mosquitto_disconnect_callback_set(mosq_, OnDisconnect);
    mosquitto_publish_callback_set(mosq_, OnPublish);
    mosquitto_reconnect_delay_set(mosq_, kFirstRetrySeconds, kLongestRetrySeconds, true);
    const MqttTarget& t = settings_.target;
    if (!t.user.empty()) {
        mosquitto_username_pw_set(
            mosq_, t.user.c_str(),
            settings_.password.empty() ? nullptr : settings_.password.c_str());
    }
    if (t.tls) {
        const int rc = mosquitto_int_option(mosq_, MOSQ_OPT_TLS_USE_OS_CERTS, 1);
        if (rc != MOSQ_ERR_SUCCESS) {
            error = std::string("mqtts: ") + mosquitto_strerror(rc);
            return false;
        }
    }
    const std::string will = StatusPayload(false, 0, settings_.version);
    mosquitto_will_set(mosq_, topics_.status.c_str(), static_cast<int>(will.size()), will.data(), 1,
                       true);
    started_ = true;
    return tryFirstConnection(error);
}

// libmosquitto 2.0.11's network thread waits for good when the first connection fails at
// once (a broker that is down refuses a loopback connection before connect returns). So the
// network thread starts only once an attempt is under way; until then the owner's thread
// tries again now and then (PublishJson, TakeNotices), each attempt starting a connection
// and never waiting for it. Once the thread runs, it reconnects by itself.
bool MqttPublisher::tryFirstConnection(std::string& error) {
    std::lock_guard lock(startMutex_);
    if (loopStarted_) return true;
    const MqttTarget& t = settings_.target;
    const int rc = mosquitto_connect_async(mosq_, t.host.c_str(), t.port, kKeepAliveSeconds);
    if (rc != MOSQ_ERR_SUCCESS) {
        say("unreachable",
            "cannot reach the broker at " + Where(t) + ": " +
                (rc == MOSQ_ERR_ERRNO ? std::strerror(errno) : Reason(mosquitto_strerror(rc))) +
                "; trying again");
        nextTry_ = std::chrono::steady_clock::now() + retryDelay_;
        retryDelay_ = std::min<std::chrono::steady_clock::duration>(
            retryDelay_ * 2, std::chrono::seconds(kLongestRetrySeconds));
        return true;
    }
    const int loop = mosquitto_loop_start(mosq_);
    if (loop != MOSQ_ERR_SUCCESS) {
        error = std::string("cannot start the network thread: ") + mosquitto_strerror(loop);
        return false;
    }
    loopStarted_ = true;
    return true;
}

void MqttPublisher::retryIfDue() {
    if (!started_ || loopStarted_ || std::chrono::steady_clock::now() < nextTry_) return;
    std::string ignored;
    tryFirstConnection(ignored);
}

void MqttPublisher::Publish(const SchemaReading& reading) {
    PublishJson(JsonObject(reading));
}

void MqttPublisher::PublishJson(std::string json) {
    queue_.Push(std::move(json));
    retryIfDue();
    if (connected_ && inFlight_ < settings_.inFlight) pump(false);
}

void MqttPublisher::pump(bool mayWait) {
    // The producer never waits for the lock: whoever holds it looks at the ring again
    // after letting go, and so takes what was pushed meanwhile.
    for (;;) {
        std::unique_lock lock(pumpMutex_, std::defer_lock);
        if (mayWait) {
            lock.lock();
        } else if (!lock.try_lock()) {
            return;
        }
        bool failed = false;
        while (connected_ && !stopping_ && inFlight_ < settings_.inFlight) {
            const std::optional<std::string> next = queue_.Front();
            if (!next) break;
            ++inFlight_;
            const int rc =
                mosquitto_publish(mosq_, nullptr, topics_.reading.c_str(),
                                  static_cast<int>(next->size()), next->data(), 1, false);
            if (rc != MOSQ_ERR_SUCCESS) {
                --inFlight_;
                failed = true;
                break;
            }
            queue_.Pop();
        }
        lock.unlock();
        if (failed || !connected_ || stopping_ || inFlight_ >= settings_.inFlight ||
            queue_.size() == 0)
            return;
    }
}

bool MqttPublisher::publishControl(const std::string& topic, const std::string& payload, int* mid) {
    ++inFlight_;
    const int rc = mosquitto_publish(mosq_, mid, topic.c_str(), static_cast<int>(payload.size()),
                                     payload.data(), 1, true);
    if (rc != MOSQ_ERR_SUCCESS) --inFlight_;
    return rc == MOSQ_ERR_SUCCESS;
}

void MqttPublisher::OnConnect(mosquitto*, void* self, int rc) {
    auto* p = static_cast<MqttPublisher*>(self);
    if (rc != 0) {
        p->say("refused", "the broker at " + Where(p->settings_.target) +
                              " refused the connection: " + Reason(mosquitto_connack_string(rc)));
        return;
    }
    p->connected_ = true;
    const std::uint64_t dropped = p->queue_.lost();
    p->publishControl(p->topics_.status, StatusPayload(true, dropped, p->settings_.version),
                      nullptr);
    for (const DiscoveryMessage& m : DiscoveryMessages(p->topics_, p->settings_.version))
        p->publishControl(m.topic, m.payload, nullptr);
    p->say("connected",
           "publishing to " + Where(p->settings_.target) + " as " + p->topics_.reading);
    {
        std::lock_guard lock(p->noticeMutex_);
        if (dropped > p->lostSaid_) {
            p->notices_.push_back(Format("%llu readings were lost while the broker was away",
                                         static_cast<unsigned long long>(dropped - p->lostSaid_)));
            p->lostSaid_ = dropped;
        }
    }
    p->pump(true);
}

void MqttPublisher::OnDisconnect(mosquitto*, void* self, int rc) {
    auto* p = static_cast<MqttPublisher*>(self);
    const bool was = p->connected_.exchange(false);
    // A refused login ends its connection too: that was said already.
    if (rc == 0 || p->stopping_) return;
    if (was) {
        p->say("lost", "lost the broker at " + Where(p->settings_.target) + ": " +
                           Reason(mosquitto_strerror(rc)) + "; publishing goes on when it is back");
    } else if (!p->saidRefusal()) {
        p->say("unreachable", "cannot reach the broker at " + Where(p->settings_.target) + ": " +
                                  Reason(mosquitto_strerror(rc)) + "; trying again");
    }
}

void MqttPublisher::OnPublish(mosquitto*, void* self, int) {
    auto* p = static_cast<MqttPublisher*>(self);
    --p->inFlight_;
    p->pump(true);
}

bool MqttPublisher::saidRefusal() {
    std::lock_guard lock(noticeMutex_);
    return lastSaid_ == "refused";
}

void MqttPublisher::say(const std::string& key, const std::string& text) {
    std::lock_guard lock(noticeMutex_);
    // A state said once is not said again until another came between.
    if (key == lastSaid_) return;
    if (key == "connected" && lastSaid_.empty()) {
        lastSaid_ = key;
        return;  // the first connection is what the user asked for: nothing to say
    }
    lastSaid_ = key;
    notices_.push_back(key == "connected" ? "the broker is back: " + text : text);
}

std::vector<std::string> MqttPublisher::TakeNotices() {
    retryIfDue();
    std::lock_guard lock(noticeMutex_);
    std::vector<std::string> out;
    out.swap(notices_);
    return out;
}

std::size_t MqttPublisher::waiting() const {
    const int flying = inFlight_;
    return queue_.size() + static_cast<std::size_t>(flying > 0 ? flying : 0);
}

bool MqttPublisher::Stop(std::chrono::milliseconds drain) {
    if (!started_) return queue_.size() == 0;
    // A broker that is away gets a moment to come back, not the whole wait.
    const auto now = std::chrono::steady_clock::now();
    const auto until = now + drain;
    const auto awayUntil = now + std::min<std::chrono::milliseconds>(drain, kAwayWait);
    while (waiting() > 0 && std::chrono::steady_clock::now() < until &&
           (connected_ || std::chrono::steady_clock::now() < awayUntil)) {
        retryIfDue();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const bool complete = waiting() == 0;
    stopping_ = true;
    if (connected_) {
        // The status says offline before the clean disconnect, which suppresses the will.
        publishControl(topics_.status, StatusPayload(false, queue_.lost(), settings_.version),
                       nullptr);
        const auto offlineUntil = std::chrono::steady_clock::now() + kOfflineWait;
        while (inFlight_ > 0 && connected_ && std::chrono::steady_clock::now() < offlineUntil)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const bool wasConnected = connected_;
    mosquitto_disconnect(mosq_);
    if (loopStarted_) mosquitto_loop_stop(mosq_, !wasConnected);
    loopStarted_ = false;
    started_ = false;
    connected_ = false;
    return complete;
}

MqttProbe::~MqttProbe() {
    if (!mosq_) return;
    mosquitto_disconnect(mosq_);
    mosquitto_loop_stop(mosq_, true);
    mosquitto_destroy(mosq_);
}

void MqttProbe::Start(const MqttTarget& t, const std::string& password,
                      std::chrono::milliseconds timeout) {
    InitLibraryOnce();
    deadline_ = std::chrono::steady_clock::now() + timeout;
    mosq_ = mosquitto_new(nullptr, true, this);
    if (!mosq_) {
        finish(false, std::string("cannot make an MQTT client: ") + std::strerror(errno));
        return;
    }
    mosquitto_connect_callback_set(mosq_, OnConnect);
    mosquitto_disconnect_callback_set(mosq_, OnDisconnect);
    if (!t.user.empty())
        mosquitto_username_pw_set(mosq_, t.user.c_str(),
                                  password.empty() ? nullptr : password.c_str());
    if (t.tls) mosquitto_int_option(mosq_, MOSQ_OPT_TLS_USE_OS_CERTS, 1);
    const int rc = mosquitto_connect_async(mosq_, t.host.c_str(), t.port, kKeepAliveSeconds);
    if (rc != MOSQ_ERR_SUCCESS) {
        finish(false,
               "no answer from " + Where(t) + ": " +
                   (rc == MOSQ_ERR_ERRNO ? std::strerror(errno) : Reason(mosquitto_strerror(rc))));
        return;
    }
    mosquitto_loop_start(mosq_);
}

std::optional<std::string> MqttProbe::Result() {
    std::lock_guard lock(mutex_);
    if (!result_ && std::chrono::steady_clock::now() >= deadline_)
        result_ = "no answer from the broker in time";
    return result_;
}

void MqttProbe::finish(bool answered, const std::string& text) {
    std::lock_guard lock(mutex_);
    if (result_) return;
    result_ = text;
    answered_ = answered;
}

void MqttProbe::OnConnect(mosquitto* mosq, void* self, int rc) {
    auto* p = static_cast<MqttProbe*>(self);
    if (rc == 0) {
        p->finish(true, "the broker answered");
    } else {
        p->finish(false, std::string("the broker refused the connection: ") +
                             mosquitto_connack_string(rc));
    }
    mosquitto_disconnect(mosq);
}

void MqttProbe::OnDisconnect(mosquitto*, void* self, int rc) {
    if (rc != 0)
        static_cast<MqttProbe*>(self)->finish(
            false, std::string("no answer from the broker: ") + mosquitto_strerror(rc));
}

}  // namespace dmm

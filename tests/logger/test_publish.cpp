// The broker's URL, the topics, the bounded queue and a publisher without a broker.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "logger/publish/mqttpublisher.h"
#include "logger/publish/mqttsettings.h"
#include "logger/publish/mqtttarget.h"
#include "logger/publish/publishqueue.h"
#include "shell/rules/settings.h"

namespace dmm {
namespace {

TEST(MqttUrl, EveryPartIsReadOrNamedWhenWrong) {
    const struct Case {
        const char* url;
        bool tls;
        const char *user, *host;
        int port;
        const char* prefix;
    } good[] = {
        {"mqtt://localhost", false, "", "localhost", 1883, "dmm"},
        {"mqtt://localhost/lab", false, "", "localhost", 1883, "lab"},
        {"mqtts://ann@broker.example.org:8884/lab/bench-2/", true, "ann", "broker.example.org",
         8884, "lab/bench-2"},
        {"mqtts://pi", true, "", "pi", 8883, "dmm"},
        {"mqtt://[::1]:1884/a+b#", false, "", "::1", 1884, "a_b_"},
        {"mqtt://10.0.0.2//", false, "", "10.0.0.2", 1883, "dmm"},
    };
    for (const Case& c : good) {
        const MqttUrlResult r = ParseMqttUrl(c.url);
        ASSERT_TRUE(r.target) << c.url << ": " << r.error;
        EXPECT_EQ(r.target->tls, c.tls) << c.url;
        EXPECT_EQ(r.target->user, c.user) << c.url;
        EXPECT_EQ(r.target->host, c.host) << c.url;
        EXPECT_EQ(r.target->port, c.port) << c.url;
        EXPECT_EQ(r.target->prefix, c.prefix) << c.url;
    }
    const std::pair<const char*, const char*> bad[] = {
        {"tcp://h", "mqtt:// or mqtts://"},   {"mqtt://", "host is missing"},
        {"mqtt://:1883", "host is missing"},  {"mqtt://h:", "port after ':' is missing"},
        {"mqtt://h:0", "port '0'"},           {"mqtt://h:65536", "port '65536'"},
        {"mqtt://h:1x", "port '1x'"},         {"mqtt://@h", "user before '@' is empty"},
        {"mqtt://u:p@h", "holds a password"}, {"mqtt://h st", "holds ' '"},
        {"mqtt://[::1", "has no ']'"},
    };
    for (const auto& [url, says] : bad) {
        const MqttUrlResult r = ParseMqttUrl(url);
        EXPECT_FALSE(r.target) << url;
        EXPECT_NE(r.error.find(says), std::string::npos) << url << ": " << r.error;
    }
}

TEST(MqttTopics, NamesAreCleanedAndTheDefaultNameIsHostAndPort) {
    EXPECT_EQ(CleanTopicName("bench 1/#+\u00B5x"), "bench_1____x");
    EXPECT_EQ(DefaultMeterName("bench4.lab.example", "COM1"), "bench4-COM1");
    EXPECT_EQ(DefaultMeterName("pi", "/dev/ttyUSB0"), "pi-ttyUSB0");
    EXPECT_EQ(DefaultMeterName("", ""), "meter");
    MqttTarget t;
    t.prefix = "lab/floor-2";
    const MeterTopics topics = TopicsFor(t, "bench 1");
    EXPECT_EQ(topics.reading, "lab/floor-2/bench_1/reading");
    EXPECT_EQ(topics.status, "lab/floor-2/bench_1/status");
    EXPECT_EQ(topics.node, "lab_floor-2_bench_1");
    const std::vector<DiscoveryMessage> d = DiscoveryMessages(topics, "5.0");
    ASSERT_EQ(d.size(), 17u);
    EXPECT_EQ(d.front().topic, "homeassistant/sensor/lab_floor-2_bench_1/volts_dc/config");
    EXPECT_EQ(d.back().topic, "homeassistant/binary_sensor/lab_floor-2_bench_1/low_battery/config");
    EXPECT_EQ(StatusPayload(false, 3, "5.0"),
              "{\"state\":\"offline\",\"lost\":3,\"version\":\"5.0\"}");
}

TEST(PublishQueue, KeepsTheNewestWhenFullAndCountsWhatWentFirst) {
    PublishQueue q(3);
    for (const char* p : {"1", "2", "3", "4", "5"}) q.Push(p);
    EXPECT_EQ(q.size(), 3u);
    EXPECT_EQ(q.lost(), 2u);
    std::string order;
    while (auto front = q.Front()) {
        order += *front;
        q.Pop();
    }
    EXPECT_EQ(order, "345");
    q.Pop();  // an empty queue stays empty
    EXPECT_EQ(q.size(), 0u);
    EXPECT_EQ(PublishQueue().capacity(), 100000u);
}

TEST(MqttPublisher, WithoutABrokerReadingsWaitInTheRingAndTheFailureIsSaidOnce) {
    PublisherSettings s;
    s.target.host = "127.0.0.1";
    s.target.port = 1;  // nothing listens there
    s.meterName = "m";
    s.capacity = 10;
    MqttPublisher p(s);
    std::string error;
    ASSERT_TRUE(p.Start(error)) << error;
    SchemaReading r;
    for (int i = 1; i <= 15; ++i) {
        r.seq = i;
        p.Publish(r);
    }
    EXPECT_FALSE(p.connected());
    EXPECT_EQ(p.queued(), 10u);
    EXPECT_EQ(p.lost(), 5u);
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));  // a retry or two
    std::vector<std::string> notices = p.TakeNotices();
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_NE(notices[0].find("cannot reach the broker at mqtt://127.0.0.1:1"), std::string::npos)
        << notices[0];
    EXPECT_FALSE(p.Stop(std::chrono::milliseconds(100)));
}

TEST(MqttSettings, KeysAreWrittenWhenSetAndABadValueOnlyTurnsPublishingOff) {
    MqttSettings s;
    EXPECT_EQ(FormatMqttSettings(s), "");
    s.url = "mqtt://pi/lab";
    s.on = true;
    s.passwordFile = "/home/ann/.dmm-mqtt";
    EXPECT_EQ(FormatMqttSettings(s),
              "MqttUrl=mqtt://pi/lab\r\nMqttOn=1\r\nMqttPasswordFile=/home/ann/.dmm-mqtt\r\n");
    const std::string text = FormatSettingsText(Settings{4, 12.5, -3}) + FormatMqttSettings(s);
    EXPECT_EQ(ParseMqttSettings(text), s);
    // The port and the limits read as before, whatever the publishing keys hold.
    for (const char* extra : {"MqttOn=yes\r\n", "MqttUrl=\r\nMqttOn=1\r\n", "MqttName=a=b\r\n"}) {
        const std::string withExtra = FormatSettingsText(Settings{4, 12.5, -3}) + extra;
        const Settings kept = ParseSettingsText(withExtra);
        EXPECT_EQ(kept.iPort, 4) << extra;
        EXPECT_EQ(kept.fHiLimit, 12.5) << extra;
        EXPECT_EQ(kept.fLowLimit, -3) << extra;
        EXPECT_FALSE(ParseMqttSettings(withExtra).on) << extra;
    }
    EXPECT_EQ(ParseMqttSettings("MqttName=a=b\r\n").name, "a=b");
}

}  // namespace
}  // namespace dmm

// dmmlog read, log and publish against a real mosquitto broker of the test's own.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "logger/data/loggerfile.h"
#include "logger/data/readingschema.h"
#include "logger/publish/mqtttarget.h"
#include "meterlink/numparse.h"
#include "support/broker.h"
#include "support/loggerrecords.h"
#include "support/process.h"
#include "support/sim.h"
#include "support/tempdir.h"

using namespace std::chrono_literals;
using dmm::test::Broker;
using dmm::test::Process;
using dmm::test::ReadRecords;
using dmm::test::Sim;
using dmm::test::Subscriber;
using dmm::test::TempDir;
using dmm::test::WriteBytes;
using dmm::test::WriteScenario;
namespace fs = std::filesystem;

namespace {

struct Message {
    std::string topic, payload;
};

// Messages until `done` says enough or the time is up.
std::vector<Message> Collect(Subscriber& sub, std::chrono::milliseconds timeout,
                             const std::function<bool(const std::vector<Message>&)>& done) {
    std::vector<Message> got;
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!done(got) && std::chrono::steady_clock::now() < end) {
        if (auto line = sub.Next(200ms)) {
            // Iterators, not find(): GCC 12 at -O2 warns of an unbounded memchr in it here.
            const auto space = std::find(line->begin(), line->end(), ' ');
            got.push_back({std::string(line->begin(), space),
                           space == line->end() ? "" : std::string(space + 1, line->end())});
        }
    }
    return got;
}

std::vector<std::string> Payloads(const std::vector<Message>& messages, const std::string& topic) {
    std::vector<std::string> out;
    for (const Message& m : messages)
        if (m.topic == topic) out.push_back(m.payload);
    return out;
}

long long Seq(const std::string& payload) {
    std::smatch m;
    if (!std::regex_search(payload, m, std::regex("\"seq\":([0-9]+)"))) return -1;
    return std::stoll(m[1]);
}

// The payload with its run and time standing as "R" and "T".
std::string WithoutRunAndTime(std::string payload) {
    payload = std::regex_replace(payload, std::regex("\"run\":\"[^\"]*\""), "\"run\":\"R\"");
    return std::regex_replace(payload, std::regex("\"time\":\"[^\"]*\""), "\"time\":\"T\"");
}

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = 0; (at = text.find(part, at)) != std::string::npos; at += part.size())
        ++n;
    return n;
}

Process Log(const Sim& sim, const fs::path& out, std::vector<std::string> more) {
    std::vector<std::string> args{"log",   "--port",     sim.device(),
                                  "--out", out.string(), "--full-speed"};
    args.insert(args.end(), more.begin(), more.end());
    return Process(DMMLOG_PATH, args);
}

TEST(DmmlogMqtt, LogPublishesEverySampleWithStatusAndHomeAssistantDiscovery) {
    TempDir dir;
    Broker broker(dir.path());
    Subscriber sub(broker, {"lab/#", "homeassistant/#"});
    ASSERT_TRUE(sub.WaitReady(broker, "lab/probe")) << broker.log();
    Sim sim({"--scenario", WriteScenario(dir.path(), "6;1.234;0\n128;1.234;4\n")});
    const fs::path out = dir.path() / "run.g26";
    Process log =
        Log(sim, out, {"--count", "4", "--mqtt", broker.url("lab"), "--mqtt-name", "bench 1"});
    ASSERT_EQ(log.wait(60s), 0) << log.drainErr();
    const std::string status = "lab/bench_1/status";
    const std::vector<Message> got = Collect(sub, 15s, [&](const std::vector<Message>& m) {
        const std::vector<std::string> s = Payloads(m, status);
        return !s.empty() && Has(s.back(), "offline");
    });

    // Every sample with the fields of its record, numbered as the file numbers them.
    const std::vector<dmm::LogRecord> records = ReadRecords(out);
    const std::vector<std::string> readings = Payloads(got, "lab/bench_1/reading");
    ASSERT_EQ(readings.size(), records.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
        dmm::SchemaReading expected = dmm::SchemaOfRecord(records[i]);
        expected.run = "R";
        expected.time = "T";
        expected.seq = static_cast<long long>(i) + 1;
        expected.sample = expected.seq;
        EXPECT_EQ(WithoutRunAndTime(readings[i]), dmm::JsonObject(expected));
    }
    const std::regex isoTime(R"("time":"20[0-9-]{8}T[0-9:.]{12}[+-][0-9]{2}:[0-9]{2}")");
    EXPECT_TRUE(std::regex_search(readings.front(), isoTime)) << readings.front();

    // Online while it ran, offline said by the program itself at the end.
    const std::vector<std::string> states = Payloads(got, status);
    ASSERT_GE(states.size(), 2u);
    EXPECT_EQ(states.front(), dmm::StatusPayload(true, 0, DMM_EXPECTED_VERSION));
    EXPECT_EQ(states.back(), dmm::StatusPayload(false, 0, DMM_EXPECTED_VERSION));

    // The discovery configs and the status are retained: a late subscriber gets them.
    Subscriber late(broker, {"homeassistant/#", status}, "", {"-C", "18", "-W", "10"});
    std::string retained;
    while (auto line = late.Next(10s)) retained += *line + "\n";
    EXPECT_EQ(Count(retained, "homeassistant/sensor/lab_bench_1/"), 16u) << retained;
    EXPECT_EQ(Count(retained, "homeassistant/binary_sensor/lab_bench_1/low_battery/config"), 1u);
    EXPECT_TRUE(Has(retained, status + " {\"state\":\"offline\""));
    const fs::path configs = dir.path() / "configs.txt";
    WriteBytes(configs, retained);
    // Well formed: Python's json reads every payload; each entity's unit, class and template.
    const char* check =
        "import json,sys\n"
        "for line in open(sys.argv[1], encoding='utf-8'):\n"
        "    topic, payload = line.rstrip('\\n').split(' ', 1)\n"
        "    c = json.loads(payload)\n"
        "    if 'unique_id' not in c: continue\n"
        "    assert c['state_topic'] == 'lab/bench_1/reading', c\n"
        "    assert c['device']['identifiers'] == ['dmmlogger_lab_bench_1'], c\n"
        "    print(topic.split('/')[3], c.get('unit_of_measurement', '-'), "
        "c.get('device_class', '-'), c['value_template'])\n";
    Process python(PYTHON3_PATH, {"-c", check, configs.string()});
    const std::string table = python.drainOut();
    ASSERT_EQ(python.wait(30s), 0) << python.drainErr();
    for (const char* row :
         {"volts_dc V voltage {{ value_json.value if value_json.function == 'volts_dc' else none "
          "}}",
          "amps_ac A current ", "ohms \u03A9 - ", "farads F - ", "hertz Hz frequency ",
          "percent % - ", "celsius \u00B0C temperature ", "fahrenheit \u00B0F temperature ",
          "dbm dBm signal_strength ", "function - - {{ value_json.function }}",
          "low_battery - battery {{ 'ON' if value_json.low_battery else 'OFF' }}"}) {
        EXPECT_TRUE(Has(table, row)) << row << "\n" << table;
    }
}

TEST(DmmlogMqtt, TheLastWillSaysOfflineWhenTheProgramDies) {
    TempDir dir;
    Broker broker(dir.path());
    Subscriber sub(broker, {"lab/#"});
    ASSERT_TRUE(sub.WaitReady(broker, "lab/probe"));
    Sim sim({"--reading", "6;1.234;0"});
    Process read(DMMLOG_PATH,
                 {"read", "--port", sim.device(), "--mqtt", broker.url("lab"), "--mqtt-name", "m"});
    std::vector<Message> got = Collect(sub, 15s, [](const std::vector<Message>& m) {
        return !Payloads(m, "lab/m/reading").empty();
    });
    ASSERT_FALSE(Payloads(got, "lab/m/reading").empty()) << read.drainErr();
    EXPECT_TRUE(Has(Payloads(got, "lab/m/status").front(), "\"state\":\"online\""));
    read.signal(SIGKILL);
    got = Collect(sub, 15s, [](const std::vector<Message>& m) {
        return !Payloads(m, "lab/m/status").empty();
    });
    const std::vector<std::string> states = Payloads(got, "lab/m/status");
    ASSERT_FALSE(states.empty());
    EXPECT_TRUE(Has(states.back(), "\"state\":\"offline\"")) << states.back();
}

TEST(DmmlogMqtt,
     ARefusedLoginIsSaidOnceAndLoggingGoesOnAndThePasswordComesFromAFileOrTheEnvironment) {
    TempDir dir;
    Broker broker(dir.path(), {"lab:secret"});
    Sim sim({"--reading", "6;1.234;0"});
    const std::string url = "mqtt://lab@127.0.0.1:" + std::to_string(broker.port()) + "/lab";
    WriteBytes(dir / "wrong", "guess\n");
    Process refused = Log(sim, dir.path() / "a.g26",
                          {"--count", "4", "--mqtt", url, "--mqtt-password-file", dir / "wrong"});
    ASSERT_EQ(refused.wait(60s), 0);
    const std::string err = refused.drainErr();
    EXPECT_EQ(Count(err, "refused the connection"), 1u) << err;
    EXPECT_FALSE(Has(err, "guess"));
    EXPECT_EQ(ReadRecords(dir / "a.g26").size(), 4u);
    EXPECT_TRUE(Has(err, "4 readings were not acknowledged")) << err;

    setenv("DMM_MQTT_PASSWORD", "secret", 1);
    Process accepted =
        Log(sim, dir.path() / "b.g26", {"--count", "2", "--mqtt", url, "--mqtt-name", "m"});
    unsetenv("DMM_MQTT_PASSWORD");
    ASSERT_EQ(accepted.wait(60s), 0);
    const std::string acceptedErr = accepted.drainErr();
    EXPECT_FALSE(Has(acceptedErr, "refused")) << acceptedErr;
    EXPECT_FALSE(Has(acceptedErr, "not acknowledged")) << acceptedErr;
}

TEST(DmmlogMqtt, ABrokerDownAtStartAndRestartedMidRunCostsNoSample) {
    TempDir dir;
    Broker broker(dir.path());
    // A persistent subscriber: its session and its messages outlive the broker's restarts.
    {
        Subscriber first(broker, {"lab/#"}, "keeper");
        ASSERT_TRUE(first.WaitReady(broker, "lab/probe"));
    }
    broker.Stop();
    Sim sim({"--reading", "6;1.234;0"});
    const fs::path out = dir.path() / "run.g26";
    Process log = Log(sim, out, {"--count", "10", "--mqtt", broker.url("lab"), "--mqtt-name", "m"});
    auto said = log.readErrLine(15s);
    ASSERT_TRUE(said);
    EXPECT_TRUE(Has(*said, "cannot reach the broker")) << *said;
    std::this_thread::sleep_for(1500ms);
    broker.Start();
    Subscriber sub(broker, {"lab/#"}, "keeper");
    std::vector<Message> got = Collect(sub, 20s, [](const std::vector<Message>& m) {
        const std::vector<std::string> r = Payloads(m, "lab/m/reading");
        return !r.empty() && Seq(r.back()) >= 4;
    });
    broker.Stop();
    std::this_thread::sleep_for(1500ms);
    broker.Start();
    ASSERT_EQ(log.wait(60s), 0);
    const std::string err = log.drainErr();
    std::vector<Message> rest = Collect(sub, 30s, [](const std::vector<Message>& m) {
        const std::vector<std::string> r = Payloads(m, "lab/m/reading");
        return !r.empty() && Seq(r.back()) >= 10;
    });
    got.insert(got.end(), rest.begin(), rest.end());
    std::vector<long long> firsts;
    std::set<long long> seen;
    for (const std::string& p : Payloads(got, "lab/m/reading")) {
        if (seen.insert(Seq(p)).second) firsts.push_back(Seq(p));
    }
    EXPECT_EQ(firsts, (std::vector<long long>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10})) << err;
    EXPECT_EQ(Count(*said + err, "cannot reach the broker"), 1u) << err;
    EXPECT_EQ(Count(err, "lost the broker"), 1u) << err;
    EXPECT_TRUE(Has(err, "the broker is back")) << err;
}

TEST(DmmlogMqtt, PublishSendsAFileAsExportWritesIt) {
    TempDir dir;
    Broker broker(dir.path());
    dmm::LogList list;
    for (int i = 0; i < 300; ++i) {
        list.emplace_back(dmm::Format("%d.000", i % 10), "0", i % 3 ? 6 : 128,
                          dmm::Format("%3d:%02d:00.0  ", 23 + i / 60, i % 60), "x", "", "V",
                          static_cast<float>(i % 10));
    }
    list[7] = dmm::LogRecord(" O.L ", "2", 6, " 23:07:00.0  ", "O.L", "", "V", 550.f);
    const fs::path file = dir.path() / "f.g26";
    ASSERT_TRUE(dmm::SaveLoggerFile(file, list));
    Subscriber sub(broker, {"lab/#"});
    ASSERT_TRUE(sub.WaitReady(broker, "lab/probe"));
    Process publish(DMMLOG_PATH, {"publish", file.string(), "--mqtt", broker.url("lab"),
                                  "--mqtt-name", "f", "--date", "2026-12-31"});
    ASSERT_EQ(publish.wait(60s), 0) << publish.drainErr();
    const std::vector<Message> got = Collect(sub, 20s, [](const std::vector<Message>& m) {
        return Payloads(m, "lab/f/reading").size() >= 300;
    });
    Process exported(DMMLOG_PATH,
                     {"export", file.string(), "--format", "json", "--date", "2026-12-31"});
    std::string lines;
    for (const std::string& p : Payloads(got, "lab/f/reading")) lines += p + "\n";
    EXPECT_EQ(lines, exported.drainOut());

    // --rate paces the records: 20 at 20 a second take about a second.
    list.resize(20);
    ASSERT_TRUE(dmm::SaveLoggerFile(file, list));
    const auto start = std::chrono::steady_clock::now();
    Process paced(DMMLOG_PATH, {"publish", file.string(), "--mqtt", broker.url("lab"),
                                "--mqtt-name", "f", "--rate", "20"});
    ASSERT_EQ(paced.wait(60s), 0) << paced.drainErr();
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(900));
}

TEST(DmmlogMqtt, BadUrlsAndOptionsAreUsageErrorsNamingThePart) {
    TempDir dir;
    const struct Case {
        std::vector<std::string> args;
        const char* says;
    } cases[] = {
        {{"--mqtt", "http://h"}, "must start with mqtt:// or mqtts://"},
        {{"--mqtt", "mqtt://"}, "the host is missing"},
        {{"--mqtt", "mqtt://h:70000/x"}, "the port '70000'"},
        {{"--mqtt", "mqtt://u:pw@h"}, "holds a password"},
        {{"--mqtt", "mqtt://h/x", "--mqtt-password-file", "/dev/null"}, "cannot read a line"},
        {{"--mqtt-name", "x"}, "go with --mqtt"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args{"log", "--port", "/dev/null", "--out", dir / "x.g26"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        Process p(DMMLOG_PATH, args);
        const std::string err = p.drainErr();
        const int status = p.wait(30s);
        EXPECT_EQ(status, Has(c.says, "cannot read") ? 1 : 2) << c.says;
        EXPECT_TRUE(Has(err, c.says)) << err;
        EXPECT_FALSE(Has(err, "pw@")) << "the password is never printed";
    }
    Process noUrl(DMMLOG_PATH, {"publish", dir / "x.g26"});
    EXPECT_TRUE(Has(noUrl.drainErr(), "--mqtt is required"));
    EXPECT_EQ(noUrl.wait(30s), 2);
}

}  // namespace

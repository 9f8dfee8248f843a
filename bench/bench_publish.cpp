// Publishing to a local mosquitto broker that this program starts on a free loopback port
// (and stops). Not a Google benchmark: two figures, printed.
//  1. dmmlog publish of a 100,000-record logger file at QoS 1: messages a second, from the
//     start of the program to the broker's last acknowledgement (goal: 20,000 or more).
//  2. What queueing a live reading costs the thread that produces it (the window thread):
//     the reading's fields, its JSON and the hand-over, timed one by one for 20,000 readings
//     while the publisher is connected; mean, 99th percentile and the longest, in wall time
//     and in the thread's processor time (goal: the 99th percentile at most 0.1 ms; the
//     longest wall time mostly measures how long other processes held the processor).
// Exits 1 when a goal is missed.
//   bench_publish [records]
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "logger/data/loggerfile.h"
#include "logger/data/readingschema.h"
#include "logger/publish/mqttpublisher.h"
#include "meterlink/numparse.h"
#include "support/broker.h"
#include "support/tempdir.h"

using Clock = std::chrono::steady_clock;

namespace {
double ThreadCpuMicros() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e6 + static_cast<double>(t.tv_nsec) / 1e3;
}

struct Figures {
    double mean, p99, longest;
};

Figures Summary(std::vector<double> v) {
    double sum = 0;
    for (double x : v) sum += x;
    std::sort(v.begin(), v.end());
    return {sum / static_cast<double>(v.size()), v[v.size() * 99 / 100], v.back()};
}
}  // namespace

int main(int argc, char** argv) {
    const std::size_t records = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100000;
    dmm::test::TempDir dir;
    dmm::test::Broker broker(dir.path());
    int status = 0;

    dmm::LogList list;
    list.reserve(records);
    for (std::size_t i = 0; i < records; ++i) {
        list.emplace_back(
            dmm::Format("%d.%03d", static_cast<int>(i % 5), static_cast<int>(i % 1000)), "0", 6,
            dmm::Format("%3d:%02d:%02d.%d  ", static_cast<int>(i / 36000 % 24),
                        static_cast<int>(i / 600 % 60), static_cast<int>(i / 10 % 60),
                        static_cast<int>(i % 10)),
            "1.234", "", "V", 1.234f);
    }
    const std::string file = dir / "big.g26";
    if (!dmm::SaveLoggerFile(file, list)) return 2;

    const auto start = Clock::now();
    dmm::test::Process publish(
        DMMLOG_PATH, {"publish", file, "--mqtt", broker.url("bench"), "--mqtt-name", "b"});
    const std::string err = publish.drainErr();
    const int exitCode = publish.wait(std::chrono::minutes(10));
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const double rate = static_cast<double>(records) / seconds;
    std::printf("dmmlog publish: %zu records in %.2f s: %.0f messages/s (exit %d)\n", records,
                seconds, rate, exitCode);
    if (exitCode != 0) std::fputs(err.c_str(), stderr);
    if (exitCode != 0 || rate < 20000) status = 1;

    dmm::MqttUrlResult url = dmm::ParseMqttUrl(broker.url("bench"));
    dmm::PublisherSettings settings;
    settings.target = *url.target;
    settings.meterName = "live";
    settings.version = "bench";
    dmm::MqttPublisher publisher(settings);
    std::string error;
    if (!publisher.Start(error)) return 2;
    for (int i = 0; i < 500 && !publisher.connected(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    dmm::MeterReading reading;
    reading.sValue = "1.234";
    reading.sRange = "0";
    reading.iFunc = 6;
    dmm::CopyCut(reading.szDisplay, "1.234");
    dmm::CopyCut(reading.szFunc, "V");
    const std::string run = dmm::NewRunId(std::chrono::system_clock::now());
    constexpr int kLive = 20000;
    std::vector<double> micros, cpu;
    micros.reserve(kLive);
    cpu.reserve(kLive);
    for (int i = 0; i < kLive; ++i) {
        const auto t0 = Clock::now();
        const double c0 = ThreadCpuMicros();
        dmm::SchemaReading r = dmm::SchemaOfReading(reading);
        r.run = run;
        r.seq = i + 1;
        r.time = dmm::IsoLocalTime(std::chrono::system_clock::now());
        publisher.Publish(r);
        cpu.push_back(ThreadCpuMicros() - c0);
        micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
        // Live readings come one at a time; a short pause lets the network thread work.
        if (i % 100 == 99) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    publisher.Stop(std::chrono::seconds(30));
    const Figures wall = Summary(micros);
    const Figures own = Summary(cpu);
    std::printf(
        "queueing a live reading (%d readings): wall mean %.2f us, 99th percentile %.2f "
        "us, longest %.1f us; processor mean %.2f us, 99th percentile %.2f us, longest "
        "%.1f us\n",
        kLive, wall.mean, wall.p99, wall.longest, own.mean, own.p99, own.longest);
    if (wall.p99 > 100) status = 1;
    return status;
}

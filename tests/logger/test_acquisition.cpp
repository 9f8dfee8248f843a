// The command-line logger's acquisition: the poll of the link owner and the sampling
// rule, driven by a fake line and a fake clock.
#include "logger/acquisition/acquisition.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "support/fakeline.h"
#include "support/samplingcases.h"

namespace dmm {
namespace {

using Steady = SampleClock::TimePoint;

class FixedWall : public Clock {
public:
    LocalTime Now() const override { return {8, 5, 9, 700}; }
};

struct Meter {
    Meter() {
        auto owned = std::make_unique<FakeLine>();
        line = owned.get();
        line->respondWith([this](std::uint8_t) -> FakeLine::Bytes {
            if (silent) return {};
            return FakeLine::ReplyFrame(FakeLine::DisplayPayload(status, value, "0"));
        });
        link.Attach(std::move(owned));
    }
    // What the meter answers from the next poll on: nothing, or this display.
    void Silent() { silent = true; }
    void Shows(std::uint32_t statusWord, std::string valueText) {
        silent = false;
        status = statusWord;
        value = std::move(valueText);
    }
    MeterLink link;
    FakeLine* line = nullptr;
    bool silent = false;
    std::uint32_t status = 6;
    std::string value = "1.000";
};

class LogSampling : public ::testing::TestWithParam<test::SamplingCase> {};

TEST_P(LogSampling, SamplesTheFirstReadingAfterEachTick) {
    const test::SamplingCase& c = GetParam();
    Meter meter;
    SampleClock clock;
    clock.SetInterval(IntervalMsForSeconds(c.seconds));
    FixedWall wall;
    Acquisition acquisition(meter.link, clock, wall);
    const Steady start{};
    acquisition.Start(start, c.automatic);
    std::vector<int> sampled;
    for (std::size_t i = 0; i < c.pollTimesMs.size(); ++i) {
        AcquisitionStep step =
            acquisition.Step(start + std::chrono::milliseconds(c.pollTimesMs[i]));
        EXPECT_TRUE(step.decoded);
        if (step.sample) sampled.push_back(static_cast<int>(i));
    }
    EXPECT_EQ(sampled, c.sampledPolls);
}

INSTANTIATE_TEST_SUITE_P(Timeline, LogSampling, ::testing::ValuesIn(test::SamplingCases()),
                         test::SamplingCaseName);

TEST(Acquisition, ADueTickWaitsForADecodedReadingAndAnUnchartableOneUsesItUp) {
    Meter meter;
    SampleClock clock;
    FixedWall wall;
    Acquisition acquisition(meter.link, clock, wall);
    const Steady start{};
    acquisition.Start(start, true);
    EXPECT_TRUE(meter.link.Linked());

    meter.Silent();  // no reading: the sample stays due
    AcquisitionStep quiet = acquisition.Step(start);
    EXPECT_FALSE(quiet.decoded || quiet.sample);
    EXPECT_TRUE(clock.bSampleDue);

    meter.Shows(0, " OL ");  // an overload of a code without a substitute: no sample, tick used up
    AcquisitionStep dropped = acquisition.Step(start + std::chrono::milliseconds(100));
    EXPECT_TRUE(dropped.decoded);
    EXPECT_FALSE(dropped.sample);
    EXPECT_FALSE(clock.bSampleDue);

    // A low-battery frame is decoded and sampled: there is nobody to abort it.
    meter.Shows(0x80000006u, "2.500");
    AcquisitionStep low = acquisition.Step(start + std::chrono::milliseconds(600));
    EXPECT_EQ(low.poll.result, PollResult::LowBattery);
    ASSERT_TRUE(low.sample);
    EXPECT_FLOAT_EQ(low.sample->fValue, 2.5f);
    EXPECT_STREQ(low.sample->szTime, "  8:05:09.7  ");

    acquisition.Stop();
    EXPECT_FALSE(meter.link.Linked());
    EXPECT_EQ(meter.link.ReadingReceived, 0);
}

TEST(Acquisition, AnAdaptorThatWentAwayIsTriedEveryTwoSecondsAndSamplingResumes) {
    std::vector<FakeLine*> lines;
    bool there = true;
    MeterLink link([&](int) {
        OpenResult r;
        if (!there) {
            r.status = Status::Fail(StatusCode::PortNotOpened, {});
            return r;
        }
        auto owned = std::make_unique<FakeLine>();
        owned->respondWith([](std::uint8_t) {
            return FakeLine::ReplyFrame(FakeLine::DisplayPayload(6, "1.000", "0"));
        });
        lines.push_back(owned.get());
        r.handle = std::move(owned);
        r.device = "/dev/ttyUSB0";
        return r;
    });
    link.OpenPort();
    SampleClock clock;
    clock.SetInterval(IntervalMsForSeconds(1));
    FixedWall wall;
    Acquisition acquisition(link, clock, wall);
    const Steady t0{};
    acquisition.Start(t0, true);
    auto at = [&](int ms) { return acquisition.Step(t0 + std::chrono::milliseconds(ms)); };
    ASSERT_TRUE(at(0).sample);

    lines.back()->unplug();
    there = false;
    EXPECT_EQ(at(750).poll.result, PollResult::AdaptorGone);
    // Polls every 750 ms; the port is tried 2 s after it went and every 2 s after that.
    std::vector<int> tried;
    for (int ms = 1500; ms <= 6000; ms += 750) {
        AcquisitionStep step = at(ms);
        EXPECT_EQ(step.poll.result, PollResult::AdaptorAway) << ms;
        EXPECT_FALSE(step.reconnected || step.sample);
        if (step.reconnectTried) tried.push_back(ms);
    }
    EXPECT_EQ(tried, (std::vector<int>{3000, 5250}));

    // Back at the next try: the same step polls, and the tick that fell in the gap samples it.
    there = true;
    EXPECT_FALSE(at(6750).reconnectTried);
    AcquisitionStep back = at(7500);
    EXPECT_TRUE(back.reconnectTried && back.reconnected);
    EXPECT_EQ(back.device, "/dev/ttyUSB0");
    EXPECT_EQ(back.poll.result, PollResult::Frame);
    EXPECT_TRUE(back.sample);
    EXPECT_EQ(lines.size(), 2u);
}

TEST(SampleClockRule, IntervalsInSecondsAndTheirLimit) {
    EXPECT_EQ(IntervalMsForSeconds(0), kFullSpeedMs);
    EXPECT_EQ(IntervalMsForSeconds(7), 7000);
    EXPECT_EQ(IntervalMsForSeconds(-3), kFullSpeedMs);
    EXPECT_EQ(IntervalMsForSeconds(kMaxIntervalSeconds), 2147483000);
    EXPECT_EQ(IntervalMsForSeconds(kMaxIntervalSeconds + 1), 2147483000);
    EXPECT_EQ(SecondsForIntervalMs(kFullSpeedMs), 0);
    EXPECT_EQ(SecondsForIntervalMs(7000), 7);
}

}  // namespace
}  // namespace dmm

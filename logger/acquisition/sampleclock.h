// When a sample is taken. The sample clock only marks the next reading as due;
// the sample is the first reading decoded after the mark, so every sample is a
// fresh reading. "Full Speed" ticks every 500 ms, faster than the 750 ms poll, so
// every poll gives a sample; an interval of S seconds gives one sample at the
// first poll after each tick. Acquisition marks the first reading due at once.
// The recorder's window timer calls Tick(); a program without one calls
// Advance() with the time before each poll.
#pragma once

#include <chrono>

namespace dmm {

// The period of the sample clock at "Full Speed", in ms.
constexpr int kFullSpeedMs = 500;
// Largest interval in seconds whose milliseconds still fit the timer.
constexpr int kMaxIntervalSeconds = 2147483;

// The clock period for an interval in whole seconds, 0 meaning "Full Speed";
// seconds outside 0..kMaxIntervalSeconds are taken to the nearest end.
int IntervalMsForSeconds(int seconds);
// The seconds shown for a clock period: 0 for "Full Speed".
int SecondsForIntervalMs(int intervalMs);

class SampleClock {
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    bool bSampleDue = false;  // the next decoded reading is to be sampled

    int IntervalMs() const { return intervalMs_; }
    // Takes effect at the next Start.
    void SetInterval(int intervalMs) { intervalMs_ = intervalMs > 0 ? intervalMs : kFullSpeedMs; }

    // Acquisition starts at `now`: the next reading is due at once, and the
    // first tick comes one period later.
    void Start(TimePoint now = {});
    void Stop() { running_ = false; }
    bool Running() const { return running_; }

    // A tick of the clock: the next reading is due.
    void Tick() { bSampleDue = true; }
    // For a caller without a timer: the ticks up to `now` mark the next reading
    // due (several ticks between two polls make one sample). Nothing while stopped.
    void Advance(TimePoint now);

    // A reading was decoded: whether it is the sample; the mark is cleared.
    bool TakeDue() {
        const bool due = bSampleDue;
        bSampleDue = false;
        return due;
    }

private:
    int intervalMs_ = kFullSpeedMs;
    bool running_ = false;
    TimePoint nextTick_{};
};

}  // namespace dmm

#include "logger/acquisition/sampleclock.h"

#include <algorithm>

namespace dmm {

int IntervalMsForSeconds(int seconds) {
    const int s = std::clamp(seconds, 0, kMaxIntervalSeconds);
    return s == 0 ? kFullSpeedMs : s * 1000;
}

int SecondsForIntervalMs(int intervalMs) {
    return intervalMs == kFullSpeedMs ? 0 : intervalMs / 1000;
}

void SampleClock::Start(TimePoint now) {
    running_ = true;
    nextTick_ = now + std::chrono::milliseconds(intervalMs_);
    bSampleDue = true;
}

void SampleClock::Advance(TimePoint now) {
    if (!running_ || now < nextTick_) return;
    const auto period = std::chrono::milliseconds(intervalMs_);
    bSampleDue = true;
    nextTick_ += period * ((now - nextTick_) / period + 1);
}

}  // namespace dmm

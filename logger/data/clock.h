// Local wall-clock time for the time labels of samples and the pace of long reads, behind a
// seam for tests.
#pragma once

#include <chrono>

namespace dmm {

struct LocalTime {
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual LocalTime Now() const = 0;
    // Time that only goes forward, for pacing (how often a long read reports its progress).
    virtual std::chrono::steady_clock::time_point Monotonic() const {
        return std::chrono::steady_clock::now();
    }
};

// The operating system's local time.
const Clock& SystemClock();

}  // namespace dmm

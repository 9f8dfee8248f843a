// Local wall-clock time for the time labels of samples, behind a seam for tests.
#pragma once

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
};

// The operating system's local time.
const Clock& SystemClock();

}  // namespace dmm

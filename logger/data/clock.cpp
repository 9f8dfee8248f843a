#include "logger/data/clock.h"

#include <ctime>

namespace dmm {
namespace {

class OsClock : public Clock {
public:
    LocalTime Now() const override {
        timespec ts{};
        clock_gettime(CLOCK_REALTIME, &ts);
        std::tm tm{};
        localtime_r(&ts.tv_sec, &tm);
        return LocalTime{tm.tm_hour, tm.tm_min, tm.tm_sec, static_cast<int>(ts.tv_nsec / 1000000)};
    }
};

}  // namespace

const Clock& SystemClock() {
    static const OsClock clock;
    return clock;
}

}  // namespace dmm

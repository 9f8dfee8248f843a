// The sampling rule as a timeline, shared by the recorder's tests and the command-line
// logger's: the sample clock is started at 0 ms and polls begin at the times given;
// the cases say which polls give a sample.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "logger/acquisition/sampleclock.h"

namespace dmm::test {

struct SamplingCase {
    const char* name;
    bool automatic;  // false: manual mode, the clock never runs
    int seconds;     // the interval chosen, 0 = "Full Speed"
    std::vector<int> pollTimesMs;
    std::vector<int> sampledPolls;  // indices into pollTimesMs
};

// Polls 750 ms apart, starting 100 ms after the start so that no poll meets a tick.
inline std::vector<int> PollsEvery750(int count) {
    std::vector<int> t;
    for (int i = 0; i < count; ++i) t.push_back(100 + 750 * i);
    return t;
}

inline std::vector<SamplingCase> SamplingCases() {
    return {
        // The 500 ms clock outruns the poll: every poll samples.
        {"FullSpeed", true, 0, PollsEvery750(10), {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}},
        // One sample at once, then one at the first poll after each tick.
        {"OneSecond", true, 1, PollsEvery750(8), {0, 2, 3, 4, 6, 7}},
        {"FiveSeconds", true, 5, PollsEvery750(15), {0, 7, 14}},
        // Polls slower than the clock: several ticks between two polls give one sample.
        {"SlowPolls", true, 0, {100, 1600, 4100}, {0, 1, 2}},
        {"Manual", false, 0, PollsEvery750(5), {}},
        // Beyond the limit the interval is held at the largest one the timer takes.
        {"BeyondTheLimit", true, kMaxIntervalSeconds + 1, PollsEvery750(5), {0}},
    };
}

inline std::string SamplingCaseName(const ::testing::TestParamInfo<SamplingCase>& param) {
    return param.param.name;
}

}  // namespace dmm::test

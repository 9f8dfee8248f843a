// Polling and sampling for a program without windows (dmmlog): one step per poll,
// the same poll as the desktop program's and the recorder's sampling rule.
#pragma once

#include <optional>
#include <string>

#include "logger/acquisition/sampleclock.h"
#include "logger/data/clock.h"
#include "logger/data/logrecord.h"
#include "meterlink/meterlink.h"

namespace dmm {

struct AcquisitionStep {
    PollStep poll;
    bool decoded = false;             // a reading was decoded at this poll
    std::optional<LogRecord> sample;  // the sample it gave, when one was due and chartable
    // While the adaptor is away: the port was tried again at this step; it answered
    // (reconnected) on the device named.
    bool reconnectTried = false;
    bool reconnected = false;
    std::string device;
};

class Acquisition {
public:
    // wall labels the samples with the local time.
    Acquisition(MeterLink& link, SampleClock& clock, const Clock& wall = SystemClock())
        : link_(link), clock_(clock), wall_(wall) {}

    // Links; with sampling, the sample clock starts at `now` and the first reading
    // decoded is the first sample. Without it no sample is ever due.
    LineResult Start(SampleClock::TimePoint now, bool sampling);
    void Stop();

    // One poll at `now`: the ticks of the sample clock up to now mark the next
    // reading due, the display is polled and decoded (a low-battery frame too: there
    // is nobody to abort it), and a due reading becomes a sample. As in the
    // recorder, a reading that gives nothing to chart uses up its tick.
    // When the adaptor went away the port is tried again every kReconnectPeriodMs from
    // then; the sample clock runs on, so the first reading after its return is sampled
    // when a tick fell in the gap.
    AcquisitionStep Step(SampleClock::TimePoint now);

private:
    MeterLink& link_;
    SampleClock& clock_;
    const Clock& wall_;
    SampleClock::TimePoint nextReconnect_{};
};

}  // namespace dmm

#include "logger/acquisition.h"

namespace dmm {

LineResult Acquisition::Start(SampleClock::TimePoint now, bool sampling) {
    LineResult linked = link_.Link();
    if (sampling) clock_.Start(now);
    return linked;
}

void Acquisition::Stop() {
    clock_.Stop();
    link_.Unlink();
}

AcquisitionStep Acquisition::Step(SampleClock::TimePoint now) {
    AcquisitionStep step;
    clock_.Advance(now);
    step.poll = link_.Poll();
    if (step.poll.result != PollResult::Frame && step.poll.result != PollResult::LowBattery)
        return step;
    link_.AcceptReading();
    step.decoded = true;
    if (clock_.TakeDue()) step.sample = SampleReading(link_.Reading, wall_.Now());
    return step;
}

}  // namespace dmm

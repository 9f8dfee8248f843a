#include "logger/acquisition/acquisition.h"

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
    constexpr std::chrono::milliseconds kReconnectPeriod{kReconnectPeriodMs};
    AcquisitionStep step;
    clock_.Advance(now);
    if (link_.AdaptorGone() && now >= nextReconnect_) {
        nextReconnect_ = now + kReconnectPeriod;
        step.reconnectTried = true;
        OpenResult opened = link_.Reconnect();
        step.reconnected = !link_.AdaptorGone();
        step.device = std::move(opened.device);
    }
    step.poll = link_.Poll();
    if (step.poll.result == PollResult::AdaptorGone) nextReconnect_ = now + kReconnectPeriod;
    if (step.poll.result != PollResult::Frame && step.poll.result != PollResult::LowBattery)
        return step;
    link_.AcceptReading();
    step.decoded = true;
    if (clock_.TakeDue()) step.sample = SampleReading(link_.Reading, wall_.Now());
    return step;
}

}  // namespace dmm

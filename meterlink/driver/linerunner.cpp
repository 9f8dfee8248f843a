#include "meterlink/driver/linerunner.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <limits>

namespace dmm {

namespace {

// How long a pump waits when the driver asked for no wake; drivers always do while busy.
constexpr int kIdleWaitMs = 50;

int MsUntil(LineTime from, LineTime to) {
    if (to <= from) return 0;
    const auto us = std::chrono::duration_cast<std::chrono::microseconds>(to - from).count();
    const auto ms = (us + 999) / 1000;  // never wake before the time
    return static_cast<int>(std::min<std::int64_t>(ms, std::numeric_limits<int>::max()));
}

}  // namespace

LineRunner::LineRunner(MeterDriver& driver) : driver_(driver) {
    driver_.SetPort(this);
}

LineRunner::~LineRunner() {
    if (line_) line_->setInputNotifier({});
    if (timer_) timer_->SetCallback({});
}

void LineRunner::SetLine(MeterLine* line) {
    if (driver_.Busy()) driver_.Cancel();
    CancelWake();
    nest_.ForgetEnded();
    if (line_) line_->setInputNotifier({});
    line_ = line;
    broken_ = false;
    if (line_ && timer_) line_->setInputNotifier([this] { OnInput(); });
}

void LineRunner::SetWakeTimer(WakeTimer* timer) {
    if (timer_) {
        timer_->Stop();
        timer_->SetCallback({});
    }
    timer_ = timer;
    if (timer_) timer_->SetCallback([this] { OnWake(); });
    if (line_) {
        if (timer_)
            line_->setInputNotifier([this] { OnInput(); });
        else
            line_->setInputNotifier({});
    }
    if (timer_ && wakeAt_) timer_->Start(MsUntil(Now(), *wakeAt_));
}

void LineRunner::OnInput() {
    nest_.Handle([this] { readInput(); }, [this] { readInput(); });
}

void LineRunner::OnWake() {
    nest_.Handle(
        [this] {
            readInput();
            fireWakeIfDue();
        },
        [this] { readInput(); });
}

void LineRunner::Start(const std::function<void()>& fn) {
    if (nest_.Inside()) {
        fn();
        return;
    }
    nest_.Enter();
    nest_.ForgetEnded();
    readInput();      // what came since the last exchange, for drivers that want it
    broken_ = false;  // a line that failed before is asked again
    fn();
    nest_.Leave([this] { readInput(); });
}

void LineRunner::readInput() {
    if (!line_ || broken_) return;
    std::array<std::uint8_t, 1024> buffer{};
    for (;;) {
        const LineResult r = line_->readAvailable(buffer.data(), buffer.size());
        if (r.count > 0) driver_.OnBytes(buffer.data(), r.count);
        if (r.broken()) {
            broken_ = true;
            driver_.OnLineBroken(r);
            return;
        }
        if (r.count < buffer.size()) return;
    }
}

void LineRunner::fireWakeIfDue() {
    if (!wakeAt_) return;
    const LineTime now = Now();
    if (now < *wakeAt_) {
        // An event loop's timer may come a little early.
        if (timer_) timer_->Start(MsUntil(now, *wakeAt_));
        return;
    }
    wakeAt_.reset();
    driver_.OnTimer();
}

bool LineRunner::Pump(const std::function<bool()>& between) {
    nest_.Enter();
    bool going = true;
    while (driver_.Busy()) {
        // Asked first: a caller may stop before anything more is read.
        if (between && !between()) {
            going = false;
            break;
        }
        readInput();
        if (driver_.Busy()) fireWakeIfDue();
        if (!driver_.Busy()) break;
        if (!line_) {
            going = false;  // nothing could ever come
            break;
        }
        const int ms = wakeAt_ ? MsUntil(Now(), *wakeAt_) : kIdleWaitMs;
        const LineResult waited = line_->waitForInput(ms);
        if (waited.broken()) {
            readInput();  // what came before the failure
            broken_ = true;
            if (driver_.Busy()) driver_.OnLineBroken(waited);
        }
    }
    if (!going) Cancel();
    nest_.Leave();
    return going;
}

void LineRunner::Cancel() {
    if (driver_.Busy()) driver_.Cancel();
    CancelWake();
    nest_.ForgetEnded();
    Purge();
}

LineResult LineRunner::Send(const std::uint8_t* data, std::size_t n) {
    if (!line_) return LineResult::Fail("No port is open.");
    return line_->write(data, n);
}

void LineRunner::Purge() {
    if (!line_) return;
    line_->purgeReceive();
    line_->purgeTransmit();
}

LineTime LineRunner::Now() const {
    return line_ ? line_->now() : std::chrono::steady_clock::now();
}

void LineRunner::WakeAt(LineTime at) {
    wakeAt_ = at;
    if (timer_) timer_->Start(MsUntil(Now(), at));
}

void LineRunner::CancelWake() {
    wakeAt_.reset();
    if (timer_) timer_->Stop();
}

void LineRunner::Finished() {
    CancelWake();
    nest_.NoteEnded();
}

}  // namespace dmm

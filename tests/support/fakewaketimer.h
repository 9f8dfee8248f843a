// A wake timer for a link run as from an event loop, that ends only when the test
// says so: fire() delivers the wake the driver asked for, after moving the fake
// line's clock to it.
//
//   auto timer = std::make_unique<FakeWakeTimer>();
//   FakeWakeTimer* wake = timer.get();
//   link.SetWakeTimer(std::move(timer));
//   link.StartPoll(done);          // the request is written, the pause begins
//   wake->fire(line);              // 250 ms later: the reply is taken
#pragma once

#include <optional>

#include "meterlink/driver/linerunner.h"
#include "support/fakeline.h"

namespace dmm {

class FakeWakeTimer : public WakeTimer {
public:
    void Start(int ms) override {
        pendingMs_ = ms;
        ++starts_;
    }
    void Stop() override {
        pendingMs_.reset();
        ++starts_;
    }
    bool Pending() const { return pendingMs_.has_value(); }
    int PendingMs() const { return pendingMs_.value_or(-1); }

    // Lets the pending time pass on the line (pieces due by then arrive), then wakes.
    // False when nothing was pending.
    bool fire(FakeLine& line) {
        if (!pendingMs_) return false;
        const int ms = *pendingMs_;
        pendingMs_.reset();
        line.advance(ms);
        Fire();
        return true;
    }
    // As fire(), but the pieces due before the wake arrive at their own time, as an event
    // loop takes them, and a wake set anew while they are handled replaces the pending one.
    bool fireInTime(FakeLine& line) {
        if (!pendingMs_) return false;
        while (pendingMs_) {
            const std::optional<int> next = line.msToNextArrival();
            if (!next || *next >= *pendingMs_) return fire(line);
            const int left = *pendingMs_ - *next;
            const unsigned starts = starts_;
            line.advance(*next);  // the input's handlers may set the timer anew
            // cppcheck-suppress knownConditionTrueFalse ; advance() runs the handlers
            if (starts_ == starts && pendingMs_) pendingMs_ = left;
        }
        return true;
    }
    // Fires until nothing is pending or n wakes have come; returns how many came.
    int fireAll(FakeLine& line, int n = 1000) {
        int fired = 0;
        while (fired < n && fire(line)) ++fired;
        return fired;
    }

private:
    std::optional<int> pendingMs_;
    unsigned starts_ = 0;
};

}  // namespace dmm

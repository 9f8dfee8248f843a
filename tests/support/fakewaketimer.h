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
    void Start(int ms) override { pendingMs_ = ms; }
    void Stop() override { pendingMs_.reset(); }
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
    // Fires until nothing is pending or n wakes have come; returns how many came.
    int fireAll(FakeLine& line, int n = 1000) {
        int fired = 0;
        while (fired < n && fire(line)) ++fired;
        return fired;
    }

private:
    std::optional<int> pendingMs_;
};

}  // namespace dmm

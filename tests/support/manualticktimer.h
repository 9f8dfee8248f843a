// A window timer that ticks only when the test says so.
//
//   auto* timer = new ManualTickTimer;   // the window takes it over
//   TAutoMsgForm form(nullptr, timer);
//   timer->fire(29);                     // 2.9 s of count-down, at once
#pragma once

#include "shell/toolkit/ticktimer.h"

namespace dmm::test {

class ManualTickTimer : public TickTimer {
public:
    void setInterval(int ms) override { interval_ = ms; }
    int interval() const override { return interval_; }
    void start() override { active_ = true; }
    void stop() override { active_ = false; }
    bool isActive() const override { return active_; }

    // Delivers up to n ticks, as many as come while the timer stays active; returns them.
    int fire(int n = 1) {
        int fired = 0;
        for (; fired < n && active_; ++fired) emit timeout();
        return fired;
    }

private:
    int interval_ = 0;
    bool active_ = false;
};

}  // namespace dmm::test

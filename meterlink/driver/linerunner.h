// Runs a meter driver on a line: what arrives goes to the driver, what it sends goes
// out, and its one timer is kept. Two ways to drive it, with the same steps: an event
// loop calls OnInput() when the line has input and OnWake() when the wake timer it
// was given ends; Pump() waits on the line itself until the exchange is over.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>

#include "meterlink/driver/handlernest.h"
#include "meterlink/driver/meterdriver.h"
#include "meterlink/meterline.h"

namespace dmm {

// The timer of an event loop that wakes the driver: OnWake() after ms milliseconds.
class WakeTimer {
public:
    virtual ~WakeTimer() = default;
    // A new start replaces the one pending.
    virtual void Start(int ms) = 0;
    virtual void Stop() = 0;
    // What the timer calls when it ends (set by the runner it is given to).
    void SetCallback(std::function<void()> callback) { callback_ = std::move(callback); }

protected:
    void Fire() {
        if (callback_) callback_();
    }

private:
    std::function<void()> callback_;
};

class LineRunner : private DriverPort {
public:
    explicit LineRunner(MeterDriver& driver);
    ~LineRunner() override;
    LineRunner(const LineRunner&) = delete;
    LineRunner& operator=(const LineRunner&) = delete;

    // The line to run on (null: none). From an event loop the line's input notices come
    // to OnInput(). Whatever was in flight on the old line is cancelled.
    void SetLine(MeterLine* line);
    MeterLine* Line() const { return line_; }
    // The event loop's wake timer (null: run only through Pump()).
    void SetWakeTimer(WakeTimer* timer);
    bool EventDriven() const { return timer_ != nullptr; }
    // Told each time an exchange has finished (after the driver's handler returned).
    void SetOnFinished(std::function<void()> onFinished) {
        nest_.SetOnEnded(std::move(onFinished));
    }

    MeterDriver& Driver() const { return driver_; }
    bool Busy() const { return driver_.Busy(); }

    // The event loop's entry points.
    void OnInput();
    void OnWake();
    // Starts an exchange through fn (which calls the driver's StartPoll or StartRequest).
    void Start(const std::function<void()>& fn);
    // Runs the exchange in flight to its end, waiting on the line. between() is asked
    // before each wait and after each step; false cancels the exchange and Pump returns false.
    bool Pump(const std::function<bool()>& between = {});
    // Ends the exchange in flight: nothing of it is applied, the line is purged.
    void Cancel();

private:
    LineResult Send(const std::uint8_t* data, std::size_t n) override;
    void Purge() override;
    LineTime Now() const override;
    void WakeAt(LineTime at) override;
    void CancelWake() override;
    void Finished() override;

    // Reads what has arrived and hands it to the driver.
    void readInput();
    void fireWakeIfDue();

    MeterDriver& driver_;
    MeterLine* line_ = nullptr;
    WakeTimer* timer_ = nullptr;
    std::optional<LineTime> wakeAt_;
    bool broken_ = false;  // the line's failure went to the driver in this exchange
    HandlerNest nest_;     // nested notices (a wait inside a send) are done by the outer handler
};

}  // namespace dmm

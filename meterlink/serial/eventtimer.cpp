#include "meterlink/serial/eventtimer.h"

#include <QTimer>

namespace dmm {

namespace {

class EventWakeTimer : public WakeTimer {
public:
    EventWakeTimer() {
        timer_.setSingleShot(true);
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Fire(); });
    }
    void Start(int ms) override { timer_.start(ms < 0 ? 0 : ms); }
    void Stop() override { timer_.stop(); }

private:
    QTimer timer_;
};

}  // namespace

std::unique_ptr<WakeTimer> MakeEventWakeTimer() {
    return std::make_unique<EventWakeTimer>();
}

}  // namespace dmm

#include "shell/toolkit/ticktimer.h"

#include <QTimer>

namespace dmm {

QtTickTimer::QtTickTimer(QObject* parent) : TickTimer(parent), timer_(new QTimer(this)) {
    connect(timer_, &QTimer::timeout, this, &TickTimer::timeout);
}

void QtTickTimer::setInterval(int ms) {
    timer_->setInterval(ms);
}
int QtTickTimer::interval() const {
    return timer_->interval();
}
void QtTickTimer::start() {
    timer_->start();
}
void QtTickTimer::stop() {
    timer_->stop();
}
bool QtTickTimer::isActive() const {
    return timer_->isActive();
}

}  // namespace dmm

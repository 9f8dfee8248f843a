// A repeating timer as the windows use it. In the program it is a QTimer; a test
// gives a window one that it steps by hand, so that a count-down is checked tick by
// tick instead of against the clock.
#pragma once

#include <QObject>

class QTimer;

namespace dmm {

class TickTimer : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual void setInterval(int ms) = 0;
    virtual int interval() const = 0;
    virtual void start() = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;

signals:
    void timeout();
};

// The program's timer: a QTimer underneath.
class QtTickTimer : public TickTimer {
    Q_OBJECT
public:
    explicit QtTickTimer(QObject* parent = nullptr);

    void setInterval(int ms) override;
    int interval() const override;
    void start() override;
    void stop() override;
    bool isActive() const override;

private:
    // cppcheck-suppress unsafeClassCanLeak ; a child of this object: Qt deletes it
    QTimer* timer_;
};

}  // namespace dmm

// The signals by which a desktop session, a service manager or a terminal asks the
// program to end (SIGTERM, SIGHUP, SIGINT), delivered through the event loop. The
// handler itself only writes the signal's number into a pipe; everything else happens
// when the window thread reads it.
#pragma once

#include <QObject>

class QSocketNotifier;

namespace dmm {

class StopSignals : public QObject {
    Q_OBJECT
public:
    // Installs the handlers; one object at a time.
    explicit StopSignals(QObject* parent = nullptr);
    // Puts back the handlers in force before.
    ~StopSignals() override;

signals:
    void received(int signalNumber);

private:
    void readPipe();

    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace dmm

#include "meterlink/serial/serialline.h"

#include <QSerialPort>
#include <QString>
#include <QThread>

#ifdef Q_OS_UNIX
#include <poll.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <limits>
#include <optional>
#include <system_error>
#include <utility>

#include "meterlink/driver/adaptordriver.h"
#include "meterlink/portnames.h"
#include "meterlink/protocol.h"

namespace dmm {

namespace {

// A total time-out of n bytes: n * multiplier + constant ms, never negative, capped so
// that a huge count cannot overflow.
qint64 TotalTimeoutMs(std::size_t n, int multiplier, int constant) {
    constexpr qint64 kCap = 24LL * 3600 * 1000;
    qint64 perByte = std::max(multiplier, 0);
    qint64 total = std::max(constant, 0);
    qint64 count = static_cast<qint64>(std::min<std::size_t>(n, static_cast<std::size_t>(kCap)));
    if (perByte > 0 && count > (kCap - total) / perByte) return kCap;
    return std::min(kCap, total + perByte * count);
}

// A point in time on the line's clock, the time-outs measured from it.
class Deadline {
public:
    Deadline(const LineClock& clock, qint64 ms)
        : clock_(clock), at_(clock() + std::chrono::milliseconds(ms)) {}
    bool hasExpired() const { return clock_() >= at_; }
    int remainingMs() const {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(at_ - clock_()).count();
        return static_cast<int>(std::clamp<std::int64_t>(left, 0, std::numeric_limits<int>::max()));
    }

private:
    const LineClock& clock_;
    LineClock::result_type at_;
};

// The meter line over a QSerialPort used in blocking mode, without an event loop.
// Reads and writes keep the total time-outs of PortTimeouts: a read of n bytes returns
// what arrived within n * readTotalMultiplier + readTotalConstant ms; a total of 0 returns
// at once with what the driver already holds. A write waits up to
// n * writeTotalMultiplier + writeTotalConstant ms for the bytes to leave.
class QSerialPortLine : public MeterLine {
public:
    QSerialPortLine(const std::string& devicePath, LineClock clock) : clock_(std::move(clock)) {
        port_.setPortName(QString::fromStdString(devicePath));
        // Queued: the link may close this port from what the notice sets off.
        QObject::connect(
            &port_, &QSerialPort::readyRead, &port_, [this] { notifyInput(); },
            Qt::QueuedConnection);
        QObject::connect(
            &port_, &QSerialPort::errorOccurred, &port_,
            [this](QSerialPort::SerialPortError e) {
                if (e == QSerialPort::NoError || e == QSerialPort::TimeoutError) return;
                // A device that went away is let go of here, whoever reads next.
                if (port_.isOpen() && (e == QSerialPort::ResourceError || HungUp())) errorResult(0);
                notifyInput();
            },
            Qt::QueuedConnection);
    }
    ~QSerialPortLine() override {
        if (port_.isOpen()) port_.close();
    }

    QSerialPort& port() { return port_; }

    LineResult write(const std::uint8_t* data, std::size_t n) override {
        if (!port_.isOpen()) return notOpen();
        if (n == 0) return LineResult::Done(0);
        const Deadline deadline(clock_, TotalTimeoutMs(n, timeouts_.writeTotalMultiplier,
                                                       timeouts_.writeTotalConstant));
        qint64 queuedBefore = port_.bytesToWrite();
        qint64 taken = port_.write(reinterpret_cast<const char*>(data), static_cast<qint64>(n));
        if (taken < 0) return errorResult(0);
        if (LineResult drained = drainOutput(deadline); drained.broken()) return drained;
        // What is still queued beyond what was there before has not left yet.
        qint64 left = std::clamp<qint64>(port_.bytesToWrite() - queuedBefore, 0, taken);
        const auto sent = static_cast<std::size_t>(taken - left);
        return sent == n ? LineResult::Done(n) : LineResult::TimedOut(sent);
    }

    LineResult read(std::uint8_t* buffer, std::size_t n) override {
        if (!port_.isOpen()) return notOpen();
        if (n == 0) return LineResult::Done(0);
        const Deadline deadline(
            clock_, TotalTimeoutMs(n, timeouts_.readTotalMultiplier, timeouts_.readTotalConstant));
        std::size_t got = 0;
        for (;;) {
            qint64 r =
                port_.read(reinterpret_cast<char*>(buffer + got), static_cast<qint64>(n - got));
            if (r > 0) got += static_cast<std::size_t>(r);
            if (r < 0) return errorResult(got);
            if (got >= n) return LineResult::Done(got);
            if (deadline.hasExpired()) return LineResult::TimedOut(got);
            port_.clearError();
            if (!port_.waitForReadyRead(deadline.remainingMs())) {
                // A device that failed or went away will not deliver more before the
                // deadline; a plain time-out is waited out.
                QSerialPort::SerialPortError e = port_.error();
                if (e != QSerialPort::NoError && e != QSerialPort::TimeoutError)
                    return errorResult(got);
            }
        }
    }

    LineResult readAvailable(std::uint8_t* buffer, std::size_t n) override {
        if (!port_.isOpen()) return notOpen();
        if (n == 0) return LineResult::Done(0);
        const qint64 r = port_.read(reinterpret_cast<char*>(buffer), static_cast<qint64>(n));
        if (r < 0) return errorResult(0);
        const QSerialPort::SerialPortError e = port_.error();
        if (e != QSerialPort::NoError && e != QSerialPort::TimeoutError)
            return errorResult(static_cast<std::size_t>(r));
        if (r == 0 && HungUp()) return lose(0, "The device hung up.");
        return LineResult::Done(static_cast<std::size_t>(r));
    }

    LineResult waitForInput(int ms) override {
        if (!port_.isOpen()) return notOpen();
        if (port_.bytesAvailable() > 0) return LineResult::Done(0);
        port_.clearError();
        if (port_.waitForReadyRead(std::max(ms, 0))) return LineResult::Done(0);
        const QSerialPort::SerialPortError e = port_.error();
        if (e != QSerialPort::NoError && e != QSerialPort::TimeoutError) return errorResult(0);
        if (HungUp()) return lose(0, "The device hung up.");
        return LineResult::TimedOut(0);
    }

    LineTime now() const override { return clock_(); }

    LineResult setDtr(bool on) override {
        if (!port_.isOpen()) return notOpen();
        if (port_.setDataTerminalReady(on)) return LineResult::Done(0);
        LineResult failed = errorResult(0);
        if (failed.status == LineStatus::Failed && failed.reason.empty())
            failed.reason = "The line has no modem control.";
        return failed;
    }

    LineResult purgeReceive() override { return purge(QSerialPort::Input); }
    LineResult purgeTransmit() override { return purge(QSerialPort::Output); }

    LineResult setRts(bool on) override {
        if (!port_.isOpen()) return notOpen();
        if (port_.setRequestToSend(on)) return LineResult::Done(0);
        // A line without modem control keeps working; the error is told, then forgotten.
        LineResult failed = errorResult(0);
        if (failed.status == LineStatus::Failed && failed.reason.empty())
            failed.reason = "The line has no modem control.";
        return failed;
    }

    LineResult flush() override {
        if (!port_.isOpen()) return notOpen();
        port_.flush();
        const Deadline deadline(
            clock_, TotalTimeoutMs(static_cast<std::size_t>(port_.bytesToWrite()),
                                   timeouts_.writeTotalMultiplier, timeouts_.writeTotalConstant));
        return drainOutput(deadline);
    }

    void close() override {
        if (port_.isOpen()) port_.close();  // closing a closed port would report an error
    }

    bool getTimeouts(PortTimeouts& out) override {
        if (!port_.isOpen()) return false;
        out = timeouts_;
        return true;
    }

    bool setTimeouts(const PortTimeouts& timeouts) override {
        if (!port_.isOpen()) return false;
        if (timeouts.readIntervalTimeout < 0 || timeouts.readTotalMultiplier < 0 ||
            timeouts.readTotalConstant < 0 || timeouts.writeTotalMultiplier < 0 ||
            timeouts.writeTotalConstant < 0) {
            return false;
        }
        timeouts_ = timeouts;
        return true;
    }

    void sleepMs(int ms) override {
        if (ms > 0) QThread::msleep(static_cast<unsigned long>(ms));
    }

private:
    // A port closed because its device went away keeps saying so.
    LineResult notOpen() const {
        return gone_ ? *gone_ : LineResult::Fail("The port is not open.");
    }

    // The port's pending error as a result, forgotten afterwards. A device that went
    // away shows either as a resource error (a USB adaptor unplugged) or as a hang-up
    // of the descriptor, which the port reports as some other error with a stale reason
    // (the far end of a pseudo-terminal closed).
    LineResult errorResult(std::size_t count) {
        const QSerialPort::SerialPortError e = port_.error();
        std::string why = port_.errorString().toStdString();
        port_.clearError();
        if (e == QSerialPort::ResourceError) return lose(count, std::move(why));
        if (HungUp()) return lose(count, "The device hung up.");
        return LineResult::Fail(std::move(why), count);
    }

    // The device is gone: the port is closed at once. A hung-up descriptor stays readable,
    // and the port's read notifier would otherwise fire again and again while the line is idle.
    LineResult lose(std::size_t count, std::string why) {
        gone_ = LineResult::Gone(0, why);
        port_.close();
        return LineResult::Gone(count, std::move(why));
    }

    bool HungUp() {
#ifdef Q_OS_UNIX
        pollfd p{static_cast<int>(port_.handle()), POLLIN, 0};
        return p.fd >= 0 && ::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL));
#else
        return false;
#endif
    }

    LineResult purge(QSerialPort::Directions direction) {
        if (!port_.isOpen()) return notOpen();
        return port_.clear(direction) ? LineResult::Done(0) : errorResult(0);
    }

    // Ok when nothing is left to write, Timeout when the deadline came first.
    LineResult drainOutput(const Deadline& deadline) {
        while (port_.bytesToWrite() > 0) {
            if (!port_.waitForBytesWritten(deadline.remainingMs()) || deadline.hasExpired()) break;
        }
        const QSerialPort::SerialPortError e = port_.error();
        if (e != QSerialPort::NoError && e != QSerialPort::TimeoutError) return errorResult(0);
        port_.clearError();
        return port_.bytesToWrite() > 0 ? LineResult::TimedOut(0) : LineResult::Done(0);
    }

    LineClock clock_;
    QSerialPort port_;
    PortTimeouts timeouts_;
    std::optional<LineResult> gone_;
};

OpenResult Failed(StatusCode step, std::string device, std::string reason) {
    OpenResult result;
    result.status = Status::Fail(step, std::move(reason));
    result.device = std::move(device);
    return result;
}

bool DeviceExists(const std::string& devicePath) {
#ifdef _WIN32
    (void)devicePath;
    return true;  // the driver tells
#else
    std::error_code ec;
    return std::filesystem::exists(devicePath, ec);  // follows links: a dangling one is no device
#endif
}

// QSerialPort would look for a relative name under /dev; a path given to us is taken as it stands.
std::string SystemPath(const std::string& devicePath) {
#ifdef _WIN32
    return devicePath;  // "COM1" is a name, not a file
#else
    std::error_code ec;
    std::filesystem::path absolute = std::filesystem::absolute(devicePath, ec);
    return ec ? devicePath : absolute.string();
#endif
}

QSerialPort::Parity QtParity(Parity parity) {
    switch (parity) {
        case Parity::Even:
            return QSerialPort::EvenParity;
        case Parity::Odd:
            return QSerialPort::OddParity;
        case Parity::None:
            break;
    }
    return QSerialPort::NoParity;
}

}  // namespace

OpenResult OpenMeterDevice(const std::string& devicePath, LineClock clock) {
    return OpenMeterDevice(devicePath, AdaptorDriver::AdaptorLineSettings(), std::move(clock));
}

OpenResult OpenMeterDevice(const std::string& devicePath, const LineSettings& settings,
                           LineClock clock) {
    if (devicePath.empty())
        return Failed(StatusCode::PortNotOpened, devicePath, "No device was given.");
    if (!DeviceExists(devicePath)) {
        return Failed(StatusCode::PortNotOpened, devicePath, "The device does not exist.");
    }

    auto line = std::make_unique<QSerialPortLine>(
        SystemPath(devicePath),
        clock ? std::move(clock) : LineClock(&std::chrono::steady_clock::now));
    QSerialPort& port = line->port();
    // The line settings are applied by open() itself; flow control stays at the port's default.
    port.setBaudRate(settings.baud);
    port.setDataBits(static_cast<QSerialPort::DataBits>(std::clamp(settings.dataBits, 5, 8)));
    port.setParity(QtParity(settings.parity));
    port.setStopBits(settings.stopBits == StopBits::Two ? QSerialPort::TwoStop
                                                        : QSerialPort::OneStop);
    if (!port.open(QIODevice::ReadWrite)) {
        return Failed(StatusCode::PortNotOpened, devicePath, port.errorString().toStdString());
    }

    if (!SetPortTimeouts(line.get(), kReadConstantMs)) {
        line->close();
        return Failed(StatusCode::PortNoTimeouts, devicePath, "The time-outs could not be set.");
    }
    // No failure: pseudo-terminals have no modem lines.
    if (settings.dtr) line->setDtr(*settings.dtr);
    if (settings.rts) line->setRts(*settings.rts);
    line->purgeReceive();
    line->purgeTransmit();

    OpenResult result;
    result.handle = std::move(line);
    result.device = devicePath;
    return result;
}

OpenResult OpenMeterPort(int portNumber, const std::filesystem::path& programDir,
                         const LineSettings& settings) {
    std::string name = PortName(portNumber);
    if (name.empty()) {
        return Failed(StatusCode::PortNotOpened, {},
                      "Port number " + std::to_string(portNumber) + " is not one of COM1 to COM" +
                          std::to_string(kPortCount) + ".");
    }
    std::string device = ResolvePortDevice(portNumber, programDir);
    if (device.empty()) {
        return Failed(StatusCode::PortNotOpened, {}, "No serial device stands for " + name + ".");
    }
    return OpenMeterDevice(device, settings);
}

bool ProbePort(const std::string& devicePath) {
    if (devicePath.empty() || !DeviceExists(devicePath)) return false;
    QSerialPort port;
    port.setPortName(QString::fromStdString(SystemPath(devicePath)));
    if (!port.open(QIODevice::ReadWrite)) return false;
    port.close();
    return true;
}

}  // namespace dmm

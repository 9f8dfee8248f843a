#include "meterlink/serialline.h"

#include <QDeadlineTimer>
#include <QSerialPort>
#include <QString>
#include <QThread>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <system_error>

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

int RemainingMs(const QDeadlineTimer& deadline) {
    return static_cast<int>(
        std::clamp<qint64>(deadline.remainingTime(), 0, std::numeric_limits<int>::max()));
}

// The meter line over a QSerialPort used in blocking mode, without an event loop.
// Reads and writes keep the total time-outs of PortTimeouts: a read of n bytes returns
// what arrived within n * readTotalMultiplier + readTotalConstant ms; a total of 0 returns
// at once with what the driver already holds. A write waits up to
// n * writeTotalMultiplier + writeTotalConstant ms for the bytes to leave.
class QSerialPortLine : public MeterLine {
public:
    explicit QSerialPortLine(const std::string& devicePath) {
        port_.setPortName(QString::fromStdString(devicePath));
    }
    ~QSerialPortLine() override { port_.close(); }

    QSerialPort& port() { return port_; }

    std::size_t write(const std::uint8_t* data, std::size_t n) override {
        if (!port_.isOpen() || n == 0) return 0;
        QDeadlineTimer deadline(
            TotalTimeoutMs(n, timeouts_.writeTotalMultiplier, timeouts_.writeTotalConstant));
        qint64 queuedBefore = port_.bytesToWrite();
        qint64 taken = port_.write(reinterpret_cast<const char*>(data), static_cast<qint64>(n));
        if (taken <= 0) return 0;
        drainOutput(deadline);
        // What is still queued beyond what was there before has not left yet.
        qint64 left = std::clamp<qint64>(port_.bytesToWrite() - queuedBefore, 0, taken);
        return static_cast<std::size_t>(taken - left);
    }

    std::size_t read(std::uint8_t* buffer, std::size_t n) override {
        if (!port_.isOpen() || n == 0) return 0;
        QDeadlineTimer deadline(
            TotalTimeoutMs(n, timeouts_.readTotalMultiplier, timeouts_.readTotalConstant));
        std::size_t got = 0;
        for (;;) {
            qint64 r =
                port_.read(reinterpret_cast<char*>(buffer + got), static_cast<qint64>(n - got));
            if (r > 0) got += static_cast<std::size_t>(r);
            if (got >= n || deadline.hasExpired()) break;
            port_.clearError();
            if (!port_.waitForReadyRead(RemainingMs(deadline))) {
                // A device that failed or went away will not deliver more before the
                // deadline; anything else is waited out.
                QSerialPort::SerialPortError e = port_.error();
                if (e != QSerialPort::NoError && e != QSerialPort::TimeoutError) break;
            }
        }
        port_.clearError();
        return got;
    }

    void purgeReceive() override { port_.clear(QSerialPort::Input); }
    void purgeTransmit() override { port_.clear(QSerialPort::Output); }

    bool setRts(bool on) override {
        if (!port_.isOpen()) return false;
        if (port_.setRequestToSend(on)) return true;
        // A line without modem control keeps working; forget the error.
        port_.clearError();
        return false;
    }

    void flush() override {
        if (!port_.isOpen()) return;
        port_.flush();
        QDeadlineTimer deadline(TotalTimeoutMs(static_cast<std::size_t>(port_.bytesToWrite()),
                                               timeouts_.writeTotalMultiplier,
                                               timeouts_.writeTotalConstant));
        drainOutput(deadline);
    }

    void close() override { port_.close(); }

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
    void drainOutput(const QDeadlineTimer& deadline) {
        while (port_.bytesToWrite() > 0) {
            if (!port_.waitForBytesWritten(RemainingMs(deadline)) || deadline.hasExpired()) break;
        }
        port_.clearError();
    }

    QSerialPort port_;
    PortTimeouts timeouts_;
};

OpenResult Failed(OpenFailure step, std::string device, std::string reason) {
    OpenResult result;
    result.failure = step;
    result.device = std::move(device);
    result.reason = std::move(reason);
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

}  // namespace

OpenResult OpenMeterDevice(const std::string& devicePath) {
    if (devicePath.empty()) return Failed(OpenFailure::Open, devicePath, "No device was given.");
    if (!DeviceExists(devicePath)) {
        return Failed(OpenFailure::Open, devicePath, "The device does not exist.");
    }

    auto line = std::make_unique<QSerialPortLine>(SystemPath(devicePath));
    QSerialPort& port = line->port();
    // The line settings are applied by open() itself; flow control stays at the port's default.
    port.setBaudRate(QSerialPort::Baud9600);
    port.setDataBits(QSerialPort::Data8);
    port.setParity(QSerialPort::NoParity);
    port.setStopBits(QSerialPort::OneStop);
    if (!port.open(QIODevice::ReadWrite)) {
        return Failed(OpenFailure::Open, devicePath, port.errorString().toStdString());
    }

    if (!SetPortTimeouts(line.get(), kReadConstantMs)) {
        line->close();
        return Failed(OpenFailure::Timeouts, devicePath, "The time-outs could not be set.");
    }
    line->setRts(true);  // no failure: pseudo-terminals have no modem lines
    line->purgeReceive();
    line->purgeTransmit();

    OpenResult result;
    result.handle = std::move(line);
    result.device = devicePath;
    return result;
}

OpenResult OpenMeterPort(int portNumber, const std::filesystem::path& programDir) {
    std::string name = PortName(portNumber);
    if (name.empty()) {
        return Failed(OpenFailure::Open, {},
                      "Port number " + std::to_string(portNumber) + " is not one of COM1 to COM" +
                          std::to_string(kPortCount) + ".");
    }
    std::string device = ResolvePortDevice(portNumber, programDir);
    if (device.empty()) {
        return Failed(OpenFailure::Open, {}, "No serial device stands for " + name + ".");
    }
    return OpenMeterDevice(device);
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
